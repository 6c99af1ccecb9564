// The program's entry on Windows: Form1 with logarithms from Microsoft Excel, driven over COM
// from the program's one thread.
#include <windows.h>

#include "automation/com/com_apartment_windows.h"
#include "automation/spreadsheet_log.h"
#include "common/app_error.h"
#include "shell/error_report.h"
#include "shell/main_window_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    try {
        // Declared first, so that COM ends after the window and the spreadsheet client.
        const secant_root::ComApartment com;
        secant_root::SpreadsheetLog logs;
        secant_root::MainWindow window(instance, logs);
        window.Show(showCommand);
        return secant_root::RunMessageLoop(window);
    } catch (const secant_root::AppError& error) {
        // COM or the window could not be set up: the same report as for an error of a run.
        secant_root::ShowErrorReport(nullptr, error);
        return secant_root::kErrorExitStatus;
    }
}
