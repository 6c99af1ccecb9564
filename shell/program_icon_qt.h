#pragma once

#include <QIcon>

namespace secant_root {

// The program's icon, from the images built into the program.
QIcon ProgramIcon();

}  // namespace secant_root
