#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "tests/e2e/window_system.h"

namespace secant_root::e2e {

enum class DisplayServer { X11, Wayland };

struct Desktop {
    DisplayServer server = DisplayServer::X11;
    // Screen pixels per logical pixel.
    int scale = 1;
};

// A private desktop for one test: a display server, a D-Bus session bus (on which the
// accessibility bus is started on demand) and a runtime directory. The display server is an Xvfb
// display, at the scale that Xft.dpi gives X clients, or a headless sway compositor with one
// output at the scale, a floating window manager as a desktop's is, and a keyboard on its seat.
// Every server is a child of the test and ends with this object.
class DesktopSession {
  public:
    explicit DesktopSession(Desktop desktop = {});
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    const Desktop& desktop() const { return desktop_; }
    const QString& busAddress() const { return busAddress_; }

    // The test's own environment, pointed at this desktop only, as its session sets it up.
    QProcessEnvironment Environment() const;
    // A new client that acts on the desktop's windows.
    std::unique_ptr<WindowSystem> ConnectWindowSystem() const;

  private:
    void StartXvfb();
    void StartSway();

    Desktop desktop_;
    QTemporaryDir runtimeDirectory_;
    // The compositor's runtime directory, of the user it runs as.
    std::optional<QTemporaryDir> compositorDirectory_;
    QProcess displayServer_;
    // A virtual keyboard, held while the compositor runs.
    QProcess keyboard_;
    QProcess bus_;
    // DISPLAY, or the path of the Wayland socket.
    QString display_;
    QString swaySocket_;
    QString busAddress_;
};

}  // namespace secant_root::e2e
