// Writes, for a fixed sequence of generated number texts, what ValueOfText, RoundDecimals and
// FormatGeneralNumber make of each, one line per text, so that the outputs of two builds (Linux
// and 32-bit Windows) can be compared byte for byte. The texts are random digit strings of every
// length up to 40 with exponents across the whole double range, digit strings at the overflow
// and underflow edges, exact halfway points between neighbouring doubles with their nearest
// neighbours above and below, and the shortest texts of random doubles. For the last two kinds
// the correct double is known: a text that reads otherwise is listed on the error output and
// the program ends with status 1.
//
//   number_text_differential [COUNT]     COUNT texts, 1,000,000 unless given
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "calc/number_text.h"
#include "common/app_error.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using secant_root::FormatGeneralNumber;
using secant_root::RoundDecimals;
using secant_root::ValueOfText;

// The leading digits of the decimal values at the edges of the double range: the halfway point
// between the largest double and 2^1024 (which overflows), half the smallest subnormal (which
// reads as zero), the smallest subnormal and the smallest normal double.
struct Edge {
    const char* digits;
    const char* exponent;
};
constexpr Edge kEdges[] = {
    {"1797693134862315807937289714053034150799", "E308"},
    {"2470328229206232720882843964341106861825", "E-324"},
    {"4940656458412465441765687928682213723650", "E-324"},
    {"2225073858507201383090232717332404064219", "E-308"},
};

// The standard fixes the sequence of this engine, so both builds draw the same numbers.
class Generator {
  public:
    std::uint64_t Below(std::uint64_t bound) { return engine_() % bound; }
    char Digit() { return static_cast<char>('0' + Below(10)); }

    std::string RandomDigits(std::size_t count) {
        std::string digits;
        for (std::size_t i = 0; i < count; ++i) {
            digits.push_back(Digit());
        }
        return digits;
    }

    std::uint64_t Bits() { return engine_(); }

  private:
    std::mt19937_64 engine_{20261209};
};

// `digits` (a decimal integer) times `factor`, in place.
void Multiply(std::string& digits, int factor) {
    int carry = 0;
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
        const int product = (*digit - '0') * factor + carry;
        *digit = static_cast<char>('0' + product % 10);
        carry = product / 10;
    }
    for (; carry > 0; carry /= 10) {
        digits.insert(digits.begin(), static_cast<char>('0' + carry % 10));
    }
}

// `digits` (a decimal integer above zero) minus one, in place.
void Decrement(std::string& digits) {
    auto digit = digits.rbegin();
    for (; *digit == '0'; ++digit) {
        *digit = '9';
    }
    --*digit;
}

std::string Hex(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

// A text and, where it is known, the double it must read as.
struct Input {
    std::string text;
    bool checked = false;
    double expected = 0.0;
};

Input RandomNumber(Generator& generator) {
    const std::size_t length = 1 + generator.Below(40);
    std::string digits = generator.RandomDigits(length);
    const std::size_t point = generator.Below(length + 1);
    // Decimal magnitudes from far below the smallest subnormal to far above the largest double.
    const long magnitude = static_cast<long>(generator.Below(680)) - 350;
    std::string text = generator.Below(4) == 0 ? "-" : "";
    text += digits.substr(0, point) + "." + digits.substr(point);
    return {text + "E" + std::to_string(magnitude - static_cast<long>(point))};
}

Input NearAnEdge(Generator& generator) {
    const Edge& edge = kEdges[generator.Below(std::size(kEdges))];
    const std::size_t kept = 1 + generator.Below(std::strlen(edge.digits));
    std::string digits =
        std::string(edge.digits, kept) + generator.RandomDigits(generator.Below(6));
    return {digits.substr(0, 1) + "." + digits.substr(1) + edge.exponent};
}

// (2m + 1) × 2^power lies halfway between m × 2^(power+1) and (m + 1) × 2^(power+1) and goes to
// the one with the even m; just above or below it, it goes to the nearer one.
Input Halfway(Generator& generator) {
    const std::uint64_t m = (std::uint64_t{1} << 52) + generator.Below(std::uint64_t{1} << 52);
    const int power = static_cast<int>(generator.Below(170)) - 70;
    std::string digits = std::to_string(2 * m + 1);
    for (int i = 0; i < std::abs(power); ++i) {
        Multiply(digits, power < 0 ? 5 : 2);
    }
    std::uint64_t nearest = m % 2 == 0 ? m : m + 1;
    const std::uint64_t side = generator.Below(3);
    if (side != 0) {
        // Nine more digits, one unit of the last of them above or below the halfway point.
        digits += "000000000";
        if (side == 1) {
            digits.back() = '1';
            nearest = m + 1;
        } else {
            Decrement(digits);
            nearest = m;
        }
    }
    const int decimalExponent = (power < 0 ? power : 0) - (side != 0 ? 9 : 0);
    return {digits + "e" + std::to_string(decimalExponent), true,
            std::ldexp(static_cast<double>(nearest), power + 1)};
}

Input ShortestText(Generator& generator) {
    double value;
    do {
        const std::uint64_t bits = generator.Bits();
        std::memcpy(&value, &bits, sizeof value);
    } while (!std::isfinite(value));
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return {std::string(text, written.ptr), true, value};
}

Input NextInput(Generator& generator) {
    const std::uint64_t kind = generator.Below(10);
    if (kind < 6) {
        return RandomNumber(generator);
    }
    if (kind == 6) {
        return NearAnEdge(generator);
    }
    return kind < 9 ? Halfway(generator) : ShortestText(generator);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Line ends as on Linux, so that the outputs compare byte for byte.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const long count = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    Generator generator;
    long wrong = 0;
    for (long i = 0; i < count; ++i) {
        const Input input = NextInput(generator);
        // A few places as the program rounds to, and now and then very many.
        const int places =
            static_cast<int>(i % 8 == 0 ? generator.Below(400) : generator.Below(18));
        std::string line = std::to_string(i) + " " + input.text + " ";
        try {
            const double value = ValueOfText(input.text);
            const double rounded = RoundDecimals(value, places);
            line += Hex(value) + " " + std::to_string(places) + " " + Hex(rounded) + " " +
                    FormatGeneralNumber(value, ".") + " " + FormatGeneralNumber(rounded, ".");
            if (input.checked && Hex(value) != Hex(input.expected)) {
                if (++wrong <= 10) {
                    std::fprintf(stderr, "%s reads as %s, not %s\n", input.text.c_str(),
                                 Hex(value).c_str(), Hex(input.expected).c_str());
                }
            }
        } catch (const secant_root::AppError& error) {
            line += "error " + std::to_string(error.number());
        }
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    if (wrong > 0) {
        std::fprintf(stderr, "%ld of %ld texts read as the wrong double\n", wrong, count);
    }
    return wrong > 0 ? 1 : 0;
}
