#pragma once

#include "automation/uno/uno_module.h"

namespace secant_root {

// The LibreOffice client module that comes with the program, loaded on the first call and kept
// until the process ends. Raises a cannot-create-object AppError, saying what to install, when
// it cannot be loaded (LibreOffice missing: its UNO libraries are what the module needs) or is
// not a module of this build; the next call then tries again.
const UnoModuleEntry& LoadUnoModule();

}  // namespace secant_root
