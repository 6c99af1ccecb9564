// Feeds arbitrary bytes to the number conversions. Besides crashes and sanitizer reports it
// checks two properties: reading never returns a non-finite value, and the text the formatter
// writes reads back as the value rounded to 15 significant digits.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "calc/number_text.h"
#include "common/app_error.h"

namespace {

using namespace secant_root;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

double FifteenDigits(double value) {
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14).ptr;
    double rounded = 0.0;
    std::from_chars(buffer, end, rounded);
    return rounded;
}

void CheckFormatting(double value) {
    const std::string text = FormatGeneralNumber(value, ".");
    Check(!text.empty(), "formatting gave an empty text");
    if (!std::isfinite(value)) {
        return;
    }
    Check(text.find_first_not_of("-0123456789.E+") == std::string::npos,
          "formatting wrote an unexpected character");
    if (text.back() != '0' || text.find('.') == std::string::npos) {
        // No trailing zeros after a separator.
    } else {
        Check(text.find('E') != std::string::npos, "formatting left a trailing zero");
    }
    double readBack = 0.0;
    try {
        readBack = ValueOfText(text);
    } catch (const AppError&) {
        // Rounding the largest doubles to 15 digits can pass the double range.
        Check(std::fabs(value) > 1.79769313486231e308, "formatted value did not read back");
        return;
    }
    Check(readBack == FifteenDigits(value) || (readBack == 0 && value == 0),
          "formatted text does not read back as the 15-digit value");
    const double rounded = RoundDecimals(value, 4);
    Check(std::isfinite(rounded), "rounding gave a non-finite value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const double value = ValueOfText(text);
        Check(std::isfinite(value), "reading gave a non-finite value");
        CheckFormatting(value);
    } catch (const AppError& error) {
        Check(error.kind() == ErrorKind::Overflow, "reading raised something else than overflow");
    }
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckFormatting(raw);
    }
    return 0;
}
