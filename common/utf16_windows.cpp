#include "common/utf16_windows.h"

#include <windows.h>

#include <climits>

namespace secant_root {

std::string Utf8FromUtf16(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX / 3) {
        return {};
    }
    // At most three UTF-8 bytes for each UTF-16 unit.
    std::string utf8(3 * text.size(), '\0');
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
    return utf8;
}

std::wstring Utf16FromUtf8(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    // At most one UTF-16 unit for each UTF-8 byte.
    std::wstring utf16(text.size(), L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          utf16.data(), static_cast<int>(utf16.size()));
    utf16.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    return utf16;
}

}  // namespace secant_root
