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

AppError::AppError(ErrorKind kind, std::int32_t number, std::string description)
    : kind_(kind), number_(number), description_(std::move(description)) {}

AppError DivisionByZeroError() {
    return AppError(ErrorKind::DivisionByZero, kDivisionByZeroNumber, "Division by zero");
}

AppError OverflowError() { return AppError(ErrorKind::Overflow, kOverflowNumber, "Overflow"); }

AppError TypeMismatchError(std::string_view detail) {
    return AppError(ErrorKind::TypeMismatch, kTypeMismatchNumber,
                    WithDetail("Type mismatch", detail));
}

AppError CannotCreateObjectError(std::string_view detail) {
    return AppError(ErrorKind::CannotCreateObject, kCannotCreateObjectNumber,
                    WithDetail("Cannot create the spreadsheet application object", detail));
}

AppError AutomationFailureError(std::int32_t number, std::string description) {
    if (description.empty()) {
        char status[16];
        std::snprintf(status, sizeof status, "0x%08X", static_cast<std::uint32_t>(number));
        description = std::string("Automation error ") + status;
    }
    return AppError(ErrorKind::AutomationFailure, number, std::move(description));
}

}  // namespace secant_root
