// The installed-style program, run as a user runs it, with the real spreadsheet behind it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <locale.h>
#include <signal.h>
#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "common/app_error.h"
#include "common/program_texts.h"
#include "shell/error_report.h"
#include "shell/window_layout.h"
#include "tests/catalog_text.h"
#include "tests/e2e/desktop_session.h"
#include "tests/e2e/program_under_test.h"

// Readable failures: the texts and sizes themselves, not their bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << "x" << size.height(); }

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
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// The build's program, or the one SECANT_ROOT_PROGRAM_UNDER_TEST names (an installed package's).
const QString kProgram =
    qEnvironmentVariable("SECANT_ROOT_PROGRAM_UNDER_TEST", QStringLiteral(SECANT_ROOT_PROGRAM));

// Every window case runs on both kinds of desktop, at one and at two screen pixels per logical
// pixel.
const auto kDisplayServers = ::testing::Values(DisplayServer::X11, DisplayServer::Wayland);
const auto kScales = ::testing::Values(1, 2);

std::string DesktopName(DisplayServer server, int scale) {
    return (server == DisplayServer::X11 ? "X11" : "Wayland") + std::string("Scale") +
           std::to_string(scale);
}

// The layout's client area in logical pixels.
QSize LayoutSize() {
    return QSize(layout::TwipsToPixels(layout::kClientWidth, 96),
                 layout::TwipsToPixels(layout::kClientHeight, 96));
}

// True if the picture is made of blocks of `scale` × `scale` equal pixels: drawn at one pixel
// per logical pixel and enlarged, not drawn sharp at the screen's scale.
bool EnlargedPixelByPixel(const QImage& picture, int scale) {
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != picture.pixel(x - x % scale, y - y % scale)) return false;
        }
    }
    return true;
}

struct LocaleCase {
    const char* name;
    const char* locale;
    const char* answer;
};

void PrintTo(const LocaleCase& c, std::ostream* out) { *out << c.locale; }

class EndToEnd : public ::testing::TestWithParam<std::tuple<DisplayServer, int, LocaleCase>> {};

