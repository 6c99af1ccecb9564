#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "automation/uno/private_tmp.h"
#include "automation/uno/unique_fd.h"

namespace secant_root {

// An office process that this program started: a child in a process group of its own, always
// reaped, killed with its group when let go while it runs, and by the kernel when this program
// dies. Start it from the main thread: the parent-death signal comes when the forking thread ends.
class OfficeProcess {
  public:
    // Starts `program` with `arguments` (without the program name) and `environment` (entries
    // "NAME=value"), standard input and output on /dev/null, standard error on `errorOutput`
    // (this program's when -1) and no other descriptor, umask 077 and the usual SIGPIPE. Raises a
    // cannot-create-object AppError, the process reaped, when it cannot be run, or after KillAll.
    // With `privateTmp`, the process sees that /tmp, unless the system refuses the namespaces: it
    // is then started without, as is every later one of this program (see HasPrivateTmp).
    OfficeProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, int errorOutput = -1,
                  const PrivateTmp* privateTmp = nullptr);
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    pid_t id() const noexcept { return pid_; }
    // Whether the process sees the private /tmp it was given.
    bool HasPrivateTmp() const noexcept { return hasPrivateTmp_; }
    // Whether the system has refused this program the namespaces of a private /tmp.
    static bool PrivateTmpRefused() noexcept;

    // Whether the process has ended; reaps it when it has.
    bool HasExited() noexcept;
    // Waits up to `timeout` for the process to end; whether it has.
    bool WaitForExit(std::chrono::milliseconds timeout) noexcept;
    // Ends the process and its group at once, unless it has ended already, and reaps it.
    void Kill() noexcept;
    // After the process has ended: whether it exited with `code`.
    bool ExitedWith(int code) const noexcept;
    // After the process has ended: how, in words ("exited with code 81").
    std::string DescribeExit() const;

    // Kills every unreaped office with its group, and any started meanwhile or later, whose start
    // then fails with a cannot-create-object AppError. Async-signal-safe, for a handler of a
    // signal that ends the program.
    static void KillAll() noexcept;

  private:
    // Forks and executes; the errno of a failed exec, the negated error of a refused private
    // /tmp, or 0 once it runs.
    int Start(const char* program, char* const* argv, char* const* envp, int errorOutput,
              const PrivateTmp* privateTmp);

    pid_t pid_ = -1;
    bool hasPrivateTmp_ = false;
    // Readable once the process has ended; -1 where the kernel has no pidfds.
    UniqueFd pidfd_;
    // The wait status once the process has been reaped; -1 when it was reaped elsewhere.
    std::optional<int> status_;
};

}  // namespace secant_root
