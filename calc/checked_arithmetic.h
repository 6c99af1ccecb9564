#pragma once

#include <cmath>

#include "common/app_error.h"

// Double arithmetic that raises instead of producing infinities or NaNs, so that every step of
// the iteration either yields a finite number or ends the calculation. A NaN is treated like an
// infinity: it would never enter the stopping band nor make a divisor zero, so letting one
// through would keep the iteration going for ever.
namespace secant_root::checked {

inline double Finite(double result) {
    if (!std::isfinite(result)) {
        throw OverflowError();
    }
    return result;
}

inline double Subtract(double a, double b) { return Finite(a - b); }

inline double Multiply(double a, double b) { return Finite(a * b); }

// Zero divided by zero counts as a division by zero too.
inline double Divide(double dividend, double divisor) {
    if (divisor == 0.0) {
        throw DivisionByZeroError();
    }
    return Finite(dividend / divisor);
}

}  // namespace secant_root::checked
