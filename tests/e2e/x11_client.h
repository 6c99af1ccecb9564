#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

struct _XDisplay;

namespace secant_root::e2e {

// An X11 client that acts on another program's window as the user and the window manager do:
// it types and clicks through the XTEST extension, gives the input focus, and asks a window to
// close with WM_DELETE_WINDOW.
class X11Client {
  public:
    using WindowId = unsigned long;

    explicit X11Client(const QString& display);
    ~X11Client();
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    // The viewable top-level windows of process `pid`, in stacking order (the topmost last).
    std::vector<WindowId> ViewableWindowsOf(qint64 pid);
    // The first of them, if it has one.
    std::optional<WindowId> ViewableWindowOf(qint64 pid);
    QString Title(WindowId window);
    // Gives the window the keyboard focus, as a window manager does on mapping it.
    void Focus(WindowId window);
    // Types characters that need no modifier key (digits, period) into the focused window.
    void Type(std::string_view text);
    void Click(QPoint onScreen);
    void RequestClose(WindowId window);
    QImage Capture(WindowId window);

  private:
    struct CloseDisplay {
        void operator()(_XDisplay* display) const;
    };
    std::unique_ptr<_XDisplay, CloseDisplay> display_;
};

}  // namespace secant_root::e2e
