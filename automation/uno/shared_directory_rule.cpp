#include "automation/uno/shared_directory_rule.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/posix_acl.h>
#include <linux/posix_acl_xattr.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/program_texts.h"

namespace secant_root {
namespace {

// Whom the directory's access control list lets write besides its owner ("пользователю 1001,
// группе 0"); empty when no named user or group may, or the list cannot be read.
std::string WritersThroughAcl(int directory, gid_t group) {
    const std::string path = "/proc/self/fd/" + std::to_string(directory);
    // The header and room for far more entries than lists carry.
    char list[sizeof(posix_acl_xattr_header) + 64 * sizeof(posix_acl_xattr_entry)];
    const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", list, sizeof list);
    std::string writers;
    bool named = false;
    for (ssize_t at = sizeof(posix_acl_xattr_header);
         size > 0 && at + static_cast<ssize_t>(sizeof(posix_acl_xattr_entry)) <= size;
         at += sizeof(posix_acl_xattr_entry)) {
        posix_acl_xattr_entry entry;
        std::memcpy(&entry, list + at, sizeof entry);
        const unsigned tag = le16toh(entry.e_tag);
        if ((le16toh(entry.e_perm) & ACL_WRITE) == 0 ||
            (tag != ACL_USER && tag != ACL_GROUP && tag != ACL_GROUP_OBJ)) {
            continue;
        }
        named = named || tag != ACL_GROUP_OBJ;
        const unsigned id = tag == ACL_GROUP_OBJ ? group : le32toh(entry.e_id);
        writers += (writers.empty() ? "" : ", ") +
                   texts::FilledText(tag == ACL_USER ? texts::kAclUserEntry : texts::kAclGroupEntry,
                                     {std::to_string(id)});
    }
    return named ? writers : std::string();
}

}  // namespace

std::optional<std::string> WhyOthersCanReplaceEntries(int directory, const struct stat& status) {
    if (status.st_uid != 0 && status.st_uid != geteuid()) {
        return texts::FilledText(texts::kOwnedByUserReason, {std::to_string(status.st_uid)});
    }
    if ((status.st_mode & S_ISVTX) != 0) {
        return std::nullopt;
    }
    if ((status.st_mode & S_IWOTH) != 0) {
        return std::string(texts::kWritableByOthersReason);
    }
    if ((status.st_mode & S_IWGRP) != 0) {
        if (const std::string writers = WritersThroughAcl(directory, status.st_gid);
            !writers.empty()) {
            return texts::FilledText(texts::kWritableThroughAclReason, {writers});
        }
        return texts::FilledText(texts::kWritableByGroupReason, {std::to_string(status.st_gid)});
    }
    return std::nullopt;
}

CheckedDirectory OpenCheckedDirectory(int at, const char* name, int flags) {
    CheckedDirectory checked;
    checked.fd = UniqueFd(openat(at, name, O_DIRECTORY | O_CLOEXEC | flags));
    if (checked.fd.get() < 0 || fstat(checked.fd.get(), &checked.status) != 0) {
        checked.error = errno;
        checked.fd.reset();
    } else {
        checked.openToOthers = WhyOthersCanReplaceEntries(checked.fd.get(), checked.status);
    }
    return checked;
}

std::string OctalMode(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace secant_root
