#include "automation/uno/office_pipe_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include <rtl/digest.h>

namespace secant_root {
namespace {

namespace fs = std::filesystem;

// In the order LibreOffice tries them.
const std::array<fs::path, 2> kPipeDirectories{"/tmp", "/var/tmp"};

std::string OwnPipePrefix() { return "OSL_PIPE_" + std::to_string(geteuid()) + "_"; }

}  // namespace

std::string OfficePipeFileName(const std::string& name) { return OwnPipePrefix() + name; }

fs::path OfficePipePath(const std::string& name) {
    const fs::path& directory =
        access(kPipeDirectories[0].c_str(), W_OK) == 0 ? kPipeDirectories[0] : kPipeDirectories[1];
    return directory / OfficePipeFileName(name);
}

std::string SingleInstancePipeName(const rtl::OUString& userInstallationUrl) {
    sal_uInt8 digest[RTL_DIGEST_LENGTH_MD5];
    rtl_digest_MD5(userInstallationUrl.getStr(),
                   static_cast<sal_uInt32>(userInstallationUrl.getLength()) * sizeof(sal_Unicode),
                   digest, sizeof digest);
    std::string name = "SingleOfficeIPC_";
    for (const sal_uInt8 byte : digest) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%x", byte);
        name += hex;
    }
    return name;
}

OfficePipeFiles::OfficePipeFiles(const std::string& pipeName,
                                 const rtl::OUString& userInstallationUrl)
    : paths_{OfficePipePath(pipeName),
             OfficePipePath(SingleInstancePipeName(userInstallationUrl))} {}

OfficePipeFiles::~OfficePipeFiles() {
    for (const fs::path& path : paths_) {
        RemoveOfficePipeSocket(path);
    }
}

void RemoveOfficePipeSocket(const fs::path& path) noexcept {
    try {
        if (std::ranges::find(kPipeDirectories, path.parent_path()) == kPipeDirectories.end() ||
            !path.filename().string().starts_with(OwnPipePrefix())) {
            return;
        }
    } catch (...) {
        return;
    }
    struct stat status;
    if (lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode) &&
        status.st_uid == geteuid()) {
        unlink(path.c_str());
    }
}

}  // namespace secant_root
