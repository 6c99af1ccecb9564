// Form1 with the real Win32 controls, on Wine's null graphics driver, driven through its message
// queue as the system would drive it, with a scripted logarithm source.
#include "shell/main_window_win32.h"

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/app_error.h"
#include "common/program_texts.h"
#include "common/utf16_windows.h"
#include "shell/error_report.h"
#include "shell/window_layout.h"
#include "tests/scripted_log_source.h"
#include "tests/shell/window_error_cases.h"

namespace secant_root {
namespace {

using testing::ScriptedLogSource;
using testing::TableLn;
using Kind = ScriptedLogSource::Call::Kind;
using ::testing::ElementsAre;

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return Utf8FromUtf16(std::wstring_view(text, static_cast<std::size_t>(length)));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

// A key pressed and released, as the system queues it for the window with the focus. A repeated
// press is what a held-down key sends after the first.
void PostKeyDown(HWND target, UINT key, bool repeated = false) {
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYDOWN, key, 1 | scanCode | (repeated ? LPARAM{1} << 30 : 0));
}

void PostKeyUp(HWND target, UINT key) {
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYUP, key, 1 | scanCode | LPARAM{3} << 30);
}

void PostKey(HWND target, UINT key) {
    PostKeyDown(target, key);
    PostKeyUp(target, key);
}

// A click of the left mouse button in the middle of `target`, as the system queues it.
void PostClick(HWND target) {
    RECT area;
    GetClientRect(target, &area);
    const LPARAM centre = MAKELPARAM(area.right / 2, area.bottom / 2);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageW(target, WM_LBUTTONUP, 0, centre);
}

// Holds Shift down, as the thread's keyboard state says, for as long as it lives.
class ShiftHeld {
  public:
    ShiftHeld() {
        GetKeyboardState(saved_.data());
        std::array<BYTE, 256> held = saved_;
        held[VK_SHIFT] = held[VK_LSHIFT] = 0x80;
        SetKeyboardState(held.data());
    }
    ~ShiftHeld() { SetKeyboardState(saved_.data()); }

  private:
    std::array<BYTE, 256> saved_{};
};

// What an error report showed while it was open.
struct ReportSeen {
    bool shown = false;
    std::string title;
    std::vector<std::string> texts;
    int buttons = 0;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    std::string answerMeanwhile;
};

// Watches for a message box of the test's thread, notes what it shows and dismisses it with its
// button, as a user would. A thread timer does the watching: the message box's own message loop
// runs it while the box is open.
class ReportWatcher {
  public:
    explicit ReportWatcher(std::function<void(ReportSeen&)> observe = {})
        : observe_(std::move(observe)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 10, &ReportWatcher::OnTimer);
    }
    ~ReportWatcher() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    ReportWatcher(const ReportWatcher&) = delete;
    ReportWatcher& operator=(const ReportWatcher&) = delete;

    const ReportSeen& seen() const { return seen_; }
    void Observe(std::function<void(ReportSeen&)> observe) { observe_ = std::move(observe); }

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ != nullptr) {
            current_->DismissIfOpen();
        }
    }

    static BOOL CALLBACK FindMessageBox(HWND window, LPARAM found) {
        if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static BOOL CALLBACK NoteControl(HWND control, LPARAM seenPointer) {
        auto& seen = *reinterpret_cast<ReportSeen*>(seenPointer);
        if (ClassOf(control) == L"Button") {
            ++seen.buttons;
        } else if (ClassOf(control) == L"Static" && !TextOf(control).empty()) {
            seen.texts.push_back(TextOf(control));
        }
        return TRUE;
    }

    void DismissIfOpen() {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &FindMessageBox, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr || seen_.shown) {
            return;
        }
        seen_.shown = true;
        seen_.title = TextOf(box);
        EnumChildWindows(box, &NoteControl, reinterpret_cast<LPARAM>(&seen_));
        seen_.owner = GetWindow(box, GW_OWNER);
        seen_.ownerEnabled = seen_.owner != nullptr && IsWindowEnabled(seen_.owner);
        if (observe_) {
            observe_(seen_);
        }
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    }

    static inline ReportWatcher* current_ = nullptr;
    std::function<void(ReportSeen&)> observe_;
    ReportSeen seen_;
    UINT_PTR timer_ = 0;
};

