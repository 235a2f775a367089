// Profile storage of symmetric band matrices: the one place that defines how
// entries are addressed. The element routines scatter into profile matrices
// and the solver reads them through these functions (and through
// kernels/profile.hpp's `Profile` view, built on them).
//
// A symmetric matrix of order n and band width ibd (entries of a full row,
// diagonal included) keeps its lower band row after row in one array a(1..),
// addressed through the level vector lv(1..n):
//
//   entry (i, j), max(1, i-ibd+1) <= j <= i, lives at a(lv(i) + j)
//
//   order 5, ibd 3, lv = 0 1 3 5 7          a(1..12)
//     row 1:  (1,1)                        a1
//     row 2:  (2,1) (2,2)                  a2  a3
//     row 3:  (3,1) (3,2) (3,3)            a4  a5  a6
//     row 4:        (4,2) (4,3) (4,4)      a7  a8  a9
//     row 5:              (5,3) (5,4) (5,5) a10 a11 a12
//
// Entry (i, j) with j > i is entry (j, i); entries left of the band are zero
// and have no position. Rows follow each other without a gap, so lv(1) = 0,
// lv(i) - lv(i-1) = min(i-1, ibd-1), and the matrix fills a(1..lv(n)+n).
// With ibd = n this is the full lower triangle, lv(i) = i(i-1)/2.
// After a Cholesky factorisation the same positions hold the factor L.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvo {

// Index into a[] (a[0] is a(1)) of entry (i, j), j <= i within the band;
// lv[0] is lv(1).
inline std::ptrdiff_t profile_index(const std::int32_t* lv, int i, int j) {
  return std::ptrdiff_t{lv[i - 1]} + j - 1;
}

// Number of stored entries of a matrix of order n, lv(n) + n (none for n < 1).
inline std::size_t profile_length(const std::int32_t* lv, int n) {
  return n < 1 ? 0 : std::size_t(lv[n - 1]) + std::size_t(n);
}

}  // namespace ruvo
