// Kernels of the static condensation A11* = A11 − A21ᵀ·A22⁻¹·A21 and of the
// tangential recovery X2 = −A22⁻¹·A21·X1, as level-3 work: with L the
// Cholesky factor of A22 and W = L⁻¹·A21, A21ᵀ·A22⁻¹·A21 = Wᵀ·W and
// A22⁻¹·A21 = L⁻ᵀ·W. A21 is dense, column-major with leading dimension lda
// (iy rows used, one column per W freedom). No I/O, no shared state.
//
// A column of A21 is zero above its first coupled tangential freedom, and so
// is the same column of W (L⁻¹ is lower triangular): the work on a block of
// columns starts at the first row any of them reaches (columns of a panel
// couple to freedoms further down the numbering as they go).
#pragma once

#include <cstddef>
#include <vector>

#include "kernels/profile.hpp"

namespace ruvo::kernels {

// Columns per block of W: one forward solution, one update tile of A11, one
// block of records.
inline constexpr int coupling_block = 128;

// W = L⁻¹·A21(:, 1..ix), formed in A21's storage (iy rows used, leading
// dimension ld), with the first possibly nonzero row of each block of
// coupling_block columns (iy+1 for a block of zero columns, which needs no
// work at all: A21 is zero for a flat panel without membrane-bending
// coupling).
struct Coupling {
  double* w = nullptr;
  long ld = 0;
  int iy = 0, ix = 0;
  std::vector<int> block_top;

  const double* column(int j) const { return w + (j - 1) * ld; }
  int top(int j) const { return block_top[std::size_t((j - 1) / coupling_block)]; }
};

// Overwrites A21 by W block by block, l22 the factor of A22 (order iy).
// `tops`, when given, holds the first row of each column that may be
// nonzero (iy+1: none), and A21 is not read above it (its pages stay
// untouched there); otherwise each column is searched for it.
Coupling forward_coupling(Profile<const double> l22, double* a21, long lda, int ix,
                          const int* tops = nullptr);

// A11 −= Wᵀ·W on the full lower triangle a11 (order ix): per block of
// columns of the upper triangle, the rectangle above the diagonal tile by a
// matrix product and the tile by a symmetric rank-k update.
void subtract_gram(Profile<double> a11, const Coupling& c);

// z(:, t) = L⁻ᵀ·W(:, first+t−1) = A22⁻¹·A21(:, first+t−1) for t = 1..count
// (count <= coupling_block); z holds iy by count entries.
void solve_records(Profile<const double> l22, const Coupling& c, int first, int count, double* z);

// x2 −= Z·X1(first..first+count−1, 1..modes): z holds the records first..
// (iy by count, leading dimension ldz), x1 the W parts (leading dimension
// ldx), x2 the tangential parts (iy by modes).
void subtract_records(const double* z, long ldz, int iy, int first, int count, const double* x1, long ldx,
                      int modes, double* x2);

}  // namespace ruvo::kernels
