#include "automation/uno/uno_runtime.h"

#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

namespace secant_root {
namespace {

// The file URL of `name` in the installation's program directory.
rtl::OUString ProgramFileUrl(std::string_view name) {
    rtl::OUString url;
    osl::FileBase::getFileURLFromSystemPath(FromUtf8(SECANT_ROOT_UNO_RUNTIME_DIR), url);
    return url + "/" + FromUtf8(name);
}

}  // namespace

css::uno::Reference<css::uno::XComponentContext> LocalComponentContext() {
    static const css::uno::Reference<css::uno::XComponentContext> context = [] {
        // Where the type libraries are; as a bootstrap variable it leaves the environment alone
        // and takes precedence over it.
        rtl::Bootstrap::set(
            "URE_BOOTSTRAP",
            FromUtf8("vnd.sun.star.pathname:" SECANT_ROOT_UNO_RUNTIME_DIR "/fundamentalrc"));
        // The installation's own type libraries (the office API among them) and the services of
        // the UNO runtime, which the bridge needs, and nothing else: the installation's unorc
        // would add the registries of the extensions in the user's own LibreOffice profile, and
        // one that a crash or a full disk left damaged would stop every click.
        rtl::Bootstrap::set("UNO_TYPES",
                            ProgramFileUrl("types.rdb") + " " + ProgramFileUrl("types/offapi.rdb"));
        rtl::Bootstrap::set("UNO_SERVICES", ProgramFileUrl("services.rdb"));
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
