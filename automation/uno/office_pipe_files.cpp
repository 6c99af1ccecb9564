#include "automation/uno/office_pipe_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <rtl/digest.h>

namespace secant_root {
namespace {

std::string OwnPipePrefix() { return "OSL_PIPE_" + std::to_string(geteuid()) + "_"; }

}  // namespace

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
                                 const rtl::OUString& userInstallationUrl) {
    const std::string prefix = OwnPipePrefix();
    // The pipes go to /tmp, or to /var/tmp where /tmp is not writable.
    for (const char* directory : {"/tmp", "/var/tmp"}) {
        paths_.push_back(std::filesystem::path(directory) / (prefix + pipeName));
        paths_.push_back(std::filesystem::path(directory) /
                         (prefix + SingleInstancePipeName(userInstallationUrl)));
    }
}

OfficePipeFiles::~OfficePipeFiles() {
    for (const std::filesystem::path& path : paths_) {
        RemoveOfficePipeSocket(path);
    }
}

void RemoveOfficePipeSocket(const std::filesystem::path& path) noexcept {
    try {
        const std::string directory = path.parent_path().string();
        if ((directory != "/tmp" && directory != "/var/tmp") ||
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
