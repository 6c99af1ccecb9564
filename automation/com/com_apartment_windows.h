#pragma once

// COM for the calling thread as a single-threaded apartment, from construction to destruction.
// The thread that holds one runs a message loop, so that COM can deliver calls and replies to it.

namespace secant_root {

class ComApartment {
  public:
    // Raises an automation-failure AppError when COM cannot be initialised on this thread, for
    // example because the thread has joined the multithreaded apartment already.
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace secant_root
