#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// Where an office's standard error goes: a pipe that a thread of this program drains as fast as
// the office writes, keeping only the last kKeptBytes in memory. However much the office writes,
// nothing of it reaches a file or the user's terminal, and the office never waits on it. (A
// size limit on a file, RLIMIT_FSIZE, would limit every file the office writes: its profile,
// its temporary files, the user's font cache.)
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

    // The end of what the office has written (its last 400 bytes at most, cut at a character,
    // "…" in front of a cut) as "; LibreOffice вывел: …", or nothing when it wrote nothing
    // visible. The text is valid, printable UTF-8 on one line: line breaks and tabs become
    // spaces; a byte that does not belong to a valid UTF-8 sequence, a control character (the
    // escape that starts a terminal sequence, say) or a character that changes the direction or
    // visibility of text becomes U+FFFD; spaces at the end are dropped.
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
