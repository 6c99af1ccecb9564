// How a Calc instance fails to start, and that it leaves nothing behind when it does; with
// made-up installations whose soffice.bin is a script, so that most cases start no real office.

#include "automation/calc_instance.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "common/app_error.h"
#include "tests/fake_office_installation.h"
#include "tests/no_leftovers_test.h"
#include "tests/raised_error.h"

namespace secant_root::testing {
namespace {

using ::testing::HasSubstr;

using namespace std::chrono_literals;

struct StartFailure {
    const char* name;
    // The script of soffice.bin; none when it is missing.
    const char* script;
    bool executable;
    const char* reason;
};

class CalcInstanceStartFailures : public NoLeftoversTest,
                                  public ::testing::WithParamInterface<StartFailure> {};

TEST_P(CalcInstanceStartFailures, RaiseCannotCreateObjectAndLeaveNothing) {
    const StartFailure& c = GetParam();
    FakeOfficeInstallation fake;
    if (c.script != nullptr) {
        fake.WriteOfficeScript(c.script, c.executable);
    }

    const AppError error = RaisedError([&] { CalcInstance instance(fake.installation(), 2s); });

    EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
    EXPECT_EQ(error.number(), kCannotCreateObjectNumber);
    EXPECT_THAT(error.description(), HasSubstr(c.reason));
}

INSTANTIATE_TEST_SUITE_P(
    Offices, CalcInstanceStartFailures,
    ::testing::Values(
        StartFailure{"Missing", nullptr, true, "soffice.bin: No such file or directory"},
        StartFailure{"NotExecutable", "exit 0", false, "soffice.bin: Permission denied"},
        StartFailure{"ExitsAtOnce", "exit 3", true, "LibreOffice exited with code 3 before"},
        StartFailure{"Crashes", "kill -SEGV $$", true, "was ended by signal 11"},
        // Asking to be restarted is honoured, but not for ever.
        StartFailure{"AlwaysAsksForARestart", "echo >>\"$here/starts\"; exit 81", true,
                     "exited with code 81"}),
    [](const auto& info) { return std::string(info.param.name); });

class CalcInstanceStart : public NoLeftoversTest {};

TEST_F(CalcInstanceStart, IsRestartedWhenLibreOfficeAsksForIt) {
    FakeOfficeInstallation fake;
    fake.WriteOfficeScript("if [ -e \"$here/started\" ]; then exec \"" +
                           OfficeInstallation::Default().OfficeBinary().string() +
                           "\" \"$@\"; fi\n"
                           "touch \"$here/started\"; exit 81");

    const CalcInstance instance(fake.installation());

    double ln = 0;
    EXPECT_TRUE(instance.CallLn(2.0) >>= ln);
    EXPECT_EQ(ln, std::log(2.0));
}

TEST_F(CalcInstanceStart, GivesUpAtTheTimeOutAndKillsWhatTheOfficeStarted) {
    FakeOfficeInstallation fake;
    const auto sleeperFile = fake.programDirectory() / "sleeper";
    fake.WriteOfficeScript("sleep 600 & echo $! >\"$here/sleeper\"; wait");

    const AppError error = RaisedError([&] { CalcInstance instance(fake.installation(), 300ms); });

    EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
    EXPECT_THAT(error.description(), HasSubstr("did not accept a connection within 0.3 s"));

    pid_t sleeper = 0;
    std::ifstream(sleeperFile) >> sleeper;
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(EndsWithin(sleeper, 1s)) << "the office's own child outlived the kill";
}

}  // namespace
}  // namespace secant_root::testing
