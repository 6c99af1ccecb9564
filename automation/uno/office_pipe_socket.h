#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// What a look at the pipe `name` of an office found.
struct OfficePipeLook {
    // Connected and checked; -1 while the office does not accept on it yet.
    UniqueFd socket;
    // Whether a socket was there, one that refuses while the office has bound it but does not
    // listen yet.
    bool found = false;
};

// Connects to the pipe `name` of the office process `office`, when it accepts on it.
//
// The name is public (on the office's command line), so another user may have put something
// there first. Raises a cannot-create-object AppError saying what was found when the path is not
// this user's socket, lies in a directory where others can replace entries, or is served by
// another process than `office` (or one of its group) of this user.
OfficePipeLook ConnectToOfficePipe(const std::string& name, pid_t office);

// Connects to the pipe `name` of an office whose /tmp is the directory `privateTmp` (opened with
// O_PATH), when it accepts on it. No other user can reach that directory, so nothing is checked;
// the path goes through /proc/self/fd, within the limit on a socket's path whatever the
// directory's length. Raises a cannot-create-object AppError when the path cannot be connected to
// for another reason than that the office has not made or opened it yet.
OfficePipeLook ConnectToPrivateOfficePipe(int privateTmp, const std::string& name);

// Checks the office's single-instance pipe `name` (see SingleInstancePipeName): an office that
// finds a listener there waits on it for ever, and one that finds another user's entry cannot
// start. Raises a cannot-create-object AppError naming what is there and its owner when it is
// anything but this user's socket.
void CheckSingleInstancePipe(const std::string& name);

// The room for the socket of a pipe in `directory`, watched while the office has not made it: an
// office that cannot make it retries for ever, or exits.
class OfficePipeRoom {
  public:
    // A nearly full directory may lack room for a moment; only a lack that lasts is the cause.
    static constexpr std::chrono::milliseconds kLasting{500};

    explicit OfficePipeRoom(const std::filesystem::path& directory);

    // Whether the pipes' directory lacks room now: no free inode, or (where a socket takes space)
    // no free space left to this user. Raises a cannot-create-object AppError naming the
    // directory and what it lacks when it has lacked it at every look for kLasting while
    // `socketFound` was false.
    bool Check(bool socketFound);

  private:
    std::string directory_;
    std::optional<std::chrono::steady_clock::time_point> lackingSince_;
};

}  // namespace secant_root
