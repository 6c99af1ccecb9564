#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace secant_root {

// The /tmp an office sees where the system lets a program make user and mount namespaces: a
// directory of the run's own, inside its 0700 private directory. LibreOffice makes its pipes in
// /tmp whatever it is told, so there no other user can see, take or race them.
//
// Prepared before fork, entered in the child before exec: the child of a threaded program may
// neither allocate nor take a lock, so every string is made here.
class PrivateTmp {
  public:
    // `directory` is to be the office's /tmp. Each of `keptInView` (the private directory, the
    // installation) that lies under the real /tmp, which the new one hides, is mounted back at
    // its own path inside it.
    PrivateTmp(const std::filesystem::path& directory,
               const std::vector<std::filesystem::path>& keptInView);

    // In the child between fork and exec, async-signal-safe: new user and mount namespaces with
    // this user's ids mapped to themselves, `directory` mounted over /tmp. 0, or the error of the
    // step the system refused (EPERM, ENOSPC at the namespace limit, EINVAL); the mounts end
    // with the last process of the namespace.
    int Enter() const noexcept;

  private:
    struct Kept {
        std::string source;
        // The directories to make inside `directory`, outermost first; the last is the mount point.
        std::vector<std::string> directories;
    };

    std::string directory_;
    std::string uidMap_;
    std::string gidMap_;
    std::vector<Kept> kept_;
};

}  // namespace secant_root
