#pragma once

#include <string>
#include <string_view>

#include "common/app_error.h"
#include "common/program_texts.h"

// What the window shows when an error ends a calculation, shared by every realisation of the
// window.
namespace secant_root {

inline constexpr std::string_view kErrorReportTitle = texts::kReportTitle;

// The program's exit status after the report has been dismissed.
inline constexpr int kErrorExitStatus = 1;

// The report's message: the error's number and its description, then, after an empty line, what
// the user can do, where the error says. An automation failure's number is written as
// AutomationNumberText writes it; the others are small numbers, written in decimal.
std::string ErrorReportText(const AppError& error);

}  // namespace secant_root
