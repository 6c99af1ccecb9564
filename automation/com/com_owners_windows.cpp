#include "automation/com/com_owners_windows.h"

#include <wrl/client.h>

namespace secant_root {
namespace {

using Microsoft::WRL::ComPtr;

// COM's proxy for an object of another apartment or process answers for the object's security
// (IClientSecurity) and for several interfaces at once (IMultiQI) itself; an object that is
// served here does neither.
bool IsProxy(IUnknown* object) {
    ComPtr<IClientSecurity> security;
    ComPtr<IMultiQI> multipleInterfaces;
    return SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&security))) ||
           SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&multipleInterfaces)));
}

bool LiesInLoadedModule(const void* code) {
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(code), &module) != 0;
}

}  // namespace

void UniqueExcepInfo::Complete(IUnknown* served) noexcept {
    const auto fillIn = info_.pfnDeferredFillIn;
    info_.pfnDeferredFillIn = nullptr;
    // Both programs of a client and its server usually load at the same address, so an address
    // that lies in a module here says nothing about a proxy's server: both checks are needed.
    if (fillIn == nullptr || served == nullptr || IsProxy(served) ||
        !LiesInLoadedModule(reinterpret_cast<const void*>(fillIn))) {
        return;
    }
    // A failed fill-in leaves the fields empty, and the caller falls back to generic values.
    fillIn(&info_);
}

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
