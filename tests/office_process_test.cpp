#include "automation/uno/office_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/app_error.h"
#include "tests/no_leftovers_test.h"

namespace secant_root::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using OfficeProcessCrashSafety = NoLeftoversTest;

TEST_F(OfficeProcessCrashSafety, AnOfficeDoesNotOutliveAProgramThatCrashes) {
    // The program under test runs in a fresh process, started from its main thread.
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    const fs::path pidFile = fs::temp_directory_path() / "office-of-crashed-program.pid";

    EXPECT_DEATH(
        {
            const OfficeProcess office("/bin/sleep", {"600"}, {});
            std::ofstream(pidFile) << office.id() << std::endl;
            std::abort();
        },
        "");

    pid_t office = 0;
    std::ifstream(pidFile) >> office;
    fs::remove(pidFile);
    ASSERT_GT(office, 0);
    EXPECT_TRUE(EndsWithin(office, 2s)) << "the office outlived the program that started it";
}

// A signal that ends the program may come while an office is being started: that one does not
// run either.
TEST_F(OfficeProcessCrashSafety, NoOfficeStartsOnceAllHaveBeenKilled) {
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    EXPECT_EXIT(
        {
            OfficeProcess::KillAll();
            try {
                const OfficeProcess office("/bin/sleep", {"600"}, {});
            } catch (const AppError& error) {
                std::_Exit(error.number() == kCannotCreateObjectNumber ? 0 : 1);
            }
            std::_Exit(2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace secant_root::testing
