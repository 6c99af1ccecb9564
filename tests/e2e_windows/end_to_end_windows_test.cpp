// secant-root.exe itself under Wine, started as a user starts it, with the stand-in spreadsheet
// server registered for the spreadsheet application's class (so that COM starts it in a process of
// its own, as it would start Excel) or with nothing registered.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>

#include "common/program_texts.h"
#include "common/utf16_windows.h"
#include "tests/e2e_windows/program_under_test_windows.h"
#include "tests/e2e_windows/stand_in_registration_windows.h"
#include "tests/stand_in_spreadsheet_windows.h"

namespace secant_root::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::Matcher;
using ::testing::StartsWith;

// The build's program, or the one SECANT_ROOT_PROGRAM_UNDER_TEST names (an installed one's).
std::wstring ProgramPath() {
    std::wstring named(MAX_PATH, L'\0');
    const DWORD length =
        GetEnvironmentVariableW(L"SECANT_ROOT_PROGRAM_UNDER_TEST", named.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return Utf16FromUtf8(SECANT_ROOT_PROGRAM);
    }
    named.resize(length);
    return named;
}

const std::wstring kProgram = ProgramPath();
const std::wstring kServer = Utf16FromUtf8(SECANT_ROOT_STAND_IN_SERVER);
constexpr std::wstring_view kServerFileName = L"stand_in_spreadsheet_server.exe";

TEST(EndToEnd, TypeClickReadTheAnswerFromTheServerInItsOwnProcessAndClose) {
    const StandInServerRegistration registration(kServer);
    ProgramUnderTest program(kProgram);
    ASSERT_TRUE(program.HasWindow());
    EXPECT_EQ(program.FormText(), "Form1");
    EXPECT_EQ(program.ControlText("Label1"), "Укажите Точность");
    EXPECT_EQ(program.ControlText("lblAns"), "");
    // The number conversions of the runtime use the x87 unit, which must round to double (53-bit
    // precision, bits 8-9 of the control word = 2) in the program as in its tests.
    const std::optional<WORD> controlWord = program.X87ControlWord();
    ASSERT_TRUE(controlWord.has_value()) << "the program's thread context could not be read";
    EXPECT_EQ(*controlWord & 0x0300, 0x0200) << std::hex << "control word 0x" << *controlWord;

    program.SetPrecision(L"0.001");
    program.ClickCalculate();
    EXPECT_EQ(program.WaitForAnswer(30s), "1.1189");

    // The program has let the application object go: its server ends.
    EXPECT_TRUE(WaitUntil([] { return ProcessesNamed(kServerFileName) == 0; }, 10s))
        << "the stand-in server is still running";

    program.CloseWindow();
    EXPECT_EQ(program.WaitForExit(10s), 0u);
}

struct ServedCase {
    const char* name;
    // The stand-in server's behaviour (stand_in_spreadsheet_server.cpp).
    const wchar_t* behaviour;
    // The answer shown, or else the error report's text and the program's exit status 1.
    const char* answer;
    Matcher<std::string> report;
};

// The report of an automation failure for which the server gave no text.
std::string ReportWithoutText(const std::string& status) {
    return std::string(texts::kReportNumberPrefix) + status + ": " +
           std::string(texts::kAutomationErrorPrefix) + status;
}

const ServedCase kServedCases[] = {
    {"Normal", L"None", "1.1189", ""},
    // Wine's stub does not complete a deferred exception: its fill-in address is one in the
    // server's memory, which the program must not call.
    {"DeferredException", L"InvokeRaisesDeferred", nullptr, ReportWithoutText("0x800A01A8")},
    {"InterfaceNotOffered", L"InterfaceNotOffered", nullptr,
     StartsWith(std::string(texts::kReportNumberPrefix) +
                "429: " + std::string(texts::kCannotCreateObject) + ": 0x80004002")},
    // Turned down for good by the server's message filter and carried back by COM: the report
    // that a call gives once the program's filter has stopped retrying it.
    {"CallsRejected", L"RejectsCalls", nullptr,
     ReportWithoutText("0x80010001") + "\n\n" + std::string(texts::kExcelBusyAdvice)},
    // Retried by the program's message filter where COM asks it (Windows); Wine serves such calls
    // at once.
    {"BusyForFirstCalls", L"BusyForFirstCalls", "1.1189", ""},
};

class EndToEndServed : public ::testing::TestWithParam<ServedCase> {};

// The server runs in its own process, as Excel does; it shows its fault, and still shuts down
// cleanly (kStandInCleanEndStatus) once the program has let go of it.
TEST_P(EndToEndServed, TheProgramReportsWhatTheServerDidAndTheServerEndsCleanly) {
    const ServedCase& c = GetParam();
    const StandInServerRegistration registration(kServer);
    StandInServerProcess server(kServer, c.behaviour);
    ProgramUnderTest program(kProgram);
    ASSERT_TRUE(program.HasWindow());

    program.SetPrecision(L"0.001");
    program.ClickCalculate();
    if (c.answer != nullptr) {
        EXPECT_EQ(program.WaitForAnswer(30s), c.answer);
        program.CloseWindow();
        EXPECT_EQ(program.WaitForExit(10s), 0u);
    } else {
        const std::optional<MessageBoxSeen> report = program.WaitForMessageBox(30s);
        ASSERT_TRUE(report.has_value()) << "no error report";
        ASSERT_THAT(report->texts, ElementsAre(c.report));
        program.DismissMessageBox();
        EXPECT_EQ(program.WaitForExit(10s), 1u);
    }
    EXPECT_EQ(server.WaitForExit(10s), kStandInCleanEndStatus);
}

INSTANTIATE_TEST_SUITE_P(StandIn, EndToEndServed, ::testing::ValuesIn(kServedCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EndToEnd, WithNothingRegisteredTheReportGivesCannotCreateObjectAndTheProgramEnds) {
    StandInServerRegistration::Remove();
    // A server still running would still offer its class to COM.
    ASSERT_TRUE(WaitUntil([] { return ProcessesNamed(kServerFileName) == 0; }, 10s));
    ProgramUnderTest program(kProgram);
    ASSERT_TRUE(program.HasWindow());

    program.SetPrecision(L"0.001");
    program.ClickCalculate();
    const std::optional<MessageBoxSeen> report = program.WaitForMessageBox(30s);
    ASSERT_TRUE(report.has_value()) << "no error report";
    EXPECT_EQ(report->title, texts::kReportTitle);
    // Nothing registered for the class reads as a spreadsheet application that is not installed.
    ASSERT_THAT(report->texts,
                ElementsAre(AllOf(StartsWith(std::string(texts::kReportNumberPrefix) +
                                             "429: " + std::string(texts::kCannotCreateObject)),
                                  EndsWith(std::string(texts::kInstallExcelAdvice)))));
    // Wine's status for a class that is not registered.
    EXPECT_THAT(report->texts[0], ::testing::HasSubstr("0x80040154"));
    EXPECT_EQ(report->buttons, 1);
    EXPECT_EQ(program.ControlText("lblAns"), "");

    program.DismissMessageBox();
    EXPECT_EQ(program.WaitForExit(10s), 1u);
}

}  // namespace
}  // namespace secant_root::testing
