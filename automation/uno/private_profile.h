#pragma once

#include <filesystem>
#include <string>

#include "automation/uno/office_installation.h"

namespace secant_root {

// A private directory for one LibreOffice instance, made (readable by this user only) in the
// system's temporary directory and removed with everything in it when destroyed. It holds the
// instance's user profile, seeded so that the instance starts at once, and the directory for
// the instance's own temporary files, so that nothing the instance writes outlives it.
class PrivateProfile {
  public:
    // Raises a cannot-create-object AppError when the directory cannot be made or written.
    explicit PrivateProfile(const ProfileSeed& seed);
    ~PrivateProfile();
    PrivateProfile(const PrivateProfile&) = delete;
    PrivateProfile& operator=(const PrivateProfile&) = delete;

    // The user installation (the directory above `user/`).
    std::filesystem::path UserInstallation() const { return root_ / "profile"; }
    // Where the instance keeps its temporary files (its TMPDIR).
    std::filesystem::path TemporaryDirectory() const { return root_ / "tmp"; }
    // Where the instance's standard error goes, kept out of the user's terminal.
    std::filesystem::path ErrorOutput() const { return root_ / "stderr"; }
    // The last lines the instance wrote to its standard error, as "; LibreOffice wrote: …", or
    // nothing when it wrote nothing.
    std::string DescribeErrorOutput() const;

  private:
    std::filesystem::path root_;
};

}  // namespace secant_root
