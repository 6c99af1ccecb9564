#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <set>
#include <string>

namespace secant_root::testing {

// A test that must leave nothing behind: no child process of this program (running or zombie)
// and nothing new in the temporary directory, where the client makes its private profiles. The
// tests run with a temporary directory of their own (see tests/CMakeLists.txt), so that other
// programs' files do not count.
class NoLeftoversTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

  private:
    std::set<std::string> temporaryEntries_;
};

// Whether process `pid` has ended within `timeout` (a zombie that is not ours counts as ended:
// only its parent can reap it).
bool EndsWithin(pid_t pid, std::chrono::milliseconds timeout);

}  // namespace secant_root::testing
