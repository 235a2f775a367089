// The stages that the buckling and the vibration solutions share: the static
// condensation of the tangential freedoms through the scratch file, the
// subspace solution of the condensed problem, and the recovery of the
// tangential mode parts. Each works on the model state (shared block matrix,
// level vectors of comlv, sizes of man and f07ina) and takes what differs
// between the two solutions as arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "io/record.hpp"
#include "kernels/modal_forms.hpp"
#include "kernels/subspace.hpp"
#include "model/run_status.hpp"

namespace ruvo {

// ier codes of the buckling and the vibration solutions (incs3, vibs3).
namespace solution_code {
inline constexpr std::int32_t a22_not_positive_definite = 1;
inline constexpr std::int32_t subspace_failed = 2;
inline constexpr std::int32_t scratch_file = 4;  // not written or not read back
}  // namespace solution_code

// A21 (iy by ix) in a host that records where its columns start (the typed
// analyses) is cleared (clear_coupling) by writing zeros only over the
// pages that are resident, up to kept_coupling_bytes of them, and handing
// the others back; the assembly writes only the terms that are not zero and
// records where each column starts, the condensation reads nothing above
// that, and (without keep_coupling) W is cleared once nobody reads it again.
// So the pages of its zero parts (all of them for a flat panel without
// coupling) are never resident, and those the last analysis wrote stay
// resident for the next, which does not fault them in again.
// release_coupling hands all of them back (a host done analysing).
inline constexpr std::size_t kept_coupling_bytes = std::size_t{256} << 20;
template <class V>
void clear_coupling();
template <class V>
void release_coupling();
// release_coupling of the four variants, all the matrices of the typed
// entry's own and the kept work storage (kernels/kept_storage.hpp): the
// pages kept between analyses go back to the system.
void release_kept_memory();

// Unit and name of the scratch file of the condensation vectors.
inline constexpr int condensation_unit = 25;
inline constexpr const char* condensation_file = "RCA25";

// A11* = A11 − A21ᵀ·A22⁻¹·A21 in a11: factorises a22 in place, writes
// A22⁻¹·A21(:, j) as record j of the scratch file (opened when not yet
// connected, rewound first) and prints the updated matrix when itab is set.
// A scratch unit that keeps nothing (a run that makes no files) gets no
// records: nobody reads them back. Returns 0, the row whose pivot of A22 failed (nothing condensed then), or
// scratch_file_fault when the records could not all be written (the file's
// reason is on standard error). `tops`: the first row of each column of A21
// that its assembly in the same call wrote (none: found by reading A21).
inline constexpr std::int32_t scratch_file_fault = -1;
template <class V>
std::int32_t condense_tangential(const std::vector<std::int32_t>* tops = nullptr);

struct CondensedSolution {
  std::int32_t ier = 0;  // simvit's code
  std::int32_t jac = 0, ip = 0;
  double eps = 1.0e-8;  // the tolerance as simvit returns it
};

// Whether solve_condensed takes the Lanczos method for ix W freedoms and
// neigrq modes. Below lanczos_least_order the two methods take the same
// time (measured: order 36, 0.3 ms; 64, 0.6 ms; from 144 on the Lanczos
// method is ahead), and the subspace iteration stays, whose numbers are
// the listing's.
inline constexpr int lanczos_least_order = 100;
bool takes_lanczos(EigenSolution eigen, int ix, int neigrq);

struct FullPair;
// solve_condensed's Lanczos solution on the factored pair of all the
// freedoms (solver/full_pair.hpp), the W parts of the modes into x;
// nothing when it did not converge or B is zero.
template <class V>
std::optional<CondensedSolution> solve_full(std::span<const double> b, std::span<const std::int32_t> lvbndb,
                                            std::int32_t ibdb, const FullPair& full,
                                            std::vector<double>* start);

// The neigrq smallest eigenpairs of A11*·w = λ·B·w (A11* in a11 over lvtri,
// band ix) into elam (shared block valus) and the first ix rows of the
// columns of x (shared block vectrs). B is order ix with band ibdb. `kept`:
// the factor of A11* kept between solutions with the same A11* (simvit).
// `eigen`: simvit, or the Lanczos method where it is asked (statistics:
// products with the operator as ip, restarts as jac, its tolerance as eps),
// which starts from `start` when it is given (and carries it on).
template <class V>
CondensedSolution solve_condensed(std::span<const double> b, std::span<const std::int32_t> lvbndb,
                                  std::int32_t ibdb, kernels::KeptFactor* kept = nullptr,
                                  EigenSolution eigen = EigenSolution::subspace,
                                  std::vector<double>* start = nullptr);

// The critical load factor of the solution just made by solve_condensed
// (same arguments): the smallest positive of elam(1..neigrq). When none is,
// the smallest positive λ = 1/μ of the largest eigenvalue μ of the pair
// goes into elam(neigrq + 1) and its W vector into column neigrq + 1 of x
// (the tangential parts follow from it as for the other modes): by the
// Lanczos method on the factor of A11* that the solution kept, and where
// that does not settle within a short budget, on A11* − σ·B from a shift
// σ below that λ found by bisection (the factor exists exactly for σ
// below it). None at all (bound infinite) with every eigenvalue of the
// pair computed (neigrq >= order) or B negative definite (tension
// everywhere); none below the bound smallest |λ| / critical_fraction
// (shown by the factor of A11* − bound·B) when μ is not above 1/bound.
inline constexpr double critical_fraction = 1.0e-6;
template <class V>
CriticalMode find_critical(std::span<const double> b, std::span<const std::int32_t> lvbndb, std::int32_t ibdb,
                           kernels::KeptFactor* kept);

// Prints " EIGENMODE i" and X2 = −A22⁻¹·A21·x(:, i) of the first neigrq modes,
// read back from the scratch file written by condense_tangential. False when
// a record could not be read back (the modes are not printed then).
template <class V>
bool print_tangential_modes(std::int32_t neigrq);

// The columns of A21 (iy rows) from the first to the last that its
// assembly wrote (0-based; count 0: none), from the first row written in
// each column (`tops`, iy + 1: none).
kernels::Columns written_columns(const std::vector<std::int32_t>& tops, int iy);

// The tangential parts X2 = −A22⁻¹·A21·X1 = −L⁻ᵀ·(W·X1) of the first `modes`
// modes (iy by modes, column-major), from the factor L of A22 and W = L⁻¹·A21
// that condense_tangential left in shared block matrix: what the scratch
// records give, without them (a run that makes no files keeps none).
// `tops`, given: the first row of each column of A21 that its assembly
// wrote; W's columns outside those written are zero and are not read (a
// panel without coupling has tangential parts of zero).
template <class V>
std::vector<double> tangential_parts(std::int32_t modes, const std::vector<std::int32_t>* tops = nullptr);

// The condensation step of the solution `routine`: its code 0,
// a22_not_positive_definite after `a22_failed` with the failed row, or
// scratch_file after the scratch-file message, each on the listing and
// standard output; with the options' coupling tops (condense_tangential),
// and without their `keep_coupling` W = L⁻¹·A21 is cleared
// (clear_coupling) once A11* and the scratch records are made.
template <class V>
std::int32_t condense_for(std::string_view routine, const io::Format& a22_failed,
                          const SolutionOptions& options = {});

// The scratch file of one solution, owned by the solution routine that
// condenses: closed and deleted, when connected, as the routine ends,
// however it ends (a failure, or an interrupt unwinding through it).
class ScratchFile {
public:
  ScratchFile() = default;
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
};

// The message of a scratch file that failed the solution `routine` (its
// caller returns code 4 then), on the listing and standard output.
void report_scratch_fault(std::string_view routine);

}  // namespace ruvo
