#pragma once

#include <cstdint>

namespace secant_root {

// The numbers of the automation-failure AppErrors that the LibreOffice client raises, one per
// cause. They are the COM status codes of the same failures, so that an error report gives the
// same number whichever spreadsheet application answered.

// RPC_E_DISCONNECTED: the instance has ended (com.sun.star.lang.DisposedException).
inline constexpr std::int32_t kInstanceEndedNumber = static_cast<std::int32_t>(0x80010108u);
// E_INVALIDARG: LN rejected its argument (com.sun.star.lang.IllegalArgumentException).
inline constexpr std::int32_t kInvalidArgumentNumber = static_cast<std::int32_t>(0x80070057u);
// DISP_E_UNKNOWNNAME: Calc does not know LN (com.sun.star.container.NoSuchElementException).
inline constexpr std::int32_t kUnknownFunctionNumber = static_cast<std::int32_t>(0x80020006u);
// DISP_E_EXCEPTION: any other com.sun.star.uno.RuntimeException.
inline constexpr std::int32_t kRuntimeFailureNumber = static_cast<std::int32_t>(0x80020009u);
// E_FAIL: any other UNO exception.
inline constexpr std::int32_t kOtherFailureNumber = static_cast<std::int32_t>(0x80004005u);
// RPC_E_TIMEOUT: the instance did not answer a call within its limit and was ended.
inline constexpr std::int32_t kNoAnswerNumber = static_cast<std::int32_t>(0x8001011Fu);
// E_HANDLE: Ln was given a context that is not open.
inline constexpr std::int32_t kUnknownContextNumber = static_cast<std::int32_t>(0x80070006u);

}  // namespace secant_root
