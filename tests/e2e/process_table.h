#pragma once

#include <string>
#include <vector>

namespace secant_root::e2e {

struct ProcessEntry {
    long pid;
    std::string command;  // the kernel's short name of the program
    char state;           // R, S, Z, ...
};

// Every process, zombies included, that belongs to the session `session` or carries
// `environmentEntry` ("NAME=value") in its environment: what a program started as that session's
// leader, with that entry, left behind, even when it was re-parented.
std::vector<ProcessEntry> ProcessesOf(long session, const std::string& environmentEntry);

}  // namespace secant_root::e2e
