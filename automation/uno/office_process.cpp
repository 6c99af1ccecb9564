#include "automation/uno/office_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "automation/uno/unique_fd.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// Descriptors 0 to 2 may be closed here, and the child's redirections must not overwrite them.
UniqueFd AboveStandardStreams(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) {
        return UniqueFd(fd);
    }
    const UniqueFd low(fd);
    return UniqueFd(fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

// Made before forking: the child of a threaded program must not allocate.
std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

constexpr int kExecErrorFd = 3;

// The unreaped offices, for KillAll in a signal handler: lock-free slots, each 0 or one office's
// id. An office leaves its slot before it is reaped, so a slot never names a reused id.
std::array<std::atomic<pid_t>, 16> liveOffices;
static_assert(std::atomic<pid_t>::is_always_lock_free);

// Set by KillAll before it reads the slots, read by a start after it took one: an office started
// meanwhile is killed by one of the two.
std::atomic<bool> killingAll{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void AddLiveOffice(pid_t pid) noexcept {
    for (std::atomic<pid_t>& slot : liveOffices) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) {
            return;
        }
    }
}

void RemoveLiveOffice(pid_t pid) noexcept {
    for (std::atomic<pid_t>& slot : liveOffices) {
        pid_t expected = pid;
        if (slot.compare_exchange_strong(expected, 0)) {
            return;
        }
    }
}

// Whether the child has ended, without reaping it.
bool HasEndedUnreaped(pid_t pid) noexcept {
    siginfo_t info{};
    int result;
    do {
        result = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    return result != 0 || info.si_pid == pid;
}

// Whether the system has refused the namespaces of a private /tmp; once refused, they are not
// tried again.
std::atomic<bool> privateTmpRefused{false};

// Between fork and exec: async-signal-safe calls only. A failed exec writes its errno to the
// close-on-exec pipe on kExecErrorFd; a private /tmp refused writes its error negated.
[[noreturn]] void BecomeOffice(const char* program, char* const* argv, char* const* envp,
                               pid_t parent, int devNull, int errorOutput, int execErrorFd,
                               const PrivateTmp* privateTmp) {
    // Its own process group lets a kill reach whatever the office starts besides.
    setpgid(0, 0);
    if (privateTmp != nullptr) {
        if (const int refused = privateTmp->Enter(); refused != 0) {
            const int report = -refused;
            [[maybe_unused]] const ssize_t written = write(execErrorFd, &report, sizeof report);
            _exit(127);
        }
    }
    // Not to outlive this program, even one that crashes; one gone before the request took hold
    // is seen here.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);
    }
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    if (errorOutput >= 0) {
        dup2(errorOutput, STDERR_FILENO);
    }
    if (execErrorFd != kExecErrorFd) {
        dup2(execErrorFd, kExecErrorFd);
    }
    fcntl(kExecErrorFd, F_SETFD, FD_CLOEXEC);
    close_range(kExecErrorFd + 1, ~0U, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // An ignored signal stays ignored across exec; the office expects the usual SIGPIPE.
    struct sigaction usual {};
    usual.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &usual, nullptr);
    // Another local user who could connect to the office could drive it as this user.
    umask(077);
    execve(program, argv, envp);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = write(kExecErrorFd, &error, sizeof error);
    _exit(127);
}

int WaitStatus(pid_t pid) noexcept {
    int status = 0;
    pid_t result;
    do {
        result = waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    return result == pid ? status : -1;
}

}  // namespace

OfficeProcess::OfficeProcess(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment, int errorOutput,
                             const PrivateTmp* privateTmp) {
    // The office finds its installation from the path it was started by.
    std::vector<std::string> argumentStrings{program.string()};
    argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentStrings(environment);
    const std::vector<char*> argv = NullTerminated(argumentStrings);
    const std::vector<char*> envp = NullTerminated(environmentStrings);

    hasPrivateTmp_ = privateTmp != nullptr && !privateTmpRefused.load();
    int execError = Start(program.c_str(), argv.data(), envp.data(), errorOutput,
                          hasPrivateTmp_ ? privateTmp : nullptr);
    if (execError < 0) {
        // Refused by the system's policy (a namespace limit of 0, AppArmor, seccomp): the office
        // makes its pipes in the shared /tmp, where the client checks them.
        privateTmpRefused.store(true);
        hasPrivateTmp_ = false;
        execError = Start(program.c_str(), argv.data(), envp.data(), errorOutput, nullptr);
    }
    if (execError > 0) {
        // A program that is not there has not been installed.
        throw CannotCreateObjectError(
            texts::FilledText(texts::kProgramNotRunText,
                              {program.string(), std::strerror(execError)}),
            execError == ENOENT ? texts::kInstallLibreOfficeAdvice
                                : texts::kStartLibreOfficeAdvice);
    }
}

