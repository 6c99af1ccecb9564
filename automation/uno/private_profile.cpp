#include "automation/uno/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "automation/uno/office_pipe_files.h"
#include "automation/uno/profile_place.h"
#include "automation/uno/random_name.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

namespace fs = std::filesystem;

std::string XmlEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return escaped;
}

constexpr std::string_view kLockName = "lock";
constexpr std::string_view kTakingName = "lock.new";
constexpr std::string_view kSocketsName = "sockets";
// A run makes its directory and takes its lock within microseconds: one without a lock unchanged
// for this long belongs to a run that died in between (or while removing it).
constexpr std::chrono::seconds kMakingTime{10};

enum class LockState { Missing, Free, Held };

// One that cannot be opened counts as held, so that its directory is left alone.
LockState StateOfLock(int directory, std::string_view name) {
    const UniqueFd lock(openat(directory, name.data(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (lock.get() < 0) {
        return errno == ENOENT ? LockState::Missing : LockState::Held;
    }
    return flock(lock.get(), LOCK_EX | LOCK_NB) == 0 ? LockState::Free : LockState::Held;
}

bool UnchangedForLong(const struct stat& status) {
    const auto changed = std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
    const auto age = std::chrono::system_clock::now() - changed;
    // A change that the clock puts in the future counts as long ago too: the clock was set back.
    return age > kMakingTime || age < -kMakingTime;
}

// Removes `directory`, with the sockets it lists, when it is this user's and its run has died: its
// lock is free, or it has none, is unchanged for kMakingTime and its lock.new is not held.
void RemoveIfDead(const fs::path& directory) {
    const UniqueFd opened(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (opened.get() < 0 || fstat(opened.get(), &status) != 0 || status.st_uid != geteuid()) {
        return;
    }
    const LockState lock = StateOfLock(opened.get(), kLockName);
    const bool dead =
        lock == LockState::Free || (lock == LockState::Missing && UnchangedForLong(status) &&
                                    StateOfLock(opened.get(), kTakingName) != LockState::Held);
    if (!dead) {
        return;
    }
    std::ifstream record(directory / kSocketsName);
    for (std::string line; std::getline(record, line);) {
        RemoveOfficePipeSocket(line);
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
}

void RemoveWhatDeadRunsLeft(const fs::path& place) {
    std::error_code error;
    for (fs::directory_iterator entry(place, error), end; !error && entry != end;
         entry.increment(error)) {
        if (IsRunDirectoryName(entry->path().filename().string())) {
            RemoveIfDead(entry->path());
        }
    }
}

// The lock is taken under another name and then renamed, so that a lock file that another run
// finds is always held or abandoned, never about to be taken.
UniqueFd TakeLock(const fs::path& root) {
    const fs::path taking = root / kTakingName;
    UniqueFd lock(open(taking.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       S_IRUSR | S_IWUSR));
    if (lock.get() < 0 || flock(lock.get(), LOCK_EX | LOCK_NB) != 0 ||
        rename(taking.c_str(), (root / kLockName).c_str()) != 0) {
        throw ProfileError(texts::kProfileNotLockedText, root, errno);
    }
    return lock;
}

void MakeDirectory(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) {
        throw ProfileError(texts::kProfileNotWrittenText, path, error.value());
    }
}

// One setting of the profile's registry.
std::string RegistryItem(std::string_view path, std::string_view name, std::string_view value) {
    return "<item oor:path=\"" + std::string(path) + "\"><prop oor:name=\"" + std::string(name) +
           "\" oor:op=\"fuse\"><value>" + XmlEscaped(value) + "</value></prop></item>\n";
}

// What spares the office its first-start work (see ProfileSeed).
void Seed(const fs::path& userInstallation, const ProfileSeed& seed) {
    const fs::path user = userInstallation / "user";
    MakeDirectory(user / "extensions");
    WritePrivateFile(
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
    WritePrivateFile(user / "extensions/buildid", seed.buildId);
}

}  // namespace

// 128 random bits, which no one can guess.
PrivateProfile::PrivateProfile(const ProfileSeed& seed)
    : profileName_("profile-" + RandomName(32, kHexDigits)) {
    ProfilePlace place;
    RemoveWhatDeadRunsLeft(place.path());
    try {
        root_ = place.path() / place.MakeRunDirectory();
    } catch (...) {
        rmdir(place.path().c_str());
        throw;
    }
    try {
        lock_ = TakeLock(root_);
        Seed(UserInstallation(), seed);
        MakeDirectory(TemporaryDirectory());
        MakeDirectory(HomeDirectory());
    } catch (...) {
        Remove();
        throw;
    }
}

// The lock goes last: a removal cut short leaves it, free once this run has gone, for the next
// profile to remove the rest at once rather than after kMakingTime.
void PrivateProfile::Remove() const noexcept {
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator entry(root_, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->path().filename() != kLockName) {
            entries.push_back(entry->path());
        }
    }
    for (const fs::path& entry : entries) {
        if (!error) {
            fs::remove_all(entry, error);
        }
    }
    if (!error) {
        fs::remove_all(root_, error);
    }
    // Stays while it holds another run's directory.
    rmdir(root_.parent_path().c_str());
}

void PrivateProfile::RecordSockets(const std::vector<fs::path>& sockets) const {
    std::string record;
    for (const fs::path& socket : sockets) {
        record += socket.string() + "\n";
    }
    WritePrivateFile(root_ / kSocketsName, record);
}

PrivateProfile::~PrivateProfile() { Remove(); }

// The stream keeps no error code: the failed system call's is taken (one ENOSPC, say).
void WritePrivateFile(const fs::path& path, std::string_view content) {
    errno = 0;
    std::ofstream out(path, std::ios::binary);
    out << content;
    out.close();
    if (!out) {
        throw ProfileError(texts::kProfileNotWrittenText, path, errno != 0 ? errno : EIO);
    }
}

}  // namespace secant_root
