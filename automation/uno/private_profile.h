#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "automation/uno/office_installation.h"
#include "automation/uno/unique_fd.h"

namespace secant_root {

// A private directory for one LibreOffice instance, made (readable by this user only) in this
// user's directory of the system's temporary directory, or of the runtime directory when another
// user has taken its name (ProfilePlace), and removed with
// everything in it when destroyed; the last run to end removes this user's directory too. It
// holds the instance's user profile, seeded so that the instance starts at once, and the
// directories for the instance's own temporary files and its home, so that nothing the instance
// writes outlives it.
//
// A program killed outright (SIGKILL) cannot remove it; the next profile that any run of the
// program makes in the same place does. Each directory holds a file locked for
// the directory's whole life and the names of the instance's sockets: a directory of this user
// whose lock is free belongs to a run that has died, and is removed with those sockets; so is
// one without a lock that has not changed for some seconds (its run died before locking it).
class PrivateProfile {
  public:
    // Raises a cannot-create-object AppError when the directory cannot be made or written.
    // Removes what dead runs left first.
    explicit PrivateProfile(const ProfileSeed& seed);
    ~PrivateProfile();
    PrivateProfile(const PrivateProfile&) = delete;
    PrivateProfile& operator=(const PrivateProfile&) = delete;

    // The user installation (the directory above `user/`). Its name is random and lies in a
    // directory that only this user can read, so that no other user can learn it: LibreOffice
    // names the pipe that keeps a profile to one instance after the profile's URL, and another
    // user who knew that name could take it first.
    std::filesystem::path UserInstallation() const { return root_ / profileName_; }
    // Where the instance keeps its temporary files (its TMPDIR).
    std::filesystem::path TemporaryDirectory() const { return root_ / "tmp"; }
    // The instance's home directory (its HOME), for what the office and its libraries keep there.
    std::filesystem::path HomeDirectory() const { return root_ / "home"; }

    // Records the paths of the instance's sockets, for removal should this run die.
    void RecordSockets(const std::vector<std::filesystem::path>& sockets) const;

  private:
    void Remove() const noexcept;

    std::filesystem::path root_;
    std::string profileName_;
    // Held while the directory exists; closed (released) after it has been removed.
    UniqueFd lock_;
};

}  // namespace secant_root
