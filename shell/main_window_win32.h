#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "calc/calculate_root.h"
#include "common/app_error.h"
#include "shell/window_layout.h"

namespace secant_root {

// The control identifier of a control of the layout table: its tab index plus 100. The dialog
// manager sends IDOK (1) and IDCANCEL (2) for Enter and Escape, so no control may have them.
inline constexpr int kFirstControlId = 100;

constexpr int ControlId(std::string_view name) {
    for (std::size_t index = 0; index < layout::kControls.size(); ++index) {
        if (layout::kControls[index].name == name) {
            return kFirstControlId + static_cast<int>(index);
        }
    }
    return 0;
}

// The window class of Form1, by which other programs (and the end-to-end test) can find it.
inline constexpr wchar_t kFormClassName[] = L"SecantRoot.Form1";

// Form1, the program's one window, built from the shared layout table with the plain Win32
// controls: the prompt, the precision box, the button, the problem statement and the answer, laid
// out at the DPI of the monitor the window is on, and anew when that changes. A
// click on the button runs CalculateRoot with the given logarithm source on the window's thread;
// an error that leaves it is reported in a modal message box, and when that is dismissed the
// window is destroyed and the thread's message loop ends with kErrorExitStatus. Closing the window
// ends the loop with status 0.
class MainWindow final {
  public:
    // Creates Form1, hidden, with the icon and the resources of `instance`. Raises an
    // automation-failure AppError when the window or a control cannot be created.
    MainWindow(HINSTANCE instance, LogSource& logs);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window as `showCommand` (SW_…) says and puts the focus into the precision box.
    void Show(int showCommand);

    // Form1, or null once it has been destroyed.
    HWND handle() const noexcept { return form_; }

    // Delivers one message of the thread's queue with the keyboard handling of a dialog: Tab and
    // Shift+Tab move the focus, Escape does nothing, Enter clicks the button when it has the
    // focus and does nothing elsewhere.
    void Dispatch(MSG& message);

  private:
    struct FontDeleter {
        void operator()(HFONT font) const noexcept { DeleteObject(font); }
    };
    using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

    // No exception may leave a window procedure: the system's frames lie between it and the
    // caller.
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void CreateControls(HINSTANCE instance);
    // Places every control from the layout table at `dpi` and gives it a font made for that DPI;
    // false, with nothing changed, when the system cannot make the font.
    bool LayOut(int dpi) noexcept;
    bool HandleEnterKey(const MSG& message);
    void Calculate();
    std::optional<AppError> RunCalculateRoot();
    void DeliverQueuedMessages();
    void ReportAndEnd(const AppError& error);

    LogSource& logs_;
    // Declared before the window, so that the controls are gone before their font is deleted.
    UniqueFont font_;
    // The DPI that the controls and their font are laid out for.
    int dpi_ = 0;
    HWND form_ = nullptr;
    HWND precisionBox_ = nullptr;
    HWND calculateButton_ = nullptr;
    HWND answerLabel_ = nullptr;
    // The control that gets the focus back when the window is activated again.
    HWND focusToRestore_ = nullptr;
    // Set while a click is being handled, and for good once an error has ended the program.
    bool busy_ = false;
    // A request to close the window that came while a click was being handled.
    bool closeRequested_ = false;
    // Whether the window was created whole: only then does its end end the message loop.
    bool created_ = false;
    // Why the controls could not be made, raised by the constructor.
    std::optional<AppError> creationError_;
    int exitStatus_ = 0;
};

// Shows the report of an error that ends the program: a modal message box owned by `owner` (which
// may be null) with the error's number and description and one OK button.
void ShowErrorReport(HWND owner, const AppError& error);

// Runs the thread's message loop until Form1 has been destroyed; returns the program's exit
// status.
int RunMessageLoop(MainWindow& window);

}  // namespace secant_root
