// The stiffness part that the buckling and the vibration assemblies share.
#pragma once

#include <cstdint>
#include <vector>

#include "io/record.hpp"

namespace ruvo {

// A matrix whose assembly failed: its name on the listing and the ier code
// of incs2 and vibs2 (none: code 0).
struct FailedMatrix {
  const char* name = nullptr;
  std::int32_t code = 0;
  explicit operator bool() const { return code != 0; }
};
namespace failed_matrix {
inline constexpr FailedMatrix a22{"A22", 22}, a21{"A21", 21}, a11{"A11", 11}, b11{"B11", 33};
}  // namespace failed_matrix

// Sets the freedom scales, then assembles a22 and a21 (when iy > 0) and a11
// into shared block matrix. Returns the matrix that failed, or none.
// `tops`, when given: the first row written in each column of A21 (cmpa21),
// for the condensation that follows in the same call of the host; A21 is
// cleared first (clear_coupling). Left empty without tangential freedoms.
// `bottoms`, given with `tops`: the last row written in each column.
template <class V>
FailedMatrix assemble_stiffness(std::vector<std::int32_t>* tops = nullptr,
                                std::vector<std::int32_t>* bottoms = nullptr);

// The two records of an assembly failure, heading and the name of the
// matrix that failed, on standard output and then on the listing.
void report_assembly_failure(const io::Format& heading, const io::Format& matrix, const FailedMatrix& failed);

}  // namespace ruvo