// Empties the thread's message queue, the message that ends the message loop included, so that
// nothing a test leaves behind reaches the next one.
struct QueueEmptier {
    ~QueueEmptier() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : window_(GetModuleHandleW(nullptr), logs_) {}

    HWND form() const { return window_.handle(); }
    HWND Control(std::string_view name) const { return GetDlgItem(form(), ControlId(name)); }
    HWND precisionBox() const { return Control(layout::kPrecisionBox); }
    HWND button() const { return Control(layout::kCalculateButton); }
    std::string answer() const { return TextOf(Control(layout::kAnswerLabel)); }

    void Show() {
        window_.Show(SW_SHOWNORMAL);
        Pump();
    }

    // Delivers what is queued, as the message loop would; notes the message that ends the loop.
    void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitStatus_ = static_cast<int>(message.wParam);
                continue;
            }
            window_.Dispatch(message);
        }
    }

    // Types the text into the precision box, character by character, after emptying it.
    void Type(const char* text) {
        SetWindowTextW(precisionBox(), L"");
        for (const wchar_t character : Utf16FromUtf8(text)) {
            SendMessageW(precisionBox(), WM_CHAR, character, 1);
        }
    }

    void Click() { SendMessageW(button(), BM_CLICK, 0, 0); }

    void TypeAndClick(const char* precision) {
        Type(precision);
        Click();
    }

    QueueEmptier emptier_;
    ScriptedLogSource logs_;
    MainWindow window_;
    // Any report that a test does not expect is dismissed too, so that the test fails instead of
    // waiting.
    ReportWatcher reports_;
    std::optional<int> quitStatus_;
};

// A rectangle in pixels, comparable and printable.
struct Place {
    LONG left, top, right, bottom;

    explicit Place(const RECT& rect)
        : left(rect.left), top(rect.top), right(rect.right), bottom(rect.bottom) {}
    Place(LONG l, LONG t, LONG r, LONG b) : left(l), top(t), right(r), bottom(b) {}
    bool operator==(const Place&) const = default;
    friend void PrintTo(const Place& place, std::ostream* out) {
        *out << "(" << place.left << ", " << place.top << ", " << place.right << ", "
             << place.bottom << ")";
    }
};

struct ControlCase {
    const char* name;
    const wchar_t* className;
    const char* text;
    Place pixels;  // at 96 DPI: twips / 15, rounded to nearest (left, top, right, bottom)
    Place at144;   // at 144 DPI: twips / 10, the left, top, width and height each rounded
};

const ControlCase kControlCases[] = {
    {"Label1", L"Static", "Укажите Точность", {16, 8, 73, 41}, {24, 12, 109, 61}},
    {"txtEps", L"Edit", "", {80, 8, 129, 41}, {120, 12, 193, 61}},
    {"Command1", L"Button", "Проивести рассчет", {136, 8, 225, 41}, {204, 12, 337, 61}},
    {"Label2",
     L"Static",
     "Решение уравнения 0.1*x*x - ln(x)*x=0 на промежутке [1;2] ",
     {8, 56, 137, 105},
     {12, 84, 205, 157}},
    {"lblAns", L"Static", "", {152, 56, 217, 97}, {228, 84, 325, 145}},
};

Place PlaceInForm(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return Place(place);
}

