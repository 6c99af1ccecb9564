#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "automation/uno/unique_fd.h"
#include "common/app_error.h"

namespace secant_root {

// The directory that holds this user's private profile directories: secant-root-<uid> in the
// system's temporary directory, made readable by this user only, so that what other users put
// in a shared temporary directory neither reaches the profiles nor costs a run anything. When
// TMPDIR is unset, or another user has taken that name, secant-root in the user's runtime
// directory ($XDG_RUNTIME_DIR) instead, so that they cannot fill it or stop the program.
class ProfilePlace {
  public:
    // Opens this user's directory, making it when there is none: without TMPDIR, in the runtime
    // directory when it passes the checks below, else in the temporary directory. That and
    // every directory above it up to / are first checked one by one, each opened from the one
    // above it without following links, against WhyOthersCanReplaceEntries. Once they pass, only
    // this user and root can change what the path names, so the paths below it can be handed to
    // the instance. This user's directory must be a directory of this user's that passes the
    // same rule; when what has its name does not, the runtime directory is used, if it is set,
    // absolute and passes the same checks, with its own secant-root.
    //
    // Raises a cannot-create-object AppError, having written nothing, when a directory fails
    // the rule (naming it, what is wrong with it and what to do; for this user's directory,
    // when the runtime directory will not do either), and when the temporary directory is
    // missing or cannot be opened.
    ProfilePlace();

    // Absolute and without symbolic links.
    const std::filesystem::path& path() const { return path_; }

    // Makes a directory with a new random name of six letters and digits here, readable by
    // this user only, and returns the name. This user's directory is made again when a run that
    // ended removed it meanwhile (finding it empty). Raises a cannot-create-object AppError when
    // the directory cannot be made.
    std::string MakeRunDirectory();

  private:
    // Opens secant-root in the runtime directory, making it when there is none; false, changing
    // nothing, when the runtime directory is not set, not absolute or any check fails.
    bool OpenInRuntimeDirectory();

    std::filesystem::path path_;
    // The checked temporary (or runtime) directory, and this user's directory in it (-1 when it has
    // just been removed).
    UniqueFd base_;
    UniqueFd directory_;
};

// Whether `name` is a name that MakeRunDirectory gives.
bool IsRunDirectoryName(const std::string& name);

// A cannot-create-object AppError of `text` filled with `path` and the system's `error`, whose
// advice, when the file system has no room left (ENOSPC, EDQUOT), is to free some.
AppError ProfileError(std::string_view text, const std::filesystem::path& path, int error);

}  // namespace secant_root
