#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <string_view>
#include <vector>

namespace secant_root::e2e {

// What a test does to another program's windows through the desktop, as the user and the window
// manager do: finds them, gives the keyboard focus, types, clicks, asks a window to close and
// takes its picture.
class WindowSystem {
  public:
    // An X window, or a compositor's container id.
    using WindowId = unsigned long;

    virtual ~WindowSystem() = default;

    // The shown top-level windows of process `pid`, in stacking order (the topmost last).
    virtual std::vector<WindowId> WindowsOf(qint64 pid) = 0;
    std::optional<WindowId> WindowOf(qint64 pid) {
        const std::vector<WindowId> windows = WindowsOf(pid);
        return windows.empty() ? std::nullopt : std::optional<WindowId>(windows.front());
    }
    virtual QString Title(WindowId window) = 0;
    // What the desktop matches with the program's menu entry: the X window's class (WM_CLASS), a
    // Wayland window's app_id.
    virtual QString ApplicationId(WindowId window) = 0;
    virtual void Focus(WindowId window) = 0;
    // Types characters that need no modifier key (digits, period, comma) into the focused window.
    virtual void Type(std::string_view text) = 0;
    // Clicks at a point given in the desktop's logical pixels, those of the window's accessible
    // extents; false if the desktop has no pointer to click with.
    virtual bool Click(QPoint onScreen) = 0;
    virtual void RequestClose(WindowId window) = 0;
    // In the screen's own pixels: the logical size times the desktop's scale.
    virtual QImage Capture(WindowId window) = 0;
};

}  // namespace secant_root::e2e
