// SpreadsheetLog of the Linux program: the client in the LibreOffice client module, loaded at the
// first Open, so that the program itself needs none of LibreOffice's libraries to start.

#include <atomic>

#include "automation/spreadsheet_log.h"
#include "automation/uno/uno_failure_numbers.h"
#include "automation/uno/uno_module_loader.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// The module's EndSpreadsheetInstancesNow once the module is loaded, before it can start an
// instance; read by a signal handler, hence an atomic that needs no lock.
using EndInstancesNow = void (*)() noexcept;
std::atomic<EndInstancesNow> endModuleInstancesNow{nullptr};
static_assert(std::atomic<EndInstancesNow>::is_always_lock_free);

}  // namespace

// The module's client, once a first Open has loaded it.
class SpreadsheetLog::Instances {
  public:
    LogSource& Loaded() {
        if (!client_) {
            const UnoModuleEntry& module = LoadUnoModule();
            endModuleInstancesNow.store(module.endInstancesNow);
            client_ = module.newSpreadsheetLog();
        }
        return *client_;
    }

    LogSource* client() const { return client_.get(); }

  private:
    std::unique_ptr<LogSource> client_;
};

SpreadsheetLog::SpreadsheetLog() : instances_(std::make_unique<Instances>()) {}

SpreadsheetLog::~SpreadsheetLog() = default;

LogSource::Context SpreadsheetLog::Open() { return instances_->Loaded().Open(); }

double SpreadsheetLog::Ln(Context context, double x) {
    LogSource* client = instances_->client();
    if (client == nullptr) {
        throw AutomationFailureError(kUnknownContextNumber,
                                     std::string(texts::kNoInstanceOpenText));
    }
    return client->Ln(context, x);
}

void SpreadsheetLog::Close(Context context) noexcept {
    if (LogSource* client = instances_->client()) {
        client->Close(context);
    }
}

// Nothing runs before the module is loaded, and nothing needs to be killed.
void EndSpreadsheetInstancesNow() noexcept {
    if (const EndInstancesNow end = endModuleInstancesNow.load()) {
        end();
    }
}

}  // namespace secant_root
