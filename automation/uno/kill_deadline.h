#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace secant_root {

// A time limit on one call to an office: when the call has not returned by then, the office's
// process group is killed and its connection shut down, so that the waiting call fails at once.
// A thread of its own waits, not a timer signal, so that the limit holds whatever signals the
// program blocks and whoever else handles them.
class KillDeadline {
  public:
    // Arms the limit for `processGroup` and the socket `connection`. Raises an
    // automation-failure AppError when its thread cannot be started.
    KillDeadline(pid_t processGroup, int connection, std::chrono::milliseconds limit);
    // Disarms the limit.
    ~KillDeadline();
    KillDeadline(const KillDeadline&) = delete;
    KillDeadline& operator=(const KillDeadline&) = delete;

    // Disarms the limit; whether it had passed and the office been killed, so that an answer
    // that came as the limit passed is not taken from an office that is gone.
    bool Disarm() noexcept;

  private:
    std::mutex mutex_;
    std::condition_variable disarmed_;
    bool armed_ = true;
    bool expired_ = false;
    std::thread watcher_;
};

// What `call` returns, made under a KillDeadline; raises what `timedOut` makes when the limit
// passed first, however the call then ended.
template <typename Call, typename TimedOut>
auto CallWithin(pid_t processGroup, int connection, std::chrono::milliseconds limit, Call call,
                TimedOut timedOut) {
    KillDeadline deadline(processGroup, connection, limit);
    std::optional<decltype(call())> result;
    try {
        result.emplace(call());
    } catch (...) {
        if (!deadline.Disarm()) {
            throw;
        }
    }
    if (deadline.Disarm()) {
        throw timedOut();
    }
    return std::move(*result);
}

}  // namespace secant_root
