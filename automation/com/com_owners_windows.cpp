#include "automation/com/com_owners_windows.h"

#include <comdef.h>

namespace secant_root {

void UniqueExcepInfo::Complete() noexcept {
    if (info_.pfnDeferredFillIn != nullptr) {
        const auto fillIn = info_.pfnDeferredFillIn;
        info_.pfnDeferredFillIn = nullptr;
        // A failed fill-in leaves the fields empty, and the caller falls back to generic values.
        fillIn(&info_);
    }
}

HRESULT UniqueExcepInfo::ErrorCode(HRESULT fallback) const noexcept {
    if (info_.scode != 0) {
        return info_.scode;
    }
    if (info_.wCode != 0) {
        return _com_error::WCodeToHRESULT(info_.wCode);
    }
    return fallback;
}

}  // namespace secant_root
