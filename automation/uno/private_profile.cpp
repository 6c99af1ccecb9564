#include "automation/uno/private_profile.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/app_error.h"

namespace secant_root {
namespace {

namespace fs = std::filesystem;

std::string XmlEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

fs::path MakePrivateDirectory() {
    std::error_code error;
    // Absolute, so that the paths handed to the instance mean the same to it and to this
    // program's clean-up whatever the working directories.
    const fs::path base = fs::absolute(fs::temp_directory_path(error), error);
    if (error) {
        throw CannotCreateObjectError("no temporary directory for the LibreOffice profile: " +
                                      error.message());
    }
    const std::string pattern = (base / "secant-root-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        throw CannotCreateObjectError("cannot create a private LibreOffice profile in " +
                                      base.string() + ": " + std::strerror(errno));
    }
    return fs::path(name.data());
}

void MakeDirectory(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) {
        throw CannotCreateObjectError("cannot write the private LibreOffice profile: " +
                                      path.string() + ": " + error.message());
    }
}

void WriteFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    out.close();
    if (!out) {
        throw CannotCreateObjectError("cannot write the private LibreOffice profile: " +
                                      path.string());
    }
}

// The two files that let a new profile skip first-start work: the version last set up, and the
// build the extensions were last synchronised with.
void Seed(const fs::path& userInstallation, const ProfileSeed& seed) {
    const fs::path user = userInstallation / "user";
    MakeDirectory(user / "extensions");
    WriteFile(user / "registrymodifications.xcu",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
              "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
              "<item oor:path=\"/org.openoffice.Setup/Product\">"
              "<prop oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\"><value>" +
                  XmlEscaped(seed.setupVersion) +
                  "</value></prop></item>\n"
                  "</oor:items>\n");
    WriteFile(user / "extensions/buildid", seed.buildId);
}

}  // namespace

PrivateProfile::PrivateProfile(const ProfileSeed& seed) : root_(MakePrivateDirectory()) {
    try {
        Seed(UserInstallation(), seed);
        MakeDirectory(TemporaryDirectory());
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        throw;
    }
}

std::string PrivateProfile::DescribeErrorOutput() const {
    constexpr std::size_t kMaxShown = 400;
    std::ifstream in(ErrorOutput(), std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        return {};
    }
    if (text.size() > kMaxShown) {
        text = "…" + text.substr(text.size() - kMaxShown);
    }
    for (char& c : text) {
        if (c == '\n' || c == '\t' || c == '\r') {
            c = ' ';
        }
    }
    return "; LibreOffice wrote: " + text;
}

PrivateProfile::~PrivateProfile() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

}  // namespace secant_root
