// The entry of the LibreOffice client module: the one symbol it exports.
#include "automation/uno/calc_log.h"
#include "automation/uno/office_process.h"
#include "automation/uno/uno_module.h"

namespace {

std::unique_ptr<secant_root::LogSource> NewCalcLog() {
    return std::make_unique<secant_root::CalcLog>();
}

}  // namespace

extern "C" __attribute__((visibility("default")))
const secant_root::UnoModuleEntry secant_root_uno_module_entry{
    secant_root::kUnoModuleVersion, &NewCalcLog, &secant_root::OfficeProcess::KillAll};
