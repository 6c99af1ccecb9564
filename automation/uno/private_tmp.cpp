#include "automation/uno/private_tmp.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace secant_root {
namespace {

namespace fs = std::filesystem;

const fs::path kTmp = "/tmp";

// 0, or the error; async-signal-safe.
int WriteWhole(const char* path, const std::string& text) noexcept {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const ssize_t written = write(fd, text.data(), text.size());
    const int error = written == static_cast<ssize_t>(text.size()) ? 0 : written < 0 ? errno : EIO;
    close(fd);
    return error;
}

}  // namespace

PrivateTmp::PrivateTmp(const fs::path& directory, const std::vector<fs::path>& keptInView)
    : directory_(directory.string()),
      uidMap_(std::to_string(geteuid()) + " " + std::to_string(geteuid()) + " 1"),
      gidMap_(std::to_string(getegid()) + " " + std::to_string(getegid()) + " 1") {
    for (const fs::path& path : keptInView) {
        std::error_code error;
        const fs::path place = fs::weakly_canonical(path, error);
        const fs::path relative = place.lexically_relative(kTmp);
        if (error || relative.empty() || *relative.begin() == ".." || relative == ".") {
            continue;
        }
        Kept kept{place.string(), {}};
        fs::path reached = directory;
        for (const fs::path& component : relative) {
            reached /= component;
            kept.directories.push_back(reached.string());
        }
        kept_.push_back(std::move(kept));
    }
}

int PrivateTmp::Enter() const noexcept {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return errno;
    }
    // An unprivileged user may map only their own ids, and their groups only once setgroups is
    // denied.
    if (const int error = WriteWhole("/proc/self/setgroups", "deny")) {
        return error;
    }
    if (const int error = WriteWhole("/proc/self/uid_map", uidMap_)) {
        return error;
    }
    if (const int error = WriteWhole("/proc/self/gid_map", gidMap_)) {
        return error;
    }
    // Nothing mounted here may reach the user's other namespaces.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return errno;
    }
    // Mounted inside the directory first, so that the recursive mount over /tmp carries them.
    for (const Kept& kept : kept_) {
        for (const std::string& made : kept.directories) {
            if (mkdir(made.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
                return errno;
            }
        }
        if (mount(kept.source.c_str(), kept.directories.back().c_str(), nullptr, MS_BIND | MS_REC,
                  nullptr) != 0) {
            return errno;
        }
    }
    if (mount(directory_.c_str(), kTmp.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
        return errno;
    }
    return 0;
}

}  // namespace secant_root
