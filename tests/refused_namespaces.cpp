// With SECANT_ROOT_TEST_REFUSE_NAMESPACES set, this test program is refused new user namespaces,
// as AppArmor or a namespace limit of 0 refuse them, so that the client's checked fallback runs.

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>

namespace {

bool RefuseUserNamespaces() {
    if (std::getenv("SECANT_ROOT_TEST_REFUSE_NAMESPACES") == nullptr) {
        return false;
    }
    // unshare with CLONE_NEWUSER fails with EPERM; every other call passes.
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_unshare, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_NEWUSER, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{sizeof filter / sizeof filter[0], filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        std::abort();
    }
    return true;
}

[[maybe_unused]] const bool refused = RefuseUserNamespaces();

}  // namespace
