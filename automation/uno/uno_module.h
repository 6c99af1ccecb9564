#pragma once

#include <memory>

#include "calc/calculate_root.h"

namespace secant_root {

// What the LibreOffice client module (libsecant-root-uno.so) gives the program that loads it.
// The module comes with the program and is built with it, so the two share this definition; the
// version tells a module of another build apart, whose table may differ.
struct UnoModuleEntry {
    int version;
    // A new CalcLog: every context one private LibreOffice Calc instance.
    std::unique_ptr<LogSource> (*newCalcLog)();
    // Kills every instance that the module's CalcLogs have running, and any started later;
    // async-signal-safe.
    void (*endInstancesNow)() noexcept;
};

inline constexpr int kUnoModuleVersion = 1;
// The exported name of the module's UnoModuleEntry.
inline constexpr char kUnoModuleEntryName[] = "secant_root_uno_module_entry";

}  // namespace secant_root
