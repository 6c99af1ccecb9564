#include "shell/last_error_win32.h"

#include <windows.h>

#include <cstdint>

#include "automation/com/com_failure_windows.h"
#include "common/app_error.h"

namespace secant_root {

void RaiseLastError(std::string_view what) {
    const DWORD error = GetLastError();
    const HRESULT status = error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    throw AutomationFailureError(static_cast<std::int32_t>(status),
                                 std::string(what) + " (" + DescribeStatus(status) + ")");
}

}  // namespace secant_root
