#pragma once

namespace secant_root {

// Qt ends a program that finds no display it can use with a fatal message and abort(): a crash,
// preceded by several lines about platform plugins. While a guard lives (around the
// construction of the application object), that failure instead prints one line to stderr,
// "<program>: cannot open the window: <reason>", and ends the program with status 1. Qt's other
// messages meanwhile are held back and passed on when the guard ends. One guard at a time.
class DisplayFailureGuard {
  public:
    explicit DisplayFailureGuard(const char* programName);
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;
};

}  // namespace secant_root
