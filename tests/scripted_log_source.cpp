#include "tests/scripted_log_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "tests/log_table.h"

namespace secant_root::testing {

double TableLn(double x) {
    for (const LogEntry& entry : kLogTable) {
        if (entry.x == x) {
            return entry.ln;
        }
    }
    char point[64];
    std::snprintf(point, sizeof point, "%a", x);
    ADD_FAILURE() << "logarithm asked for a point outside the table: " << point;
    throw std::logic_error(std::string("no tabulated logarithm for ") + point);
}

LogSource::Context ScriptedLogSource::Open() {
    if (openError) {
        throw *openError;
    }
    const Context context = nextContext_++;
    calls_.push_back({Call::Kind::Open, context});
    return context;
}

double ScriptedLogSource::Ln(Context context, double x) {
    const int n = CountOf(Call::Kind::Ln);
    calls_.push_back({Call::Kind::Ln, context, x});
    return ln(n, x);
}

void ScriptedLogSource::Close(Context context) noexcept {
    calls_.push_back({Call::Kind::Close, context});
}

int ScriptedLogSource::CountOf(Call::Kind kind) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [kind](const Call& call) { return call.kind == kind; }));
}

std::vector<double> ScriptedLogSource::LnPoints() const {
    std::vector<double> points;
    for (const Call& call : calls_) {
        if (call.kind == Call::Kind::Ln) {
            points.push_back(call.x);
        }
    }
    return points;
}

}  // namespace secant_root::testing
