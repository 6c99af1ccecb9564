#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/process_census.h"

namespace secant_root::e2e {

// Every process, zombies included, that belongs to the session `session` or carries
// `environmentEntry` ("NAME=value") in its environment: what a program started as that session's
// leader, with that entry, left behind, even when it was re-parented.
std::vector<testing::ProcessStatus> ProcessesOf(pid_t session, const std::string& environmentEntry);

}  // namespace secant_root::e2e
