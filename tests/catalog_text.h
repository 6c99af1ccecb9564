#pragma once

#include <string>
#include <string_view>

// Parts of the text catalog's entries with numbered places ({1}, {2}, …), for checking a
// description whose places hold what a test cannot know in advance (paths, process numbers).
namespace secant_root::testing {

// The part of `text` before the place `mark`, such as "{1}".
inline std::string TextBefore(std::string_view text, std::string_view mark) {
    return std::string(text.substr(0, text.find(mark)));
}

// The part of `text` after the place `mark`, up to the place `end` if one is given.
inline std::string TextAfter(std::string_view text, std::string_view mark,
                             std::string_view end = {}) {
    std::string_view rest = text.substr(text.find(mark) + mark.size());
    return std::string(end.empty() ? rest : rest.substr(0, rest.find(end)));
}

}  // namespace secant_root::testing
