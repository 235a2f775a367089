// The element term table's constitutive column: the one place that defines
// how the symmetric 9 x 9 matrix c over the strains 1..9 of one element is
// stored (c(45, elements), one column per element; the 2 x 2 transverse
// shear matrix ch(3, elements) packed (1,1), (1,2), (2,2) beside it).
//
// The lower triangle is packed column after column:
//
//   entry (r, j), r >= j, lives at c((18 - j)(j - 1)/2 + r)
//
//   column j   1      2       3       4   ...   9
//   rows       1..9   2..9    3..9    4..9      9
//   positions  1..9   10..17  18..24  25..30    45
//
// Its 3 x 3 blocks by groups of strains (membrane 1-3, bending 4-6, the
// rotations 7-9), each placed by the position k of its first entry and the
// length ks of the column of c that holds the block's first column:
//
//            1-3        4-6         7-9
//   1-3      bb  1,9
//   4-6      bd  4,9    dd  25,6
//   7-9      br  7,9    dr  28,6    rr  40,3
//
// The diagonal blocks bb, dd, rr keep their lower triangle, the coupling
// blocks bd, br, dr all nine entries.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "model/array.hpp"

namespace ruvo {

// Position (1..45) in a column of c of entry (m, n), either triangle.
constexpr int constitutive_position(int m, int n) {
  const int r = std::max(m, n), j = std::min(m, n);
  return (18 - j) * (j - 1) / 2 + r;
}

// Position in a column of c of entry (r, s) of the block starting at k
// whose first column lies in a column of c of ks entries.
constexpr std::int64_t block_position(std::int64_t k, std::int64_t ks, int r, int s) {
  return k + (s - 1) * ks - (s - 1) * s / 2 + r - 1;
}

// Where a block of c lies: its first entry k and the length ks of the
// column of c that holds its first column.
struct ConstitutiveBlock {
  std::int32_t k, ks;
  bool diagonal;
};

// The block over the strain groups `rows` and `columns` (0 membrane,
// 1 bending, 2 rotations; rows >= columns).
constexpr ConstitutiveBlock block_of(int rows, int columns) {
  return {constitutive_position(3 * rows + 1, 3 * columns + 1), 9 - 3 * columns, rows == columns};
}

namespace constitutive_block {
inline constexpr ConstitutiveBlock bb = block_of(0, 0), bd = block_of(1, 0), br = block_of(2, 0);
inline constexpr ConstitutiveBlock dd = block_of(1, 1), dr = block_of(2, 1), rr = block_of(2, 2);
}  // namespace constitutive_block

// Whether every entry of every block lies where the column's own map puts it.
constexpr bool blocks_agree() {
  for (int rows = 0; rows < 3; ++rows)
    for (int columns = 0; columns <= rows; ++columns)
      for (int s = 1; s <= 3; ++s)
        for (int r = 1; r <= 3; ++r) {
          const ConstitutiveBlock b = block_of(rows, columns);
          const bool stored = !b.diagonal || r >= s;  // a diagonal block keeps its lower triangle
          if (stored &&
              block_position(b.k, b.ks, r, s) != constitutive_position(3 * rows + r, 3 * columns + s))
            return false;
        }
  return true;
}
static_assert(blocks_agree() && constitutive_block::dd.k == 25 && constitutive_block::rr.k == 40);

// The membrane block bb of element e: (1,1), (2,1), (3,1), (2,2), (3,2),
// (3,3), its lower triangle by columns.
inline std::array<float, 6> membrane_block(ArrayRef<float, 2> c, int e) {
  return {c(constitutive_position(1, 1), e), c(constitutive_position(2, 1), e),
          c(constitutive_position(3, 1), e), c(constitutive_position(2, 2), e),
          c(constitutive_position(3, 2), e), c(constitutive_position(3, 3), e)};
}

}  // namespace ruvo
