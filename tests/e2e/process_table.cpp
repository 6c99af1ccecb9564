#include "tests/e2e/process_table.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace secant_root::e2e {
namespace {

bool HasEnvironmentEntry(pid_t pid, const std::string& entry) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    const std::string environment{std::istreambuf_iterator<char>(file), {}};
    std::size_t start = 0;
    while (start < environment.size()) {
        const std::size_t end = std::min(environment.find('\0', start), environment.size());
        if (environment.compare(start, end - start, entry) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

std::vector<testing::ProcessStatus> ProcessesOf(pid_t session,
                                                const std::string& environmentEntry) {
    std::vector<testing::ProcessStatus> found;
    for (const testing::ProcessStatus& process : testing::AllProcesses()) {
        if (process.session == session || HasEnvironmentEntry(process.pid, environmentEntry)) {
            found.push_back(process);
        }
    }
    return found;
}

}  // namespace secant_root::e2e
