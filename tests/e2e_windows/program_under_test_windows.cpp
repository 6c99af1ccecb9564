#include "tests/e2e_windows/program_under_test_windows.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <thread>

#include "common/utf16_windows.h"
#include "shell/main_window_win32.h"

namespace secant_root::testing {
namespace {

using namespace std::chrono_literals;

// A call on a window of the program that does not return within this time fails: the program
// answers window messages even while it waits for the spreadsheet.
constexpr UINT kMessageTimeoutMilliseconds = 5000;

struct TopLevelSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM searchPointer) {
    auto& search = *reinterpret_cast<TopLevelSearch*>(searchPointer);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    if (processId == search.processId && std::wstring_view(className) == search.className &&
        IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// The text of a window of the program, asked for with a window message, which the system carries
// between the processes.
std::string WindowText(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMilliseconds, &length)) {
        ADD_FAILURE() << "the program did not give a window's text";
        return {};
    }
    return Utf8FromUtf16(std::wstring_view(text, length));
}

BOOL CALLBACK NoteMessageBoxControl(HWND control, LPARAM seenPointer) {
    auto& seen = *reinterpret_cast<MessageBoxSeen*>(seenPointer);
    wchar_t className[64] = {};
    GetClassNameW(control, className, static_cast<int>(std::size(className)));
    if (std::wstring_view(className) == L"Button") {
        ++seen.buttons;
    } else if (std::wstring_view(className) == L"Static") {
        const std::string text = WindowText(control);
        if (!text.empty()) {
            seen.texts.push_back(text);
        }
    }
    return TRUE;
}

}  // namespace

ProgramUnderTest::ProgramUnderTest(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        ADD_FAILURE() << "cannot start " << Utf8FromUtf16(program) << ": error " << GetLastError();
        return;
    }
    process_.reset(started.hProcess);
    mainThread_.reset(started.hThread);
    processId_ = started.dwProcessId;

    WaitForInputIdle(process_.get(), 30000);
    WaitUntil([this] { return (form_ = FindTopLevel(kFormClassName)) != nullptr; }, 30s);
    EXPECT_NE(form_, nullptr) << "Form1 was not shown";
}

ProgramUnderTest::~ProgramUnderTest() { EndIfRunning(process_.get()); }

HWND ProgramUnderTest::FindTopLevel(const wchar_t* className) const {
    TopLevelSearch search{processId_, className};
    EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramUnderTest::Control(std::string_view name) const {
    return GetDlgItem(form_, ControlId(name));
}

std::string ProgramUnderTest::FormText() const { return WindowText(form_); }

std::string ProgramUnderTest::ControlText(std::string_view name) const {
    return WindowText(Control(name));
}

void ProgramUnderTest::SetPrecision(std::wstring_view text) {
    const std::wstring terminated(text);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(Control(layout::kPrecisionBox), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(terminated.c_str()), SMTO_ABORTIFHUNG,
                                    kMessageTimeoutMilliseconds, &result));
}

void ProgramUnderTest::ClickCalculate() {
    // Posted: the click runs the calculation, and with it perhaps a modal error report.
    EXPECT_TRUE(PostMessageW(Control(layout::kCalculateButton), BM_CLICK, 0, 0));
}

std::string ProgramUnderTest::WaitForAnswer(std::chrono::milliseconds timeout) const {
    std::string answer;
    WaitUntil([&] { return !(answer = ControlText(layout::kAnswerLabel)).empty(); }, timeout);
    return answer;
}

std::optional<MessageBoxSeen> ProgramUnderTest::WaitForMessageBox(
    std::chrono::milliseconds timeout) {
    if (!WaitUntil([this] { return (messageBox_ = FindTopLevel(L"#32770")) != nullptr; },
                   timeout)) {
        return std::nullopt;
    }
    MessageBoxSeen seen;
    seen.title = WindowText(messageBox_);
    EnumChildWindows(messageBox_, &NoteMessageBoxControl, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

void ProgramUnderTest::DismissMessageBox() {
    EXPECT_TRUE(PostMessageW(GetDlgItem(messageBox_, IDOK), BM_CLICK, 0, 0));
}

void ProgramUnderTest::CloseWindow() { EXPECT_TRUE(PostMessageW(form_, WM_CLOSE, 0, 0)); }

std::optional<DWORD> ProgramUnderTest::WaitForExit(std::chrono::milliseconds timeout) {
    return WaitForExitStatus(process_.get(), timeout);
}

// Wine gives the floating-point state of another process's thread only when the thread was
// stopped in user code, not while it waits in a system call, when the state reads as all zeros
// (a control word no program runs with). So the main thread is kept busy copying a long text out
// of the precision box while it is stopped and read, until one reading finds it at work.
std::optional<WORD> ProgramUnderTest::X87ControlWord() {
    constexpr std::size_t kTextLength = 60000;
    SetPrecision(std::wstring(kTextLength, L' '));
    std::atomic<bool> done = false;
    std::thread messages([this, &done] {
        std::wstring text(kTextLength + 1, L'\0');
        while (!done) {
            DWORD_PTR length = 0;
            SendMessageTimeoutW(Control(layout::kPrecisionBox), WM_GETTEXT, text.size(),
                                reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                kMessageTimeoutMilliseconds, &length);
        }
    });
    std::optional<WORD> controlWord;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!controlWord && std::chrono::steady_clock::now() < end &&
           SuspendThread(mainThread_.get()) != static_cast<DWORD>(-1)) {
        CONTEXT context{};
        context.ContextFlags = CONTEXT_FLOATING_POINT;
        if (GetThreadContext(mainThread_.get(), &context) && context.FloatSave.ControlWord != 0) {
            controlWord = static_cast<WORD>(context.FloatSave.ControlWord);
        }
        ResumeThread(mainThread_.get());
    }
    done = true;
    messages.join();
    return controlWord;
}

std::optional<DWORD> WaitForExitStatus(HANDLE process, std::chrono::milliseconds timeout) {
    if (process == nullptr ||
        WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD status = 0;
    GetExitCodeProcess(process, &status);
    return status;
}

void EndIfRunning(HANDLE process) {
    if (process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 255);
        WaitForSingleObject(process, 10000);
    }
}

int ProcessesNamed(std::wstring_view name) {
    const HANDLE opened = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (opened == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot list the processes";
        return -1;
    }
    const UniqueHandle snapshot(opened);
    const auto lower = [](std::wstring_view text) {
        std::wstring lowered(text);
        std::transform(lowered.begin(), lowered.end(), lowered.begin(), ::towlower);
        return lowered;
    };
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        count += lower(entry.szExeFile) == lower(name) ? 1 : 0;
    }
    return count;
}

}  // namespace secant_root::testing
