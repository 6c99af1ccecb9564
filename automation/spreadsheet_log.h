#pragma once

#include <memory>

#include "calc/calculate_root.h"

namespace secant_root {

// Takes natural logarithms from the platform's spreadsheet application, driven as an automation
// server: every context is one new instance of the application, started by Open and let go by
// Close; every logarithm is one call of the spreadsheet's LN worksheet function, with the
// worksheet-function object obtained anew for each call. Each platform has its own source file.
class SpreadsheetLog final : public LogSource {
  public:
    SpreadsheetLog();
    ~SpreadsheetLog() override;
    SpreadsheetLog(const SpreadsheetLog&) = delete;
    SpreadsheetLog& operator=(const SpreadsheetLog&) = delete;

    Context Open() override;
    double Ln(Context context, double x) override;
    void Close(Context context) noexcept override;

  private:
    // The open contexts and whatever the platform keeps for them; defined per platform.
    class Instances;
    std::unique_ptr<Instances> instances_;
};

#ifndef _WIN32
// Kills every spreadsheet instance that a SpreadsheetLog of this program has running, at once,
// and any being started meanwhile or later (before the first Open there is nothing to kill, and
// nothing is kept): the calculation using one then fails, and removes the instance's files as it
// unwinds. Async-signal-safe, for the handler of a signal that ends the program.
void EndSpreadsheetInstancesNow() noexcept;
#endif

}  // namespace secant_root
