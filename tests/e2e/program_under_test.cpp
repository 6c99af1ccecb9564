#include "tests/e2e/program_under_test.h"

#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QThread>
#include <QUuid>
#include <functional>
#include <optional>
#include <stdexcept>

namespace secant_root::e2e {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kControlCount = 5;
constexpr std::size_t kPrecisionBox = 1;
constexpr std::size_t kCalculateButton = 2;
constexpr std::size_t kAnswerLabel = 4;

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

}  // namespace

ProgramUnderTest::ProgramUnderTest(const DesktopSession& desktop, const QString& program,
                                   const QString& locale, int ignoredSignal)
    : marker_(QStringLiteral("SECANT_ROOT_E2E_RUN=") +
              QUuid::createUuid().toString(QUuid::WithoutBraces)),
      windows_(desktop.ConnectWindowSystem()),
      accessibility_(desktop.busAddress()) {
    QProcessEnvironment environment = desktop.Environment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("TMPDIR"), temporaryDirectory_.path());
    environment.insert(marker_.section(QLatin1Char('='), 0, 0),
                       marker_.section(QLatin1Char('='), 1));
    process_.setProcessEnvironment(environment);
    // Listening before the start, as a screen reader that is running already does.
    accessibility_.ListenForNameChanges();
    // As the leader of its own session, everything it starts stays recognisable afterwards. It
    // takes the termination signals as usual, whatever the test inherited (a shell's background
    // job ignores SIGINT), but for the one it is to ignore.
    process_.setChildProcessModifier([ignoredSignal] {
        ::setsid();
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            ::signal(signal, signal == ignoredSignal ? SIG_IGN : SIG_DFL);
        }
    });
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(program, {});
    if (!process_.waitForStarted(10000)) {
        throw std::runtime_error("cannot start " + program.toStdString());
    }
    pid_ = process_.processId();
}

ProgramUnderTest::~ProgramUnderTest() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

void ProgramUnderTest::WaitUntilReady() {
    const qint64 pid = pid_;
    const bool shown = WaitFor(
        [&] {
            const auto window = windows_->WindowOf(pid);
            window_ = window.value_or(0);
            return window.has_value();
        },
        30s);
    if (!shown) {
        throw std::runtime_error("the window did not appear");
    }
    windows_->Focus(window_);
    const bool readable = WaitFor(
        [&] {
            // The program joins the bus before it has published its objects: until then a
            // call fails, and is tried again.
            try {
                application_ = accessibility_.ApplicationOf(pid);
                if (!application_) return false;
                for (const AccessibleObject& window : accessibility_.Children(*application_)) {
                    controls_ = accessibility_.Children(window);
                    form_ = window;
                    if (controls_.size() == kControlCount) return true;
                }
            } catch (const std::runtime_error&) {
            }
            return false;
        },
        30s);
    if (!readable) {
        throw std::runtime_error("the window's controls did not appear on the accessibility bus");
    }
    // Keys typed before the window has taken the focus would be lost.
    if (!WaitFor([&] { return accessibility_.IsFocused(controls_.at(kPrecisionBox)); }, 10s)) {
        throw std::runtime_error("the precision box did not get the keyboard focus");
    }
}

QString ProgramUnderTest::WindowTitle() { return windows_->Title(window_); }

QString ProgramUnderTest::ApplicationId() { return windows_->ApplicationId(window_); }

QString ProgramUnderTest::WindowRole() { return accessibility_.RoleName(form_.value()); }

QStringList ProgramUnderTest::ControlRoles() {
    QStringList roles;
    for (const AccessibleObject& control : controls_) roles << accessibility_.RoleName(control);
    return roles;
}

QStringList ProgramUnderTest::ControlNames() {
    QStringList names;
    for (const AccessibleObject& control : controls_) names << accessibility_.Name(control);
    return names;
}

void ProgramUnderTest::Type(std::string_view text) {
    windows_->Type(text);
    // A click sent at once can be handled before the keys (seen while the program sends its
    // accessibility events): the click waits until the box shows what was typed.
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (!WaitFor([&] { return accessibility_.Text(controls_.at(kPrecisionBox)).endsWith(typed); },
                 10s)) {
        throw std::runtime_error("the precision box did not receive the typed text");
    }
}

void ProgramUnderTest::Press(const AccessibleObject& button) {
    if (!windows_->Click(accessibility_.Extents(button).center())) {
        accessibility_.DoAction(button, QStringLiteral("Press"));
    }
}

void ProgramUnderTest::ClickCalculate() { Press(controls_.at(kCalculateButton)); }

