#include <clocale>

#include "common/user_locale.h"

namespace secant_root {

// The process's numeric locale is the user's: the program adopts the environment's locale at
// start-up (QApplication does), and tests switch it with setlocale.
std::string UserDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr ||
        conventions->decimal_point[0] == '\0') {
        return ".";
    }
    return conventions->decimal_point;
}

}  // namespace secant_root
