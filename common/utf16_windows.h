#pragma once

#include <string>
#include <string_view>

namespace secant_root {

// UTF-8 text of UTF-16 text as Windows APIs return it; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::wstring_view text);

// UTF-16 text for Windows APIs of UTF-8 text; an invalid sequence becomes U+FFFD.
std::wstring Utf16FromUtf8(std::string_view text);

}  // namespace secant_root
