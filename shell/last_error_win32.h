#pragma once

#include <string>
#include <string_view>

namespace secant_root {

// Raises the failure of the Win32 call just made as an automation failure: the number is the
// call's error as a status, the description says what could not be done.
[[noreturn]] void RaiseLastError(std::string_view what);

}  // namespace secant_root
