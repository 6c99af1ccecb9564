#include "automation/uno/private_profile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "automation/uno/office_pipe_files.h"
#include "common/app_error.h"
#include "common/program_texts.h"

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

constexpr std::string_view kDirectoryPrefix = "secant-root-";
constexpr std::string_view kLockName = "lock";
constexpr std::string_view kSocketsName = "sockets";

// Absolute, so that the paths handed to the instance mean the same to it and to this program's
// clean-up whatever the working directories.
fs::path TemporaryBase() {
    std::error_code error;
    fs::path base = fs::absolute(fs::temp_directory_path(error), error);
    if (error) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kNoTemporaryDirectoryText, {error.message()}));
    }
    return base;
}

// Removes `directory` when it is a private directory of this user whose run has died: its lock
// can be taken. A directory without a lock may be one being made, and is left alone.
void RemoveIfDead(const fs::path& directory) {
    struct stat status {};
    if (lstat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != geteuid()) {
        return;
    }
    const UniqueFd opened(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const UniqueFd lock(
        opened.get() < 0 ? -1
                         : openat(opened.get(), kLockName.data(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (lock.get() < 0 || flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    std::ifstream record(directory / kSocketsName);
    for (std::string line; std::getline(record, line);) {
        RemoveOfficePipeSocket(line);
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
}

void RemoveWhatDeadRunsLeft(const fs::path& base) {
    std::error_code error;
    for (fs::directory_iterator entry(base, fs::directory_options::skip_permission_denied, error),
         end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() == kDirectoryPrefix.size() + 6 && name.starts_with(kDirectoryPrefix)) {
            RemoveIfDead(entry->path());
        }
    }
}

// The lock is taken under another name and then renamed, so that a lock file that another run
// finds is always held or abandoned, never about to be taken.
UniqueFd TakeLock(const fs::path& root) {
    const fs::path taking = root / "lock.new";
    UniqueFd lock(open(taking.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       S_IRUSR | S_IWUSR));
    if (lock.get() < 0 || flock(lock.get(), LOCK_EX | LOCK_NB) != 0 ||
        rename(taking.c_str(), (root / kLockName).c_str()) != 0) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kProfileNotLockedText, {root.string(), std::strerror(errno)}));
    }
    return lock;
}

fs::path MakePrivateDirectory(const fs::path& base) {
    const std::string pattern = (base / (std::string(kDirectoryPrefix) + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        throw CannotCreateObjectError(texts::FilledText(texts::kProfileNotCreatedText,
                                                        {base.string(), std::strerror(errno)}));
    }
    return fs::path(name.data());
}

void MakeDirectory(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kProfileNotWrittenText, {path.string(), error.message()}));
    }
}

void WriteFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    out.close();
    if (!out) {
        throw CannotCreateObjectError(texts::FilledText(texts::kProfileNotWrittenText,
                                                        {path.string(), texts::kWriteFailedWord}));
    }
}

// One setting of the profile's registry.
std::string RegistryItem(std::string_view path, std::string_view name, std::string_view value) {
    return "<item oor:path=\"" + std::string(path) + "\"><prop oor:name=\"" + std::string(name) +
           "\" oor:op=\"fuse\"><value>" + XmlEscaped(value) + "</value></prop></item>\n";
}

// What lets a new profile skip first-start work: the version last set up, the set-up marked as
// done and not the first run, and the build that the extensions and the compatibility of the
// profile were last checked with (the extensions directory and the registry each keep one).
void Seed(const fs::path& userInstallation, const ProfileSeed& seed) {
    const fs::path user = userInstallation / "user";
    MakeDirectory(user / "extensions");
    WriteFile(
        user / "registrymodifications.xcu",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
            RegistryItem("/org.openoffice.Setup/Product", "ooSetupLastVersion", seed.setupVersion) +
            RegistryItem("/org.openoffice.Setup/Office", "ooSetupInstCompleted", "true") +
            RegistryItem("/org.openoffice.Setup/Office", "LastCompatibilityCheckID", seed.buildId) +
            RegistryItem("/org.openoffice.Office.Common/Misc", "FirstRun", "false") +
            "</oor:items>\n");
    WriteFile(user / "extensions/buildid", seed.buildId);
}

// 128 random bits, which no one can guess.
std::string RandomProfileName() {
    std::random_device random;
    char name[48];
    std::snprintf(name, sizeof name, "profile-%08x%08x%08x%08x", random(), random(), random(),
                  random());
    return name;
}

}  // namespace

PrivateProfile::PrivateProfile(const ProfileSeed& seed) : profileName_(RandomProfileName()) {
    const fs::path base = TemporaryBase();
    RemoveWhatDeadRunsLeft(base);
    root_ = MakePrivateDirectory(base);
    try {
        lock_ = TakeLock(root_);
        Seed(UserInstallation(), seed);
        MakeDirectory(TemporaryDirectory());
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        throw;
    }
}

void PrivateProfile::RecordSockets(const std::vector<fs::path>& sockets) const {
    std::string record;
    for (const fs::path& socket : sockets) {
        record += socket.string() + "\n";
    }
    WriteFile(root_ / kSocketsName, record);
}

PrivateProfile::~PrivateProfile() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

}  // namespace secant_root
