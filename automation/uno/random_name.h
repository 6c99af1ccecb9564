#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace secant_root {

inline constexpr std::string_view kHexDigits = "0123456789abcdef";
inline constexpr std::string_view kLettersAndDigits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// `length` characters of `alphabet`, each equally likely, from the kernel's random source: names
// that no one can guess or take first (the profile's is what keeps its pipe from other users).
// Raises a cannot-create-object AppError when the kernel gives no random bytes.
std::string RandomName(std::size_t length, std::string_view alphabet);

}  // namespace secant_root
