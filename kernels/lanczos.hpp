// Smallest-magnitude eigenpairs of A·x = λ·B·x by the implicitly restarted
// Lanczos method (ARPACK's reverse-communication driver) on the standard
// form C = L⁻¹·B·L⁻ᵀ, A = L·Lᵀ positive definite and B symmetric: the
// largest |μ| of C give the smallest |λ| = 1/|μ|, of either sign; the
// largest μ of C, when positive, the smallest positive λ. One product with
// C is two half solutions with the factor and one product with B, on a
// single vector. No I/O.
#pragma once

#include <span>
#include <vector>

#include "kernels/factor.hpp"
#include "kernels/profile.hpp"

namespace ruvo::kernels {

struct LanczosProblem {
  const Factor& a;          // the factor of A, order n
  Profile<const double> b;  // symmetric, order n (or that of b_rows)
  int modes;                // pairs wanted, 1 <= modes <= lanczos_most_modes(b's order)
  // Carried from one problem to the next on the same factor (the load
  // cases of a panel): given with n entries, the iteration starts from it
  // instead of the fixed sequence; on convergence it becomes the sum of the
  // Ritz vectors found (of C), from which a neighbouring B's pairs settle
  // in fewer products.
  std::vector<double>* start = nullptr;
  // Given: B holds the rows and columns b_rows (0-based, ascending) of a
  // matrix of order n that is zero elsewhere (the W freedoms of the pair of
  // all the freedoms); the signs of the vectors are fixed on those rows.
  std::span<const int> b_rows = {};
};

enum class LanczosStatus {
  converged,
  not_converged,  // the restarts ran out before every wanted pair converged
  failed,         // the driver refused or broke down (its code in `code`)
};

struct LanczosResult {
  LanczosStatus status = LanczosStatus::converged;
  int code = 0;      // the driver's info
  int products = 0;  // products with C
  int restarts = 0;
};

// Relative accuracy of each Ritz value asked of the driver; the eigenvalues
// come out far closer (their error goes with the square of the residual).
// A problem started from a carried vector (a load case after the first)
// takes carried_tolerance: its factors still agree with a separate
// analysis' far within 1e-8, and a fifth of its products go.
inline constexpr double lanczos_tolerance = 1.0e-12;
inline constexpr double carried_tolerance = 1.0e-10;

// The most pairs the method gives for order n (it needs a Krylov space
// larger than the pairs wanted, within the order).
int lanczos_most_modes(int n);

// Fills elam(1..modes) with the eigenvalues in increasing magnitude (the
// first of equal magnitudes the negative one) and column k of x (n by modes,
// leading dimension n) with the eigenvector of elam(k), normalised to
// xᵀ·A·x = 1 with its entry of largest magnitude (the first of equals)
// positive. The start vector is a fixed sequence (or the one carried in
// `start`), so equal data give bit-identical results. elam and x are
// written only when it converged.
LanczosResult lanczos_eigen(const LanczosProblem& problem, double* elam, double* x);

// The largest eigenvalue μ of C (the largest 1/λ) and x (n entries) its
// eigenvector, normalised as lanczos_eigen's. The driver works on
// C + shift·I, shift >= 0 at least the largest |μ| below zero: its
// relative accuracy is then taken against that shift, so that a μ near
// zero settles as any other (slowly only where the largest μ crowds with
// the next). At most `restarts` restarts (within lanczos_most_restarts);
// mu and x are written only when it converged.
inline constexpr int lanczos_most_restarts = 500;
LanczosResult lanczos_largest(const Factor& a, Profile<const double> b, double shift, int restarts,
                              double& mu, double* x);

}  // namespace ruvo::kernels
