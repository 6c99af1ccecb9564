#include "automation/uno/office_connection.h"

#include <thread>
#include <utility>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/sheet/XFunctionAccess.hpp>

#include "automation/uno/uno_runtime.h"

namespace secant_root {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

constexpr auto kRetryInterval = std::chrono::milliseconds(10);

}  // namespace

std::optional<OfficeConnection> OfficeConnection::Await(
    const std::string& pipeName, OfficeProcess& office,
    std::chrono::steady_clock::time_point deadline) {
    const Reference<css::bridge::XUnoUrlResolver> resolver =
        css::bridge::UnoUrlResolver::create(LocalComponentContext());
    const rtl::OUString url =
        FromUtf8("uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext");
    for (;;) {
        try {
            return OfficeConnection(
                Reference<css::uno::XComponentContext>(resolver->resolve(url), UNO_QUERY_THROW));
        } catch (const css::connection::NoConnectException&) {
            // Not accepting yet.
        }
        if (office.HasExited() || std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

OfficeConnection::OfficeConnection(Reference<css::uno::XComponentContext> context)
    : context_(std::move(context)),
      serviceManager_(context_->getServiceManager(), UNO_QUERY_THROW) {}

css::uno::Any OfficeConnection::CallLn(double x) const {
    const Reference<css::sheet::XFunctionAccess> functions(
        serviceManager_->createInstanceWithContext("com.sun.star.sheet.FunctionAccess", context_),
        UNO_QUERY_THROW);
    const css::uno::Any argument(x);
    return functions->callFunction("LN", css::uno::Sequence<css::uno::Any>(&argument, 1));
}

bool OfficeConnection::Terminate() {
    desktop_.set(serviceManager_->createInstanceWithContext("com.sun.star.frame.Desktop", context_),
                 UNO_QUERY_THROW);
    return desktop_->terminate();
}

}  // namespace secant_root
