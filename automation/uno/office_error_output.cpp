#include "automation/uno/office_error_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// As many bytes as a report shows of what the office wrote.
constexpr std::size_t kMaxShown = 400;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The character at `bytes[at]` and its length; -1 and the length of the broken sequence (at least
// 1) when none is valid there, so that each broken sequence becomes one replacement.
std::pair<std::int32_t, std::size_t> Decode(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    std::int32_t code = 0;
    // Narrower after leads that could start an overlong form, a surrogate or one beyond U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {-1, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = at + i < bytes.size() ? static_cast<unsigned char>(bytes[at + i]) : 0;
        if (next < low || next > high) {
            return {-1, i};
        }
        code = (code << 6) | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {code, length};
}

// Control characters and the format characters that reorder or hide text around them.
bool IsHidden(std::int32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB);
}

// The end of `bytes`, at most `maxBytes` of it, as the description shows it.
std::string PrintableTail(std::string_view bytes, std::size_t maxBytes) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto [code, length] = Decode(bytes, at);
        if (code == '\n' || code == '\r' || code == '\t') {
            text += ' ';
        } else if (code < 0 || IsHidden(code)) {
            text += kReplacement;
        } else {
            text += bytes.substr(at, length);
        }
        at += length;
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = text.size() - maxBytes;
    while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        ++cut;
    }
    return "…" + text.substr(cut);
}

}  // namespace

OfficeErrorOutput::OfficeErrorOutput() {
    int fds[2] = {-1, -1};
    const int piped = pipe2(fds, O_CLOEXEC);
    readEnd_ = UniqueFd(fds[0]);
    writeEnd_ = UniqueFd(fds[1]);
    stop_ = UniqueFd(eventfd(0, EFD_CLOEXEC));
    if (piped != 0 || stop_.get() < 0 || fcntl(readEnd_.get(), F_SETFL, O_NONBLOCK) != 0) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kStartNotPreparedText, {std::strerror(errno)}));
    }
    // The reader takes no signal: those of this program are for its other threads.
    sigset_t all;
    sigset_t saved;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved);
    try {
        reader_ = std::thread([this] { Read(); });
    } catch (const std::system_error& error) {
        pthread_sigmask(SIG_SETMASK, &saved, nullptr);
        throw CannotCreateObjectError(
            texts::FilledText(texts::kStartNotPreparedText, {error.what()}));
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

OfficeErrorOutput::~OfficeErrorOutput() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_.get(), &one, sizeof one);
    reader_.join();
}

void OfficeErrorOutput::Read() {
    pollfd watched[2] = {{readEnd_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Not expected; what the pipe holds is still taken when the output is described.
            return;
        }
        if (watched[1].revents != 0) {
            return;
        }
        const std::lock_guard lock(mutex_);
        TakeAvailable();
    }
}

void OfficeErrorOutput::TakeAvailable() {
    // Bounded, so that an office that writes without pause cannot hold the lock.
    char chunk[16 * 1024];
    for (int i = 0; i < 64; ++i) {
        const ssize_t n = read(readEnd_.get(), chunk, sizeof chunk);
        if (n > 0) {
            kept_.append(chunk, static_cast<std::size_t>(n));
            if (kept_.size() > 2 * kKeptBytes) {
                kept_.erase(0, kept_.size() - kKeptBytes);
            }
        } else if (n == 0 || errno != EINTR) {
            return;
        }
    }
}

std::string OfficeErrorOutput::Describe() {
    std::string kept;
    {
        const std::lock_guard lock(mutex_);
        TakeAvailable();
        kept = kept_.size() > kKeptBytes ? kept_.substr(kept_.size() - kKeptBytes) : kept_;
    }
    const std::string text = PrintableTail(kept, kMaxShown);
    return text.empty() ? std::string() : texts::FilledText(texts::kOfficeWroteText, {text});
}

}  // namespace secant_root
