// SpreadsheetLog of the Linux program: hands every call to the CalcLog of the LibreOffice client
// module, loaded at the first Open, so that the program itself needs none of LibreOffice's
// libraries to start.

#include <atomic>

#include "automation/spreadsheet_log.h"
#include "automation/uno/uno_failure_numbers.h"
#include "automation/uno/uno_module_loader.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// Read by a signal handler, hence atomics that need no lock: the module's kill once it is loaded,
// and whether a kill was asked for while it was being loaded.
using EndInstancesNow = void (*)() noexcept;
std::atomic<EndInstancesNow> endModuleInstancesNow{nullptr};
std::atomic<bool> endAskedFor{false};
static_assert(std::atomic<EndInstancesNow>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

}  // namespace

// The module's CalcLog, once a first Open has loaded it.
class SpreadsheetLog::Instances {
  public:
    std::unique_ptr<LogSource> calcLog;
};

SpreadsheetLog::SpreadsheetLog() : instances_(std::make_unique<Instances>()) {}

SpreadsheetLog::~SpreadsheetLog() = default;

LogSource::Context SpreadsheetLog::Open() {
    std::unique_ptr<LogSource>& calcLog = instances_->calcLog;
    if (!calcLog) {
        // A kill asked for before this Open found nothing to kill; one asked for while the
        // module loads is passed on to it.
        endAskedFor.store(false);
        const UnoModuleEntry& module = LoadUnoModule();
        endModuleInstancesNow.store(module.endInstancesNow);
        if (endAskedFor.load()) {
            module.endInstancesNow();
        }
        calcLog = module.newCalcLog();
    }
    return calcLog->Open();
}

double SpreadsheetLog::Ln(Context context, double x) {
    if (!instances_->calcLog) {
        throw AutomationFailureError(kUnknownContextNumber,
                                     std::string(texts::kNoInstanceOpenText));
    }
    return instances_->calcLog->Ln(context, x);
}

void SpreadsheetLog::Close(Context context) noexcept {
    if (instances_->calcLog) {
        instances_->calcLog->Close(context);
    }
}

void EndSpreadsheetInstancesNow() noexcept {
    endAskedFor.store(true);
    if (const EndInstancesNow end = endModuleInstancesNow.load()) {
        end();
    }
}

}  // namespace secant_root
