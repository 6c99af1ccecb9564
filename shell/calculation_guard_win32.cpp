// The click's calculation and its guard: one run at a time, input that arrived during the run
// not acted on afterwards, a close requested meanwhile carried out after it, an error reported
// and the program ended.
#include "shell/main_window_win32.h"

#include <string>

#include "common/program_texts.h"
#include "common/utf16_windows.h"
#include "shell/error_report.h"
#include "shell/last_error_win32.h"

namespace secant_root {
namespace {

// The controls that the calculation reads and writes, for the length of one run.
class FormCalcWindow final : public CalcWindow {
  public:
    FormCalcWindow(HWND precisionBox, HWND answerLabel)
        : precisionBox_(precisionBox), answerLabel_(answerLabel) {}

    std::string ReadPrecisionText() override {
        // Both calls return 0 for an empty text as well; only the error tells a failure.
        SetLastError(ERROR_SUCCESS);
        const int length = GetWindowTextLengthW(precisionBox_);
        if (length == 0 && GetLastError() != ERROR_SUCCESS) {
            RaiseLastError(texts::kPrecisionBoxUnreadable);
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SetLastError(ERROR_SUCCESS);
        const int copied = GetWindowTextW(precisionBox_, text.data(), length + 1);
        if (copied == 0 && GetLastError() != ERROR_SUCCESS) {
            RaiseLastError(texts::kPrecisionBoxUnreadable);
        }
        text.resize(static_cast<std::size_t>(copied));
        return Utf8FromUtf16(text);
    }

    void SetAnswerText(const std::string& text) override {
        if (!SetWindowTextW(answerLabel_, Utf16FromUtf8(text).c_str())) {
            RaiseLastError(texts::kAnswerNotShown);
        }
        // The label's accessible name is its text: a screen reader that is told of the change
        // reads the answer out, also when it is the same as the last one.
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, answerLabel_, OBJID_CLIENT, CHILDID_SELF);
    }

  private:
    HWND precisionBox_;
    HWND answerLabel_;
};

}  // namespace

void MainWindow::Calculate() {
    if (busy_) {
        return;
    }
    busy_ = true;
    const std::optional<AppError> failure = RunCalculateRoot();
    DeliverQueuedMessages();
    if (failure) {
        ReportAndEnd(*failure);
        return;
    }
    busy_ = false;
    if (closeRequested_ && form_ != nullptr) {
        DestroyWindow(form_);
    }
}

std::optional<AppError> MainWindow::RunCalculateRoot() {
    FormCalcWindow window(precisionBox_, answerLabel_);
    try {
        CalculateRoot(window, logs_);
    } catch (const AppError& error) {
        return error;
    }
    return std::nullopt;
}

// The run kept the message loop waiting. While a call waits for the spreadsheet, COM's own loop
// delivers what is sent to the window and paints it, but dispatches no queued input: it leaves it
// in the queue, or discards it where it sees a risk of deadlock (PENDINGMSG_WAITDEFPROCESS). What
// is still queued is delivered now, while busy_ still holds, so that a click made during the run
// is not acted on after it either; keys typed into the precision box meanwhile may still arrive.
void MainWindow::DeliverQueuedMessages() {
    MSG message;
    while (form_ != nullptr && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // It belongs to the message loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
}

void MainWindow::ReportAndEnd(const AppError& error) {
    ShowErrorReport(form_, error);
    exitStatus_ = kErrorExitStatus;
    if (form_ != nullptr) {
        DestroyWindow(form_);
    }
}

void ShowErrorReport(HWND owner, const AppError& error) {
    MessageBoxW(owner, Utf16FromUtf8(ErrorReportText(error)).c_str(),
                Utf16FromUtf8(kErrorReportTitle).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace secant_root
