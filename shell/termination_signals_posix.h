#pragma once

#include <QSocketNotifier>
#include <memory>

#include "calc/calculate_root.h"

class QWidget;

namespace secant_root {

// Ends the program cleanly on SIGTERM, SIGINT and SIGHUP. The handler does only what is
// async-signal-safe: it kills the running spreadsheet instances and writes the signal's number
// to a pipe, which the event loop reads. A calculation under way then fails, removing its
// instance's files as it unwinds, and the program ends by the same signal without a report;
// while idle, the window closes as if the user had closed it.
//
// Stands between the window and its logarithm source to know whether a calculation is under way
// and to stop one that has not started its instance yet. One per program.
class TerminationSignals final : public LogSource {
  public:
    explicit TerminationSignals(LogSource& logs);
    // Gives the signals their default handling back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The window that a signal closes while the program is idle.
    void SetWindow(QWidget& window) { window_ = &window; }

    Context Open() override;
    double Ln(Context context, double x) override;
    void Close(Context context) noexcept override;

  private:
    void OnSignal();
    void StopIfAskedToEnd() const;

    LogSource& logs_;
    QWidget* window_ = nullptr;
    // Reads the pipe that the handler writes to.
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace secant_root
