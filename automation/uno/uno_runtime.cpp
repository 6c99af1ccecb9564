#include "automation/uno/uno_runtime.h"

#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

namespace secant_root {

css::uno::Reference<css::uno::XComponentContext> LocalComponentContext() {
    static const css::uno::Reference<css::uno::XComponentContext> context = [] {
        // Where the type libraries are; as a bootstrap variable it leaves the environment alone
        // and takes precedence over it.
        rtl::Bootstrap::set(
            "URE_BOOTSTRAP",
            FromUtf8("vnd.sun.star.pathname:" SECANT_ROOT_UNO_RUNTIME_DIR "/fundamentalrc"));
        return cppu::defaultBootstrap_InitialComponentContext();
    }();
    return context;
}

std::string ToUtf8(const rtl::OUString& text) {
    const rtl::OString utf8 = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(utf8.getStr(), utf8.getLength());
}

rtl::OUString FromUtf8(std::string_view text) {
    return rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

}  // namespace secant_root
