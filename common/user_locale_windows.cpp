#include <windows.h>

#include "common/user_locale.h"

namespace secant_root {

// Asked on every call, so that a change in the regional settings applies to the next answer.
std::string UserDecimalSeparator() {
    wchar_t separator[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator,
                                       LOCALE_NAME_MAX_LENGTH);
    if (length <= 1) {
        return ".";
    }
    char utf8[4 * LOCALE_NAME_MAX_LENGTH] = {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, separator, length - 1, utf8,
                                          static_cast<int>(sizeof utf8), nullptr, nullptr);
    return bytes > 0 ? std::string(utf8, static_cast<std::size_t>(bytes)) : std::string(".");
}

}  // namespace secant_root
