#pragma once

#include <filesystem>
#include <string>

namespace secant_root {

// What a new profile is seeded with so that LibreOffice takes it for a profile it has already
// set up. On an unseeded profile every start runs first-start work (graphics tests that headless
// mode never records as done) and then exits asking to be restarted.
struct ProfileSeed {
    // ooSetupVersion of share/registry/main.xcd, stored as the version last set up.
    std::string setupVersion;
    // buildid of program/versionrc, stored as the build last synchronised with.
    std::string buildId;
};

// A LibreOffice installation, known by its program directory (the one that holds soffice.bin).
class OfficeInstallation {
  public:
    explicit OfficeInstallation(std::filesystem::path programDirectory);

    // The installation the program was built to start.
    static OfficeInstallation Default();

    const std::filesystem::path& programDirectory() const { return programDirectory_; }
    // Rather than its shell wrapper, which costs far more than the office's own start.
    std::filesystem::path OfficeBinary() const;

    // Read at each start, so that it matches the installed version. Raises a cannot-create-object
    // AppError when LibreOffice is not installed there or its files lack the values.
    ProfileSeed ReadProfileSeed() const;

  private:
    std::filesystem::path programDirectory_;
};

}  // namespace secant_root