TEST_P(EndToEnd, TypeClickReadTheAnswerCloseAndNothingRemains) {
    const auto& [server, scale, locale] = GetParam();
    const locale_t available = newlocale(LC_ALL_MASK, locale.locale, locale_t{});
    ASSERT_NE(available, locale_t{})
        << locale.locale << " is missing: localedef -i ru_RU -f UTF-8 ru_RU.UTF-8";
    freelocale(available);

    DesktopSession desktop({server, scale});
    ProgramUnderTest program(desktop, kProgram, QString::fromUtf8(locale.locale));
    program.WaitUntilReady();  // also: the precision box has the focus at start

    EXPECT_EQ(program.WindowTitle(), "Form1");
    EXPECT_EQ(program.ApplicationId(), "secant-root") << "the name of the program's menu entry";
    EXPECT_EQ(program.WindowRole(), "frame");
    EXPECT_THAT(program.ControlRoles(),
                ElementsAre("label", "text", "push button", "label", "label"));
    const QStringList names = program.ControlNames();
    ASSERT_EQ(names.size(), 5);
    EXPECT_EQ(names[0], QString::fromUtf8("Укажите Точность"));
    EXPECT_EQ(names[1], names[0]) << "the precision box is named by its prompt";
    EXPECT_EQ(names[2], QString::fromUtf8("Проивести рассчет"));
    EXPECT_EQ(names[4], "");

    const QString answer = QString::fromUtf8(locale.answer);
    program.Type("0.001");
    program.ClickCalculate();
    EXPECT_EQ(program.WaitForAnswer(60s), answer);
    // A screen reader is told the answer, and told again when the same answer is asked for again.
    EXPECT_THAT(program.AnswerAnnouncements(1, 10s), ElementsAre(answer));
    program.ClickCalculate();
    EXPECT_THAT(program.AnswerAnnouncements(2, 60s), ElementsAre(answer, answer));

    // The whole layout, each control in its place, drawn in the screen's own pixels.
    const QImage window = program.Capture();
    EXPECT_EQ(window.size(), LayoutSize() * scale);
    if (scale > 1) {
        EXPECT_FALSE(EnlargedPixelByPixel(window, scale)) << "blurred: drawn at scale 1";
    }

    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_THAT(program.LeftBehind(), IsEmpty());
    EXPECT_THAT(program.TemporaryFilesLeft(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, EndToEnd,
    ::testing::Combine(kDisplayServers, kScales,
                       ::testing::Values(LocaleCase{"PeriodLocale", "C.UTF-8", "1.1189"},
                                         LocaleCase{"CommaLocale", "ru_RU.UTF-8", "1,1189"})),
    [](const auto& info) {
        return DesktopName(std::get<0>(info.param), std::get<1>(info.param)) +
               std::get<2>(info.param).name;
    });

// A user of the decimal comma types it: the report, an alert to assistive technology, says in
// Russian what went wrong and what to type instead.
class EndToEndReport : public ::testing::TestWithParam<std::tuple<DisplayServer, int>> {};

TEST_P(EndToEndReport, APrecisionWithACommaIsReportedAsAnAlertThatSaysWhatToType) {
    DesktopSession desktop({std::get<0>(GetParam()), std::get<1>(GetParam())});
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

INSTANTIATE_TEST_SUITE_P(Desktops, EndToEndReport, ::testing::Combine(kDisplayServers, kScales),
                         [](const auto& info) {
                             return DesktopName(std::get<0>(info.param), std::get<1>(info.param));
                         });

// The program on a machine without LibreOffice: the window starts, and a click reports that the
// spreadsheet application object cannot be created, with why and what to install.
struct MissingOfficeCase {
    const char* name;
    const char* program;
    std::vector<std::string> described;
};

void PrintTo(const MissingOfficeCase& c, std::ostream* out) { *out << c.name; }

class WithoutLibreOffice : public ::testing::TestWithParam<MissingOfficeCase> {};

TEST_P(WithoutLibreOffice, TheWindowStartsAndAClickReportsWhatIsMissing) {
    DesktopSession desktop;
    ProgramUnderTest program(desktop, QString::fromUtf8(GetParam().program),
                             QStringLiteral("C.UTF-8"));
    program.WaitUntilReady();
    program.Type("0.001");
    program.ClickCalculate();

    const std::string report = program.ReadAndDismissErrorReport(30s).toStdString();
    EXPECT_THAT(report, StartsWith(std::string(texts::kReportNumberPrefix) +
                                   "429: " + std::string(texts::kCannotCreateObject) + ": "));
    for (const std::string& part : GetParam().described) {
        EXPECT_THAT(report, HasSubstr(part));
    }
    EXPECT_EQ(program.WaitForExit(), 1);
    EXPECT_THAT(program.LeftBehind(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Installations, WithoutLibreOffice,
    ::testing::Values(MissingOfficeCase{"UnloadableModule",
                                        SECANT_ROOT_PROGRAM_WITH_UNLOADABLE_MODULE,
                                        {std::string(texts::kInstallLibreOfficeAdvice),
                                         "/secant-root/libsecant-root-uno.so",
                                         "libreglo.so: cannot open shared object file"}},
                      MissingOfficeCase{"NoOfficeInstalled",
                                        SECANT_ROOT_PROGRAM_WITHOUT_OFFICE,
                                        {testing::TextBefore(texts::kOfficeNotInstalledText, "{1}"),
                                         std::string(texts::kInstallLibreOfficeAdvice)}}),
    [](const auto& info) { return std::string(info.param.name); });

// SIGTERM, SIGINT and SIGHUP end the program cleanly: while idle as a closed window does, during
// a calculation at once, by the same signal, with the instance killed and its files removed.
// One that the program was started with ignored (nohup) leaves it running.
struct SignalCase {
    const char* name;
    int signal;
    bool duringCalculation;
    bool ignoredAtStart = false;
};

class EndToEndSignals : public ::testing::TestWithParam<SignalCase> {};

TEST_P(EndToEndSignals, EndTheProgramAndLeaveNothing) {
    const SignalCase& c = GetParam();
    DesktopSession desktop;
    ProgramUnderTest program(desktop, kProgram, QStringLiteral("C.UTF-8"),
                             c.ignoredAtStart ? c.signal : 0);
    program.WaitUntilReady();
    if (c.duringCalculation) {
        program.Type("0.001");
        program.ClickCalculate();
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        const auto office = [&]() -> pid_t {
            for (const testing::ProcessStatus& process : program.LeftBehind()) {
                if (process.name == "soffice.bin") {
                    return process.pid;
                }
            }
            return 0;
        };
        pid_t instance = 0;
        while ((instance = office()) == 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no instance was started";
        }
        // Held where it is, so that the calculation is surely under way when the signal comes.
        kill(instance, SIGSTOP);
    }

    program.SendSignal(c.signal);
    if (c.ignoredAtStart) {
        ASSERT_EQ(program.WaitForExit(2s), -1) << "ended by a signal it was started to ignore";
        program.SendSignal(SIGTERM);
    }

    if (c.duringCalculation) {
        EXPECT_EQ(program.WaitForEndingSignal(), c.signal);
    } else {
        EXPECT_EQ(program.WaitForExit(), 0);
    }
    EXPECT_THAT(program.LeftBehind(), IsEmpty());
    EXPECT_THAT(program.TemporaryFilesLeft(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Signals, EndToEndSignals,
                         ::testing::Values(SignalCase{"TermWhileIdle", SIGTERM, false},
                                           SignalCase{"IntWhileIdle", SIGINT, false},
                                           SignalCase{"HupWhileIdle", SIGHUP, false},
                                           SignalCase{"TermDuringACalculation", SIGTERM, true},
                                           SignalCase{"IntDuringACalculation", SIGINT, true},
                                           SignalCase{"HupDuringACalculation", SIGHUP, true},
                                           SignalCase{"HupIgnoredAtStart", SIGHUP, false, true},
                                           SignalCase{"IntIgnoredAtStart", SIGINT, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

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
