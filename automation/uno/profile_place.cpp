#include "automation/uno/profile_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>

#include "automation/uno/random_name.h"
#include "automation/uno/shared_directory_rule.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRunNameLength = 6;
// How often a new name is tried, or this user's directory made again when other runs, ending,
// remove it each time before the new directory is made in it.
constexpr int kAttempts = 100;

[[noreturn]] void NotCreated(const fs::path& where, int error) {
    throw ProfileError(texts::kProfileNotCreatedText, where, error);
}

AppError OpenToOthersError(const fs::path& directory, std::string_view reason, mode_t mode) {
    return CannotCreateObjectError(texts::FilledText(texts::kProfilePlaceOpenText,
                                                     {directory.string(), reason, OctalMode(mode)}),
                                   texts::kOwnTemporaryDirectoryAdvice);
}

// What has the name of this user's directory, known to all, will not do: another place is tried.
class NameTaken : public AppError {
  public:
    explicit NameTaken(AppError report) : AppError(std::move(report)) {}
};

// Absolute, so that the instance and the clean-up read its paths alike, and without links, so
// that the directories checked are those the path passes through.
fs::path TemporaryBase() {
    std::error_code error;
    const fs::path named = fs::temp_directory_path(error);
    fs::path base = error ? fs::path() : fs::canonical(named, error);
    if (error) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kNoTemporaryDirectoryText, {error.message()}));
    }
    return base;
}

// `name` of `at`, opened and held to the rule.
UniqueFd OpenChecked(int at, const char* name, const fs::path& path) {
    CheckedDirectory checked = OpenCheckedDirectory(at, name, O_PATH | O_NOFOLLOW);
    if (checked.fd.get() < 0) {
        NotCreated(path, checked.error);
    }
    if (checked.openToOthers) {
        throw OpenToOthersError(path, *checked.openToOthers, checked.status.st_mode);
    }
    return std::move(checked.fd);
}

// `base` opened from / one directory at a time, each checked before the next is opened from it:
// what is checked is what the path leads to, whatever others rename meanwhile.
UniqueFd OpenCheckedBase(const fs::path& base) {
    fs::path reached = base.root_path();
    UniqueFd directory = OpenChecked(AT_FDCWD, reached.c_str(), reached);
    for (const fs::path& component : base.relative_path()) {
        reached /= component;
        directory = OpenChecked(directory.get(), component.c_str(), reached);
    }
    return directory;
}

// Describes what is at `path`, an entry of `base`, instead of a directory of this user's.
[[noreturn]] void DescribeSquatter(int base, const fs::path& path, int error) {
    struct stat status {};
    if (fstatat(base, path.filename().c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(status.st_mode)) {
            throw NameTaken(OpenToOthersError(path, texts::kSymbolicLinkReason, status.st_mode));
        }
        if (!S_ISDIR(status.st_mode)) {
            throw NameTaken(OpenToOthersError(path, texts::kNotADirectoryReason, status.st_mode));
        }
        if (status.st_uid != geteuid()) {
            throw NameTaken(OpenToOthersError(
                path, texts::FilledText(texts::kOwnedByUserReason, {std::to_string(status.st_uid)}),
                status.st_mode));
        }
    }
    NotCreated(path, error);
}

// This user's directory at `path` in `base`, made when missing; none when it was removed
// between its making and its opening.
UniqueFd OpenUsersDirectory(int base, const fs::path& path) {
    if (mkdirat(base, path.filename().c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        NotCreated(path.parent_path(), errno);
    }
    CheckedDirectory checked =
        OpenCheckedDirectory(base, path.filename().c_str(), O_RDONLY | O_NOFOLLOW);
    if (checked.fd.get() < 0 && checked.error == ENOENT) {
        return UniqueFd();
    }
    if (checked.fd.get() < 0 || checked.status.st_uid != geteuid()) {
        DescribeSquatter(base, path, checked.fd.get() < 0 ? checked.error : EPERM);
    }
    if (checked.openToOthers) {
        throw NameTaken(OpenToOthersError(path, *checked.openToOthers, checked.status.st_mode));
    }
    return std::move(checked.fd);
}

}  // namespace

ProfilePlace::ProfilePlace() {
    // A temporary directory the user chose is theirs; otherwise the runtime directory, which no
    // other user can fill, comes before the shared /tmp.
    if (std::getenv("TMPDIR") == nullptr && OpenInRuntimeDirectory()) {
        return;
    }
    const fs::path base = TemporaryBase();
    base_ = OpenCheckedBase(base);
    path_ = base / ("secant-root-" + std::to_string(geteuid()));
    try {
        directory_ = OpenUsersDirectory(base_.get(), path_);
    } catch (const NameTaken&) {
        if (!OpenInRuntimeDirectory()) {
            throw;
        }
    }
}

bool ProfilePlace::OpenInRuntimeDirectory() {
    // The login manager's /run/user/<uid>, the user's alone; checked, as the environment names it.
    const char* named = std::getenv("XDG_RUNTIME_DIR");
    if (named == nullptr || !fs::path(named).is_absolute()) {
        return false;
    }
    std::error_code error;
    const fs::path base = fs::canonical(named, error);
    if (error) {
        return false;
    }
    try {
        UniqueFd opened = OpenCheckedBase(base);
        fs::path users = base / "secant-root";
        directory_ = OpenUsersDirectory(opened.get(), users);
        base_ = std::move(opened);
        path_ = std::move(users);
        return true;
    } catch (const AppError&) {
        return false;
    }
}

std::string ProfilePlace::MakeRunDirectory() {
    // As mkdtemp does, relative to the directory already checked and open.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (directory_.get() < 0) {
            directory_ = OpenUsersDirectory(base_.get(), path_);
            continue;
        }
        const std::string name = RandomName(kRunNameLength, kLettersAndDigits);
        if (mkdirat(directory_.get(), name.c_str(), S_IRWXU) == 0) {
            return name;
        }
        if (errno == ENOENT) {
            directory_.reset();
        } else if (errno != EEXIST) {
            NotCreated(path_, errno);
        }
    }
    NotCreated(path_, EEXIST);
}

bool IsRunDirectoryName(const std::string& name) {
    return name.size() == kRunNameLength &&
           name.find_first_not_of(kLettersAndDigits) == std::string::npos;
}

AppError ProfileError(std::string_view text, const fs::path& path, int error) {
    return CannotCreateObjectError(texts::FilledText(text, {path.string(), std::strerror(error)}),
                                   error == ENOSPC || error == EDQUOT
                                       ? texts::kFreeRoomAdvice
                                       : texts::kStartSpreadsheetAdvice);
}

}  // namespace secant_root
