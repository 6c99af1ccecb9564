#pragma once

#include <string>
#include <string_view>

namespace secant_root {

// UTF-8 text of UTF-16 text as Windows APIs return it; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::wstring_view text);

}  // namespace secant_root
