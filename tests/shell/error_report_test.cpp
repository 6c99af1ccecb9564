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
        {OverflowError(), "Error 6: Overflow"},
        {TypeMismatchError("a string"), "Error 13: Type mismatch: a string"},
        {CannotCreateObjectError("0x80040154 Class not registered"),
         "Error 429: Cannot create the spreadsheet application object: 0x80040154 Class not "
         "registered"},
        // Automation failures carry status codes, which people look up in hexadecimal, whatever
        // their sign.
        {AutomationFailureError(-2147221005, "Invalid class string"),
         "Error 0x800401F3: Invalid class string"},
        {AutomationFailureError(std::numeric_limits<std::int32_t>::min(), "lowest"),
         "Error 0x80000000: lowest"},
        {AutomationFailureError(std::numeric_limits<std::int32_t>::max(), "highest"),
         "Error 0x7FFFFFFF: highest"},
        {AutomationFailureError(0, "Проивести рассчет"), "Error 0x00000000: Проивести рассчет"},
        {AutomationFailureError(-2146827284, ""), "Error 0x800A03EC: Automation error 0x800A03EC"},
    };
    for (const ReportCase& c : cases) {
        EXPECT_EQ(ErrorReportText(c.error), c.text);
    }
}

}  // namespace
}  // namespace secant_root
