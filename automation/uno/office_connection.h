#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "automation/uno/office_process.h"

namespace secant_root {

// A UNO connection to an office that accepts connections on a named pipe: references to the
// office's component context and service manager (and, once asked to end, its desktop), held
// until the connection is destroyed. UNO exceptions of the calls pass through unchanged.
class OfficeConnection {
  public:
    // Connects to the office that `office` is starting, trying every 10 ms until it accepts on
    // `pipeName`. Returns nothing when the process ends first or the deadline passes; the
    // process is then left as it is.
    static std::optional<OfficeConnection> Await(const std::string& pipeName, OfficeProcess& office,
                                                 std::chrono::steady_clock::time_point deadline);

    // LN(x) through a FunctionAccess service obtained for this call alone and released before
    // returning, so that nothing of one call carries over to the next.
    css::uno::Any CallLn(double x) const;

    // Asks the office to end; false when it refuses. The desktop reference is kept: releasing
    // references to an office that is shutting down can hold up its exit.
    bool Terminate();

  private:
    explicit OfficeConnection(css::uno::Reference<css::uno::XComponentContext> context);

    css::uno::Reference<css::uno::XComponentContext> context_;
    css::uno::Reference<css::lang::XMultiComponentFactory> serviceManager_;
    css::uno::Reference<css::frame::XDesktop> desktop_;
};

}  // namespace secant_root
