// CalcLog built for a LibreOffice program directory that does not exist (see
// tests/CMakeLists.txt): how the client behaves on a machine without LibreOffice.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/uno/calc_log.h"
#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/catalog_text.h"
#include "tests/no_leftovers_test.h"
#include "tests/raised_error.h"
#include "tests/scripted_log_source.h"

namespace secant_root::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

using SpreadsheetLogWithoutOffice = NoLeftoversTest;

TEST_F(SpreadsheetLogWithoutOffice, CannotCreateTheObjectBeforeAnyOtherCall) {
    RecordingWindow window("0.001");
    CalcLog logs;

    const AppError error = RaisedError([&] { CalculateRoot(window, logs); });

    EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
    EXPECT_EQ(error.number(), kCannotCreateObjectNumber);
    EXPECT_THAT(error.description(), HasSubstr(TextBefore(texts::kOfficeNotInstalledText, "{1}")));
    EXPECT_EQ(error.advice(), texts::kInstallLibreOfficeAdvice);
    EXPECT_EQ(window.reads, 0);
    EXPECT_THAT(window.answers, IsEmpty());
}

}  // namespace
}  // namespace secant_root::testing
