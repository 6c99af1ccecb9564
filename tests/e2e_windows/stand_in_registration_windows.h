#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "tests/e2e_windows/program_under_test_windows.h"

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

// The registered stand-in server started by the test itself, as COM would start it, with
// `behaviour` (see stand_in_spreadsheet_server.cpp): once the constructor returns, its class is
// registered, so that the client's CoCreateInstance reaches this process, whose exit status the
// test can then read. A server still running at the end is ended.
class StandInServerProcess {
  public:
    StandInServerProcess(const std::wstring& server, std::wstring_view behaviour);
    ~StandInServerProcess();
    StandInServerProcess(const StandInServerProcess&) = delete;
    StandInServerProcess& operator=(const StandInServerProcess&) = delete;

    // The exit status, or nothing if the server is still running after `timeout`.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);

  private:
    UniqueHandle process_;
};

}  // namespace secant_root::testing
