#include "shell/termination_signals_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "automation/spreadsheet_log.h"
#include "common/app_error.h"

namespace secant_root {
namespace {

// Never shown: the program ends before the report would be.
constexpr std::string_view kAskedToEndText = "the program was asked to end";
// E_ABORT.
constexpr std::int32_t kAbortedNumber = static_cast<std::int32_t>(0x80004004u);

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What the handler shares with the program: lock-free atomics only.
std::atomic<int> pipeIn{-1};
std::atomic<int> endingSignal{0};
std::atomic<bool> calculating{false};
std::atomic<bool> endedDuringCalculation{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void OnTerminationSignal(int signal) {
    const int savedErrno = errno;
    EndSpreadsheetInstancesNow();
    int expected = 0;
    endingSignal.compare_exchange_strong(expected, signal);
    if (calculating.load()) {
        endedDuringCalculation.store(true);
    }
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = write(pipeIn.load(), &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(LogSource& logs) : logs_(logs) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot make the pipe for termination signals");
    }
    pipeIn.store(fds[1]);
    notifier_ = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { OnSignal(); });

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : kSignals) {
        ::signal(signal, SIG_DFL);
    }
    const int pipeOut = static_cast<int>(notifier_->socket());
    notifier_.reset();
    close(pipeOut);
    close(pipeIn.exchange(-1));
}

LogSource::Context TerminationSignals::Open() {
    StopIfAskedToEnd();
    calculating.store(true);
    const Context context = logs_.Open();
    try {
        StopIfAskedToEnd();
    } catch (...) {
        logs_.Close(context);
        throw;
    }
    return context;
}

double TerminationSignals::Ln(Context context, double x) {
    StopIfAskedToEnd();
    return logs_.Ln(context, x);
}

void TerminationSignals::Close(Context context) noexcept {
    logs_.Close(context);
    calculating.store(false);
}

// An instance started after the signal was not killed by it: the calculation stops here.
void TerminationSignals::StopIfAskedToEnd() const {
    if (endingSignal.load() != 0) {
        endedDuringCalculation.store(true);
        throw AutomationFailureError(kAbortedNumber, std::string(kAskedToEndText));
    }
}

void TerminationSignals::OnSignal() {
    char bytes[16];
    while (read(static_cast<int>(notifier_->socket()), bytes, sizeof bytes) > 0) {
    }
    const int signal = endingSignal.load();
    if (signal == 0) {
        return;
    }
    // Reached in the event loop, so a calculation that the signal ended has unwound by now and
    // nothing of its instance is left. Its error, or one already on the screen, is not reported.
    if (endedDuringCalculation.load() || QApplication::activeModalWidget() != nullptr ||
        window_ == nullptr) {
        ::signal(signal, SIG_DFL);
        raise(signal);
        _exit(128 + signal);
    }
    window_->close();
}

}  // namespace secant_root