TEST_F(MainWindowTest, StartsWithTheTabledControlsTextsAndPlacesAt96Dpi) {
    const HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);

    EXPECT_EQ(ClassOf(form()), kFormClassName);
    EXPECT_EQ(TextOf(form()), "Form1");
    EXPECT_EQ(GetWindowLongW(form(), GWL_STYLE) & WS_CAPTION, WS_CAPTION);
    RECT client;
    GetClientRect(form(), &client);
    EXPECT_EQ(Place(client), Place(0, 0, 250, 170));  // 3744 × 2556 twips

    // Children in z-order, which is the order of Tab.
    std::vector<HWND> children;
    for (HWND child = GetWindow(form(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    ASSERT_EQ(children.size(), std::size(kControlCases));
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ControlCase& c = kControlCases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetDlgCtrlID(children[i]), ControlId(c.name));
        EXPECT_EQ(ClassOf(children[i]), c.className);
        EXPECT_EQ(TextOf(children[i]), c.text);
        EXPECT_EQ(PlaceInForm(children[i]), c.pixels);
        EXPECT_NE(SendMessageW(children[i], WM_GETFONT, 0, 0), 0);
        EXPECT_EQ(SendMessageW(children[i], WM_GETFONT, 0, 0),
                  SendMessageW(children[0], WM_GETFONT, 0, 0));
    }
    EXPECT_TRUE(logs_.calls().empty());
}

struct StyleCase {
    const char* name;
    DWORD typeMask;
    DWORD type;
    DWORD required;
    DWORD forbidden;
};

