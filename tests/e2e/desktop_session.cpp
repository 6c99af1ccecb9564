#include "tests/e2e/desktop_session.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <QThread>
#include <chrono>
#include <stdexcept>

#include "tests/e2e/sway_client.h"
#include "tests/e2e/x11_client.h"

namespace secant_root::e2e {
namespace {

// Starts a server that prints one line (its display or address) once it is ready.
QString StartAndReadLine(QProcess& server, const QString& program, const QStringList& arguments) {
    // Their diagnostics (dbus-daemon logs every service it starts) would drown the test's.
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(program, arguments);
    if (!server.waitForStarted(10000)) {
        throw std::runtime_error(("cannot start " + program).toStdString());
    }
    while (!server.canReadLine()) {
        if (!server.waitForReadyRead(10000)) {
            throw std::runtime_error((program + " did not report that it is ready").toStdString());
        }
    }
    return QString::fromUtf8(server.readLine()).trimmed();
}

// The bus starts services on demand (the accessibility bus and its registry), which outlive it
// for a while unless stopped too. It runs as the leader of its own session, so they are all in
// its process group.
void StopWithItsGroup(QProcess& leader) {
    const auto group = static_cast<pid_t>(leader.processId());
    if (group <= 0) {
        return;
    }
    ::kill(-group, SIGTERM);
    leader.waitForFinished(5000);
    for (int wait = 0; wait < 250; ++wait) {
        if (::kill(-group, 0) != 0) {
            return;  // the whole group has ended
        }
        QThread::msleep(20);
    }
    ::kill(-group, SIGKILL);
    leader.waitForFinished(1000);
}

void Stop(QProcess& server) {
    if (server.state() == QProcess::NotRunning) {
        return;
    }
    server.terminate();
    if (!server.waitForFinished(5000)) {
        server.kill();
        server.waitForFinished(5000);
    }
}

// sway refuses to run as root. A test run as root runs it as nobody, the unprivileged user that
// every Debian system has; the program under test stays root and reaches the compositor through
// its socket.
struct Account {
    uid_t uid;
    gid_t gid;
};

std::optional<Account> CompositorAccount() {
    if (::geteuid() != 0) {
        return std::nullopt;  // the test's own user
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) {
        throw std::runtime_error("sway cannot run as root, and there is no user nobody");
    }
    return Account{nobody->pw_uid, nobody->pw_gid};
}

// One output at the desktop's scale, enlarging what a client draws at a lower scale pixel by
// pixel. Windows float at the size they ask for, as on GNOME or Plasma, without decorations. No
// Xwayland, wallpaper or message bar: nothing else is started. Once sway is ready, it prints its
// Wayland display and its IPC socket.
QByteArray SwayConfiguration(int scale) {
    return QStringLiteral(
               "output HEADLESS-1 scale %1 scale_filter nearest\n"
               "xwayland disable\n"
               "swaybg_command -\n"
               "swaynag_command -\n"
               "default_border none\n"
               "default_floating_border none\n"
               "for_window [app_id=\".*\"] floating enable\n"
               "exec echo \"$WAYLAND_DISPLAY $SWAYSOCK\"\n")
        .arg(scale)
        .toUtf8();
}

}  // namespace

DesktopSession::DesktopSession(Desktop desktop) : desktop_(desktop) {
    if (desktop_.server == DisplayServer::X11) {
        StartXvfb();
    } else {
        StartSway();
    }
    bus_.setProcessEnvironment(Environment());
    bus_.setChildProcessModifier([] { ::setsid(); });
    busAddress_ = StartAndReadLine(bus_, QStringLiteral("dbus-daemon"),
                                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                    QStringLiteral("--print-address=1")});
}

