#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// Where LibreOffice makes the socket of this user's pipe `name`: /tmp/OSL_PIPE_<uid>_<name>, or
// the same in /var/tmp when /tmp is not writable.
std::filesystem::path OfficePipePath(const std::string& name);

// A socket connected to the pipe `name` of the office process `office`, or none (-1) while the
// office does not accept on it yet: no socket there yet, or nothing listening on it yet.
//
// The pipe's name is public (it is on the office's command line), so another user may have put
// something at the path first. Raises a cannot-create-object AppError saying what was found,
// before connecting, when the path is not a socket of this user (a symbolic link, say) or lies
// in a directory where others can replace entries; and after connecting, closing the
// connection, when the process that listens is not `office` (or a process of its process group)
// of this user.
UniqueFd ConnectToOfficePipe(const std::string& name, pid_t office);

// Checks the path of this user's pipe `name` by which an office keeps its profile to a single
// instance (see SingleInstancePipeName): an office that finds a socket there connects to it and
// waits for an answer, for ever, and one that finds another user's entry cannot start. Raises a
// cannot-create-object AppError naming what is there and its owner when it is anything but a
// socket of this user.
void CheckSingleInstancePipe(const std::string& name);

// Checks that the office can still make the socket of its pipe `name`, for a wait on an office
// that runs while its socket is missing: an office that cannot bind retries for ever. Raises a
// cannot-create-object AppError naming the pipes' directory and what it lacks when it has no free
// inode, or (where a socket takes space) no free space left to this user.
void CheckRoomForOfficePipe(const std::string& name);

}  // namespace secant_root
