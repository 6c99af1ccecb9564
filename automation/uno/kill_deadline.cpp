#include "automation/uno/kill_deadline.h"

#include <signal.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "automation/uno/uno_failure_numbers.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// The deadline that is armed: its serial number and what to end when it passes. A signal of a
// deadline already disarmed carries an older serial and does nothing.
std::atomic<unsigned> lastSerial{0};
std::atomic<unsigned> armedSerial{0};
std::atomic<pid_t> armedGroup{0};
std::atomic<int> armedConnection{-1};
std::atomic<unsigned> expiredSerial{0};
static_assert(std::atomic<unsigned>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr int kDeadlineSignal = SIGALRM;

void OnDeadline(int, siginfo_t* info, void*) {
    const unsigned serial = static_cast<unsigned>(info->si_value.sival_int);
    if (info->si_code != SI_TIMER || serial == 0 || serial != armedSerial.load()) {
        return;
    }
    const int savedErrno = errno;
    if (const pid_t group = armedGroup.load(); group > 0) {
        kill(-group, SIGKILL);
    }
    if (const int connection = armedConnection.load(); connection >= 0) {
        shutdown(connection, SHUT_RDWR);
    }
    expiredSerial.store(serial);
    errno = savedErrno;
}

void InstallHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = OnDeadline;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(kDeadlineSignal, &action, nullptr);
    });
}

}  // namespace

KillDeadline::KillDeadline(pid_t processGroup, int connection, std::chrono::milliseconds limit)
    : serial_(++lastSerial) {
    if (serial_ == 0) {
        serial_ = ++lastSerial;
    }
    InstallHandler();
    armedGroup.store(processGroup);
    armedConnection.store(connection);
    armedSerial.store(serial_);

    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = kDeadlineSignal;
    event.sigev_value.sival_int = static_cast<int>(serial_);
    event._sigev_un._tid = gettid();
    timer_t timer;
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
        armedSerial.store(0);
        throw AutomationFailureError(
            kOtherFailureNumber,
            texts::FilledText(texts::kNoCallLimitText, {std::strerror(errno)}));
    }
    timer_ = timer;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit);
    itimerspec when{};
    when.it_value.tv_sec = seconds.count();
    when.it_value.tv_nsec =
        std::chrono::duration_cast<std::chrono::nanoseconds>(limit - seconds).count();
    if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0) {
        when.it_value.tv_nsec = 1;
    }
    timer_settime(timer, 0, &when, nullptr);
}

KillDeadline::~KillDeadline() {
    armedSerial.store(0);
    armedGroup.store(0);
    armedConnection.store(-1);
    timer_delete(static_cast<timer_t>(timer_));
}

bool KillDeadline::Expired() const noexcept { return expiredSerial.load() == serial_; }

}  // namespace secant_root
