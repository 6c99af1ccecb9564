#pragma once

#include <map>
#include <memory>

#include "calc/calculate_root.h"

namespace secant_root {

class CalcInstance;

// The LibreOffice client module's logarithm source: every context is one new private headless
// LibreOffice Calc instance, every logarithm one call of LN through a FunctionAccess service
// obtained for that call. The program reaches it through its SpreadsheetLog.
class CalcLog final : public LogSource {
  public:
    CalcLog();
    ~CalcLog() override;
    CalcLog(const CalcLog&) = delete;
    CalcLog& operator=(const CalcLog&) = delete;

    Context Open() override;
    double Ln(Context context, double x) override;
    void Close(Context context) noexcept override;

  private:
    CalcInstance& Get(Context context);

    // The running instances, known to the calculation by a number.
    std::map<Context, std::unique_ptr<CalcInstance>> open_;
    Context lastContext_ = 0;
};

}  // namespace secant_root
