// The linear buckling solution: assembly of the four matrices (incs2), then
// condensation, subspace iteration and the result listing (incs3). λ
// multiplies the variable membrane forces pvar; the constant ones pfest are
// carried unscaled.
#pragma once

#include <cstdint>
#include <vector>

#include "kernels/subspace.hpp"
#include "model/run_status.hpp"

namespace ruvo {

struct FullPair;

// Sets the freedom scales and assembles a22, a21 (when iy > 0), a11 and the
// geometric stiffness of pvar into b11. ier: 0, or 22, 21, 11, 33 for the
// matrix that failed (message on standard output and the listing).
// tops, bottoms: as for assemble_stiffness (solver/stiffness_assembly.hpp).
template <class V>
void incs2(std::int32_t& ier, std::vector<std::int32_t>* tops = nullptr,
           std::vector<std::int32_t>* bottoms = nullptr);

// Condenses, solves, prints statistics, eigenvalues, forces (mempri),
// eigenvectors and tangential modes (x2pri), and returns Nx at node 1 at the
// first eigenvalue in fstbui. ier: 0; 1 A22 not positive definite; 2 the
// subspace iteration failed; 4 the scratch file could not be written or read
// back. Work vectors are sized by iy. The scratch file is deleted at the
// end, whatever the outcome.
template <class V>
void incs3(std::int32_t& ier, float& fstbui);

// One of several load cases on one stiffness. incs2_geometric: incs2 for
// the geometric stiffness alone (ier 0 or 33). incs3_case: incs3, which
// condenses only when asked (otherwise A11* is that of the case before, and
// the tangential modes are not printed: the scratch file is gone), with the
// factor of A11* kept in `kept` (empty: made and kept there), as `options`
// ask (solve_condensed, condense_for). `full`, given where the host reads
// no tangential parts: the case that condenses first factors the pair of
// all the freedoms into it where that costs less (solver/full_pair.hpp),
// and every case solves that pair while its factor is kept, condensing
// only where a solution needs A11* after all.
template <class V>
void incs2_geometric(std::int32_t& ier);
template <class V>
void incs3_case(std::int32_t& ier, float& fstbui, bool condense, kernels::KeptFactor& kept,
                const SolutionOptions& options = {}, FullPair* full = nullptr);

}  // namespace ruvo
