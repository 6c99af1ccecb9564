#include "tests/process_census.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;

// The value of a "Name:\tvalue" line of /proc/self/status.
long StatusValue(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(name + ":")) {
            return std::stol(line.substr(name.size() + 1));
        }
    }
    return -1;
}

}  // namespace

std::string ProcessStatText(pid_t pid) {
    // A read of a process that ends meanwhile fails with ESRCH, which the stream throws.
    try {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        return {std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

std::vector<ProcessStatus> AllProcesses() {
    std::vector<ProcessStatus> processes;
    std::error_code error;
    for (fs::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string text = ProcessStatText(static_cast<pid_t>(std::stol(name)));
        // pid (comm) state ppid pgrp session …; the command name may itself hold spaces and
        // parentheses.
        const auto open = text.find('(');
        const auto close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;  // the process ended meanwhile
        }
        std::istringstream rest(text.substr(close + 1));
        ProcessStatus process{static_cast<pid_t>(std::stol(text)),
                              text.substr(open + 1, close - open - 1), '?', 0, 0};
        pid_t group = 0;
        rest >> process.state >> process.parent >> group >> process.session;
        processes.push_back(process);
    }
    return processes;
}

std::vector<ProcessStatus> ChildrenOfThisProcess() {
    std::vector<ProcessStatus> children;
    const pid_t self = getpid();
    for (const ProcessStatus& process : AllProcesses()) {
        if (process.parent == self) {
            children.push_back(process);
        }
    }
    return children;
}

std::vector<std::string> SocketPathsOf(pid_t pid) {
    // Descriptors that are sockets read "socket:[inode]"; /proc/net/unix maps inodes to paths.
    std::set<std::string> inodes;
    std::error_code error;
    for (fs::directory_iterator entry("/proc/" + std::to_string(pid) + "/fd", error), end;
         !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        const std::string target = fs::read_symlink(entry->path(), ignored).string();
        if (target.starts_with("socket:[") && target.ends_with("]")) {
            inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    std::vector<std::string> paths;
    std::ifstream table("/proc/net/unix");
    std::string line;
    std::getline(table, line);  // Num RefCount Protocol Flags Type St Inode Path
    while (std::getline(table, line)) {
        std::istringstream columns(line);
        std::string skipped, inode, path;
        for (int column = 0; column < 6; ++column) {
            columns >> skipped;
        }
        columns >> inode >> path;
        if (inodes.contains(inode) && path.starts_with("/")) {
            paths.push_back(path);
        }
    }
    return paths;
}

int OpenDescriptorCount() {
    int count = 0;
    std::error_code error;
    for (fs::directory_iterator entry("/proc/self/fd", error), end; !error && entry != end;
         entry.increment(error)) {
        ++count;
    }
    // Less the descriptor that listed the directory.
    return count - 1;
}

int ThreadCount() { return static_cast<int>(StatusValue("Threads")); }

long ResidentKilobytes() { return StatusValue("VmRSS"); }

}  // namespace secant_root::testing
