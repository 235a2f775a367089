// Sums over a band for several columns side by side: the narrow-band kernels
// (the product and the Cholesky solution row by row) hold their block of
// columns transposed, row after row, so that the columns of one row are
// adjacent and one pass over the band serves them all in vector registers.
// Each sum still runs in increasing index from 0, as a one-column loop forms
// it (no contraction into fused multiply-adds): the results are those of the
// scalar loop, bit for bit, on every instruction set. The same lanes test a
// run of values for zeros, which the modal forms skip.
#pragma once

#include <cstddef>
#include <vector>

namespace ruvo::kernels {

// Columns summed together: eight fill two vector registers of four doubles.
inline constexpr int lanes = 8;

// Columns rounded up to whole lanes: the row length of a transposed block.
inline int lane_width(int columns) { return (columns + lanes - 1) / lanes * lanes; }

// s(j) = Σ v(k)·r(k, j) over k = 0..count-1, for j = 0..width-1; row k of r
// starts at r + k·width (width a multiple of lanes).
void lane_sums(const double* v, int count, const double* r, int width, double* s);

// Whether the n values are all zeros (of either sign; NaN is not zero),
// eight lanes at a time.
bool all_zero(const double* v, std::ptrdiff_t n);

// The columns of x (n rows, leading dimension ld) as rows of width entries,
// zero-padded; and back.
std::vector<double> transposed(const double* x, std::ptrdiff_t ld, std::ptrdiff_t n, int columns, int width);
void transpose_back(const std::vector<double>& t, std::ptrdiff_t ld, std::ptrdiff_t n, int columns, int width,
                    double* x);

}  // namespace ruvo::kernels
