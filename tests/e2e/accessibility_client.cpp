#include "tests/e2e/accessibility_client.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <stdexcept>

namespace secant_root::e2e {
namespace {

const QString kSessionName = QStringLiteral("secant-root-e2e-session");
const QString kAccessibilityName = QStringLiteral("secant-root-e2e-accessibility");
const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
// Values of AT-SPI's AtspiStateType and AtspiCoordType.
constexpr int kStateFocused = 12;
constexpr unsigned kCoordinatesOnScreen = 0;

QDBusMessage Call(const QDBusConnection& bus, const AccessibleObject& object,
                  const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(object.service, object.path, interface, method);
    call.setArguments(arguments);
    QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        throw std::runtime_error(
            (method + " on " + object.path + " failed: " + reply.errorMessage()).toStdString());
    }
    return reply;
}

}  // namespace

AccessibilityClient::AccessibilityClient(const QString& sessionBusAddress)
    : session_(QDBusConnection::connectToBus(sessionBusAddress, kSessionName)) {
    if (!session_.isConnected()) {
        throw std::runtime_error("cannot connect to the session bus");
    }
    // Asking for the accessibility bus's address starts it.
    const QDBusMessage reply =
        Call(session_, {QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus")},
             QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    accessibility_ =
        QDBusConnection::connectToBus(reply.arguments().front().toString(), kAccessibilityName);
    if (!accessibility_->isConnected()) {
        throw std::runtime_error("cannot connect to the accessibility bus");
    }
}

AccessibilityClient::~AccessibilityClient() {
    nameChanges_.reset();
    accessibility_.reset();
    QDBusConnection::disconnectFromBus(kAccessibilityName);
    QDBusConnection::disconnectFromBus(kSessionName);
}

std::optional<AccessibleObject> AccessibilityClient::ApplicationOf(qint64 pid) {
    const AccessibleObject bus{QStringLiteral("org.freedesktop.DBus"),
                               QStringLiteral("/org/freedesktop/DBus")};
    const QString interface = QStringLiteral("org.freedesktop.DBus");
    const QStringList names = Call(*accessibility_, bus, interface, QStringLiteral("ListNames"))
                                  .arguments()
                                  .front()
                                  .toStringList();
    for (const QString& name : names) {
        if (!name.startsWith(QLatin1Char(':'))) {
            continue;
        }
        const QDBusMessage owner = Call(*accessibility_, bus, interface,
                                        QStringLiteral("GetConnectionUnixProcessID"), {name});
        if (owner.arguments().front().toLongLong() == pid) {
            return AccessibleObject{name, QStringLiteral("/org/a11y/atspi/accessible/root")};
        }
    }
    return std::nullopt;
}

std::vector<AccessibleObject> AccessibilityClient::Children(const AccessibleObject& object) {
    const QDBusMessage reply =
        Call(*accessibility_, object, kAccessible, QStringLiteral("GetChildren"));
    const auto children = reply.arguments().front().value<QDBusArgument>();
    std::vector<AccessibleObject> result;
    children.beginArray();
    while (!children.atEnd()) {
        QString service;
        QDBusObjectPath path;
        children.beginStructure();
        children >> service >> path;
        children.endStructure();
        result.push_back({service, path.path()});
    }
    children.endArray();
    return result;
}

QString AccessibilityClient::Name(const AccessibleObject& object) {
    const QDBusMessage reply =
        Call(*accessibility_, object, QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("Get"), {kAccessible, QStringLiteral("Name")});
    return reply.arguments().front().value<QDBusVariant>().variant().toString();
}

QString AccessibilityClient::RoleName(const AccessibleObject& object) {
    return Call(*accessibility_, object, kAccessible, QStringLiteral("GetRoleName"))
        .arguments()
        .front()
        .toString();
}

QString AccessibilityClient::Text(const AccessibleObject& object) {
    return Call(*accessibility_, object, QStringLiteral("org.a11y.atspi.Text"),
                QStringLiteral("GetText"), {0, -1})
        .arguments()
        .front()
        .toString();
}

bool AccessibilityClient::IsFocused(const AccessibleObject& object) {
    const QDBusMessage reply =
        Call(*accessibility_, object, kAccessible, QStringLiteral("GetState"));
    QList<uint> words;
    reply.arguments().front().value<QDBusArgument>() >> words;
    return words.size() == 2 && (words[kStateFocused / 32] >> (kStateFocused % 32) & 1u) != 0;
}

QRect AccessibilityClient::Extents(const AccessibleObject& object) {
    const QDBusMessage reply =
        Call(*accessibility_, object, QStringLiteral("org.a11y.atspi.Component"),
             QStringLiteral("GetExtents"), {kCoordinatesOnScreen});
    int x = 0, y = 0, width = 0, height = 0;
    const auto box = reply.arguments().front().value<QDBusArgument>();
    box.beginStructure();
    box >> x >> y >> width >> height;
    box.endStructure();
    return QRect(x, y, width, height);
}

void AccessibilityClient::DoAction(const AccessibleObject& object, const QString& action) {
    const QString interface = QStringLiteral("org.a11y.atspi.Action");
    // The actions, each as its name, description and key binding.
    const auto actions = Call(*accessibility_, object, interface, QStringLiteral("GetActions"))
                             .arguments()
                             .front()
                             .value<QDBusArgument>();
    int index = 0;
    int found = -1;
    actions.beginArray();
    for (; !actions.atEnd(); ++index) {
        QString name, description, keyBinding;
        actions.beginStructure();
        actions >> name >> description >> keyBinding;
        actions.endStructure();
        if (name == action && found < 0) found = index;
    }
    actions.endArray();
    if (found < 0 || !Call(*accessibility_, object, interface, QStringLiteral("DoAction"), {found})
                          .arguments()
                          .front()
                          .toBool()) {
        throw std::runtime_error(("cannot do " + action + " on " + object.path).toStdString());
    }
}

void NameChangeRecorder::Record(const QDBusMessage& event) {
    // PropertyChange carries the property's AT-SPI name first.
    const QVariantList arguments = event.arguments();
    if (!arguments.isEmpty() && arguments[0].toString() == QStringLiteral("accessible-name")) {
        changed.push_back(event.path());
    }
}

void AccessibilityClient::ListenForNameChanges() {
    nameChanges_ = std::make_unique<NameChangeRecorder>();
    // Empty service and path: from every application and object.
    if (!accessibility_->connect(
            QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
            QStringLiteral("PropertyChange"), nameChanges_.get(), SLOT(Record(QDBusMessage)))) {
        throw std::runtime_error("cannot receive the accessibility bus's events");
    }
    // The registry tells the applications which events are listened to, in D-Bus spelling.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    registration.setArguments({QStringLiteral("Object:PropertyChange:AccessibleName")});
    const QDBusMessage reply = accessibility_->call(registration, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        throw std::runtime_error("cannot register for name changes: " +
                                 reply.errorMessage().toStdString());
    }
}

const std::vector<QString>& AccessibilityClient::NameChanges() {
    static const std::vector<QString> none;
    if (!nameChanges_) {
        return none;
    }
    // Signals reach the recorder through this thread's event loop.
    QCoreApplication::processEvents();
    return nameChanges_->changed;
}

}  // namespace secant_root::e2e
