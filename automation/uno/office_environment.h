#pragma once

#include <string>
#include <vector>

#include <rtl/ustring.hxx>

#include "automation/uno/private_profile.h"

namespace secant_root {

// The environment soffice.bin is started with for `profile`, whose URL is `profileUrl`: this
// program's own, but for what keeps the instance to its private directory, away from the user's
// home and its own LibreOffice profile. Where the DejaVu fonts are installed, writes the
// instance's font configuration, which names them alone, into the private directory. Raises a
// cannot-create-object AppError when that cannot be written.
std::vector<std::string> OfficeEnvironment(const PrivateProfile& profile,
                                           const rtl::OUString& profileUrl);

}  // namespace secant_root
