#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

namespace secant_root {

// Why users other than this one and root could replace the entries of the open directory
// `directory` with `status`, as a reason of the text catalog: another user owns it, or its
// group or all users may write it and it is not sticky (in a sticky directory, as /tmp is, only
// an entry's owner can rename or remove it). Nothing when only this user and root can. Group
// write bits also cover the users and groups that an access control list lets write: they show
// in the group bits (the mask), and the reason then names those whom the list lets write.
std::optional<std::string> WhyOthersCanReplaceEntries(int directory, const struct stat& status);

// The permission bits as people read them: "1777".
std::string OctalMode(mode_t mode);

}  // namespace secant_root
