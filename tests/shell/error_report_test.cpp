#include "shell/error_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace secant_root {
namespace {

struct ReportCase {
    AppError error;
    const char* text;
};

TEST(ErrorReportText, GivesTheNumberAndTheDescription) {
    const ReportCase cases[] = {
        {DivisionByZeroError(), "Error 11: Division by zero"},
        {TypeMismatchError("a string"), "Error 13: Type mismatch: a string"},
        // Automation statuses are negative; people look them up in hexadecimal.
        {AutomationFailureError(-2146827284, "Ln failed"),
         "Error -2146827284 (0x800A03EC): Ln failed"},
        {AutomationFailureError(std::numeric_limits<std::int32_t>::min(), "lowest"),
         "Error -2147483648 (0x80000000): lowest"},
        {AutomationFailureError(std::numeric_limits<std::int32_t>::max(), "highest"),
         "Error 2147483647: highest"},
        {AutomationFailureError(0, "Проивести рассчет"), "Error 0: Проивести рассчет"},
    };
    for (const ReportCase& c : cases) {
        EXPECT_EQ(ErrorReportText(c.error), c.text);
    }
}

}  // namespace
}  // namespace secant_root
