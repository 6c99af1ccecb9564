#pragma once

#include <signal.h>

#include <QSocketNotifier>
#include <array>

namespace secant_root {

class MainWindow;

// Ends the program cleanly on SIGTERM, SIGINT and SIGHUP, except one that the program was started
// with ignored (by nohup, or as a script's background job), which stays ignored. The handler does
// only what is async-signal-safe: it records the signal, writes to a pipe that the event loop
// watches, and kills the running spreadsheet instances. A calculation under way then fails,
// removing its instance's files as it unwinds, and the program ends by the same signal without a
// report; while idle, the window closes as if the user had closed it. One per program.
class TerminationSignals final {
  public:
    explicit TerminationSignals(MainWindow& window);
    // Gives each signal back the handling it had before.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void OnCalculationStarted();
    void OnSignal();

    MainWindow& window_;
    QSocketNotifier notifier_;
    std::array<struct sigaction, 3> previous_{};
};

}  // namespace secant_root
