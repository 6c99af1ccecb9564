#include "calc/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "common/app_error.h"
#include "common/program_texts.h"
#include "common/user_locale.h"

namespace secant_root {
namespace {

// Walks a text as if its spaces, tabs and line feeds were not there.
class BlankSkippingReader {
  public:
    explicit BlankSkippingReader(std::string_view text) : text_(text) { SkipBlanks(); }

    bool AtEnd() const { return position_ == text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[position_]; }
    void Advance() {
        ++position_;
        SkipBlanks();
    }
    bool Take(char wanted) {
        if (AtEnd() || Peek() != wanted) {
            return false;
        }
        Advance();
        return true;
    }
    bool TakeDigit(char& digit) {
        const char next = Peek();
        if (next < '0' || next > '9') {
            return false;
        }
        digit = next;
        Advance();
        return true;
    }
    std::size_t Position() const { return position_; }
    void Rewind(std::size_t position) { position_ = position; }

  private:
    void SkipBlanks() {
        while (!AtEnd() &&
               (text_[position_] == ' ' || text_[position_] == '\t' || text_[position_] == '\n')) {
            ++position_;
        }
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

// Exponents are kept below this bound while they are read: far beyond any double, far from
// overflowing the 64-bit arithmetic that combines them with digit counts.
constexpr std::int64_t kExponentBound = 1'000'000'000'000;

// The decimal number at the start of a text as significant digits and a power of ten:
// value = ±0.digits × 10^magnitude.
struct DecimalNumber {
    bool negative = false;
    std::string digits;         // no leading or trailing zeros; empty for zero
    std::int64_t exponent = 0;  // value = ±digits × 10^exponent
};

bool TakeSign(BlankSkippingReader& reader, bool& negative) {
    if (reader.Take('-')) {
        negative = true;
        return true;
    }
    return reader.Take('+');
}

// Reads "E[sign]digits"; leaves the reader where it was when no digit follows, since the
// exponent letter then cannot continue the number.
std::int64_t TakeExponent(BlankSkippingReader& reader) {
    const std::size_t start = reader.Position();
    if (!reader.Take('e') && !reader.Take('E')) {
        return 0;
    }
    bool negative = false;
    TakeSign(reader, negative);
    char digit;
    bool any = false;
    std::int64_t exponent = 0;
    while (reader.TakeDigit(digit)) {
        any = true;
        exponent = std::min(exponent * 10 + (digit - '0'), kExponentBound);
    }
    if (!any) {
        reader.Rewind(start);
        return 0;
    }
    return negative ? -exponent : exponent;
}

// Returns false when the text holds no number at its start.
bool ReadDecimalNumber(std::string_view text, DecimalNumber& number) {
    BlankSkippingReader reader(text);
    TakeSign(reader, number.negative);

    bool anyDigit = false;
    std::int64_t fractionDigits = 0;
    char digit;
    while (reader.TakeDigit(digit)) {
        anyDigit = true;
        if (digit != '0' || !number.digits.empty()) {
            number.digits.push_back(digit);
        }
    }
    if (reader.Take('.')) {
        while (reader.TakeDigit(digit)) {
            anyDigit = true;
            ++fractionDigits;
            if (digit != '0' || !number.digits.empty()) {
                number.digits.push_back(digit);
            }
        }
    }
    if (!anyDigit) {
        return false;
    }
    number.exponent = TakeExponent(reader) - fractionDigits;

    const auto lastNonZero = number.digits.find_last_not_of('0');
    const std::size_t kept = lastNonZero == std::string::npos ? 0 : lastNonZero + 1;
    number.exponent += static_cast<std::int64_t>(number.digits.size() - kept);
    number.digits.resize(kept);
    return true;
}

double SignedZero(bool negative) { return negative ? -0.0 : 0.0; }

double NearestDouble(const DecimalNumber& number) {
    if (number.digits.empty()) {
        return SignedZero(number.negative);
    }
    // The value lies in [10^(magnitude−1), 10^magnitude): decide the far ranges here so that the
    // conversion below only sees exponents of a sensible size.
    const std::int64_t magnitude =
        static_cast<std::int64_t>(number.digits.size()) + number.exponent;
    if (magnitude > 310) {
        throw OverflowError(texts::kNumberTooLargeAdvice);
    }
    if (magnitude < -330) {
        return SignedZero(number.negative);
    }

    std::string literal;
    literal.reserve(number.digits.size() + 24);
    if (number.negative) {
        literal.push_back('-');
    }
    literal.append(number.digits).push_back('e');
    literal.append(std::to_string(number.exponent));

    double value = 0.0;
    const auto [end, error] =
        std::from_chars(literal.data(), literal.data() + literal.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (magnitude > 0) {
            throw OverflowError(texts::kNumberTooLargeAdvice);
        }
        return SignedZero(number.negative);
    }
    if (std::isinf(value)) {
        throw OverflowError(texts::kNumberTooLargeAdvice);
    }
    return value;
}

// A double as 15 significant digits, correctly rounded, and the power of ten of the first one.
struct SignificantDigits {
    bool negative = false;
    std::string digits;  // without trailing zeros, at least one digit
    int exponent = 0;    // value ≈ d.ddd × 10^exponent
};

SignificantDigits RoundToSignificantDigits(double value) {
    constexpr int kSignificantDigits = 15;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));