void DesktopSession::StartXvfb() {
    // -displayfd picks a free display number and writes it once the server accepts clients.
    // -noreset keeps the resources below when the last client leaves.
    display_ = QStringLiteral(":") +
               StartAndReadLine(
                   displayServer_, QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-dpi"),
                    QStringLiteral("96"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                    QStringLiteral("-noreset")});
    // Qt scales by Xft.dpi over 96, as a desktop's display settings set it.
    X11Client(display_, desktop_.scale)
        .PublishResources(QStringLiteral("Xft.dpi:\t%1\n").arg(96 * desktop_.scale).toStdString());
}

void DesktopSession::StartSway() {
    const std::optional<Account> account = CompositorAccount();
    // Under /tmp, which every user can reach, unlike the test's own temporary directory perhaps;
    // the directory itself is the compositor's user's alone (0700).
    compositorDirectory_.emplace(QStringLiteral("/tmp/secant-root-e2e-compositor-XXXXXX"));
    const QString directory = compositorDirectory_->path();
    QFile configuration(directory + QStringLiteral("/config"));
    if (!compositorDirectory_->isValid() || !configuration.open(QIODevice::WriteOnly) ||
        configuration.write(SwayConfiguration(desktop_.scale)) < 0 || !configuration.flush()) {
        throw std::runtime_error("cannot write the compositor's configuration");
    }
    configuration.close();
    for (const QString& path : {directory, configuration.fileName()}) {
        if (account &&
            ::chown(QFile::encodeName(path).constData(), account->uid, account->gid) != 0) {
            throw std::runtime_error("cannot give the compositor's directory to its user");
        }
    }
    // Nothing of the test's own session: a headless output, no input devices but the virtual
    // keyboard below, the software renderer.
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), directory);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), directory);
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    displayServer_.setProcessEnvironment(environment);
    displayServer_.setChildProcessModifier([account] {
        if (account && (::setgroups(0, nullptr) != 0 || ::setgid(account->gid) != 0 ||
                        ::setuid(account->uid) != 0)) {
            ::_exit(127);
        }
    });
    const QStringList sockets =
        StartAndReadLine(displayServer_, QStringLiteral("sway"),
                         {QStringLiteral("--config"), configuration.fileName()})
            .split(QLatin1Char(' '));
    if (sockets.size() != 2) {
        throw std::runtime_error("sway did not name its sockets");
    }
    display_ = directory + QLatin1Char('/') + sockets[0];
    swaySocket_ = sockets[1];

    // Without a keyboard the seat offers none to clients, and typing would bring one that a
    // client binds only after the first key has gone by. A desktop's seat has one all along.
    SwayClient seat(display_, swaySocket_);
    keyboard_.setProcessEnvironment(seat.Environment());
    keyboard_.setStandardErrorFile(QProcess::nullDevice());
    keyboard_.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("1800000")});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!seat.SeatHasKeyboard()) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the compositor's seat got no keyboard");
        }
        QThread::msleep(20);
    }
}

DesktopSession::~DesktopSession() {
    StopWithItsGroup(bus_);
    Stop(keyboard_);
    Stop(displayServer_);
}

QProcessEnvironment DesktopSession::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Qt takes its platform and its scale from this desktop's session alone, as it does in a
    // user's session, not from settings of the test's own.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR",
                             "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",
                             "QT_USE_PHYSICAL_DPI", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP"}) {
        environment.remove(QString::fromLatin1(name));
    }
    if (desktop_.server == DisplayServer::X11) {
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
        environment.insert(QStringLiteral("DISPLAY"), display_);
    } else {
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("sway"));
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), display_);
    }
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory_.path());
    // Nothing started here may reach the user's own session bus.
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!busAddress_.isEmpty()) {
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    }
    return environment;
}

std::unique_ptr<WindowSystem> DesktopSession::ConnectWindowSystem() const {
    if (desktop_.server == DisplayServer::X11) {
        return std::make_unique<X11Client>(display_, desktop_.scale);
    }
    return std::make_unique<SwayClient>(display_, swaySocket_);
}

}  // namespace secant_root::e2e
