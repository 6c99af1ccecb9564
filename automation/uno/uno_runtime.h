#pragma once

#include <string>
#include <string_view>

#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

namespace secant_root {

// The component context that bridges to offices are made in, bootstrapped once per process from
// the installation the UNO libraries come from. Raises cppu::BootstrapException when it cannot.
css::uno::Reference<css::uno::XComponentContext> LocalComponentContext();

// Conversions between UNO strings and the program's UTF-8 text.
std::string ToUtf8(const rtl::OUString& text);
rtl::OUString FromUtf8(std::string_view text);

}  // namespace secant_root
