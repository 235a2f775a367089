// The stiffness part that the buckling and the vibration assemblies share.
#pragma once

#include <cstdint>

#include "io/record.hpp"

namespace ruvo {

// Sets the freedom scales, then assembles a22 and a21 (when iy > 0) and a11
// into shared block matrix. Returns 0, or 22, 21, 11 with the name of the
// matrix that failed in `failed`.
template <class V>
std::int32_t assemble_stiffness(const char*& failed);

// The two records of an assembly failure, heading and the matrix named by
// `failed`, on standard output and then on the listing.
void report_assembly_failure(const io::Format& heading, const io::Format& matrix, const char* failed);

}  // namespace ruvo