QString ProgramUnderTest::WaitForAnswer(std::chrono::milliseconds timeout) {
    QString answer;
    WaitFor(
        [&] {
            if (process_.state() == QProcess::NotRunning) return true;
            // The calculation holds the program's event loop: a call made meanwhile is answered
            // when it ends, or times out first on a slow machine, and is made again.
            try {
                answer = accessibility_.Name(controls_.at(kAnswerLabel));
            } catch (const std::runtime_error&) {
            }
            return !answer.isEmpty();
        },
        timeout);
    return answer;
}

QStringList ProgramUnderTest::AnswerAnnouncements(std::size_t count,
                                                  std::chrono::milliseconds timeout) {
    const AccessibleObject& answer = controls_.at(kAnswerLabel);
    WaitFor(
        [&] {
            // Each event is read as a screen reader reads it: the label's name as it is now.
            const std::vector<QString>& changed = accessibility_.NameChanges();
            for (; eventsRead_ < changed.size(); ++eventsRead_) {
                if (changed[eventsRead_] == answer.path) announced_ << accessibility_.Name(answer);
            }
            return static_cast<std::size_t>(announced_.size()) >= count;
        },
        timeout);
    return announced_;
}

QImage ProgramUnderTest::Capture() { return windows_->Capture(window_); }

std::optional<ReportSeen> ProgramUnderTest::WaitForReport(std::chrono::milliseconds timeout) {
    std::optional<ReportSeen> report;
    WaitFor(
        [&] {
            try {
                for (const AccessibleObject& window : accessibility_.Children(*application_)) {
                    const QString role = accessibility_.RoleName(window);
                    if (window.path == form_->path) continue;
                    ReportSeen seen{role, {accessibility_.Name(window)}};
                    for (const AccessibleObject& part : accessibility_.Children(window)) {
                        seen.names << accessibility_.Name(part);
                    }
                    report = seen;
                }
            } catch (const std::runtime_error&) {
                // Still being built.
            }
            for (const WindowSystem::WindowId window : windows_->WindowsOf(pid_)) {
                if (window != window_) reportWindow_ = window;
            }
            return report.has_value() && reportWindow_ != 0;
        },
        timeout);
    return report;
}

QImage ProgramUnderTest::CaptureReport() { return windows_->Capture(reportWindow_); }

void ProgramUnderTest::DismissReport() { windows_->RequestClose(reportWindow_); }

QString ProgramUnderTest::ReadAndDismissErrorReport(std::chrono::milliseconds timeout) {
    // The report is a top-level alert of the application: its text in a label, its OK button
    // in a button box.
    QString text;
    std::optional<AccessibleObject> button;
    const std::function<void(const AccessibleObject&, int)> read =
        [&](const AccessibleObject& object, int depth) {
            for (const AccessibleObject& child : accessibility_.Children(object)) {
                const QString role = accessibility_.RoleName(child);
                if (role == QLatin1String("label") && text.isEmpty()) {
                    text = accessibility_.Name(child);
                } else if (role == QLatin1String("push button")) {
                    button = child;
                } else if (depth > 0) {
                    read(child, depth - 1);
                }
            }
        };
    WaitFor(
        [&] {
            try {
                const auto application = accessibility_.ApplicationOf(pid_);
                if (!application) return false;
                for (const AccessibleObject& window : accessibility_.Children(*application)) {
                    if (accessibility_.RoleName(window).startsWith(QLatin1String("alert"))) {
                        read(window, 2);
                    }
                }
            } catch (const std::runtime_error&) {
            }
            return !text.isEmpty() && button.has_value();
        },
        timeout);
    if (button) {
        Press(*button);
    }
    return text;
}

void ProgramUnderTest::Close() { windows_->RequestClose(window_); }

int ProgramUnderTest::WaitForExit(std::chrono::milliseconds timeout) {
    if (!process_.waitForFinished(static_cast<int>(timeout.count())) ||
        process_.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process_.exitCode();
}

void ProgramUnderTest::SendSignal(int signal) { kill(static_cast<pid_t>(pid_), signal); }

int ProgramUnderTest::WaitForEndingSignal() {
    if (!process_.waitForFinished(30000) || process_.exitStatus() != QProcess::CrashExit) {
        return 0;
    }
    // QProcess gives the signal's number as the exit code of a crash.
    return process_.exitCode();
}

std::vector<testing::ProcessStatus> ProgramUnderTest::LeftBehind() {
    return ProcessesOf(static_cast<pid_t>(pid_), marker_.toStdString());
}

QStringList ProgramUnderTest::TemporaryFilesLeft() const {
    return QDir(temporaryDirectory_.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace secant_root::e2e
