#include "automation/uno/socket_connection.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include <com/sun/star/io/IOException.hpp>

#include "automation/uno/uno_runtime.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

css::io::IOException ConnectionFailure(std::string_view what, int error) {
    return css::io::IOException(
        FromUtf8(texts::FilledText(texts::kConnectionBrokenText, {what}) +
                 (error != 0 ? std::string(": ") + std::strerror(error) : std::string())));
}

}  // namespace

SocketConnection::SocketConnection(UniqueFd socket, rtl::OUString description)
    : socket_(std::move(socket)), description_(std::move(description)) {}

sal_Int32 SocketConnection::read(css::uno::Sequence<sal_Int8>& bytes, sal_Int32 count) {
    if (count < 0) {
        throw ConnectionFailure(texts::kConnectionFailedWord, EINVAL);
    }
    // The size comes from the peer: the buffer grows with what arrives, at most doubling.
    constexpr sal_Int32 kFirstChunk = 64 * 1024;
    bytes.realloc(std::min(count, kFirstChunk));
    sal_Int32 got = 0;
    while (got < count) {
        if (got == bytes.getLength()) {
            bytes.realloc(got + std::min(count - got, std::max(got, kFirstChunk)));
        }
        const ssize_t n = recv(socket_.get(), bytes.getArray() + got,
                               static_cast<std::size_t>(bytes.getLength() - got), 0);
        if (n > 0) {
            got += static_cast<sal_Int32>(n);
        } else if (n == 0) {
            throw ConnectionFailure(texts::kConnectionEndedWord, 0);
        } else if (errno != EINTR) {
            throw ConnectionFailure(texts::kConnectionFailedWord, errno);
        }
    }
    return got;
}

void SocketConnection::write(const css::uno::Sequence<sal_Int8>& bytes) {
    std::size_t sent = 0;
    const auto size = static_cast<std::size_t>(bytes.getLength());
    while (sent < size) {
        const ssize_t n =
            send(socket_.get(), bytes.getConstArray() + sent, size - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
        } else if (errno != EINTR) {
            throw ConnectionFailure(texts::kConnectionFailedWord, errno);
        }
    }
}

void SocketConnection::close() {
    if (!closed_.exchange(true)) {
        shutdown(socket_.get(), SHUT_RDWR);
    }
}

}  // namespace secant_root
