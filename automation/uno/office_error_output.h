#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// Where an office's standard error goes: a pipe that a thread drains as fast as the office writes,
// keeping the last kKeptBytes in memory, so that no flood of it reaches a disk or the terminal
// and the office never waits on it.
class OfficeErrorOutput {
  public:
    static constexpr std::size_t kKeptBytes = 64 * 1024;

    // Raises a cannot-create-object AppError when the pipe or its reader cannot be made.
    OfficeErrorOutput();
    // Stops the reader, even while some process still holds the pipe's other end.
    ~OfficeErrorOutput();
    OfficeErrorOutput(const OfficeErrorOutput&) = delete;
    OfficeErrorOutput& operator=(const OfficeErrorOutput&) = delete;

    // The end for the office's standard error (close-on-exec here; the start copies it).
    int WriteEnd() const noexcept { return writeEnd_.get(); }

    // The end of what the office has written (at most 400 bytes, cut at a character after "…")
    // as "; LibreOffice вывел: …", or nothing when it wrote nothing visible: printable UTF-8 on
    // one line, where a broken sequence, a control character or one that reorders or hides text
    // becomes U+FFFD.
    std::string Describe();

  private:
    void Read();
    // Takes what the pipe holds now into kept_; called with mutex_ held.
    void TakeAvailable();

    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    UniqueFd stop_;
    std::mutex mutex_;
    std::string kept_;
    std::thread reader_;
};

}  // namespace secant_root
