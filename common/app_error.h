#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "common/program_texts.h"

namespace secant_root {

// The kinds of failure that can end a calculation.
enum class ErrorKind {
    DivisionByZero,
    Overflow,
    TypeMismatch,
    CannotCreateObject,
    AutomationFailure
};

// The program's one error type: raised wherever something fails and reported by the window,
// which shows its number and description and, where the program knows, what the user can do.
class AppError : public std::exception {
  public:
    AppError(ErrorKind kind, std::int32_t number, std::string description, std::string advice = {});

    ErrorKind kind() const noexcept { return kind_; }
    std::int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    // One sentence on what the user can do about it; empty when the program cannot say.
    const std::string& advice() const noexcept { return advice_; }
    const char* what() const noexcept override { return description_.c_str(); }

  private:
    ErrorKind kind_;
    std::int32_t number_;
    std::string description_;
    std::string advice_;
};

// Fixed numbers of the kinds whose number does not come from an automation server. They are the
// numbers that Visual Basic gives the same failures, which users of spreadsheet automation know.
inline constexpr std::int32_t kDivisionByZeroNumber = 11;
inline constexpr std::int32_t kOverflowNumber = 6;
inline constexpr std::int32_t kTypeMismatchNumber = 13;
inline constexpr std::int32_t kCannotCreateObjectNumber = 429;

// The descriptions are those of the program's text catalog (common/program_texts.h).
//
// In this program a division by zero comes only from a precision that the iteration cannot meet,
// so its advice says which precision to type.
AppError DivisionByZeroError();
AppError OverflowError(std::string_view advice = {});
AppError TypeMismatchError(std::string_view detail = {});
// `detail` says why the object could not be created; it is appended to the fixed description.
// The default advice says that the installed spreadsheet application could not be started.
AppError CannotCreateObjectError(std::string_view detail = {},
                                 std::string_view advice = texts::kStartSpreadsheetAdvice);
// An automation failure's number as people look it up: a negative one is a status code
// (HRESULT), written in hexadecimal ("0x800401F3"); any other is an error code the server raised
// itself, such as 1004, written in decimal.
std::string AutomationNumberText(std::int32_t number);

// `number` is the status the failing call reported; an empty description is replaced by a
// generic text that names the status.
AppError AutomationFailureError(std::int32_t number, std::string description);

}  // namespace secant_root
