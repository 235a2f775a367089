// Product of a symmetric profile matrix (kernels/profile.hpp) with a block of
// vectors. No I/O, no shared state. Bands of at least tile_rows' width go
// through BLAS tiles (kernels/profile_tiles.hpp), narrower ones row by row.
#pragma once

#include "kernels/profile.hpp"
#include "kernels/profile_tiles.hpp"

namespace ruvo::kernels {

// c(:, j) = A·b(:, j) for the columns j = m1..m (1-based), A the full symmetric
// matrix of the stored triangle; b and c are column-major with leading
// dimension n. Other columns of c are untouched; nothing happens for m < m1.
void profile_multiply(Profile<const double> A, const double* b, int m1, int m, double* c);

// The two paths: row by row, and tiles of nb rows (1 <= nb <= ibd-1).
void profile_multiply_rows(Profile<const double> A, const double* b, int m1, int m, double* c);
template <class T>
void profile_multiply_tiles(const ProfileTiles<T>& A, const double* b, int m1, int m, double* c, int nb);

}  // namespace ruvo::kernels
