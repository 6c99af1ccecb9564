#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace secant_root::testing {

// What /proc says about this process: the counts that show a leak of processes, descriptors,
// threads or memory when compared before and after a series of calculations.

struct ChildProcess {
    pid_t pid;
    std::string name;  // the command name, e.g. "soffice.bin"
    char state;        // 'Z' for a zombie
};

// The live and zombie children of this process.
std::vector<ChildProcess> ChildrenOfThisProcess();
// The paths of the UNIX sockets that process `pid` has open (bound or connected by path).
std::vector<std::string> SocketPathsOf(pid_t pid);
int OpenDescriptorCount();
int ThreadCount();
long ResidentKilobytes();

}  // namespace secant_root::testing
