#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/scripted_log_source.h"

namespace secant_root::testing {

// An error that ends a click, with the report that every realisation of the window gives for it.
struct WindowErrorCase {
    const char* name;
    // Typed into the precision box before the click.
    const char* precision;
    // Sets the logarithm source up to fail, after one successful click.
    std::function<void(ScriptedLogSource&)> arrange;
    std::string report;
};

// The spreadsheet cannot be created (a number of its own, in decimal), an automation call fails
// in the middle of the iteration (a status, in hexadecimal), the command's own arithmetic fails.
inline const WindowErrorCase kWindowErrorCases[] = {
    {"SpreadsheetCannotBeCreated", "0.001",
     [](ScriptedLogSource& logs) {
         logs.openError = CannotCreateObjectError("0x80040154 Class not registered");
     },
     std::string(texts::kReportNumberPrefix) + "429: " + std::string(texts::kCannotCreateObject) +
         ": 0x80040154 Class not registered\n\n" + std::string(texts::kStartSpreadsheetAdvice)},
    {"LogarithmCallFails", "0.001",
     [](ScriptedLogSource& logs) {
         const int failing = logs.CountOf(ScriptedLogSource::Call::Kind::Ln) + 4;
         logs.ln = [failing](int n, double x) {
             if (n == failing) {
                 throw AutomationFailureError(static_cast<std::int32_t>(0x80010108u),
                                              "Экземпляр приложения завершил работу");
             }
             return TableLn(x);
         };
     },
     std::string(texts::kReportNumberPrefix) + "0x80010108: Экземпляр приложения завершил работу"},
    {"EmptyPrecisionNeverEntersTheBand", "", [](ScriptedLogSource&) {},
     std::string(texts::kReportNumberPrefix) + "11: " + std::string(texts::kDivisionByZero) +
         "\n\n" + std::string(texts::kPrecisionAdvice)},
};

}  // namespace secant_root::testing
