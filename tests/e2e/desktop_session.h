#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace secant_root::e2e {

// A private desktop for one test: an Xvfb display, a D-Bus session bus (on which the
// accessibility bus is started on demand) and a runtime directory. Both servers are children of
// the test and end with this object.
class DesktopSession {
  public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    const QString& display() const { return display_; }
    const QString& busAddress() const { return busAddress_; }

    // The test's own environment, pointed at this desktop only.
    QProcessEnvironment Environment() const;

  private:
    QTemporaryDir runtimeDirectory_;
    QProcess xvfb_;
    QProcess bus_;
    QString display_;
    QString busAddress_;
};

}  // namespace secant_root::e2e
