#include "shell/display_failure_guard_qt.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace secant_root {
namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

// A message handler is a plain function, so what it works with lives here.
const char* program = "";
QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage> held;

// Qt reports why the platform could not start (such as "could not connect to display :5") as a
// warning of a qt.qpa category just before the fatal message, which only says that no platform
// plugin could be initialised.
std::string Reason() {
    for (const HeldMessage& message : held) {
        if (message.category.startsWith("qt.qpa")) {
            std::string reason =
                message.text.section(QLatin1Char('\n'), 0, 0).trimmed().toStdString();
            if (qEnvironmentVariableIsEmpty("DISPLAY") &&
                qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
                reason += " (DISPLAY is not set)";
            }
            return reason;
        }
    }
    return "no usable display";
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s: cannot open the window: %s\n", program, Reason().c_str());
        std::fflush(stderr);
        // Nothing has been built yet that would need tearing down, and Qt is half way through
        // its start: leave at once rather than run exit handlers.
        std::_Exit(1);
    }
    held.push_back({type, QByteArray(context.category), text});
}

}  // namespace

DisplayFailureGuard::DisplayFailureGuard(const char* programName) {
    program = programName;
    held.clear();
    previousHandler = qInstallMessageHandler(HoldMessage);
}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(previousHandler);
    if (previousHandler != nullptr) {
        for (const HeldMessage& message : held) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
            previousHandler(message.type, context, message.text);
        }
    }
    held.clear();
}

}  // namespace secant_root
