// Listing sections of the vibration solution.
#pragma once

#include <cstdint>
#include <span>

namespace ruvo {

// The counters and the returned tolerance of the subspace iteration.
void print_vibration_statistics(std::int32_t ip, std::int32_t jac, double eps);

// One record per eigenvalue: its number, λ and the frequency in Hz.
void print_frequencies(std::span<const double> elam, std::span<const double> herz);

}  // namespace ruvo
