#include "automation/uno/shared_directory_rule.h"

#include <unistd.h>

#include <cstdio>

#include "common/program_texts.h"

namespace secant_root {

std::optional<std::string> WhyOthersCanReplaceEntries(const struct stat& status) {
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
        return texts::FilledText(texts::kWritableByGroupReason, {std::to_string(status.st_gid)});
    }
    return std::nullopt;
}

std::string OctalMode(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace secant_root
