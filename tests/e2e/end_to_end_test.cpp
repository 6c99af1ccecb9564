// The installed-style program, run as a user runs it, with the real spreadsheet behind it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <locale.h>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <optional>
#include <ostream>

#include "common/app_error.h"
#include "shell/error_report.h"
#include "tests/e2e/desktop_session.h"
#include "tests/e2e/program_under_test.h"

namespace secant_root::testing {

void PrintTo(const ProcessStatus& process, std::ostream* out) {
    *out << process.pid << " " << process.name << " (" << process.state << ")";
}

}  // namespace secant_root::testing

namespace secant_root::e2e {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The build's program, or the one SECANT_ROOT_PROGRAM_UNDER_TEST names (an installed package's).
const QString kProgram =
    qEnvironmentVariable("SECANT_ROOT_PROGRAM_UNDER_TEST", QStringLiteral(SECANT_ROOT_PROGRAM));

struct LocaleCase {
    const char* locale;
    const char* answer;
};

void PrintTo(const LocaleCase& c, std::ostream* out) { *out << c.locale; }

class EndToEnd : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(EndToEnd, TypeClickReadTheAnswerCloseAndNothingRemains) {
    const locale_t available = newlocale(LC_ALL_MASK, GetParam().locale, locale_t{});
    ASSERT_NE(available, locale_t{})
        << GetParam().locale << " is missing: localedef -i ru_RU -f UTF-8 ru_RU.UTF-8";
    freelocale(available);

    DesktopSession desktop;
    ProgramUnderTest program(desktop, kProgram, QString::fromUtf8(GetParam().locale));
    program.WaitUntilReady();  // also: the precision box has the focus at start

    EXPECT_EQ(program.WindowTitle(), "Form1");
    EXPECT_EQ(program.WindowRole(), "frame");
    EXPECT_THAT(program.ControlRoles(),
                ElementsAre("label", "text", "push button", "label", "label"));
    const QStringList names = program.ControlNames();
    ASSERT_EQ(names.size(), 5);
    EXPECT_EQ(names[0], QString::fromUtf8("Укажите Точность"));
    EXPECT_EQ(names[1], names[0]) << "the precision box is named by its prompt";
    EXPECT_EQ(names[2], QString::fromUtf8("Проивести рассчет"));
    EXPECT_EQ(names[4], "");

    const QString answer = QString::fromUtf8(GetParam().answer);
    program.Type("0.001");
    program.ClickCalculate();
    EXPECT_EQ(program.WaitForAnswer(60s), answer);
    // A screen reader is told the answer, and told again when the same answer is asked for again.
    EXPECT_THAT(program.AnswerAnnouncements(1, 10s), ElementsAre(answer));
    program.ClickCalculate();
    EXPECT_THAT(program.AnswerAnnouncements(2, 60s), ElementsAre(answer, answer));

    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_THAT(program.LeftBehind(), IsEmpty());
    EXPECT_THAT(program.TemporaryFilesLeft(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Locales, EndToEnd,
                         ::testing::Values(LocaleCase{"C.UTF-8", "1.1189"},
                                           LocaleCase{"ru_RU.UTF-8", "1,1189"}),
                         [](const auto& info) {
                             return info.index == 0 ? std::string("PeriodLocale")
                                                    : std::string("CommaLocale");
                         });

// A user of the decimal comma types it: the report, an alert to assistive technology, says in
// Russian what went wrong and what to type instead.
TEST(EndToEndReport, APrecisionWithACommaIsReportedAsAnAlertThatSaysWhatToType) {
    DesktopSession desktop;
    ProgramUnderTest program(desktop, kProgram, QStringLiteral("ru_RU.UTF-8"));
    program.WaitUntilReady();

    program.Type("0,001");
    program.ClickCalculate();
    const std::optional<ReportSeen> report = program.WaitForReport(60s);
    ASSERT_TRUE(report.has_value()) << "no report";
    EXPECT_EQ(report->role, "alert message");
    EXPECT_THAT(report->names,
                Contains(QString::fromStdString(ErrorReportText(DivisionByZeroError()))))
        << report->names.join(QStringLiteral(" | ")).toStdString();
    EXPECT_THAT(program.AnswerAnnouncements(0, 0s), IsEmpty());

    program.DismissReport();
    EXPECT_EQ(program.WaitForExit(), kErrorExitStatus);
    EXPECT_THAT(program.LeftBehind(), IsEmpty());
}

struct Outcome {
    int exitCode = -1;
    bool crashed = true;
    QStringList errorLines;
    QByteArray output;
};

Outcome RunToEnd(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Outcome outcome;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.crashed = process.exitStatus() != QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    outcome.errorLines = QString::fromUtf8(process.readAllStandardError())
                             .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    outcome.output = process.readAllStandardOutput();
    return outcome;
}

QProcessEnvironment WithoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    return environment;
}

TEST(WithoutADisplay, TheProgramSaysSoInOneLineAndFails) {
    QProcessEnvironment unset = WithoutDisplay();
    QProcessEnvironment unreachable = WithoutDisplay();
    unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":999"));

    for (const QProcessEnvironment& environment : {unset, unreachable}) {
        SCOPED_TRACE(
            environment.value(QStringLiteral("DISPLAY"), QStringLiteral("(unset)")).toStdString());
        const Outcome outcome = RunToEnd(kProgram, {}, environment);
        EXPECT_FALSE(outcome.crashed);
        EXPECT_EQ(outcome.exitCode, 1);
        ASSERT_EQ(outcome.errorLines.size(), 1) << outcome.errorLines.join('\n').toStdString();
        EXPECT_TRUE(outcome.errorLines[0].startsWith("secant-root: cannot open the window: "))
            << outcome.errorLines[0].toStdString();
    }
}

TEST(WithoutADisplay, TheRunScriptSaysSoInOneLineBeforeInstallingAnything) {
    const Outcome outcome =
        RunToEnd(QStringLiteral(SECANT_ROOT_SOURCE_DIR "/scripts/run.sh"), {}, WithoutDisplay());
    EXPECT_FALSE(outcome.crashed);
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_TRUE(outcome.output.isEmpty()) << outcome.output.toStdString();
    ASSERT_EQ(outcome.errorLines.size(), 1) << outcome.errorLines.join('\n').toStdString();
}

}  // namespace
}  // namespace secant_root::e2e

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // For Qt's D-Bus and process classes; the test shows no window of its own.
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
