#pragma once

#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

#include "tests/e2e/window_system.h"

namespace secant_root::e2e {

// Acts on another program's windows on a sway compositor with the compositor's own tools: finds
// them in sway's tree and focuses and closes them (a close request, as a window manager sends it)
// through sway's IPC socket with swaymsg, types with wtype (a virtual keyboard) and captures with
// grim at the output's scale. The seat has no pointer: Click returns false.
class SwayClient final : public WindowSystem {
  public:
    // `waylandDisplay` and `swaySocket`: the absolute paths of the compositor's two sockets.
    SwayClient(const QString& waylandDisplay, const QString& swaySocket);

    // The environment in which a Wayland client reaches this compositor.
    const QProcessEnvironment& Environment() const { return environment_; }
    bool SeatHasKeyboard();

    std::vector<WindowId> WindowsOf(qint64 pid) override;
    QString Title(WindowId window) override;
    QString ApplicationId(WindowId window) override;
    void Focus(WindowId window) override;
    void Type(std::string_view text) override;
    bool Click(QPoint onScreen) override;
    void RequestClose(WindowId window) override;
    QImage Capture(WindowId window) override;

  private:
    QByteArray Run(const QString& program, const QStringList& arguments);
    QByteArray Message(const QStringList& arguments);
    std::optional<QJsonObject> Node(WindowId window);
    void Command(WindowId window, const char* command);

    QProcessEnvironment environment_;
    QString swaySocket_;
};

}  // namespace secant_root::e2e
