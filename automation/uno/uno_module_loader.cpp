#include "automation/uno/uno_module_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

namespace fs = std::filesystem;

// The module's place relative to the program's own file, so that a build tree and an
// installation under any prefix find their own module.
fs::path ModulePath() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kOwnLocationUnknownText, {error.message()}));
    }
    return (program.parent_path() / SECANT_ROOT_UNO_MODULE_PATH).lexically_normal();
}

std::string LastLoadError() {
    const char* message = dlerror();
    return message != nullptr ? message : "unknown error";
}

const UnoModuleEntry& Load() {
    const fs::path path = ModulePath();
    // The module is never unloaded: the UNO runtime it starts keeps threads and objects that
    // live as long as the process.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        // What the module cannot find are LibreOffice's libraries, which come with it.
        throw CannotCreateObjectError(
            texts::FilledText(texts::kModuleNotLoadedText, {path.string(), LastLoadError()}),
            texts::kInstallLibreOfficeAdvice);
    }
    const auto* entry = static_cast<const UnoModuleEntry*>(dlsym(module, kUnoModuleEntryName));
    if (entry == nullptr || entry->version != kUnoModuleVersion) {
        const std::string reason =
            entry == nullptr ? LastLoadError() : std::string(texts::kOfAnotherVersionText);
        dlclose(module);
        throw CannotCreateObjectError(
            texts::FilledText(texts::kModuleOfAnotherProgramText, {path.string(), reason}),
            texts::kReinstallProgramAdvice);
    }
    return *entry;
}

}  // namespace

const UnoModuleEntry& LoadUnoModule() {
    // Initialised once; a failed load leaves it uninitialised, and the next call tries again.
    static const UnoModuleEntry& entry = Load();
    return entry;
}

}  // namespace secant_root
