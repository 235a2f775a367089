#include "io/interrupt.hpp"

#include <chrono>

namespace ruvo::io {

namespace {

bool (*host_check)() = nullptr;
std::chrono::steady_clock::time_point next_check{};

}  // namespace

void set_interrupt_check(bool (*pending)()) { host_check = pending; }

void poll_interrupt() {
  if (host_check == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_check) return;
  next_check = now + std::chrono::milliseconds(20);
  if (host_check()) throw Interrupted();
}

}  // namespace ruvo::io
