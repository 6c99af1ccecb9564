#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace secant_root::testing {

// What /proc says about this process: the counts that show a leak of processes, descriptors,
// threads or memory when compared before and after a series of calculations.

// One process as /proc/<pid>/stat describes it.
struct ProcessStatus {
    pid_t pid;
    std::string name;  // the command name, e.g. "soffice.bin"
    char state;        // 'Z' for a zombie
    pid_t parent;
    pid_t session;
};

// The text of /proc/<pid>/stat, or nothing once the process has ended (also mid-read).
std::string ProcessStatText(pid_t pid);
// Every process that exists now, zombies included.
std::vector<ProcessStatus> AllProcesses();
// The live and zombie children of this process.
std::vector<ProcessStatus> ChildrenOfThisProcess();
// The paths of the UNIX sockets that process `pid` has open (bound or connected by path).
std::vector<std::string> SocketPathsOf(pid_t pid);
int OpenDescriptorCount();
int ThreadCount();
long ResidentKilobytes();

}  // namespace secant_root::testing
