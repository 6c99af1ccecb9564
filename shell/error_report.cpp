#include "shell/error_report.h"

#include <string>

namespace secant_root {

std::string ErrorReportText(const AppError& error) {
    const std::string number = error.kind() == ErrorKind::AutomationFailure
                                   ? AutomationNumberText(error.number())
                                   : std::to_string(error.number());
    std::string text =
        std::string(texts::kReportNumberPrefix) + number + ": " + error.description();
    if (!error.advice().empty()) {
        text.append("\n\n").append(error.advice());
    }
    return text;
}

}  // namespace secant_root
