#pragma once

#include <atomic>

#include <com/sun/star/connection/XConnection.hpp>
#include <cppuhelper/implbase1.hxx>

#include "automation/uno/unique_fd.h"

namespace secant_root {

// A UNO connection over a stream socket that this program has connected and checked itself, for
// a bridge to the office on the other end. close() shuts the socket down rather than closing
// it, so that a read blocked in the bridge's thread returns at once and never meets a reused
// descriptor; the descriptor is closed when the last reference goes.
class SocketConnection final : public cppu::WeakImplHelper1<css::connection::XConnection> {
  public:
    SocketConnection(UniqueFd socket, rtl::OUString description);

    int socket() const noexcept { return socket_.get(); }

    // Blocks until `count` bytes have arrived, holding no more memory than about twice what has
    // arrived, whatever `count` the peer announced; raises com.sun.star.io.IOException when the
    // connection ends or fails first, or `count` is negative.
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
