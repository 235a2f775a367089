// Natural frequencies of the stiffened panel: A11*·w = λ·M·w with the
// condensed stiffness A11* and the consistent mass matrix M; f = √λ/(2π) Hz.
// The host runs them after the data input, the freedom numbering, the level
// vectors and the element terms, as for buckling.
#pragma once

#include <cstdint>
#include <vector>

#include "model/run_status.hpp"

namespace ruvo {

// Sets the freedom scales and assembles a22, a21, a11 and the mass matrix
// into b11. ier: 0, or 22, 21, 11, 33 for the matrix that failed.
// tops, bottoms: as for assemble_stiffness (solver/stiffness_assembly.hpp),
// for the condensation of vibs3 in the same call of the host.
template <class V>
void vibs2(std::int32_t& ier, std::vector<std::int32_t>* tops = nullptr,
           std::vector<std::int32_t>* bottoms = nullptr);

// Condenses, scales the mass to the stiffness (the factor left in pdom of
// shared block densit; the density dom stays as given, so a repeated
// solution gives the same frequencies), solves, and prints the statistics,
// eigenvalues with their frequencies, eigenvectors and tangential modes
// (x2pri). ier: 0; 1 A22 not positive definite; 2 the subspace iteration
// failed; 4 the scratch file could not be written or read back. The scratch
// file is deleted at the end, whatever the outcome.
// shift σ (the package's free panels): solves (A11* + σM)·w = (λ + σ)·M·w,
// positive definite for a panel free to move as a rigid body, and returns λ.
// options: the eigen-solution (solve_condensed) and the coupling (condense_for);
// without a shift, a host that reads no tangential parts has the Lanczos
// method solve the pair of all the freedoms where that costs less than the
// condensation (solver/full_pair.hpp; M is zero on the tangential freedoms).
template <class V>
void vibs3(std::int32_t& ier, double shift = 0.0, const SolutionOptions& options = {});

}  // namespace ruvo
