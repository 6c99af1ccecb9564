#pragma once

#include <atomic>

#include <com/sun/star/connection/XConnection.hpp>
#include <cppuhelper/implbase1.hxx>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// A UNO connection over a socket this program connected and checked itself. close() shuts it down
// rather than closing it, so that a read blocked in the bridge's thread returns at once and never
// meets a reused descriptor.
class SocketConnection final : public cppu::WeakImplHelper1<css::connection::XConnection> {
  public:
    SocketConnection(UniqueFd socket, rtl::OUString description);

    int socket() const noexcept { return socket_.get(); }

    // Holds no more than about twice what has arrived, whatever `count` the peer announced.
    // Raises com.sun.star.io.IOException when the connection ends first or `count` < 0.
    sal_Int32 read(css::uno::Sequence<sal_Int8>& bytes, sal_Int32 count) override;
    // Raises com.sun.star.io.IOException when the connection has ended, without SIGPIPE.
    void write(const css::uno::Sequence<sal_Int8>& bytes) override;
    void flush() override {}
    void close() override;
    rtl::OUString getDescription() override { return description_; }

  private:
    UniqueFd socket_;
    rtl::OUString description_;
    std::atomic<bool> closed_{false};
};

}  // namespace secant_root
