// The keyboard of a dialog for Form1, and the message loop that delivers through it.
#include "shell/main_window_win32.h"

#include "common/program_texts.h"
#include "shell/last_error_win32.h"

namespace secant_root {

void MainWindow::Dispatch(MSG& message) {
    if (form_ != nullptr && (HandleEnterKey(message) || IsDialogMessageW(form_, &message))) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool MainWindow::HandleEnterKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN ||
        (message.hwnd != form_ && !IsChild(form_, message.hwnd))) {
        return false;
    }
    // Bit 30 of lParam: the key was down already, so this is the repeat of a held-down key, which
    // clicks only once, as Space does.
    const bool repeated = (message.lParam & (LPARAM{1} << 30)) != 0;
    if (message.hwnd == calculateButton_ && !repeated) {
        SendMessageW(form_, WM_COMMAND, MAKEWPARAM(ControlId(layout::kCalculateButton), BN_CLICKED),
                     reinterpret_cast<LPARAM>(calculateButton_));
    }
    return true;
}

int RunMessageLoop(MainWindow& window) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            RaiseLastError(texts::kMessagesUnreadable);
        }
        window.Dispatch(message);
    }
}

}  // namespace secant_root
