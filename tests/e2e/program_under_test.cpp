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
                                   const QString& locale)
    : marker_(QStringLiteral("SECANT_ROOT_E2E_RUN=") +
              QUuid::createUuid().toString(QUuid::WithoutBraces)),
      x11_(desktop.display()),
      accessibility_(desktop.busAddress()) {
    QProcessEnvironment environment = desktop.Environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("TMPDIR"), temporaryDirectory_.path());
    environment.insert(marker_.section(QLatin1Char('='), 0, 0),
                       marker_.section(QLatin1Char('='), 1));
    process_.setProcessEnvironment(environment);
    // As the leader of its own session, everything it starts stays recognisable afterwards.
    process_.setChildProcessModifier([] { ::setsid(); });
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
            const auto window = x11_.ViewableWindowOf(pid);
            window_ = window.value_or(0);
            return window.has_value();
        },
        30s);
    if (!shown) {
        throw std::runtime_error("the window did not appear");
    }
    x11_.Focus(window_);
    const bool readable = WaitFor(
        [&] {
            // The program joins the bus before it has published its objects: until then a
            // call fails, and is tried again.
            try {
                const auto application = accessibility_.ApplicationOf(pid);
                if (!application) return false;
                for (const AccessibleObject& window : accessibility_.Children(*application)) {
                    controls_ = accessibility_.Children(window);
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

QString ProgramUnderTest::WindowTitle() { return x11_.Title(window_); }

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

void ProgramUnderTest::Type(std::string_view text) { x11_.Type(text); }

void ProgramUnderTest::ClickCalculate() {
    x11_.Click(accessibility_.Extents(controls_.at(kCalculateButton)).center());
}

QString ProgramUnderTest::WaitForAnswer(std::chrono::milliseconds timeout) {
    QString answer;
    WaitFor(
        [&] {
            if (process_.state() == QProcess::NotRunning) return true;
            answer = accessibility_.Name(controls_.at(kAnswerLabel));
            return !answer.isEmpty();
        },
        timeout);
    return answer;
}

QImage ProgramUnderTest::Capture() { return x11_.Capture(window_); }

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
        x11_.Click(accessibility_.Extents(*button).center());
    }
    return text;
}

void ProgramUnderTest::Close() { x11_.RequestClose(window_); }

int ProgramUnderTest::WaitForExit() {
    if (!process_.waitForFinished(30000) || process_.exitStatus() != QProcess::NormalExit) {
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
