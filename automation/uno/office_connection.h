#pragma once

#include <chrono>
#include <filesystem>
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

// A UNO bridge to an office over a socket checked to lead to it, with the office's component
// context and service manager (and, once asked to end, its desktop). UNO exceptions of the calls
// pass through.
class OfficeConnection {
  public:
    // Connects to the office that `office` is starting, looking every millisecond until it
    // accepts on `pipeName`: in `privateTmp`, the /tmp of its own it sees, or, when that is
    // empty, in the shared /tmp, where its pipes are public and checked. Returns nothing when the
    // process ends first or the deadline passes; the process is then left as it is. Raises a
    // cannot-create-object AppError when a check of its pipes fails (see office_pipe_socket.h), or
    // when the office accepts but does not answer by the deadline: it has then been killed, and the
    // report ends with what it wrote to `errorOutput`.
    static std::optional<OfficeConnection> Await(const std::string& pipeName,
                                                 const std::string& singleInstancePipeName,
                                                 const std::filesystem::path& privateTmp,
                                                 OfficeProcess& office,
                                                 OfficeErrorOutput& errorOutput,
                                                 std::chrono::steady_clock::time_point deadline);

    ~OfficeConnection();
    // Leaves `other` without a bridge to end.
    OfficeConnection(OfficeConnection&& other) noexcept;
    OfficeConnection& operator=(OfficeConnection&&) = delete;

    // For a deadline that shuts it down.
    int Socket() const noexcept { return socket_->socket(); }

    // LN(x) through a FunctionAccess service of this call's own, so that nothing of one call
    // carries over to the next.
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
    // Released only when the connection ends: LibreOffice 25.2 destroys a released service on a
    // thread of its own without a lock, beside the next call, and aborts in one run in twenty.
    mutable std::vector<css::uno::Reference<css::sheet::XFunctionAccess>> usedFunctions_;
};

}  // namespace secant_root
