#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <string_view>
#include <vector>

#include "tests/e2e/accessibility_client.h"
#include "tests/e2e/desktop_session.h"
#include "tests/e2e/process_table.h"
#include "tests/e2e/x11_client.h"

namespace secant_root::e2e {

// The program running on a private desktop, driven from outside as a user does it: typing and
// clicking through the X server, reading the window through its accessibility tree.
class ProgramUnderTest {
  public:
    // Starts `program` as the leader of a new session, in `locale`.
    ProgramUnderTest(const DesktopSession& desktop, const QString& program, const QString& locale);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    // Gives the window the keyboard focus once it is shown, and waits until it can be read and
    // its precision box has the focus.
    void WaitUntilReady();

    QString WindowTitle();
    // Of the window's controls, in the order the window holds them.
    QStringList ControlRoles();
    QStringList ControlNames();

    void Type(std::string_view text);
    void ClickCalculate();
    // The answer label's text once it is not empty; empty if it stays so for `timeout`.
    QString WaitForAnswer(std::chrono::milliseconds timeout);
    QImage Capture();
    // The text of the error report once it is shown, after which its OK button is clicked;
    // empty if no report appears within `timeout`.
    QString ReadAndDismissErrorReport(std::chrono::milliseconds timeout);

    // Asks the window to close as a window manager does.
    void Close();
    // The exit status once the program has ended by itself; -1 if it crashed or hung.
    int WaitForExit();
    void SendSignal(int signal);
    // The signal that ended the program; 0 if it exited or hung.
    int WaitForEndingSignal();
    // The processes that the program started and that still exist.
    std::vector<testing::ProcessStatus> LeftBehind();
    // What is left in the program's temporary directory (TMPDIR).
    QStringList TemporaryFilesLeft() const;

  private:
    QTemporaryDir temporaryDirectory_;
    QProcess process_;
    qint64 pid_ = 0;  // kept: QProcess forgets it when the process ends
    QString marker_;
    X11Client x11_;
    AccessibilityClient accessibility_;
    X11Client::WindowId window_ = 0;
    std::vector<AccessibleObject> controls_;
};

}  // namespace secant_root::e2e
