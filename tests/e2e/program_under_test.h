#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "tests/e2e/accessibility_client.h"
#include "tests/e2e/desktop_session.h"
#include "tests/e2e/process_table.h"
#include "tests/e2e/window_system.h"

namespace secant_root::e2e {

// The error report as assistive technology presents it.
struct ReportSeen {
    QString role;
    // The names of the report and of its parts: its caption, its message, its button.
    QStringList names;
};

// The program running on a private desktop, driven from outside as a user does it: typing and
// clicking through the desktop (pressing through the accessibility tree where the desktop has no
// pointer), reading the window through its accessibility tree.
class ProgramUnderTest {
  public:
    // Starts `program` as the leader of a new session, in `locale`, ignoring `ignoredSignal`.
    ProgramUnderTest(const DesktopSession& desktop, const QString& program, const QString& locale,
                     int ignoredSignal = 0);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    // Gives the window the keyboard focus once it is shown, and waits until it can be read and
    // its precision box has the focus.
    void WaitUntilReady();

    QString WindowTitle();
    // What the desktop matches with the program's menu entry (WM_CLASS, app_id).
    QString ApplicationId();
    // The window's role to assistive technology.
    QString WindowRole();
    // Of the window's controls, in the order the window holds them.
    QStringList ControlRoles();
    QStringList ControlNames();

    // Types into the focused precision box and waits until it shows the text.
    void Type(std::string_view text);
    void ClickCalculate();
    // The answer label's text once it is not empty; empty if it stays so for `timeout`.
    QString WaitForAnswer(std::chrono::milliseconds timeout);
    // The texts that the answer label announced to assistive technology since the start, once
    // there are `count` of them or `timeout` has passed.
    QStringList AnswerAnnouncements(std::size_t count, std::chrono::milliseconds timeout);
    QImage Capture();
    // The text of the error report once it is shown, after which its OK button is clicked;
    // empty if no report appears within `timeout`.
    QString ReadAndDismissErrorReport(std::chrono::milliseconds timeout);

    // The error report once it is shown, read through the accessibility tree.
    std::optional<ReportSeen> WaitForReport(std::chrono::milliseconds timeout);
    QImage CaptureReport();
    // Closes the report as a window manager does, which is the report's one button.
    void DismissReport();

    // Asks the window to close as a window manager does.
    void Close();
    // The exit status once the program has ended by itself; -1 if it crashed or outran `timeout`.
    int WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    void SendSignal(int signal);
    // The signal that ended the program; 0 if it exited or hung.
    int WaitForEndingSignal();
    // The processes that the program started and that still exist.
    std::vector<testing::ProcessStatus> LeftBehind();
    // What is left in the program's temporary directory (TMPDIR).
    QStringList TemporaryFilesLeft() const;

  private:
    void Press(const AccessibleObject& button);

    QTemporaryDir temporaryDirectory_;
    QProcess process_;
    qint64 pid_ = 0;  // kept: QProcess forgets it when the process ends
    QString marker_;
    std::unique_ptr<WindowSystem> windows_;
    AccessibilityClient accessibility_;
    WindowSystem::WindowId window_ = 0;
    WindowSystem::WindowId reportWindow_ = 0;
    std::optional<AccessibleObject> application_;
    std::optional<AccessibleObject> form_;
    std::vector<AccessibleObject> controls_;
    // What the answer label announced, and how many of the name changes were looked at.
    QStringList announced_;
    std::size_t eventsRead_ = 0;
};

}  // namespace secant_root::e2e
