#pragma once

#include <string>

namespace secant_root {

// The decimal separator of the user's locale as it is set now (UTF-8).
std::string UserDecimalSeparator();

}  // namespace secant_root
