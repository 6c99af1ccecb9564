#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// The directory that holds this user's private profile directories: secant-root-<uid> in the
// system's temporary directory, made readable by this user only, so that what other users put
// in a shared temporary directory neither reaches the profiles nor costs a run anything.
struct ProfilePlace {
    // Absolute and without symbolic links.
    std::filesystem::path path;
    // Open on the directory itself, for making entries in it.
    UniqueFd directory;
};

// Opens this user's directory, making it when there is none. The temporary directory and every
// directory above it up to / are first checked one by one, each opened from the one above it
// without following links: each must be owned by this user or root and, when its group or all
// users may write it, be sticky (WhyOthersCanReplaceEntries). Once they pass, only this user and
// root can change what the path names, so the paths below it can be handed to the instance.
// This user's directory must be a directory of this user's that passes the same rule.
//
// Raises a cannot-create-object AppError, having written nothing, when a directory fails the
// rule (naming it, what is wrong with it and what to do), and when the temporary directory is
// missing, cannot be opened or its path leaves no room for the profile's own paths.
ProfilePlace OpenProfilePlace();

// Makes a directory with a new random name of six letters and digits in `place`, readable by
// this user only, and returns the name; none when `place` was removed meanwhile (a run that
// ended found it empty). Raises a cannot-create-object AppError when it cannot be made.
std::optional<std::string> MakeRunDirectory(const ProfilePlace& place);

// Whether `name` is a name that MakeRunDirectory gives.
bool IsRunDirectoryName(const std::string& name);

}  // namespace secant_root
