#include "tests/e2e/process_table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace secant_root::e2e {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool HasEnvironmentEntry(const std::filesystem::path& process, const std::string& entry) {
    const std::string environment = ReadAll(process / "environ");
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

std::vector<ProcessEntry> ProcessesOf(long session, const std::string& environmentEntry) {
    std::vector<ProcessEntry> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) {
            continue;
        }
        // /proc/<pid>/stat: "pid (command) state ppid pgrp session ..."; the command may hold
        // spaces and parentheses, so the fields are read after its last ')'.
        const std::string stat = ReadAll(entry.path() / "stat");
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;  // the process ended meanwhile
        }
        std::istringstream fields(stat.substr(close + 1));
        char state = '?';
        long parent = 0, group = 0, processSession = 0;
        fields >> state >> parent >> group >> processSession;
        if (processSession == session || HasEnvironmentEntry(entry.path(), environmentEntry)) {
            found.push_back({std::stol(name), stat.substr(open + 1, close - open - 1), state});
        }
    }
    return found;
}

}  // namespace secant_root::e2e
