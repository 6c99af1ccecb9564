#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "common/app_error.h"

namespace secant_root::testing {

// The AppError that `action` raises; fails the test when it raises none (and then returns an
// error of number 0, which no expectation accepts).
inline AppError RaisedError(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& error) {
        return error;
    }
    ADD_FAILURE() << "no AppError was raised";
    return AppError(ErrorKind::AutomationFailure, 0, "no error was raised");
}

}  // namespace secant_root::testing
