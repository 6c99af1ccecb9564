// The program's entry on Linux: Form1 on the desktop's display, with logarithms from a private
// LibreOffice Calc instance per calculation. A click runs, each link in a file of its own:
//   MainWindow (shell/main_window_qt.cpp) runs CalculateRoot (calc/calculate_root.cpp) on
//   SpreadsheetLog (automation/uno/spreadsheet_log_module.cpp), which loads the LibreOffice
//   client module (uno_module_loader.cpp) at the first click and hands every call to the
//   module's CalcLog (calc_log.cpp), whose every context is one CalcInstance (calc_instance.cpp).
#include <signal.h>

#include <QApplication>
#include <memory>

#include "automation/spreadsheet_log.h"
#include "shell/display_failure_guard_qt.h"
#include "shell/main_window_qt.h"
#include "shell/termination_signals_posix.h"

int main(int argc, char** argv) {
    // A write to a LibreOffice instance that has just died must fail with EPIPE and end in the
    // error report, not end the program without a word.
    signal(SIGPIPE, SIG_IGN);
    // QApplication also adopts the user's locale, whose decimal separator the answer shows.
    const auto application = [&argc, argv] {
        const secant_root::DisplayFailureGuard guard("secant-root");
        return std::make_unique<QApplication>(argc, argv);
    }();
    // Lets the desktop match the window with the program's menu entry and icon. No display name
    // is set: Qt would append it to the window's caption.
    QGuiApplication::setDesktopFileName(QStringLiteral("secant-root"));

    secant_root::SpreadsheetLog spreadsheet;
    secant_root::MainWindow window(spreadsheet);
    const secant_root::TerminationSignals terminationSignals(window);
    window.show();
    return QApplication::exec();
}
