#pragma once

#include <QDBusConnection>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

namespace secant_root::e2e {

// One object of an application's accessibility tree (AT-SPI over D-Bus).
struct AccessibleObject {
    QString service;
    QString path;
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
    bool IsFocused(const AccessibleObject& object);
    // In screen coordinates.
    QRect Extents(const AccessibleObject& object);

  private:
    QDBusConnection session_;
    std::optional<QDBusConnection> accessibility_;
};

}  // namespace secant_root::e2e
