#pragma once

#include <array>

namespace secant_root::testing {

struct LogEntry {
    double x;
    double ln;  // ln(x) correctly rounded to double
};

// The only points at which the iteration from [1; 2] takes logarithms, whatever the precision,
// with their correctly rounded natural logarithms. A table rather than the C library's log,
// whose last bit may differ between platforms.
inline constexpr std::array<LogEntry, 9> kLogTable{{
    {0x1p+0, 0x0p+0},
    {0x1p+1, 0x1.62e42fefa39efp-1},
    {0x1.2b28dc1791a4fp+0, 0x1.3f13f65336553p-3},
    {0x1.18e9812b7d5e7p+0, 0x1.7c5f720e3fe5bp-4},
    {0x1.1e6d578f70eacp+0, 0x1.cc021408fa677p-4},
    {0x1.1e4af44dd59cfp+0, 0x1.ca16351b716ccp-4},
    {0x1.1e4a95fbb6901p+0, 0x1.ca10efa741136p-4},
    {0x1.1e4a96022846dp+0, 0x1.ca10f00373b3fp-4},
    {0x1.1e4a96022845ap+0, 0x1.ca10f00373a2fp-4},
}};

}  // namespace secant_root::testing
