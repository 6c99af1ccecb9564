#include "automation/uno/office_pipe_socket.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "automation/uno/office_pipe_files.h"
#include "automation/uno/shared_directory_rule.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

namespace fs = std::filesystem;

std::string KindOfFile(mode_t mode) {
    return S_ISSOCK(mode)                   ? "сокет"
           : S_ISLNK(mode)                  ? "символическая ссылка"
           : S_ISREG(mode)                  ? "обычный файл"
           : S_ISDIR(mode)                  ? "каталог"
           : S_ISFIFO(mode)                 ? "FIFO"
           : S_ISCHR(mode) || S_ISBLK(mode) ? "устройство"
                                            : "файл другого вида";
}

// "65534 (nobody)", or the number alone when the user has no name.
std::string OwnerText(uid_t uid) {
    std::string text = std::to_string(uid);
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        text += " (" + std::string(found->pw_name) + ")";
    }
    return text;
}

[[noreturn]] void NotExamined(const fs::path& path, int error) {
    throw CannotCreateObjectError(
        texts::FilledText(texts::kPipeNotExaminedText, {path.string(), std::strerror(error)}));
}

// In a directory where others can replace entries, they could swap the socket once checked.
void CheckDirectory(const fs::path& directory) {
    const CheckedDirectory checked = OpenCheckedDirectory(AT_FDCWD, directory.c_str(), O_PATH);
    if (checked.fd.get() < 0) {
        NotExamined(directory, checked.error);
    }
    if (checked.openToOthers) {
        throw CannotCreateObjectError(texts::FilledText(
            texts::kPipeDirectoryOpenText,
            {directory.string(), *checked.openToOthers, OctalMode(checked.status.st_mode)}));
    }
}

// What is at `path`, not following a link; nothing when nothing is there.
std::optional<struct stat> StatusOf(const fs::path& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        NotExamined(path, errno);
    }
    return status;
}

// Whether `path` is this user's socket; false when there is nothing there yet.
bool IsOwnSocket(const fs::path& path) {
    const std::optional<struct stat> found = StatusOf(path);
    if (!found) {
        return false;
    }
    const struct stat& status = *found;
    if (S_ISLNK(status.st_mode)) {
        std::error_code error;
        const fs::path target = fs::read_symlink(path, error);
        throw CannotCreateObjectError(
            texts::FilledText(texts::kPipeIsALinkText,
                              {path.string(), error ? "?" : target.string()}),
            texts::kPipeTakenAdvice);
    }
    if (!S_ISSOCK(status.st_mode)) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kPipeIsNotASocketText,
                              {path.string(), KindOfFile(status.st_mode)}),
            texts::kPipeTakenAdvice);
    }
    if (status.st_uid != geteuid()) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kPipeOfAnotherUserText,
                              {path.string(), std::to_string(status.st_uid)}),
            texts::kPipeTakenAdvice);
    }
    return true;
}

void CheckPeer(int socket, const fs::path& path, pid_t office) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        NotExamined(path, errno);
    }
    // soffice.bin listens itself; started through the soffice wrapper, a child in its group.
    const bool ours = peer.pid == office || (peer.pid > 0 && getpgid(peer.pid) == office);
    if (!ours || peer.uid != geteuid()) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kPipeServedByAnotherText,
                              {path.string(), std::to_string(peer.pid), std::to_string(peer.uid),
                               std::to_string(office)}),
            texts::kPipeTakenAdvice);
    }
}

// Connects to the socket at `path`, which was found there: refused while the office has bound it
// but does not listen yet, gone when a removal raced with the look.
OfficePipeLook Connect(const fs::path& path) {
    OfficePipeLook look;
    look.found = true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        NotExamined(path, ENAMETOOLONG);
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0 ||
        connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // Between binding and listening the office refuses; a removal may race with the check.
        if (socket.get() >= 0 &&
            (errno == ECONNREFUSED || errno == ENOENT || errno == EAGAIN || errno == EINTR)) {
            look.found = errno != ENOENT;
            return look;
        }
        NotExamined(path, errno);
    }
    look.socket = std::move(socket);
    return look;
}

}  // namespace

void CheckSingleInstancePipe(const std::string& name) {
    const fs::path path = OfficePipePath(name);
    if (const auto status = StatusOf(path);
        status && (!S_ISSOCK(status->st_mode) || status->st_uid != geteuid())) {
        throw CannotCreateObjectError(texts::FilledText(texts::kSingleInstancePipeTakenText,
                                                        {path.string(), KindOfFile(status->st_mode),
                                                         OwnerText(status->st_uid)}),
                                      texts::kPipeTakenAdvice);
    }
}

OfficePipeLook ConnectToOfficePipe(const std::string& name, pid_t office) {
    const fs::path path = OfficePipePath(name);
    CheckDirectory(path.parent_path());
    if (!IsOwnSocket(path)) {
        return OfficePipeLook();
    }
    OfficePipeLook look = Connect(path);
    if (look.socket.get() >= 0) {
        CheckPeer(look.socket.get(), path, office);
    }
    return look;
}

OfficePipeLook ConnectToPrivateOfficePipe(int privateTmp, const std::string& name) {
    const fs::path path =
        "/proc/self/fd/" + std::to_string(privateTmp) + "/" + OfficePipeFileName(name);
    return Connect(path);
}

OfficePipeRoom::OfficePipeRoom(const fs::path& directory) : directory_(directory.string()) {}

bool OfficePipeRoom::Check(bool socketFound) {
    struct statfs status {};
    std::string_view lacking;
    // A file system that counts no inodes or blocks (f_files, f_blocks 0) has no limit on them.
    // On tmpfs a socket takes an inode and no space. Root may use the blocks kept for it.
    if (statfs(directory_.c_str(), &status) == 0) {
        const auto freeBlocks = geteuid() == 0 ? status.f_bfree : status.f_bavail;
        if (status.f_files != 0 && status.f_ffree == 0) {
            lacking = texts::kNoFreeInodesWord;
        } else if (status.f_type != TMPFS_MAGIC && status.f_blocks != 0 && freeBlocks == 0) {
            lacking = texts::kNoFreeSpaceWord;
        }
    }
    const auto now = std::chrono::steady_clock::now();
    if (lacking.empty() || socketFound) {
        lackingSince_.reset();
    } else if (!lackingSince_) {
        lackingSince_ = now;
    } else if (now - *lackingSince_ >= kLasting) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kPipeDirectoryFullText, {directory_, lacking}),
            texts::kFreeRoomAdvice);
    }
    return !lacking.empty();
}

}  // namespace secant_root
