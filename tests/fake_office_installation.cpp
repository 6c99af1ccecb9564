#include "tests/fake_office_installation.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <vector>

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

FakeOfficeInstallation::FakeOfficeInstallation() {
    std::string pattern = (fs::temp_directory_path() / "fake-office-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create " + pattern);
    }
    root_ = pattern;
    const ProfileSeed real = OfficeInstallation::Default().ReadProfileSeed();
    WriteVersionrc("[Version]\nbuildid=" + real.buildId + "\n");
    WriteMainXcd("<oor:data><prop oor:name=\"ooSetupVersion\"><value>" + real.setupVersion +
                 "</value></prop></oor:data>\n");
}

FakeOfficeInstallation::~FakeOfficeInstallation() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void FakeOfficeInstallation::WriteVersionrc(const std::string& text) const {
    WriteFile(root_ / "program/versionrc", text);
}

void FakeOfficeInstallation::WriteMainXcd(const std::string& text) const {
    WriteFile(root_ / "share/registry/main.xcd", text);
}

void FakeOfficeInstallation::WriteOfficeScript(const std::string& body, bool executable) const {
    const fs::path script = root_ / "program/soffice.bin";
    WriteFile(script, "#!/bin/sh\nhere=$(dirname \"$0\")\n" + body + "\n");
    fs::permissions(
        script, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace secant_root::testing
