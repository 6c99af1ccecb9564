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

AppError AutomationFailureError(std::int32_t number, std::string description) {
    if (description.empty()) {
        char status[16];
        std::snprintf(status, sizeof status, "0x%08X", static_cast<std::uint32_t>(number));
        description = std::string(texts::kAutomationErrorPrefix) + status;
    }
    return AppError(ErrorKind::AutomationFailure, number, std::move(description));
}

}  // namespace secant_root
