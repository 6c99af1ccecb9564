// The entry of the LibreOffice client module: the one symbol it exports.
#include "automation/spreadsheet_log.h"
#include "automation/uno/uno_module.h"

namespace {

std::unique_ptr<secant_root::LogSource> NewSpreadsheetLog() {
    return std::make_unique<secant_root::SpreadsheetLog>();
}

}  // namespace

extern "C" __attribute__((visibility("default")))
const secant_root::UnoModuleEntry secant_root_uno_module_entry{
    secant_root::kUnoModuleVersion, &NewSpreadsheetLog, &secant_root::EndSpreadsheetInstancesNow};
