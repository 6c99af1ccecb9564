#include "automation/uno/random_name.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {

std::string RandomName(std::size_t length, std::string_view alphabet) {
    // Bytes at or above the last whole multiple of the alphabet's size are drawn again, so that
    // no character is likelier than another.
    const std::size_t limit = 256 - 256 % alphabet.size();
    std::string name;
    while (name.size() < length) {
        unsigned char bytes[64];
        const ssize_t got = getrandom(bytes, sizeof bytes, 0);
        if (got < 0 && errno != EINTR) {
            throw CannotCreateObjectError(
                texts::FilledText(texts::kStartNotPreparedText, {std::strerror(errno)}));
        }
        for (ssize_t i = 0; i < got && name.size() < length; ++i) {
            if (bytes[i] < limit) {
                name += alphabet[bytes[i] % alphabet.size()];
            }
        }
    }
    return name;
}

}  // namespace secant_root
