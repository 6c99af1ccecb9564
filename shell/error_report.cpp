#include "shell/error_report.h"

#include <cstdint>
#include <cstdio>

namespace secant_root {

std::string ErrorReportText(const AppError& error) {
    char number[16];
    if (error.kind() == ErrorKind::AutomationFailure) {
        std::snprintf(number, sizeof number, "0x%08X",
                      static_cast<unsigned>(static_cast<std::uint32_t>(error.number())));
    } else {
        std::snprintf(number, sizeof number, "%d", static_cast<int>(error.number()));
    }
    std::string text =
        std::string(texts::kReportNumberPrefix) + number + ": " + error.description();
    if (!error.advice().empty()) {
        text.append("\n\n").append(error.advice());
    }
    return text;
}

}  // namespace secant_root
