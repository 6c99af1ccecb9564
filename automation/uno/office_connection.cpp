#include "automation/uno/office_connection.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include "automation/uno/kill_deadline.h"
#include "automation/uno/office_pipe_files.h"
#include "automation/uno/office_pipe_socket.h"
#include "automation/uno/uno_runtime.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

// A look costs a few microseconds.
constexpr auto kRetryInterval = std::chrono::milliseconds(1);

void Dispose(const Reference<css::bridge::XBridge>& bridge) noexcept {
    try {
        if (const Reference<css::lang::XComponent> component{bridge, css::uno::UNO_QUERY};
            component.is()) {
            component->dispose();
        }
    } catch (...) {
        // Ended already.
    }
}

}  // namespace

std::optional<OfficeConnection> OfficeConnection::Await(
    const std::string& pipeName, const std::string& singleInstancePipeName,
    const std::filesystem::path& privateTmp, OfficeProcess& office, OfficeErrorOutput& errorOutput,
    std::chrono::steady_clock::time_point deadline) {
    const auto start = std::chrono::steady_clock::now();
    const UniqueFd privateDirectory(
        privateTmp.empty() ? -1 : open(privateTmp.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!privateTmp.empty() && privateDirectory.get() < 0) {
        throw CannotCreateObjectError(texts::FilledText(
            texts::kPipeNotExaminedText, {privateTmp.string(), std::strerror(errno)}));
    }
    OfficePipeRoom room(privateTmp.empty() ? OfficePipePath(pipeName).parent_path() : privateTmp);
    OfficePipeLook look;
    for (;;) {
        if (privateDirectory.get() >= 0) {
            look = ConnectToPrivateOfficePipe(privateDirectory.get(), pipeName);
        } else {
            CheckSingleInstancePipe(singleInstancePipeName);
            look = ConnectToOfficePipe(pipeName, office.id());
        }
        if (look.socket.get() >= 0) {
            break;
        }
        // An office that ended for want of room is reported as such once the want has lasted.
        if ((!room.Check(look.found) && office.HasExited()) ||
            std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
    // The first answer must come by the same deadline; the socket outlives the limit.
    const auto left = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   deadline - std::chrono::steady_clock::now()),
                               std::chrono::milliseconds(1));
    const rtl::Reference<SocketConnection> connection(
        new SocketConnection(std::move(look.socket), FromUtf8("pipe," + pipeName)));
    return CallWithin(
        office.id(), connection->socket(), left, [&] { return OfficeConnection(connection); },
        [&] {
            const auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - start);
            return CannotCreateObjectError(
                texts::FilledText(texts::kNoAnswerAtStartText, {texts::SecondsText(waited)}) +
                errorOutput.Describe());
        });
}

OfficeConnection::OfficeConnection(rtl::Reference<SocketConnection> socket)
    : socket_(std::move(socket)),
      bridge_(css::bridge::BridgeFactory::create(LocalComponentContext())
                  ->createBridge(rtl::OUString(), "urp", socket_.get(), nullptr)) {
    try {
        context_.set(bridge_->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
        serviceManager_.set(context_->getServiceManager(), UNO_QUERY_THROW);
    } catch (...) {
        Dispose(bridge_);
        throw;
    }
}

// The SDK's references copy rather than move.
OfficeConnection::OfficeConnection(OfficeConnection&& other) noexcept
    : socket_(other.socket_),
      bridge_(other.bridge_),
      context_(other.context_),
      serviceManager_(other.serviceManager_),
      desktop_(other.desktop_),
      usedFunctions_(std::move(other.usedFunctions_)) {
    other.bridge_.clear();
}

// The references go first, while the bridge can still pass their release on; ending the bridge
// then closes the socket and stops the bridge's threads.
OfficeConnection::~OfficeConnection() {
    usedFunctions_.clear();
    desktop_.clear();
    serviceManager_.clear();
    context_.clear();
    Dispose(bridge_);
}

css::uno::Any OfficeConnection::CallLn(double x) const {
    const Reference<css::sheet::XFunctionAccess> functions(
        serviceManager_->createInstanceWithContext("com.sun.star.sheet.FunctionAccess", context_),
        UNO_QUERY_THROW);
    usedFunctions_.push_back(functions);
    const css::uno::Any argument(x);
    return functions->callFunction("LN", css::uno::Sequence<css::uno::Any>(&argument, 1));
}

bool OfficeConnection::Terminate() {
    desktop_.set(serviceManager_->createInstanceWithContext("com.sun.star.frame.Desktop", context_),
                 UNO_QUERY_THROW);
    return desktop_->terminate();
}

}  // namespace secant_root
