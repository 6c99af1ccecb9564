#include "automation/uno/office_environment.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "automation/uno/uno_runtime.h"

extern char** environ;

namespace secant_root {
namespace {

namespace fs = std::filesystem;

// The fonts of fonts-dejavu-core, which the program's package depends on, and the cache that the
// system's fontconfig keeps of them (fc-cache runs whenever a font package is installed).
constexpr std::string_view kDejaVuDirectory = "/usr/share/fonts/truetype/dejavu";
constexpr std::string_view kSystemFontCache = "/var/cache/fontconfig";

// The variables replaced for the instance. The base directories of XDG are dropped, so that
// everything kept in them follows HOME into the private directory.
constexpr std::string_view kReplaced[] = {
    "UserInstallation", "TMPDIR",         "LC_ALL",        "LD_BIND_NOW",    "HOME",
    "XDG_CONFIG_HOME",  "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "FONTCONFIG_FILE"};

bool IsReplaced(std::string_view entry) {
    return std::ranges::find(kReplaced, entry.substr(0, entry.find('='))) != std::end(kReplaced);
}

// A font configuration that names the DejaVu fonts alone, read from the system's cache: a
// logarithm needs no font, and fontconfig otherwise loads the cache of every font of a desktop
// (some 1,800 of them) into the instance's start. No cache is written: the instance's own
// directories could keep none from one click to the next.
std::string FontConfiguration() {
    return "<?xml version=\"1.0\"?>\n"
           "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
           "<fontconfig>\n"
           "  <dir>" +
           std::string(kDejaVuDirectory) + "</dir>\n  <cachedir>" + std::string(kSystemFontCache) +
           "</cachedir>\n</fontconfig>\n";
}

}  // namespace

// The profile's URL goes in the environment, which only this user can read, rather than on the
// command line (the office takes a bootstrap setting from either), so that the URL, and with it
// the name of the office's single-instance pipe, stays secret. The office's temporary files are
// kept in the private directory, which a killed office would otherwise leave behind, and so is
// its home: what the office and its libraries keep there (GLib's dconf cache, fontconfig's
// files, the places of the user's documents and templates) is neither read from nor written to
// the user's home. A UTF-8 locale lets the office read the profile's URL back into the path this
// program made (in a locale of another charset it cannot, and waits in a dialog for ever).
// LD_BIND_NOW only slows its start.
std::vector<std::string> OfficeEnvironment(const PrivateProfile& profile,
                                           const rtl::OUString& profileUrl) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!IsReplaced(*entry)) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("UserInstallation=" + ToUtf8(profileUrl));
    environment.push_back("TMPDIR=" + profile.TemporaryDirectory().string());
    environment.push_back("LC_ALL=C.UTF-8");
    environment.push_back("HOME=" + profile.HomeDirectory().string());
    // Without the DejaVu fonts (a build from source), the instance takes the system's fonts.
    if (std::error_code ignored;
        fs::exists(fs::path(kDejaVuDirectory) / "DejaVuSans.ttf", ignored)) {
        const fs::path configuration = profile.HomeDirectory() / "fonts.conf";
        WritePrivateFile(configuration, FontConfiguration());
        environment.push_back("FONTCONFIG_FILE=" + configuration.string());
    }
    return environment;
}

}  // namespace secant_root
