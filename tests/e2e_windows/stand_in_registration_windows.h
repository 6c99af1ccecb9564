#pragma once

#include <string>

namespace secant_root::testing {

// Registers the stand-in spreadsheet server in the registry (of the Wine prefix) for as long as
// it lives: the spreadsheet application's class as a local server started from `server`, and the
// type library in that program, which registers _Application for marshalling. Failures fail the
// running test.
class StandInServerRegistration {
  public:
    explicit StandInServerRegistration(const std::wstring& server);
    ~StandInServerRegistration();
    StandInServerRegistration(const StandInServerRegistration&) = delete;
    StandInServerRegistration& operator=(const StandInServerRegistration&) = delete;

    // Removes every key that a registration makes, also one left behind by a test that crashed.
    static void Remove();
};

}  // namespace secant_root::testing
