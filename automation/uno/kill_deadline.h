#pragma once

#include <sys/types.h>

#include <chrono>

namespace secant_root {

// A time limit on one call to an office: when the call has not returned by then, the office's
// process group is killed and its connection shut down, so that the waiting call fails at once
// instead of blocking this program for ever. No thread of the program's own does the waiting:
// a timer sends a signal to the arming thread, and the handler does only those two things.
//
// One deadline at a time per program (the calls it guards are made one after another).
class KillDeadline {
  public:
    // Arms the limit for `processGroup` and the socket `connection` (or none when -1).
    KillDeadline(pid_t processGroup, int connection, std::chrono::milliseconds limit);
    // Disarms the limit.
    ~KillDeadline();
    KillDeadline(const KillDeadline&) = delete;
    KillDeadline& operator=(const KillDeadline&) = delete;

    // Whether the limit passed and the office was killed.
    bool Expired() const noexcept;

  private:
    unsigned serial_;
    void* timer_ = nullptr;
};

}  // namespace secant_root
