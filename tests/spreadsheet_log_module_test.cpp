// SpreadsheetLog of the Linux program: the client in the build's LibreOffice client module,
// loaded as the program loads it (the test program lies as deep in the build tree as the
// program), against the real LibreOffice Calc. What crosses the module's boundary: answers,
// AppErrors raised in the module, and the signal-time kill of its instances.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/spreadsheet_log.h"
#include "automation/uno/uno_failure_numbers.h"
#include "common/app_error.h"
#include "tests/no_leftovers_test.h"
#include "tests/raised_error.h"
#include "tests/scripted_log_source.h"

namespace secant_root::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using SpreadsheetLogModule = NoLeftoversTest;

TEST_F(SpreadsheetLogModule, AnswersReportsAndKillsAcrossTheModuleBoundary) {
    SpreadsheetLog logs;
    // Before the first Open nothing is loaded: nothing to kill, no context to use.
    EndSpreadsheetInstancesNow();
    EXPECT_EQ(RaisedError([&] { logs.Ln(1, 2.0); }).number(), kUnknownContextNumber);

    RecordingWindow window("0.001");
    CalculateRoot(window, logs);
    EXPECT_THAT(window.answers, ElementsAre("1.1189"));

    const LogSource::Context context = logs.Open();
    const AppError rejected = RaisedError([&] { logs.Ln(context, -1.0); });
    EXPECT_EQ(rejected.kind(), ErrorKind::AutomationFailure);
    EXPECT_EQ(rejected.number(), kInvalidArgumentNumber);
    EndSpreadsheetInstancesNow();
    const AppError ended = RaisedError([&] { logs.Ln(context, 2.0); });
    EXPECT_EQ(ended.number(), kInstanceEndedNumber);
    EXPECT_THAT(ended.description(), HasSubstr("DisposedException"));
    logs.Close(context);
    // TearDown checks that the killed instance left no process or file behind.
}

}  // namespace
}  // namespace secant_root::testing
