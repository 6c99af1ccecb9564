#include "calc/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include "common/app_error.h"

namespace secant_root {
namespace {

struct TextValue {
    std::string text;
    double value;
};

class ValueOfTextReads : public ::testing::TestWithParam<TextValue> {};

TEST_P(ValueOfTextReads, TheNumberAtTheStart) {
    const double value = ValueOfText(GetParam().text);
    EXPECT_EQ(value, GetParam().value);
    EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ValueOfTextReads,
    ::testing::Values(
        // No number at the start reads as 0.
        TextValue{"", 0.0}, TextValue{"abc", 0.0}, TextValue{"+", 0.0}, TextValue{".", 0.0},
        TextValue{"-.e5", 0.0}, TextValue{"\r5", 0.0}, TextValue{"--5", 0.0},
        // Only ASCII signs, only decimal digits: no other minus, radix prefix, inf or nan.
        TextValue{"\xE2\x88\x92"
                  "5",
                  0.0},
        TextValue{"0x10", 0.0}, TextValue{"&H10", 0.0}, TextValue{"inf", 0.0},
        TextValue{"nan", 0.0},
        TextValue{"\xFF\xFE"
                  "1",
                  0.0},
        // The comma ends the number in every locale.
        TextValue{"0,001", 0.0}, TextValue{"1,5", 1.0},
        // Spaces, tabs and line feeds vanish wherever they stand; a carriage return ends.
        TextValue{" 0.001 ", 0.001}, TextValue{"1 5", 15.0}, TextValue{"1 . 5", 1.5},
        TextValue{"1 e 3", 1000.0}, TextValue{"\t- 2\n.5", -2.5}, TextValue{"1\r5", 1.0},
        // Digits may be missing on either side of the period.
        TextValue{".001", 0.001}, TextValue{"5.", 5.0}, TextValue{"1e-3", 0.001},
        TextValue{"+2", 2.0}, TextValue{"1E+2", 100.0}, TextValue{"2.5e-1x", 0.25},
        TextValue{"5abc", 5.0}, TextValue{"-0", -0.0}, TextValue{"0e999999", 0.0},
        // An exponent letter without digits cannot continue the number.
        TextValue{"1e", 1.0}, TextValue{"1e+", 1.0}, TextValue{"3E-x", 3.0},
        // Correct rounding to the nearest double, ties to even, however long the digits.
        TextValue{"0.1", 0x1.999999999999ap-4}, TextValue{"9007199254740993", 0x1p53},
        TextValue{"9007199254740995", 0x1.0000000000002p53},
        TextValue{"9007199254740993.00000000000000000000000000000001", 0x1.0000000000001p53},
        TextValue{"1" + std::string(1000, '0') + "e-1000", 1.0},
        TextValue{"0." + std::string(1000, '0') + "1e1001", 1.0},
        TextValue{"1.7976931348623157e308", DBL_MAX},
        TextValue{"4.9406564584124654e-324", 0x1p-1074},
        // Large magnitudes that a reader working at 64-bit x87 precision rounds twice.
        TextValue{"4.50401469944E26", 0x1.7490389c35e6dp+88},
        TextValue{"-23053858.8760184E18", -0x1.311d831a1f787p+84},
        // Too small for a double reads as zero.
        TextValue{"1e-400", 0.0}, TextValue{"-1e-99999999999999999999", -0.0}));

TEST(ValueOfText, RaisesOverflowBeyondTheDoubleRange) {
    for (const std::string& text : std::initializer_list<std::string>{
             "1e309", "-1e309", "1.8e308", "1" + std::string(400, '0'), "1e99999999999999999999",
             "1.7976931348623159e308"}) {
        SCOPED_TRACE(text);
        try {
            ValueOfText(text);
            ADD_FAILURE() << "expected overflow";
        } catch (const AppError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Overflow);
        }
    }
}

TEST(ValueOfText, ReadsMegabytesOfDigits) {
    // Seven million digits whose value is exactly 1.5: must be read in linear time.
    std::string text = "15" + std::string(7'000'000, '0') + "e-7000001";
    EXPECT_EQ(ValueOfText(text), 1.5);
    text = std::string(7'000'000, ' ') + "2";
    EXPECT_EQ(ValueOfText(text), 2.0);
}

struct Rounding {
    double value;
    int places;
    double rounded;
};

class RoundDecimalsRounds : public ::testing::TestWithParam<Rounding> {};

TEST_P(RoundDecimalsRounds, ToTheNearestDoubleOfTheRoundedDecimal) {
    EXPECT_EQ(RoundDecimals(GetParam().value, GetParam().places), GetParam().rounded);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundDecimalsRounds,
    ::testing::Values(Rounding{0x1.1e6d578f70eacp+0, 4, 1.1189},
                      Rounding{0x1.2b28dc1791a4fp+0, 4, 1.1686},
                      Rounding{0x1.18e9812b7d5e7p+0, 4, 1.0973},
                      // Exact binary ties go to the even digit.
                      Rounding{1.03125, 4, 1.0312}, Rounding{1.09375, 4, 1.0938},
                      Rounding{-1.03125, 4, -1.0312}, Rounding{2.5, 0, 2.0}, Rounding{3.5, 0, 4.0},
                      // Decimal ties that the double holds just above or just below.
                      Rounding{1.00005, 4, 1.0001}, Rounding{1.10005, 4, 1.1},
                      Rounding{1.0973, 4, 1.0973}, Rounding{2.0, 4, 2.0}, Rounding{1e300, 4, 1e300},
                      Rounding{0x1p-1074, 4, 0.0}));

TEST(RoundDecimals, LeavesNonFiniteValuesAlone) {
    EXPECT_TRUE(std::isnan(RoundDecimals(std::numeric_limits<double>::quiet_NaN(), 4)));
    EXPECT_EQ(RoundDecimals(-std::numeric_limits<double>::infinity(), 4),
              -std::numeric_limits<double>::infinity());
}

struct Formatting {
    double value;
    const char* text;
};

class FormatGeneralNumberWrites : public ::testing::TestWithParam<Formatting> {};

TEST_P(FormatGeneralNumberWrites, FifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(FormatGeneralNumber(GetParam().value, "."), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatGeneralNumberWrites,
    ::testing::Values(Formatting{1.1189, "1.1189"}, Formatting{1.0973, "1.0973"},
                      Formatting{1.1183, "1.1183"}, Formatting{2.0, "2"}, Formatting{1.1, "1.1"},
                      Formatting{-1.5, "-1.5"}, Formatting{0.0, "0"}, Formatting{-0.0, "0"},
                      Formatting{100.0, "100"}, Formatting{0.1 + 0.2, "0.3"},
                      Formatting{1.0 / 3.0, "0.333333333333333"},
                      Formatting{123456789012345.0, "123456789012345"},
                      Formatting{999999999999999.4, "999999999999999"},
                      Formatting{999999999999999.6, "1E+15"}, Formatting{1e15, "1E+15"},
                      Formatting{0.00001, "0.00001"}, Formatting{0.000012345, "0.000012345"},
                      Formatting{0.000001, "1E-06"}, Formatting{-1.5e-7, "-1.5E-07"},
                      Formatting{1e300, "1E+300"}, Formatting{DBL_MAX, "1.79769313486232E+308"},
                      Formatting{0x1p-1074, "4.94065645841247E-324"},
                      Formatting{std::numeric_limits<double>::infinity(), "Infinity"},
                      Formatting{-std::numeric_limits<double>::infinity(), "-Infinity"},
                      Formatting{std::numeric_limits<double>::quiet_NaN(), "NaN"}));

TEST(FormatGeneralNumber, UsesTheGivenSeparatorEverywhere) {
    EXPECT_EQ(FormatGeneralNumber(1.1189, ","), "1,1189");
    EXPECT_EQ(FormatGeneralNumber(2.0, ","), "2");
    EXPECT_EQ(FormatGeneralNumber(1.25e20, ","), "1,25E+20");
    EXPECT_EQ(FormatGeneralNumber(0.5, "\xD9\xAB"),
              "0\xD9\xAB"
              "5");
}

#if defined(_WIN32) && defined(__i386__)
// The runtime reads decimal numbers with the x87 unit, correctly rounded only when the unit
// rounds to double (precision control, bits 8 and 9 of the control word, = 2): every program of
// the 32-bit Windows build starts so, this test program as the others.
TEST(X87Unit, RoundsToDoubleFromTheStart) {
    unsigned short controlWord = 0;
    __asm__ volatile("fnstcw %0" : "=m"(controlWord));
    EXPECT_EQ(controlWord & 0x0300, 0x0200) << "control word 0x" << std::hex << controlWord;
}
#endif

}  // namespace
}  // namespace secant_root
