// The mode-shape file proj + "MODES.txt" on unit 26: the contour block, then
// one block per plotted mode. A block is its heading, a header record of 0.0
// and the plot coordinates across the lines, and one record per line: the
// line's coordinate and the values along it. Lines follow the direction with
// more plot intervals: with npy <= npx, line i holds the points (xplt(i),
// yplt(1..npy+1)) and the heading names X as increasing from line to line.
#pragma once

#include <string_view>

#include "model/array.hpp"

namespace ruvo {

constexpr int mode_file_unit = 26;

// "X" when the lines run over x (npy <= npx), otherwise "Y".
std::string_view line_direction();

// The header record and the value records of a block; values(i, j) is the
// value at (xplt(i), yplt(j)), i = 1..npx+1, j = 1..npy+1.
void write_value_lines(ArrayRef<const float, 2> values);

}  // namespace ruvo
