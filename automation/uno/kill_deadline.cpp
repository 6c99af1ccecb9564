#include "automation/uno/kill_deadline.h"

#include <signal.h>
#include <sys/socket.h>

#include <system_error>

#include "automation/uno/uno_failure_numbers.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {

KillDeadline::KillDeadline(pid_t processGroup, int connection, std::chrono::milliseconds limit) {
    try {
        watcher_ = std::thread([this, processGroup, connection, limit] {
            std::unique_lock lock(mutex_);
            if (!disarmed_.wait_for(lock, limit, [this] { return !armed_; })) {
                kill(-processGroup, SIGKILL);
                shutdown(connection, SHUT_RDWR);
                expired_ = true;
            }
        });
    } catch (const std::system_error& error) {
        throw AutomationFailureError(kOtherFailureNumber,
                                     texts::FilledText(texts::kNoCallLimitText, {error.what()}));
    }
}

KillDeadline::~KillDeadline() {
    Disarm();
    watcher_.join();
}

bool KillDeadline::Disarm() noexcept {
    const std::lock_guard lock(mutex_);
    armed_ = false;
    disarmed_.notify_one();
    return expired_;
}

}  // namespace secant_root
