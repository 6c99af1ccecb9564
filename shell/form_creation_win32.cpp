// Form1 and its controls made from the shared layout table: the window class, the frame sized for
// the client area and one Win32 control per row of the table, laid out with their font at the
// DPI of the window's monitor, and laid out anew when that changes.
#include "shell/main_window_win32.h"
// After <windows.h>, which the window's header includes and which it builds on.
#include <commctrl.h>

#include <cwchar>
#include <string>
#include <utility>

#include "common/program_texts.h"
#include "common/utf16_windows.h"
#include "shell/last_error_win32.h"
#include "shell/resource_ids_win32.h"

namespace secant_root {
namespace {

// The system's DPI, which every window has where Windows knows no DPI per monitor.
int SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// A function of user32 that Windows 10 brought, looked up at run time, so that the program still
// starts on Windows 7 and 8; null there.
template <class Function>
Function NewerUser32Function(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The DPI of the monitor that `window` is on.
int WindowDpi(HWND window) {
    static const auto getDpiForWindow = NewerUser32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    return getDpiForWindow != nullptr ? static_cast<int>(getDpiForWindow(window)) : SystemDpi();
}

RECT PixelRect(const layout::TwipRect& twips, int dpi) {
    const int left = layout::TwipsToPixels(twips.left, dpi);
    const int top = layout::TwipsToPixels(twips.top, dpi);
    return {left, top, left + layout::TwipsToPixels(twips.width, dpi),
            top + layout::TwipsToPixels(twips.height, dpi)};
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

// The size of Form1 whose client area is the table's at `dpi`, with its frame drawn at that DPI.
SIZE FrameSize(int dpi) {
    static const auto adjustForDpi =
        NewerUser32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(
            "AdjustWindowRectExForDpi");
    RECT frame{0, 0, layout::TwipsToPixels(layout::kClientWidth, dpi),
               layout::TwipsToPixels(layout::kClientHeight, dpi)};
    if (adjustForDpi != nullptr) {
        adjustForDpi(&frame, kFormStyle, FALSE, kFormExStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

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
            RaiseLastError(texts::kFormClassNotRegistered);
        }
        return true;
    }();
    static_cast<void>(registered);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, LogSource& logs) : logs_(logs) {
    RegisterFormClass(instance, &MainWindow::WindowProcedure);
    const std::wstring caption = Utf16FromUtf8(layout::kFormCaption);
    // The controls are made while the window is being created (WM_CREATE), at the DPI of the
    // monitor it opens on; if that fails, the system destroys the window again and returns no
    // handle.
    const HWND form = CreateWindowExW(kFormExStyle, kFormClassName, caption.c_str(), kFormStyle,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                      nullptr, nullptr, instance, this);
    if (form == nullptr) {
        if (creationError_) {
            throw *creationError_;
        }
        RaiseLastError(texts::kFormNotCreated);
    }
    created_ = true;
    const SIZE frame = FrameSize(dpi_);
    SetWindowPos(form_, nullptr, 0, 0, frame.cx, frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::CreateControls(HINSTANCE instance) {
    for (std::size_t index = 0; index < layout::kControls.size(); ++index) {
        const layout::ControlLayout& control = layout::kControls[index];
        const ControlClass controlClass = ClassOf(control.kind);
        // Placed by LayOut.
        const HWND handle = CreateWindowExW(
            controlClass.exStyle, controlClass.name, Utf16FromUtf8(control.caption).c_str(),
            WS_CHILD | WS_VISIBLE | controlClass.style, 0, 0, 0, 0, form_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance,
            nullptr);
        if (handle == nullptr) {
            RaiseLastError(std::string(texts::kControlNotCreated) + std::string(control.name));
        }
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
    if (!LayOut(WindowDpi(form_))) {
        RaiseLastError(texts::kFontNotCreated);
    }
}

bool MainWindow::LayOut(int dpi) noexcept {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(kFontPoints, dpi, 72);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(description.lfFaceName, kFontFace, LF_FACESIZE - 1);
    UniqueFont font(CreateFontIndirectW(&description));
    if (!font) {
        return false;
    }
    for (std::size_t index = 0; index < layout::kControls.size(); ++index) {
        const RECT place = PixelRect(layout::kControls[index].rect, dpi);
        const HWND control = GetDlgItem(form_, kFirstControlId + static_cast<int>(index));
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    // The font made before goes once no control uses it any more.
    font_ = std::move(font);
    dpi_ = dpi;
    return true;
}

}  // namespace secant_root
