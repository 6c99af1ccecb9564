#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace secant_root::e2e {

// One object of an application's accessibility tree (AT-SPI over D-Bus).
struct AccessibleObject {
    QString service;
    QString path;
};

// Collects the name-change events that arrive on the accessibility bus: the paths of the objects
// whose accessible name changed. The event does not carry the name; a screen reader reads it.
class NameChangeRecorder : public QObject {
    Q_OBJECT

  public:
    std::vector<QString> changed;

  public Q_SLOTS:
    void Record(const QDBusMessage& event);
};

// Reads another program's widgets the way an assistive tool does, through the AT-SPI
// accessibility bus of a D-Bus session.
class AccessibilityClient {
  public:
    explicit AccessibilityClient(const QString& sessionBusAddress);
    ~AccessibilityClient();
    AccessibilityClient(const AccessibilityClient&) = delete;
    AccessibilityClient& operator=(const AccessibilityClient&) = delete;

    // The root of the tree of the process `pid`, once it has joined the accessibility bus.
    std::optional<AccessibleObject> ApplicationOf(qint64 pid);

    std::vector<AccessibleObject> Children(const AccessibleObject& object);
    QString Name(const AccessibleObject& object);
    QString RoleName(const AccessibleObject& object);
    // The text of an object that has one, such as a text box.
    QString Text(const AccessibleObject& object);
    bool IsFocused(const AccessibleObject& object);
    // In screen coordinates.
    QRect Extents(const AccessibleObject& object);
    // Does the object's action named `action` ("Press" for a button), as switch access does.
    void DoAction(const AccessibleObject& object, const QString& action);

    // Asks the applications on the bus to send name changes, as a screen reader does (they send
    // only the events that someone listens to), and records them from now on.
    void ListenForNameChanges();
    // The objects whose name changed, in the order of the events received so far, after
    // delivering those that are waiting.
    const std::vector<QString>& NameChanges();

  private:
    QDBusConnection session_;
    std::optional<QDBusConnection> accessibility_;
    std::unique_ptr<NameChangeRecorder> nameChanges_;
};

}  // namespace secant_root::e2e
