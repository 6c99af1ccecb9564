#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "automation/uno/office_installation.h"
#include "automation/uno/unique_fd.h"

namespace secant_root {

// A private directory (0700) for one LibreOffice instance in ProfilePlace, removed with all in it
// when destroyed (the last run also removes ProfilePlace's directory). It holds the instance's
// seeded profile, its temporary files and its home, so that nothing the instance writes outlives
// it.
//
// A run killed outright cannot remove it; the next profile made in the same place does. Each
// holds a file locked for its whole life and the paths of the instance's sockets: one whose lock
// is free, or that has no lock and has not changed for seconds, belongs to a dead run.
class PrivateProfile {
  public:
    // Raises a cannot-create-object AppError when the directory cannot be made or written.
    // Removes what dead runs left first.
    explicit PrivateProfile(const ProfileSeed& seed);
    ~PrivateProfile();
    PrivateProfile(const PrivateProfile&) = delete;
    PrivateProfile& operator=(const PrivateProfile&) = delete;

    // The user installation (above `user/`). Its name is random, in a directory only this user
    // can read: LibreOffice names its single-instance pipe after it, and another user who knew
    // the name could take that pipe first.
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

// Writes `content` to the new file `path` of a private directory. Raises a cannot-create-object
// AppError that names the path and the system's reason.
void WritePrivateFile(const std::filesystem::path& path, std::string_view content);

}  // namespace secant_root