TEST_F(MainWindowTest, LabelsWrapAndTakeNoFocusTheBoxHasOneLineTheButtonIsNoDefault) {
    const StyleCase cases[] = {
        {"Label1", SS_TYPEMASK, SS_LEFT, SS_NOPREFIX, WS_TABSTOP},
        {"Label2", SS_TYPEMASK, SS_LEFT, SS_NOPREFIX, WS_TABSTOP},
        {"lblAns", SS_TYPEMASK, SS_LEFT, SS_NOPREFIX, WS_TABSTOP},
        {"txtEps", 0, 0, WS_TABSTOP, ES_MULTILINE | ES_WANTRETURN},
        {"Command1", BS_TYPEMASK, BS_PUSHBUTTON, WS_TABSTOP | BS_MULTILINE, 0},
    };
    for (const StyleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto style = static_cast<DWORD>(GetWindowLongW(Control(c.name), GWL_STYLE));
        EXPECT_EQ(style & c.typeMask, c.type);
        EXPECT_EQ(style & c.required, c.required);
        EXPECT_EQ(style & c.forbidden, 0u);
        EXPECT_EQ(style & WS_VISIBLE, static_cast<DWORD>(WS_VISIBLE));
        EXPECT_TRUE(IsWindowEnabled(Control(c.name)));
    }
    const auto buttonCode = SendMessageW(button(), WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(buttonCode & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(buttonCode & DLGC_DEFPUSHBUTTON);
}

// The room a caption needs when it is wrapped at word boundaries within `width` pixels.
SIZE NeededFor(HWND control, int width) {
    const HDC dc = GetDC(control);
    const auto previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    wchar_t text[256] = {};
    const int length = GetWindowTextW(control, text, static_cast<int>(std::size(text)));
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, text, length, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {needed.right - needed.left, needed.bottom - needed.top};
}

int LineHeight(HWND control) {
    const HDC dc = GetDC(control);
    const auto previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return metrics.tmHeight;
}

TEST_F(MainWindowTest, EveryCaptionIsWholeInsideItsRectangleAt96Dpi) {
    for (const char* name : {"Label1", "Label2"}) {
        SCOPED_TRACE(name);
        RECT area;
        GetClientRect(Control(name), &area);
        const SIZE needed = NeededFor(Control(name), area.right);
        EXPECT_LE(needed.cx, area.right);
        EXPECT_LE(needed.cy, area.bottom);
        EXPECT_GE(needed.cy, LineHeight(Control(name)));
    }
    // A push button draws its caption inside its frame (two pixels) and focus rectangle (one).
    RECT area;
    GetClientRect(button(), &area);
    InflateRect(&area, -3, -3);
    const SIZE needed = NeededFor(button(), area.right - area.left);
    EXPECT_LE(needed.cx, area.right - area.left);
    EXPECT_LE(needed.cy, area.bottom - area.top);
    EXPECT_EQ(needed.cy, 2 * LineHeight(button()));
    // The font is the shell's dialog font at 8 points, with Cyrillic glyphs.
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(button(), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg 2");
}

TEST_F(MainWindowTest, CarriesTheProgramIconInBothSizes) {
    const struct {
        int index;
        int size;
    } cases[] = {{GCLP_HICON, 32}, {GCLP_HICONSM, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(form(), c.index));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, c.size);
        EXPECT_EQ(colour.bmHeight, c.size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

// The test program carries the program's manifest, as the program does.
TEST_F(MainWindowTest, RunsWithTheCommonControlsAndDpiAwarenessOfTheManifest) {
    EXPECT_TRUE(IsProcessDPIAware());
    // Only the buttons of Common Controls 6 answer this.
    SIZE ideal{};
    EXPECT_TRUE(SendMessageW(button(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
}

LONG FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font.lfHeight;
}

// Told that its monitor has another DPI, as a move to another monitor tells it, the window lays its
// controls out anew with a font for that DPI, in the frame that the system suggests.
TEST_F(MainWindowTest, ControlsKeepTheirPlacesWhenResizedAndFollowTheDpiOfTheMonitor) {
    Show();
    for (const SIZE size : {SIZE{600, 400}, SIZE{120, 60}, SIZE{266, 210}}) {
        SetWindowPos(form(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        for (const ControlCase& c : kControlCases) {
            EXPECT_EQ(PlaceInForm(Control(c.name)), c.pixels) << c.name << " at " << size.cx;
        }
    }
    for (const UINT dpi : {144u, 96u}) {
        RECT suggested{20, 30, 20 + 399, 30 + 306};
        SendMessageW(form(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        Pump();
        RECT taken;
        GetWindowRect(form(), &taken);
        EXPECT_EQ(Place(taken), Place(suggested));
        for (const ControlCase& c : kControlCases) {
            EXPECT_EQ(PlaceInForm(Control(c.name)), dpi == 144 ? c.at144 : c.pixels)
                << c.name << " at " << dpi << " DPI";
        }
        EXPECT_EQ(FontHeight(button()), -MulDiv(8, static_cast<int>(dpi), 72));
    }
}

TEST_F(MainWindowTest, FocusStartsInThePrecisionBoxAndTabMovesBetweenBoxAndButton) {
    Show();
    EXPECT_EQ(GetFocus(), precisionBox());
    PostKey(GetFocus(), VK_TAB);
    Pump();
    EXPECT_EQ(GetFocus(), button());
    PostKey(GetFocus(), VK_TAB);
    Pump();
    EXPECT_EQ(GetFocus(), precisionBox());
    {
        const ShiftHeld shift;
        PostKey(GetFocus(), VK_TAB);
        Pump();
    }
    EXPECT_EQ(GetFocus(), button());
    EXPECT_TRUE(logs_.calls().empty());
}

// What a screen reader learns through Microsoft Active Accessibility: an edit control is named by
// the label made right before it. (Wine gives no window objects, OBJID_WINDOW, nor the roles of
// buttons, so the frame's role and the button's are left to Windows.)
struct AccessibleOf {
    AccessibleOf(HWND window, LONG object) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        AccessibleObjectFromWindow(window, static_cast<DWORD>(object), IID_IAccessible,
                                   reinterpret_cast<void**>(&accessible));
    }
    ~AccessibleOf() {
        if (accessible != nullptr) accessible->Release();
        CoUninitialize();
    }
    std::string Name() const {
        BSTR name = nullptr;
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        if (accessible == nullptr || accessible->get_accName(self, &name) != S_OK) return {};
        const std::string text = Utf8FromUtf16(std::wstring_view(name, SysStringLen(name)));
        SysFreeString(name);
        return text;
    }
    LONG Role() const {
        VARIANT self{}, role{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        if (accessible == nullptr || accessible->get_accRole(self, &role) != S_OK) return 0;
        return role.vt == VT_I4 ? role.lVal : 0;
    }
    IAccessible* accessible = nullptr;
};

TEST_F(MainWindowTest, AssistiveTechnologySeesAPrecisionBoxNamedByItsPrompt) {
    Show();
    EXPECT_EQ(AccessibleOf(form(), OBJID_CLIENT).Name(), "Form1");
    EXPECT_EQ(AccessibleOf(precisionBox(), OBJID_CLIENT).Role(), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(AccessibleOf(precisionBox(), OBJID_CLIENT).Name(), layout::kControls[0].caption);
}

// The accessibility events of the answer label, as a screen reader's hook receives them.
std::vector<DWORD> answerEvents;
HWND watchedLabel = nullptr;

void CALLBACK RecordAnswerEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                DWORD, DWORD) {
    if (window == watchedLabel && object == OBJID_CLIENT && child == CHILDID_SELF) {
        answerEvents.push_back(event);
    }
}

TEST_F(MainWindowTest, EveryAnswerShownIsAnnouncedToAssistiveTechnologyAndAnErrorIsNot) {
    Show();
    watchedLabel = Control(layout::kAnswerLabel);
    answerEvents.clear();
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                        RecordAnswerEvent, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);

    // The same answer twice is told twice: the user asked again.
    TypeAndClick("0.001");
    Click();
    Pump();
    EXPECT_THAT(answerEvents, ElementsAre(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE));

    logs_.openError = CannotCreateObjectError();
    Click();
    Pump();
    UnhookWinEvent(hook);
    EXPECT_EQ(answerEvents.size(), 2u);
}

TEST_F(MainWindowTest, FocusComesBackToItsControlWhenTheWindowIsActivatedAgain) {
    Show();
    SetFocus(button());
    const HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr);
    ShowWindow(other, SW_SHOWNORMAL);
    Pump();
    ASSERT_NE(GetActiveWindow(), form());

    SetActiveWindow(form());
    Pump();
    EXPECT_EQ(GetFocus(), button());
    DestroyWindow(other);
}

TEST_F(MainWindowTest, TypingThePrecisionAndClickingShowsTheRoot) {
    Show();
    TypeAndClick("0.001");

    EXPECT_EQ(answer(), "1.1189");
    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
    EXPECT_EQ(logs_.CountOf(Kind::Ln), 9);
    EXPECT_EQ(logs_.CountOf(Kind::Close), 1);
    EXPECT_FALSE(reports_.seen().shown);
    EXPECT_TRUE(IsWindow(form()));
}

// Leading blanks before the number, inserted at once as a paste inserts them: at and far beyond
// the edit control's default limit, where the cut text read as another number.
TEST_F(MainWindowTest, APastedPrecisionIsTakenWhole) {
    Show();
    struct PasteCase {
        std::size_t blanks;
        const wchar_t* number;
        const char* answer;
    };
    for (const PasteCase& c :
         {PasteCase{32763, L"0.001", "1.1189"}, PasteCase{1 << 20, L"0.001", "1.1189"},
          PasteCase{1 << 20, L"1", "1.1686"}}) {
        SCOPED_TRACE(c.blanks);
        const std::wstring pasted = std::wstring(c.blanks, L' ') + c.number;
        SetWindowTextW(precisionBox(), L"");
        SendMessageW(precisionBox(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
        ASSERT_EQ(static_cast<std::size_t>(GetWindowTextLengthW(precisionBox())), pasted.size());
        Click();
        EXPECT_EQ(answer(), c.answer);
    }
    EXPECT_FALSE(reports_.seen().shown);
}

TEST_F(MainWindowTest, AnswerStaysWhileThePrecisionIsEditedUntilTheNextClick) {
    Show();
    TypeAndClick("0.001");
    ASSERT_EQ(answer(), "1.1189");

    SendMessageW(precisionBox(), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(TextOf(precisionBox()), "0.00");
    EXPECT_EQ(answer(), "1.1189");
    Type("1");
    EXPECT_EQ(answer(), "1.1189");

    Click();
    EXPECT_EQ(answer(), "1.1686");
    EXPECT_EQ(logs_.CountOf(Kind::Open), 2);
}

class KeysInThePrecisionBox : public MainWindowTest, public ::testing::WithParamInterface<UINT> {};

TEST_P(KeysInThePrecisionBox, DoNothing) {
    Show();
    Type("0.001");
    ASSERT_EQ(GetFocus(), precisionBox());
    PostKey(precisionBox(), GetParam());
    Pump();

    EXPECT_TRUE(logs_.calls().empty());
    EXPECT_EQ(answer(), "");
    EXPECT_EQ(TextOf(precisionBox()), "0.001");
    EXPECT_TRUE(IsWindowVisible(form()));
    EXPECT_EQ(GetFocus(), precisionBox());
    EXPECT_FALSE(quitStatus_.has_value());
}

INSTANTIATE_TEST_SUITE_P(EnterAndEscape, KeysInThePrecisionBox,
                         ::testing::Values(VK_RETURN, VK_ESCAPE), [](const auto& info) {
                             return std::string(info.param == VK_RETURN ? "Enter" : "Escape");
                         });

class KeysOnTheButton : public MainWindowTest, public ::testing::WithParamInterface<UINT> {};

TEST_P(KeysOnTheButton, ClickItOnce) {
    Show();
    Type("0.001");
    PostKey(precisionBox(), VK_TAB);
    Pump();
    ASSERT_EQ(GetFocus(), button());

    PostKey(button(), GetParam());
    Pump();

    EXPECT_EQ(answer(), "1.1189");
    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
}

INSTANTIATE_TEST_SUITE_P(SpaceAndEnter, KeysOnTheButton, ::testing::Values(VK_SPACE, VK_RETURN),
                         [](const auto& info) {
                             return std::string(info.param == VK_RETURN ? "Enter" : "Space");
                         });

TEST_F(MainWindowTest, HeldDownEnterOnTheButtonClicksOnce) {
    Show();
    Type("0.001");
    SetFocus(button());
    PostKeyDown(button(), VK_RETURN);
    PostKeyDown(button(), VK_RETURN, true);
    PostKeyDown(button(), VK_RETURN, true);
    PostKeyUp(button(), VK_RETURN);
    Pump();

    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
}

TEST_F(MainWindowTest, DuringARunNothingLooksBusyAndClicksAreNotActedOnThenOrAfterwards) {
    Show();
    Type("0.001");
    HCURSOR cursorMeanwhile = nullptr;
    logs_.ln = [&](int n, double x) {
        if (n == 4) {
            cursorMeanwhile = GetCursor();
            EXPECT_TRUE(IsWindowEnabled(button()));
            EXPECT_TRUE(IsWindowEnabled(precisionBox()));

            // Sent messages arrive at once, inside the run, as COM's loop delivers them while
            // it waits for the spreadsheet; queued input waits until the run returns.
            SendMessageW(button(), BM_CLICK, 0, 0);
            PostClick(button());
            PostKey(button(), VK_SPACE);
            PostKey(button(), VK_RETURN);
            PostMessageW(precisionBox(), WM_CHAR, L'5', 1);
        }
        return TableLn(x);
    };
    const HCURSOR cursorBefore = GetCursor();

    Click();
    Pump();

    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
    EXPECT_EQ(cursorMeanwhile, cursorBefore);
    EXPECT_EQ(answer(), "1.1189");
    // What was typed meanwhile is not lost.
    EXPECT_EQ(TextOf(precisionBox()), "0.0015");

    // The same queued click made while idle does run the command.
    PostClick(button());
    Pump();
    EXPECT_EQ(logs_.CountOf(Kind::Open), 2);
}

TEST_F(MainWindowTest, ARequestToCloseDuringARunClosesTheWindowAfterIt) {
    Show();
    Type("0.001");
    bool windowDuringRun = false;
    logs_.ln = [&](int n, double x) {
        if (n == 4) {
            SendMessageW(form(), WM_CLOSE, 0, 0);
            windowDuringRun = IsWindow(button()) && IsWindow(Control(layout::kAnswerLabel));
        }
        return TableLn(x);
    };
    const HWND form = this->form();

    Click();
    Pump();

    EXPECT_TRUE(windowDuringRun);
    EXPECT_EQ(logs_.CountOf(Kind::Ln), 9);
    EXPECT_EQ(logs_.CountOf(Kind::Close), 1);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(quitStatus_, 0);
    EXPECT_FALSE(reports_.seen().shown);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheMessageLoopWithStatusZero) {
    Show();
    PostMessageW(form(), WM_CLOSE, 0, 0);

    EXPECT_EQ(RunMessageLoop(window_), 0);
    EXPECT_EQ(form(), nullptr);
    EXPECT_TRUE(logs_.calls().empty());
}

class ErrorInTheCommand : public MainWindowTest,
                          public ::testing::WithParamInterface<testing::WindowErrorCase> {};

TEST_P(ErrorInTheCommand, IsReportedThenEndsTheProgramAndLeavesTheAnswer) {
    const testing::WindowErrorCase& c = GetParam();
    Show();
    TypeAndClick("0.001");
    ASSERT_EQ(answer(), "1.1189");
    c.arrange(logs_);
    Type(c.precision);
    reports_.Observe([this](ReportSeen& seen) { seen.answerMeanwhile = answer(); });
    const HWND form = this->form();

    Click();
    Pump();

    const ReportSeen& seen = reports_.seen();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, texts::kReportTitle);
    EXPECT_THAT(seen.texts, ElementsAre(c.report));
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_EQ(seen.owner, form);
    EXPECT_FALSE(seen.ownerEnabled);  // modal
    EXPECT_EQ(seen.answerMeanwhile, "1.1189");
    EXPECT_EQ(logs_.CountOf(Kind::Close), logs_.CountOf(Kind::Open));

    // After the report the window is gone and the message loop ends with a failure status.
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(quitStatus_, kErrorExitStatus);
    EXPECT_NE(kErrorExitStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(Scripted, ErrorInTheCommand,
                         ::testing::ValuesIn(testing::kWindowErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, AnErrorEndsTheMessageLoopWithTheErrorStatus) {
    Show();
    logs_.openError = CannotCreateObjectError();
    PostMessageW(button(), BM_CLICK, 0, 0);

    EXPECT_EQ(RunMessageLoop(window_), kErrorExitStatus);
    EXPECT_TRUE(reports_.seen().shown);
}

TEST_F(MainWindowTest, APrecisionBoxThatCannotBeReadIsAnAutomationFailure) {
    Show();
    DestroyWindow(precisionBox());

    Click();
    Pump();

    ASSERT_TRUE(reports_.seen().shown);
    ASSERT_EQ(reports_.seen().texts.size(), 1u);
    // ERROR_INVALID_WINDOW_HANDLE as a status.
    EXPECT_THAT(reports_.seen().texts[0],
                ::testing::StartsWith(std::string(texts::kReportNumberPrefix) + "0x80070578: " +
                                      std::string(texts::kPrecisionBoxUnreadable)));
    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
    EXPECT_EQ(logs_.CountOf(Kind::Ln), 0);
    EXPECT_EQ(logs_.CountOf(Kind::Close), 1);
}

}  // namespace
}  // namespace secant_root
