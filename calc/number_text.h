#pragma once

#include <string>
#include <string_view>

namespace secant_root {

// Reads the number at the start of `text` (UTF-8). Spaces, tabs and line feeds are dropped
// wherever they stand; the number is an optional + or -, digits with an optional period and
// fraction, and an optional exponent (E or e, optional sign, digits). The period is the decimal
// separator in every locale. Reading stops at the first character that cannot continue the
// number; a text with no number at its start reads as 0. The decimal value is rounded to the
// nearest double; a value beyond the double range raises an overflow AppError, one too small
// for a double reads as zero.
double ValueOfText(std::string_view text);

// `value` rounded to `places` (≥ 0) decimal places, as the nearest double. A tie is judged on
// the exact binary value and goes to the even last digit.
double RoundDecimals(double value, int places);

// Writes `value` in the "General Number" format: at most 15 significant digits, no thousands
// separator, no trailing zeros, and the decimal separator of the user's locale at the time of
// the call. Magnitudes from 1e-5 up to below 1e15 are written in plain notation, the others in
// scientific notation such as 1.5E+20.
std::string FormatGeneralNumber(double value);

// The same, with the decimal separator given.
std::string FormatGeneralNumber(double value, std::string_view decimalSeparator);

}  // namespace secant_root
