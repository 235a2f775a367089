// How an analysis ended, as a value: the stage that failed (none when it
// finished) and that stage's own code. The surface routines turn it into
// their error exits and `ier` codes; the typed entry hands it to the host.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "model/laminate_column.hpp"

namespace ruvo {

enum class Stage {
  none,                // finished
  listing,             // the listing could not be created or written
  triangle_levels,     // MKLVBD for the level vector of the full triangle
  analysis_type,       // CKTYPE: not exactly one of buckling and vibration
  data_input,          // RDDATA
  grid_size,           // BUVI: mx*my beyond p_nodes
  level_vectors,       // MKLVBD for lva22 or lvb
  element_terms,       // TFMSTF
  membrane_stiffness,  // BUVI: the membrane block of element 1 is singular
  assembly,            // INCS2
  crippling,           // CRIPPLING: stringer type without a check
  buckling_solution,   // INCS3
  global_buckling,     // GLBUCK
  mode_file,           // MODES: the mode-shape file
  vibration_assembly,  // VIBS2
  vibration_solution,  // VIBS3
  interrupted,         // the host interrupted the run
};

// The routine that names the stage in messages ("RDDATA", "INCS3", ...).
const char* stage_routine(Stage stage);

struct RunStatus {
  Stage stage = Stage::none;
  std::int32_t code = 0;  // the failing routine's own code
  bool finished() const { return stage == Stage::none; }
};

// Skin mass per unit area and each stiffener's mass per unit length.
struct Masses {
  float skin = 0.0f;
  std::vector<float> stringers, frames;
};

// Several sets of membrane forces on one panel. The stiffness, its
// condensation and the crippling are computed once (again only when the
// fixed forces of a case differ from those of the case before); the
// geometric stiffness, the eigensolution and the global buckling per case.
struct LoadCases {
  std::size_t count = 1;
  std::function<void(std::size_t)> store;    // puts the forces of case k (k >= 1) into the model
  std::function<void(std::size_t)> collect;  // takes the results of case k from the model
};

// What the stringer checks computed; NaN for what was not asked or not
// available for the stringer type.
struct StringerChecks {
  float crippling_force = NAN;   // T: the web; omega: the web
  float crippling_stress = NAN;  // T: the web's crippling stress
  float chord_force = NAN;       // omega: the chord
  // The global (column) buckling of the last case solved: the load (NaN
  // where not computed), whether and after how many passes its effective
  // width settled, and the skin's Nx at the critical (smallest positive)
  // load factor it takes (NaN: no computed factor is positive; the load is
  // computed only where this is a compression).
  float global_load = NAN;
  bool global_converged = true;
  int global_passes = 0;
  float critical_skin_force = NAN;
};

// The eigen-solution of the condensed problem. The subspace iteration is the
// one the listing reports (its inverse and subspace steps); a host that keeps
// no listing may take the implicitly restarted Lanczos method on the same
// pair, whose eigenvalues agree with the iteration's, where it is faster
// (`fastest`), or always (`lanczos`, for comparisons). Whatever the Lanczos
// method cannot solve goes to the subspace iteration.
enum class EigenSolution { subspace, fastest, lanczos };

// The critical (smallest positive) load factor of a buckling solution:
// among the modes asked; when they hold none, the smallest positive one
// found beyond them and appended as mode neigrq + 1; or none below `bound`
// (every load factor computed, or the largest 1/λ shown not positive to a
// fraction of the largest |1/λ|); or the search beyond them did not converge.
enum class CriticalOutcome { among_modes, appended, none_below_bound, not_converged };
struct CriticalMode {
  CriticalOutcome outcome = CriticalOutcome::among_modes;
  std::int32_t mode = 0;      // 1-based; 0 without a positive load factor
  double bound = INFINITY;    // none_below_bound: no positive load factor below this
  std::int32_t products = 0;  // products with the operator of the search beyond the modes (0: none)
};

// How the buckling and vibration solutions run.
struct SolutionOptions {
  EigenSolution eigen = EigenSolution::subspace;
  // The first row of each column of A21 that its assembly wrote, when the
  // assembly just made in the same call recorded them (none: the
  // condensation finds them by reading A21).
  const std::vector<std::int32_t>* coupling_tops = nullptr;
  // The last row of each column of A21 that the same assembly wrote.
  const std::vector<std::int32_t>* coupling_bottoms = nullptr;
  // W = L⁻¹·A21 stays in the storage of A21 after the condensation; a host
  // that reads no tangential parts lets its pages go back to the system,
  // and lets a buckling solution solve the pair of all the freedoms instead
  // where that costs less (incs3_case).
  bool keep_coupling = true;
  // Called once the matrices of the solution are assembled, before the
  // condensation works on them in place (a host that keeps a copy).
  std::function<void()> assembled;
  // Given: the buckling solution finds its critical load factor into it,
  // beyond the modes asked when they hold no positive one.
  CriticalMode* critical = nullptr;
  // Given: the Lanczos start vector carried from one load case to the next
  // (kernels::LanczosProblem::start).
  std::vector<double>* lanczos_start = nullptr;
};

// A laminate for every element, beyond the laminate table's columns: the
// packed laminates (and, with the rotation freedoms, their shear sets) and
// the 1-based laminate of each element, numbered as the element columns are
// (element rows fastest, from x = 0 on).
struct ElementLaminates {
  std::vector<std::array<float, laminate_column::stiffness_rows>> stiffness;
  std::vector<std::array<float, laminate_column::shear_rows>> shear;
  std::vector<std::int32_t> of_element;
};

// What a run takes from the host other than through its arguments.
struct RunOptions {
  std::optional<Masses> masses;      // given: group "inert" of the input unit is not read
  bool keep_listing = false;         // leave the listing connected after a finished run
  bool stringer_given = false;       // the host stored the stringer cross-section: its group is not read
  const LoadCases* cases = nullptr;  // none: the one case of the model's forces
  StringerChecks* checks = nullptr;  // receives the crippling and global loads
  // Given: receives the first row of each column of A21 that the last
  // assembly of the stiffness wrote (left empty where none was recorded).
  std::vector<std::int32_t>* coupling_tops = nullptr;
  // The omega chord's own wall bending stiffness (D11, D12, D22, D16, D26,
  // D66); none: the web's of shared block stringercom, as for the routines.
  std::optional<std::array<float, 6>> chord_bending;
  // Stop a buckling run after the assembly: the matrices stay in shared block
  // matrix for the caller, nothing is condensed or solved.
  bool assemble_only = false;
  // Given: each element takes its laminate from here instead of its row's.
  const ElementLaminates* element_laminates = nullptr;
  // A stiffener's strain from the laminate under each of its nodes, whose
  // share of the loads the node's forces hold; false: from the first
  // element's (the skin's) everywhere, as the routines take it.
  bool strain_under_stiffeners = false;
  SolutionOptions solution;
};

}  // namespace ruvo
