#include "automation/uno/office_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "automation/uno/kill_deadline.h"
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

using OfficeCallLimit = NoLeftoversTest;

// An answer that comes only after the limit has killed the office is not taken from it.
TEST_F(OfficeCallLimit, AnAnswerThatRacesTheLimitReportsTheTimeOut) {
    OfficeProcess office("/bin/sleep", {"600"}, {});
    const auto answerAfterTheKill = [] { return std::this_thread::sleep_for(200ms), 1; };
    const auto timedOut = [] { return CannotCreateObjectError("no answer"); };
    EXPECT_THROW(CallWithin(office.id(), -1, 10ms, answerAfterTheKill, timedOut), AppError);
    EXPECT_TRUE(office.WaitForExit(1s)) << "the office outlived the limit";
}

}  // namespace
}  // namespace secant_root::testing
