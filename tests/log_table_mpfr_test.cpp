#include <gtest/gtest.h>
#include <mpfr.h>

#include <cstdio>

#include "tests/log_table.h"

namespace secant_root::testing {
namespace {

// MPFR rounds its logarithm correctly, so the table must agree with it in every bit.
TEST(LogTable, HoldsCorrectlyRoundedLogarithms) {
    mpfr_t x;
    mpfr_t ln;
    mpfr_init2(x, 53);
    mpfr_init2(ln, 53);
    for (const LogEntry& entry : kLogTable) {
        mpfr_set_d(x, entry.x, MPFR_RNDN);
        mpfr_log(ln, x, MPFR_RNDN);
        char point[64];
        std::snprintf(point, sizeof point, "%a", entry.x);
        EXPECT_EQ(mpfr_get_d(ln, MPFR_RNDN), entry.ln) << "ln(" << point << ")";
    }
    mpfr_clear(ln);
    mpfr_clear(x);
}

}  // namespace
}  // namespace secant_root::testing
