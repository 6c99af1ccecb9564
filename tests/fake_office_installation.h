#pragma once

#include <filesystem>
#include <string>

#include "automation/uno/office_installation.h"

namespace secant_root::testing {

// A LibreOffice installation made up in a temporary directory, to see how the client meets a
// broken or missing one: program/versionrc and share/registry/main.xcd (by default with the
// real installation's values) and, when written, a program/soffice.bin script. Removed with
// everything in it when destroyed.
class FakeOfficeInstallation {
  public:
    FakeOfficeInstallation();
    ~FakeOfficeInstallation();
    FakeOfficeInstallation(const FakeOfficeInstallation&) = delete;
    FakeOfficeInstallation& operator=(const FakeOfficeInstallation&) = delete;

    void WriteVersionrc(const std::string& text) const;
    void WriteMainXcd(const std::string& text) const;
    // soffice.bin as a shell script with `body`; it finds its directory in $0.
    void WriteOfficeScript(const std::string& body, bool executable = true) const;

    OfficeInstallation installation() const { return OfficeInstallation(root_ / "program"); }
    std::filesystem::path programDirectory() const { return root_ / "program"; }

  private:
    std::filesystem::path root_;
};

}  // namespace secant_root::testing
