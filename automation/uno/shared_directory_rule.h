#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// Why users other than this one and root could replace the entries of the open directory
// `directory` with `status`, as a reason of the text catalog: another user owns it, or its group
// or all users may write it and it is not sticky (as /tmp is). Users and groups that an access
// control list lets write show in the group bits (its mask); the reason then names them.
std::optional<std::string> WhyOthersCanReplaceEntries(int directory, const struct stat& status);

// A directory opened and held to that rule.
struct CheckedDirectory {
    // -1 when it could not be opened or examined; `error` then says why.
    UniqueFd fd;
    int error = 0;
    struct stat status {};
    // Set when others could replace its entries.
    std::optional<std::string> openToOthers;
};

// Opens the directory `name` of `at` (as openat does, with O_DIRECTORY, O_CLOEXEC and `flags`)
// and checks it, so that what is checked is what was opened, whatever is renamed meanwhile.
CheckedDirectory OpenCheckedDirectory(int at, const char* name, int flags);

// The permission bits as people read them: "1777".
std::string OctalMode(mode_t mode);

}  // namespace secant_root
