#include "tests/e2e/sway_client.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <functional>
#include <stdexcept>

namespace secant_root::e2e {
namespace {

// Every window of sway's tree, tiled and floating, in the order of the tree: a workspace's
// floating windows in their stacking order.
std::vector<QJsonObject> Windows(const QJsonObject& tree) {
    std::vector<QJsonObject> windows;
    const std::function<void(const QJsonObject&)> visit = [&](const QJsonObject& node) {
        if (node.contains(QLatin1String("pid"))) windows.push_back(node);
        for (const char* children : {"nodes", "floating_nodes"}) {
            for (const QJsonValue child : node.value(QLatin1String(children)).toArray()) {
                visit(child.toObject());
            }
        }
    };
    visit(tree);
    return windows;
}

}  // namespace

SwayClient::SwayClient(const QString& waylandDisplay, const QString& swaySocket)
    : environment_(QProcessEnvironment::systemEnvironment()), swaySocket_(swaySocket) {
    environment_.remove(QStringLiteral("DISPLAY"));
    // An absolute path names the socket itself, wherever the client's runtime directory is.
    environment_.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay);
}

QByteArray SwayClient::Run(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.setProcessEnvironment(environment_);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        tool.kill();
        tool.waitForFinished(1000);
        throw std::runtime_error((program + " " + arguments.join(QLatin1Char(' ')) +
                                  " failed: " + QString::fromLocal8Bit(tool.readAllStandardError()))
                                     .toStdString());
    }
    return tool.readAllStandardOutput();
}

QByteArray SwayClient::Message(const QStringList& arguments) {
    return Run(QStringLiteral("swaymsg"),
               QStringList{QStringLiteral("-s"), swaySocket_} + arguments);
}

bool SwayClient::SeatHasKeyboard() {
    const QJsonArray inputs =
        QJsonDocument::fromJson(Message({QStringLiteral("-t"), QStringLiteral("get_inputs")}))
            .array();
    for (const QJsonValue input : inputs) {
        if (input[QLatin1String("type")].toString() == QLatin1String("keyboard")) return true;
    }
    return false;
}

std::vector<WindowSystem::WindowId> SwayClient::WindowsOf(qint64 pid) {
    std::vector<WindowId> windows;
    const QJsonObject tree =
        QJsonDocument::fromJson(Message({QStringLiteral("-t"), QStringLiteral("get_tree")}))
            .object();
    for (const QJsonObject& window : Windows(tree)) {
        if (window[QLatin1String("pid")].toInteger() == pid &&
            window[QLatin1String("visible")].toBool()) {
            windows.push_back(static_cast<WindowId>(window[QLatin1String("id")].toInteger()));
        }
    }
    return windows;
}

std::optional<QJsonObject> SwayClient::Node(WindowId window) {
    const QJsonObject tree =
        QJsonDocument::fromJson(Message({QStringLiteral("-t"), QStringLiteral("get_tree")}))
            .object();
    for (const QJsonObject& node : Windows(tree)) {
        if (node[QLatin1String("id")].toInteger() == static_cast<qint64>(window)) return node;
    }
    return std::nullopt;
}

QString SwayClient::Title(WindowId window) {
    return Node(window).value_or(QJsonObject())[QLatin1String("name")].toString();
}

QString SwayClient::ApplicationId(WindowId window) {
    return Node(window).value_or(QJsonObject())[QLatin1String("app_id")].toString();
}

void SwayClient::Command(WindowId window, const char* command) {
    Message({QStringLiteral("[con_id=%1] %2").arg(window).arg(QLatin1String(command))});
}

void SwayClient::Focus(WindowId window) { Command(window, "focus"); }

void SwayClient::Type(std::string_view text) {
    Run(QStringLiteral("wtype"),
        {QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))});
}

bool SwayClient::Click(QPoint /*onScreen*/) { return false; }

void SwayClient::RequestClose(WindowId window) { Command(window, "kill"); }

QImage SwayClient::Capture(WindowId window) {
    const std::optional<QJsonObject> node = Node(window);
    if (!node) {
        throw std::runtime_error("the window to capture is gone");
    }
    // The window's place in the layout, without the decorations (there are none), in logical
    // pixels; grim captures it at the output's scale.
    const QJsonObject frame = (*node)[QLatin1String("rect")].toObject();
    const QJsonObject content = (*node)[QLatin1String("window_rect")].toObject();
    const auto at = [](const QJsonObject& box, const char* name) {
        return box[QLatin1String(name)].toInt();
    };
    const QString geometry = QStringLiteral("%1,%2 %3x%4")
                                 .arg(at(frame, "x") + at(content, "x"))
                                 .arg(at(frame, "y") + at(content, "y"))
                                 .arg(at(content, "width"))
                                 .arg(at(content, "height"));
    QImage capture;
    if (!capture.loadFromData(
            Run(QStringLiteral("grim"), {QStringLiteral("-g"), geometry, QStringLiteral("-")}),
            "PNG")) {
        throw std::runtime_error("grim gave no picture of the window");
    }
    return capture;
}

}  // namespace secant_root::e2e
