#include "common/app_error.h"

#include <cstdio>
#include <utility>

namespace secant_root {
namespace {

std::string WithDetail(std::string_view text, std::string_view detail) {
    std::string description(text);
    if (!detail.empty()) {
        description.append(": ").append(detail);
    }
    return description;
}

}  // namespace

AppError::AppError(ErrorKind kind, std::int32_t number, std::string description, std::string advice)
    : kind_(kind),
      number_(number),
      description_(std::move(description)),
      advice_(std::move(advice)) {}

AppError DivisionByZeroError() {
    return AppError(ErrorKind::DivisionByZero, kDivisionByZeroNumber,
                    std::string(texts::kDivisionByZero), std::string(texts::kPrecisionAdvice));
}

AppError OverflowError(std::string_view advice) {
    return AppError(ErrorKind::Overflow, kOverflowNumber, std::string(texts::kOverflow),
                    std::string(advice));
}

AppError TypeMismatchError(std::string_view detail) {
    return AppError(ErrorKind::TypeMismatch, kTypeMismatchNumber,
                    WithDetail(texts::kTypeMismatch, detail));
}

AppError CannotCreateObjectError(std::string_view detail, std::string_view advice) {
    return AppError(ErrorKind::CannotCreateObject, kCannotCreateObjectNumber,
                    WithDetail(texts::kCannotCreateObject, detail), std::string(advice));
}

std::string AutomationNumberText(std::int32_t number) {
    char text[16];
    if (number < 0) {
        std::snprintf(text, sizeof text, "0x%08X",
                      static_cast<unsigned>(static_cast<std::uint32_t>(number)));
    } else {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(number));
    }
    return text;
}

AppError AutomationFailureError(std::int32_t number, std::string description) {
    if (description.empty()) {
        description = std::string(texts::kAutomationErrorPrefix) + AutomationNumberText(number);
    }
    return AppError(ErrorKind::AutomationFailure, number, std::move(description));
}

}  // namespace secant_root
