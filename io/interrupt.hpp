// Interrupts from the host (Ctrl-C). A long analysis polls at points where
// it can be abandoned; a pending interrupt unwinds to the routine the host
// called, which abandons the analysis the way any failure does. Without a
// host check installed nothing is ever pending.
#pragma once

#include <exception>

namespace ruvo::io {

struct Interrupted : std::exception {
  const char* what() const noexcept override { return "interrupted"; }
};

// The host's test for a pending interrupt: true to abandon. Called on the
// thread that runs the analysis.
void set_interrupt_check(bool (*pending)());

// Throws Interrupted when the host has an interrupt pending; asks the host
// at most every 20 ms, so it may be called in any loop of the analysis.
void poll_interrupt();

}  // namespace ruvo::io
