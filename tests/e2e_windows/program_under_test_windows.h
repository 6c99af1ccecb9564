#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace secant_root::testing {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// What a message box of the program showed.
struct MessageBoxSeen {
    std::string title;
    std::vector<std::string> texts;
    int buttons = 0;
};

// secant-root.exe started as a user starts it, driven from this process through its windows as a
// user's tools would drive it: texts set and read with window messages, the button clicked with
// BM_CLICK. The process is ended, should a test leave it running.
class ProgramUnderTest {
  public:
    // Starts the program and waits until Form1 is shown; fails the running test if it is not.
    explicit ProgramUnderTest(const std::wstring& program);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    bool HasWindow() const { return form_ != nullptr; }
    std::string FormText() const;
    std::string ControlText(std::string_view name) const;
    void SetPrecision(std::wstring_view text);
    void ClickCalculate();
    // The caption of lblAns once it is no longer empty, or an empty text after `timeout`.
    std::string WaitForAnswer(std::chrono::milliseconds timeout) const;
    // The message box the program shows, once it is shown.
    std::optional<MessageBoxSeen> WaitForMessageBox(std::chrono::milliseconds timeout);
    // Presses the OK button of the message box that WaitForMessageBox found.
    void DismissMessageBox();
    void CloseWindow();
    // The exit status, or nothing if the program is still running after `timeout`.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
    // The x87 control word of the program's main thread, read from its context while the thread
    // is suspended for a moment, or nothing if the system does not give it within 10 s. Leaves a
    // long text of spaces in the precision box.
    std::optional<WORD> X87ControlWord();

  private:
    HWND Control(std::string_view name) const;
    HWND FindTopLevel(const wchar_t* className) const;

    UniqueHandle process_;
    UniqueHandle mainThread_;
    DWORD processId_ = 0;
    HWND form_ = nullptr;
    HWND messageBox_ = nullptr;
};

// The exit status of `process`, or nothing if it is still running after `timeout`.
std::optional<DWORD> WaitForExitStatus(HANDLE process, std::chrono::milliseconds timeout);
// Ends `process` if it is still running, as a test that failed may leave it.
void EndIfRunning(HANDLE process);

// How many processes of the program file named `name` (for example "notepad.exe") are running.
int ProcessesNamed(std::wstring_view name);

// Polls `condition` every 20 ms until it holds or `timeout` has passed; tells whether it held.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

}  // namespace secant_root::testing
