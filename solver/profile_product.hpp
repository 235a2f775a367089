// Product of a symmetric profile matrix (solver/profile.hpp) with a block of
// vectors. No I/O, no shared state.
#pragma once

#include "solver/profile.hpp"

namespace ruvo::solver {

// c(:, j) = A·b(:, j) for the columns j = m1..m (1-based), A the full symmetric
// matrix of the stored triangle; b and c are column-major with leading
// dimension n. Other columns of c are untouched; nothing happens for m < m1.
void profile_multiply(Profile<const double> A, const double* b, int m1, int m, double* c);

}  // namespace ruvo::solver
