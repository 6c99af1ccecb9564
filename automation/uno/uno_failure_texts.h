#pragma once

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace secant_root {

// The descriptions of the LibreOffice client's failures to reach a new instance safely, each
// with numbered places ({1}, {2}, …) for what was found.

inline constexpr std::string_view kPipeIsALinkText =
    "the pipe {1} of the new LibreOffice instance is a symbolic link to {2}; the program did not "
    "connect to it";
inline constexpr std::string_view kPipeIsNotASocketText =
    "the pipe {1} of the new LibreOffice instance is {2}, not a socket; the program did not "
    "connect to it";
inline constexpr std::string_view kPipeOfAnotherUserText =
    "the pipe {1} of the new LibreOffice instance belongs to user {2}; the program did not "
    "connect to it";
inline constexpr std::string_view kPipeNotExaminedText =
    "the pipe {1} of the new LibreOffice instance cannot be examined or connected to: {2}";
inline constexpr std::string_view kPipeDirectoryOpenText =
    "other users can replace the entries of {1}, where LibreOffice makes its pipes (owner {2}, "
    "mode {3}); the program did not connect to the new instance";
inline constexpr std::string_view kPipeServedByAnotherText =
    "the pipe {1} of the new LibreOffice instance is served by process {2} of user {3}, not by "
    "the instance (process {4}); the program closed the connection";
inline constexpr std::string_view kNoAnswerAtStartText =
    "LibreOffice accepted a connection but did not answer within {1}; the instance was ended";
inline constexpr std::string_view kProgramEndingText =
    "the program is ending, so LibreOffice was not started";

// `text` with {1}, {2}, … replaced by the values in that order.
inline std::string FilledText(std::string_view text,
                              std::initializer_list<std::string_view> values) {
    std::string filled(text);
    int place = 0;
    for (const std::string_view value : values) {
        const std::string mark = "{" + std::to_string(++place) + "}";
        if (const auto at = filled.find(mark); at != std::string::npos) {
            filled.replace(at, mark.size(), value);
        }
    }
    return filled;
}

// A duration as people read it: "30 s", "0.3 s".
inline std::string SecondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", std::chrono::duration<double>(duration).count());
    return text;
}

}  // namespace secant_root