int OfficeProcess::Start(const char* program, char* const* argv, char* const* envp, int errorOutput,
                         const PrivateTmp* privateTmp) {
    int pipeFds[2] = {-1, -1};
    const int piped = pipe2(pipeFds, O_CLOEXEC);
    const UniqueFd execErrorIn(pipeFds[0]);
    UniqueFd execErrorOut = AboveStandardStreams(pipeFds[1]);
    const UniqueFd devNull = AboveStandardStreams(open("/dev/null", O_RDWR | O_CLOEXEC));
    // A copy above the standard streams, which the child's redirections do not overwrite.
    const UniqueFd errorCopy(
        errorOutput < 0 ? -1 : fcntl(errorOutput, F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
    if (piped != 0 || execErrorOut.get() < 0 || devNull.get() < 0 ||
        (errorOutput >= 0 && errorCopy.get() < 0)) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kStartNotPreparedText, {std::strerror(errno)}));
    }
    const pid_t parent = getpid();

    status_.reset();
    pid_ = fork();
    if (pid_ == 0) {
        BecomeOffice(program, argv, envp, parent, devNull.get(), errorCopy.get(),
                     execErrorOut.get(), privateTmp);
    }
    if (pid_ < 0) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kOfficeNotStartedText, {std::strerror(errno)}));
    }
    // Set here as well, so that a kill right after the start reaches the group even if the
    // child has not run yet.
    setpgid(pid_, pid_);
    AddLiveOffice(pid_);
    // Unreaped, so the id still names this child.
    pidfd_ = UniqueFd(static_cast<int>(syscall(SYS_pidfd_open, pid_, 0U)));
    execErrorOut.reset();
    if (killingAll.load()) {
        Kill();
        throw CannotCreateObjectError(texts::kProgramEndingText);
    }

    int execError = 0;
    ssize_t got;
    do {
        got = read(execErrorIn.get(), &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof execError)) {
        return 0;
    }
    RemoveLiveOffice(pid_);
    status_ = WaitStatus(pid_);
    return execError;
}

bool OfficeProcess::PrivateTmpRefused() noexcept { return privateTmpRefused.load(); }

OfficeProcess::~OfficeProcess() { Kill(); }

bool OfficeProcess::HasExited() noexcept {
    if (!status_ && HasEndedUnreaped(pid_)) {
        RemoveLiveOffice(pid_);
        status_ = WaitStatus(pid_);
    }
    return status_.has_value();
}

bool OfficeProcess::WaitForExit(std::chrono::milliseconds timeout) noexcept {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!HasExited()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        // Without a pidfd (kernels before 5.3) poll only sleeps out the time.
        pollfd process{pidfd_.get(), POLLIN, 0};
        poll(&process, 1, static_cast<int>(left.count()));
    }
    return true;
}

void OfficeProcess::Kill() noexcept {
    if (HasExited()) {
        return;
    }
    // Not yet reaped, so the process and its group are still ours to signal.
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    // Frees its memory here while the kernel tears it down in its own last thread: the reap comes
    // about a millisecond sooner (kernels from 5.15 on).
    syscall(SYS_process_mrelease, pidfd_.get(), 0U);
    RemoveLiveOffice(pid_);
    status_ = WaitStatus(pid_);
}

bool OfficeProcess::ExitedWith(int code) const noexcept {
    return status_ && *status_ >= 0 && WIFEXITED(*status_) && WEXITSTATUS(*status_) == code;
}

std::string OfficeProcess::DescribeExit() const {
    if (!status_) {
        return std::string(texts::kProcessRunningText);
    }
    if (*status_ >= 0 && WIFEXITED(*status_)) {
        return texts::FilledText(texts::kProcessExitedText,
                                 {std::to_string(WEXITSTATUS(*status_))});
    }
    if (*status_ >= 0 && WIFSIGNALED(*status_)) {
        const int signal = WTERMSIG(*status_);
        return texts::FilledText(texts::kProcessSignalledText,
                                 {std::to_string(signal), strsignal(signal)});
    }
    return std::string(texts::kProcessEndedText);
}

void OfficeProcess::KillAll() noexcept {
    killingAll.store(true);
    for (const std::atomic<pid_t>& slot : liveOffices) {
        if (const pid_t pid = slot.load(); pid > 0) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
        }
    }
}

}  // namespace secant_root
