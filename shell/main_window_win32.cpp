#include "shell/main_window_win32.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <string>

#include "automation/com/com_failure_windows.h"
#include "common/utf16_windows.h"
#include "shell/error_report.h"
#include "shell/resource_ids_win32.h"

namespace secant_root {
namespace {

// Raises the failure of the Win32 call just made as an automation failure: the number is the
// call's error as a status, the description says what could not be done.
[[noreturn]] void RaiseLastError(const std::string& what) {
    const DWORD error = GetLastError();
    const HRESULT status = error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    throw AutomationFailureError(static_cast<std::int32_t>(status),
                                 what + " (" + DescribeStatus(status) + ")");
}

struct Dpi {
    int x;
    int y;
};

// The screen's logical resolution, by which twips become pixels and points become font heights.
Dpi ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const Dpi dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    return dpi;
}

RECT PixelRect(const layout::TwipRect& twips, Dpi dpi) {
    const int left = layout::TwipsToPixels(twips.left, dpi.x);
    const int top = layout::TwipsToPixels(twips.top, dpi.y);
    return {left, top, left + layout::TwipsToPixels(twips.width, dpi.x),
            top + layout::TwipsToPixels(twips.height, dpi.y)};
}

// The shell's dialog font (Tahoma wherever the system has it) at 8 points: at 96 DPI every caption
// is whole inside its fixed rectangle (the prompt on two lines within 57 × 33 pixels, the problem
// statement on three within 129 × 49, the button's caption on two), and it grows with the DPI as
// the rectangles do.
constexpr wchar_t kFontFace[] = L"MS Shell Dlg 2";
constexpr int kFontPoints = 8;

// Frame with a title bar, system menu, sizing border and minimise and maximise boxes; the controls
// keep their places when it is resized.
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kFormExStyle = 0;

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(layout::ControlKind kind) {
    switch (kind) {
        case layout::ControlKind::Label:
            // Left-aligned from the top-left corner, wrapped at word boundaries, clipped at the
            // bottom; an ampersand is shown as it is. A static control never takes the focus.
            return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
        case layout::ControlKind::TextBox:
            return {L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case layout::ControlKind::Button:
            // A plain push button, not the default one; its caption may take two lines.
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0};
    }
    return {L"STATIC", 0, 0};
}

// The window class of Form1, registered once per process. Registering it also loads the common
// controls that the program's manifest asks for, so that the controls follow the system's visual
// style.
void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    static const bool registered = [instance, procedure] {
        const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);

        WNDCLASSEXW formClass{};
        formClass.cbSize = sizeof formClass;
        formClass.lpfnWndProc = procedure;
        formClass.hInstance = instance;
        // Shared icons belong to the system, which frees them with the module.
        formClass.hIcon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(SECANT_ROOT_ICON_ID), IMAGE_ICON,
                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
        formClass.hIconSm = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(SECANT_ROOT_ICON_ID), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        formClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        formClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        formClass.lpszClassName = kFormClassName;
        if (RegisterClassExW(&formClass) == 0) {
            RaiseLastError("The window class of Form1 could not be registered");
        }
        return true;
    }();
    static_cast<void>(registered);
}

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
            RaiseLastError("The text of txtEps could not be read");
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SetLastError(ERROR_SUCCESS);
        const int copied = GetWindowTextW(precisionBox_, text.data(), length + 1);
        if (copied == 0 && GetLastError() != ERROR_SUCCESS) {
            RaiseLastError("The text of txtEps could not be read");
        }
        text.resize(static_cast<std::size_t>(copied));
        return Utf8FromUtf16(text);
    }

    void SetAnswerText(const std::string& text) override {
        if (!SetWindowTextW(answerLabel_, Utf16FromUtf8(text).c_str())) {
            RaiseLastError("The caption of lblAns could not be set");
        }
    }

  private:
    HWND precisionBox_;
    HWND answerLabel_;
};

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, LogSource& logs) : logs_(logs) {
    RegisterFormClass(instance, &MainWindow::WindowProcedure);
    const Dpi dpi = ScreenDpi();

    LOGFONTW font{};
    font.lfHeight = -MulDiv(kFontPoints, dpi.y, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(font.lfFaceName, kFontFace, LF_FACESIZE - 1);
    font_.reset(CreateFontIndirectW(&font));
    if (!font_) {
        RaiseLastError("The font of Form1 could not be created");
    }

    RECT frame{0, 0, layout::TwipsToPixels(layout::kClientWidth, dpi.x),
               layout::TwipsToPixels(layout::kClientHeight, dpi.y)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const std::wstring caption = Utf16FromUtf8(layout::kFormCaption);
    // The controls are made while the window is being created (WM_CREATE); if that fails, the
    // system destroys the window again and returns no handle.
    const HWND form = CreateWindowExW(kFormExStyle, kFormClassName, caption.c_str(), kFormStyle,
                                      CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                      frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (form == nullptr) {
        if (creationError_) {
            throw *creationError_;
        }
        RaiseLastError("Form1 could not be created");
    }
    created_ = true;
}

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

void MainWindow::CreateControls(HINSTANCE instance) {
    const Dpi dpi = ScreenDpi();
    for (std::size_t index = 0; index < layout::kControls.size(); ++index) {
        const layout::ControlLayout& control = layout::kControls[index];
        const ControlClass controlClass = ClassOf(control.kind);
        const RECT place = PixelRect(control.rect, dpi);
        const HWND handle = CreateWindowExW(
            controlClass.exStyle, controlClass.name, Utf16FromUtf8(control.caption).c_str(),
            WS_CHILD | WS_VISIBLE | controlClass.style, place.left, place.top,
            place.right - place.left, place.bottom - place.top, form_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance,
            nullptr);
        if (handle == nullptr) {
            RaiseLastError("The control " + std::string(control.name) + " could not be created");
        }
        SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (control.kind == layout::ControlKind::TextBox) {
            // Zero lifts the default limit of about 32,000 characters, at which a paste would
            // be cut silently and the text read as another number.
            SendMessageW(handle, EM_SETLIMITTEXT, 0, 0);
        }
    }
    precisionBox_ = GetDlgItem(form_, ControlId(layout::kPrecisionBox));
    calculateButton_ = GetDlgItem(form_, ControlId(layout::kCalculateButton));
    answerLabel_ = GetDlgItem(form_, ControlId(layout::kAnswerLabel));
    focusToRestore_ = precisionBox_;
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

// The run kept the message loop waiting (COM's own loop, while it waits for the spreadsheet,
// delivers only what is sent to the window, not the queued input). What queued up meanwhile is
// delivered now, while busy_ still holds, so that a click made during the run is not acted on
// after it either; keys typed into the precision box meanwhile still arrive.
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

int RunMessageLoop(MainWindow& window) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            RaiseLastError("The window's messages could not be read");
        }
        window.Dispatch(message);
    }
}

}  // namespace secant_root
