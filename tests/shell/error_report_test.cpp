#include "shell/error_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "common/program_texts.h"

namespace secant_root {
namespace {

std::string Described(std::string_view text, std::string_view detail) {
    return std::string(text) + ": " + std::string(detail);
}

// The report's parts in the order the report gives them.
std::string Report(std::string_view number, std::string_view description,
                   std::string_view advice = {}) {
    std::string report = std::string(texts::kReportNumberPrefix) + std::string(number) + ": " +
                         std::string(description);
    return advice.empty() ? report : report + "\n\n" + std::string(advice);
}

struct ReportCase {
    AppError error;
    std::string text;
};

TEST(ErrorReportText, GivesTheNumberTheDescriptionAndWhatTheUserCanDo) {
    const ReportCase cases[] = {
        {DivisionByZeroError(), Report("11", texts::kDivisionByZero, texts::kPrecisionAdvice)},
        {OverflowError(), Report("6", texts::kOverflow)},
        {OverflowError(texts::kNumberTooLargeAdvice),
         Report("6", texts::kOverflow, texts::kNumberTooLargeAdvice)},
        {TypeMismatchError("a string"), Report("13", Described(texts::kTypeMismatch, "a string"))},
        {CannotCreateObjectError("0x80040154 Class not registered", texts::kInstallExcelAdvice),
         Report("429", Described(texts::kCannotCreateObject, "0x80040154 Class not registered"),
                texts::kInstallExcelAdvice)},
        {CannotCreateObjectError("cannot start"),
         Report("429", Described(texts::kCannotCreateObject, "cannot start"),
                texts::kStartSpreadsheetAdvice)},
        // Automation failures carry status codes, which people look up in hexadecimal, or an
        // error code the server raised itself, in decimal; the server's text stands as it came,
        // with no advice.
        {AutomationFailureError(-2147221005, "Invalid class string"),
         Report("0x800401F3", "Invalid class string")},
        {AutomationFailureError(std::numeric_limits<std::int32_t>::min(), "lowest"),
         Report("0x80000000", "lowest")},
        {AutomationFailureError(std::numeric_limits<std::int32_t>::max(), "highest"),
         Report("2147483647", "highest")},
        {AutomationFailureError(1004, "Application-defined or object-defined error"),
         Report("1004", "Application-defined or object-defined error")},
        {AutomationFailureError(1004, ""),
         Report("1004", std::string(texts::kAutomationErrorPrefix) + "1004")},
        {AutomationFailureError(-1, "minus one"), Report("0xFFFFFFFF", "minus one")},
        {AutomationFailureError(0, "Проивести рассчет"), Report("0", "Проивести рассчет")},
        {AutomationFailureError(-2146827284, ""),
         Report("0x800A03EC", std::string(texts::kAutomationErrorPrefix) + "0x800A03EC")},
    };
    for (const ReportCase& c : cases) {
        EXPECT_EQ(ErrorReportText(c.error), c.text);
    }
}

}  // namespace
}  // namespace secant_root
