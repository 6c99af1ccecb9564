#include "automation/com/com_apartment_windows.h"

#include <objbase.h>

#include <cstdint>
#include <string>

#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {

ComApartment::ComApartment() {
    // S_FALSE (COM already initialised the same way on this thread) also needs its uninitialise.
    const HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(status)) {
        throw AutomationFailureError(static_cast<std::int32_t>(status),
                                     std::string(texts::kComNotInitialisedText));
    }
}

ComApartment::~ComApartment() { CoUninitialize(); }

}  // namespace secant_root
