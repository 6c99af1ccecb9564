#include "tests/e2e/desktop_session.h"

#include <signal.h>
#include <unistd.h>

#include <QThread>
#include <stdexcept>

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

}  // namespace

DesktopSession::DesktopSession() {
    // -displayfd picks a free display number and writes it once the server accepts clients.
    display_ = QStringLiteral(":") +
               StartAndReadLine(
                   xvfb_, QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-dpi"),
                    QStringLiteral("96"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    bus_.setProcessEnvironment(Environment());
    bus_.setChildProcessModifier([] { ::setsid(); });
    busAddress_ = StartAndReadLine(bus_, QStringLiteral("dbus-daemon"),
                                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                    QStringLiteral("--print-address=1")});
}

DesktopSession::~DesktopSession() {
    StopWithItsGroup(bus_);
    Stop(xvfb_);
}

QProcessEnvironment DesktopSession::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), display_);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory_.path());
    // Nothing started here may reach the user's own session bus.
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!busAddress_.isEmpty()) {
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    }
    return environment;
}

}  // namespace secant_root::e2e
