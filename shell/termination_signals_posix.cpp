#include "shell/termination_signals_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <cerrno>
#include <stdexcept>

#include "automation/spreadsheet_log.h"
#include "shell/main_window_qt.h"

namespace secant_root {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What the handler shares with the program: lock-free atomics only.
std::atomic<int> pipeIn{-1};
std::atomic<int> endingSignal{0};
std::atomic<bool> calculating{false};
std::atomic<bool> endedDuringCalculation{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void OnTerminationSignal(int signal) {
    const int savedErrno = errno;
    int expected = 0;
    endingSignal.compare_exchange_strong(expected, signal);
    if (calculating.load()) {
        endedDuringCalculation.store(true);
    }
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = write(pipeIn.load(), &byte, 1);
    // Last: the calculation that the kill fails, maybe on another thread, must find the signal
    // recorded, or it would be reported.
    EndSpreadsheetInstancesNow();
    errno = savedErrno;
}

// The pipe's read end, for the event loop.
int OpenSignalPipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot make the pipe for termination signals");
    }
    pipeIn.store(fds[1]);
    return fds[0];
}

[[noreturn]] void EndBySignal(int signal) {
    ::signal(signal, SIG_DFL);
    raise(signal);
    _exit(128 + signal);
}

}  // namespace

TerminationSignals::TerminationSignals(MainWindow& window)
    : window_(window), notifier_(OpenSignalPipe(), QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { OnSignal(); });
    QObject::connect(&window, &MainWindow::calculationStarted, &notifier_,
                     [this] { OnCalculationStarted(); });
    QObject::connect(&window, &MainWindow::calculationEnded, &notifier_,
                     [] { calculating.store(false); });

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    static_assert(std::size(kSignals) == std::tuple_size_v<decltype(previous_)>);
    for (std::size_t i = 0; i < previous_.size(); ++i) {
        sigaction(kSignals[i], nullptr, &previous_[i]);
        // Left ignored if it was: whoever started the program (nohup, a script) asked for that.
        if (previous_[i].sa_handler != SIG_IGN) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < previous_.size(); ++i) {
        sigaction(kSignals[i], &previous_[i], nullptr);
    }
    notifier_.setEnabled(false);
    close(static_cast<int>(notifier_.socket()));
    close(pipeIn.exchange(-1));
}

// A click that came after the signal has started nothing yet, and ends the program at once.
void TerminationSignals::OnCalculationStarted() {
    calculating.store(true);
    if (const int signal = endingSignal.load(); signal != 0) {
        EndBySignal(signal);
    }
}

void TerminationSignals::OnSignal() {
    char bytes[16];
    while (read(static_cast<int>(notifier_.socket()), bytes, sizeof bytes) > 0) {
    }
    const int signal = endingSignal.load();
    if (signal == 0) {
        return;
    }
    // Reached in the event loop, so a calculation that the signal ended has unwound by now and
    // nothing of its instance is left. Its error, or one already on the screen, is not reported.
    if (endedDuringCalculation.load() || QApplication::activeModalWidget() != nullptr) {
        EndBySignal(signal);
    }
    window_.close();
}

}  // namespace secant_root
