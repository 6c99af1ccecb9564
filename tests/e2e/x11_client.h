#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <memory>
#include <string_view>
#include <vector>

#include "tests/e2e/window_system.h"

struct _XDisplay;

namespace secant_root::e2e {

// An X11 client that acts on another program's window as the user and the window manager do:
// it types and clicks through the XTEST extension, gives the input focus, and asks a window to
// close with WM_DELETE_WINDOW. Without a window manager, a window's place is its place on the
// screen.
class X11Client final : public WindowSystem {
  public:
    // `scale`: the screen's pixels per logical pixel, which Qt takes from Xft.dpi.
    X11Client(const QString& display, int scale);
    ~X11Client() override;
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    // Sets the resources that X clients read at their start (RESOURCE_MANAGER), as xrdb or a
    // desktop's settings daemon does: `resources` are lines of "name:\tvalue".
    void PublishResources(std::string_view resources);

    // The viewable ones.
    std::vector<WindowId> WindowsOf(qint64 pid) override;
    QString Title(WindowId window) override;
    QString ApplicationId(WindowId window) override;
    // As a window manager does on mapping it.
    void Focus(WindowId window) override;
    void Type(std::string_view text) override;
    bool Click(QPoint onScreen) override;
    void RequestClose(WindowId window) override;
    QImage Capture(WindowId window) override;

  private:
    struct CloseDisplay {
        void operator()(_XDisplay* display) const;
    };
    std::unique_ptr<_XDisplay, CloseDisplay> display_;
    int scale_;
};

}  // namespace secant_root::e2e