    SignificantDigits rounded;
    std::size_t position = 0;
    if (text[position] == '-') {
        rounded.negative = true;
        ++position;
    }
    const std::size_t exponentMark = text.find('e');
    for (; position < exponentMark; ++position) {
        if (text[position] != '.') {
            rounded.digits.push_back(text[position]);
        }
    }
    const char* exponentStart = text.data() + exponentMark + 1;
    if (*exponentStart == '+') {
        ++exponentStart;
    }
    std::from_chars(exponentStart, text.data() + text.size(), rounded.exponent);
    rounded.digits.erase(std::max<std::size_t>(rounded.digits.find_last_not_of('0') + 1, 1));
    return rounded;
}

std::string PlainNotation(const SignificantDigits& number, std::string_view separator) {
    std::string text = number.negative ? "-" : "";
    const std::string& digits = number.digits;
    if (number.exponent < 0) {
        text.append("0").append(separator);
        text.append(static_cast<std::size_t>(-number.exponent - 1), '0').append(digits);
        return text;
    }
    const std::size_t integerDigits = static_cast<std::size_t>(number.exponent) + 1;
    if (digits.size() <= integerDigits) {
        text.append(digits).append(integerDigits - digits.size(), '0');
        return text;
    }
    text.append(digits, 0, integerDigits).append(separator).append(digits, integerDigits);
    return text;
}

std::string ScientificNotation(const SignificantDigits& number, std::string_view separator) {
    std::string text = number.negative ? "-" : "";
    text.push_back(number.digits[0]);
    if (number.digits.size() > 1) {
        text.append(separator).append(number.digits, 1);
    }
    text.append(number.exponent < 0 ? "E-" : "E+");
    const int magnitude = std::abs(number.exponent);
    if (magnitude < 10) {
        text.push_back('0');
    }
    text.append(std::to_string(magnitude));
    return text;
}

}  // namespace

double ValueOfText(std::string_view text) {
    DecimalNumber number;
    if (!ReadDecimalNumber(text, number)) {
        return 0.0;
    }
    return NearestDouble(number);
}

double RoundDecimals(double value, int places) {
    // Every double is an exact decimal with at most 1074 fractional digits.
    constexpr int kExactPlaces = 1074;
    if (!std::isfinite(value) || places >= kExactPlaces) {
        return value;
    }
    places = std::max(places, 0);
    // Sign, 309 integer digits, the point and the fraction.
    std::string buffer(static_cast<std::size_t>(places) + 320, '\0');
    char* const first = buffer.data();
    const auto written =
        std::to_chars(first, first + buffer.size(), value, std::chars_format::fixed, places);
    double rounded = value;
    std::from_chars(first, written.ptr, rounded);
    return rounded;
}

std::string FormatGeneralNumber(double value, std::string_view decimalSeparator) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    if (value == 0.0) {
        return "0";
    }
    const SignificantDigits rounded = RoundToSignificantDigits(value);
    if (rounded.exponent >= -5 && rounded.exponent <= 14) {
        return PlainNotation(rounded, decimalSeparator);
    }
    return ScientificNotation(rounded, decimalSeparator);
}

std::string FormatGeneralNumber(double value) {
    return FormatGeneralNumber(value, UserDecimalSeparator());
}

}  // namespace secant_root
