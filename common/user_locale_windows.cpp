#include <windows.h>

#include "common/user_locale.h"
#include "common/utf16_windows.h"

namespace secant_root {

// Asked on every call, so that a change in the regional settings applies to the next answer.
std::string UserDecimalSeparator() {
    wchar_t separator[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator,
                                       LOCALE_NAME_MAX_LENGTH);
    const std::string utf8 =
        length > 1 ? Utf8FromUtf16(std::wstring_view(separator, length - 1)) : std::string();
    return utf8.empty() ? std::string(".") : utf8;
}

}  // namespace secant_root
