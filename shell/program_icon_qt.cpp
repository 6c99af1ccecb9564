#include "shell/program_icon_qt.h"

#include <QString>

namespace secant_root {

QIcon ProgramIcon() {
    // The images of the icon file that the Windows executable embeds (16 and 32 pixels), and the
    // larger renderings of the same drawing for big icon views.
    QIcon icon(QStringLiteral(":/icons/secant-root.ico"));
    for (const int size : {48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/secant-root.png").arg(size));
    }
    return icon;
}

}  // namespace secant_root
