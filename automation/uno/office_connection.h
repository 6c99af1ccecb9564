#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/XFunctionAccess.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <rtl/ref.hxx>

#include "automation/uno/office_error_output.h"
#include "automation/uno/office_process.h"
#include "automation/uno/socket_connection.h"

namespace secant_root {

// A UNO connection to an office that accepts connections on a named pipe: a bridge over a
// socket checked to lead to that office, and references to the office's component context and
// service manager (and, once asked to end, its desktop), held until the connection is
// destroyed, which releases them and then ends the bridge. UNO exceptions of the calls pass
// through unchanged.
class OfficeConnection {
  public:
    // Connects to the office that `office` is starting, looking every millisecond until it
    // accepts on `pipeName`. Returns nothing when the process ends first or the deadline passes;
    // the process is then left as it is. Raises a cannot-create-object AppError when a check of
    // its pipes fails (see office_pipe_socket.h), or when the office accepts but does not answer
    // by the deadline: it has then been killed, and the report ends with what it wrote to
    // `errorOutput`.
    static std::optional<OfficeConnection> Await(const std::string& pipeName,
                                                 const std::string& singleInstancePipeName,
                                                 OfficeProcess& office,
                                                 OfficeErrorOutput& errorOutput,
                                                 std::chrono::steady_clock::time_point deadline);

    ~OfficeConnection();
    // Leaves `other` without a bridge to end.
    OfficeConnection(OfficeConnection&& other) noexcept;
    OfficeConnection& operator=(OfficeConnection&&) = delete;

    // The connected socket, for a deadline that shuts it down.
    int Socket() const noexcept { return socket_->socket(); }

    // LN(x) through a FunctionAccess service obtained for this call alone, so that nothing of
    // one call carries over to the next. The call gives up its reference; the connection keeps
    // one until it ends (see usedFunctions_).
    css::uno::Any CallLn(double x) const;

    // Asks the office to end; false when it refuses. The desktop reference is kept: releasing
    // references to an office that is shutting down can hold up its exit.
    bool Terminate();

  private:
    explicit OfficeConnection(rtl::Reference<SocketConnection> socket);

    rtl::Reference<SocketConnection> socket_;
    css::uno::Reference<css::bridge::XBridge> bridge_;
    css::uno::Reference<css::uno::XComponentContext> context_;
    css::uno::Reference<css::lang::XMultiComponentFactory> serviceManager_;
    css::uno::Reference<css::frame::XDesktop> desktop_;
    // Every FunctionAccess service the calls obtained, released when the connection ends. The
    // office destroys a service whose last reference is released on a thread of its own and
    // frees the service's scratch document there without taking its lock, while the next call
    // runs on another thread: LibreOffice 25.2 aborts in about one run of 26 calls in twenty.
    // Kept until the instance is closed, no service is destroyed beside a call.
    mutable std::vector<css::uno::Reference<css::sheet::XFunctionAccess>> usedFunctions_;
};

}  // namespace secant_root
