// The packed laminate column: the one place that defines how the stiffness
// of one laminate is stored, a column of the laminate table matabd (18
// values) and, with rotation freedoms, of the shear table matsw (21 values).
// The package packs its laminates the same way and reads this layout from
// the module's constants.
//
// Each group is a symmetric 3 x 3 matrix M packed by its upper triangle,
// column after column:
//
//   position   1    2    3    4    5    6
//   entry     11   12   22   13   23   33
//
//   matabd   1..6    A    membrane
//            7..12  -B    membrane with bending, of the engine's sign
//           13..18   D    bending
//
//   matsw    1..6         rotations with membrane
//            7..12        rotations with bending
//           13..18        rotations with rotations
//           19..21   S    transverse shear, 11 12 22
//
// A stringer wall's bending stiffness (ddst) is one group packed alike.
#pragma once

namespace ruvo::laminate_column {

inline constexpr int group_size = 6;
inline constexpr int stiffness_rows = 18;  // matabd
inline constexpr int shear_rows = 21;      // matsw

// The first row of each group in matabd.
inline constexpr int membrane = 1, coupling = 7, bending = 13;
// The first row of each group in matsw.
inline constexpr int rotation_membrane = 1, rotation_bending = 7, rotation = 13, transverse_shear = 19;

// Position (1..6) in a group of entry (i, j), either triangle.
constexpr int packed_position(int i, int j) {
  const int r = i < j ? i : j, s = i < j ? j : i;
  return s * (s - 1) / 2 + r;
}

// Row of entry (i, j) of the group that starts at row `first`.
constexpr int row(int first, int i, int j) { return first + packed_position(i, j) - 1; }

// Entry (i, j) of one group held from index 0 (g[0] is position 1).
template <class Group>
constexpr auto entry(const Group& g, int i, int j) {
  return g[packed_position(i, j) - 1];
}

static_assert(packed_position(1, 1) == 1 && packed_position(2, 1) == 2 && packed_position(2, 2) == 3 &&
              packed_position(1, 3) == 4 && packed_position(3, 2) == 5 && packed_position(3, 3) == 6);
static_assert(row(bending, 3, 3) == stiffness_rows && row(transverse_shear, 2, 2) == shear_rows);

}  // namespace ruvo::laminate_column
