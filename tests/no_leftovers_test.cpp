#include "tests/no_leftovers_test.h"

#include <filesystem>
#include <thread>

#include "tests/process_census.h"

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;

std::set<std::string> TemporaryEntries() {
    std::set<std::string> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::temp_directory_path())) {
        entries.insert(entry.path().filename().string());
    }
    return entries;
}

// The process state letter of /proc/<pid>/stat, or 0 when there is no such process.
char StateOf(pid_t pid) {
    const std::string text = ProcessStatText(pid);
    const auto close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
}

}  // namespace

void NoLeftoversTest::SetUp() {
    if (const char* directory = std::getenv("TMPDIR")) {
        fs::create_directories(directory);
    }
    temporaryEntries_ = TemporaryEntries();
    ASSERT_TRUE(ChildrenOfThisProcess().empty()) << "an earlier test left a process";
}

void NoLeftoversTest::TearDown() {
    for (const ProcessStatus& child : ChildrenOfThisProcess()) {
        ADD_FAILURE() << "left a process: " << child.pid << " " << child.name << " in state "
                      << child.state;
    }
    EXPECT_EQ(TemporaryEntries(), temporaryEntries_) << "left files in the temporary directory";
}

bool EndsWithin(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const char state = StateOf(pid);
        if (state == 0 || state == 'Z') {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace secant_root::testing
