// Form1's life as a window: its window procedure, which routes the messages it acts on (the
// controls made on creation, the button's click, the focus kept across activation, a new DPI, a
// close held back during a run), and its end.
#include "shell/main_window_win32.h"

namespace secant_root {

MainWindow::~MainWindow() {
    if (form_ != nullptr) {
        DestroyWindow(form_);
    }
}

void MainWindow::Show(int showCommand) {
    // Activation gives the focus to the window, which passes it to the precision box.
    ShowWindow(form_, showCommand);
    UpdateWindow(form_);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<MainWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->form_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->form_ = nullptr;
        self->precisionBox_ = self->calculateButton_ = self->answerLabel_ = nullptr;
        self->focusToRestore_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_CREATE:
            try {
                CreateControls(reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance);
                return 0;
            } catch (const AppError& error) {
                creationError_ = error;
                return -1;
            }
        case WM_COMMAND:
            // Only the button's click; the dialog manager's IDOK and IDCANCEL for Enter and
            // Escape in the precision box go to the default handling, which ignores them.
            if (LOWORD(wParam) == ControlId(layout::kCalculateButton) &&
                HIWORD(wParam) == BN_CLICKED) {
                Calculate();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(form_, focus)) {
                    focusToRestore_ = focus;
                }
            }
            break;
        case WM_SETFOCUS:
            if (focusToRestore_ != nullptr) {
                SetFocus(focusToRestore_);
            }
            return 0;
        case WM_DPICHANGED: {
            // The window's monitor has another DPI now (the window was moved to another monitor,
            // or the monitor's scale was changed). Without a font for it, the controls stay as
            // they are.
            LayOut(HIWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(form_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            // The window is not destroyed under the run that is using its controls; the run ends
            // first, and then the window closes.
            if (busy_) {
                closeRequested_ = true;
                return 0;
            }
            break;
        case WM_DESTROY:
            if (created_) {
                PostQuitMessage(exitStatus_);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(form_, message, wParam, lParam);
}

}  // namespace secant_root
