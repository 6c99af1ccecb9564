#include "automation/com/com_owners_windows.h"

namespace secant_root {

std::int32_t UniqueExcepInfo::ErrorCode(HRESULT fallback) const noexcept {
    if (info_.scode != 0) {
        return static_cast<std::int32_t>(info_.scode);
    }
    if (info_.wCode != 0) {
        return info_.wCode;
    }
    return static_cast<std::int32_t>(fallback);
}

}  // namespace secant_root
