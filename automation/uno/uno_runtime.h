#pragma once

#include <string>
#include <string_view>

#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

namespace secant_root {

// This program's own UNO runtime: the component context that bridges to offices are made in.
// Bootstrapped once per process from the UNO libraries of the LibreOffice installation that the
// program loads them from, with no environment variable to set. Raises cppu::BootstrapException
// when the runtime cannot be started.
css::uno::Reference<css::uno::XComponentContext> LocalComponentContext();

// Conversions between UNO strings and the program's UTF-8 text.
std::string ToUtf8(const rtl::OUString& text);
rtl::OUString FromUtf8(std::string_view text);

}  // namespace secant_root
