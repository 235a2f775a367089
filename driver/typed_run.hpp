// One whole analysis from typed values: what the package `ruvo` runs. It
// stores the model, then runs the stages of `ruvomain` (and, for natural
// frequencies, the vibration data echo, assembly and solution), one code
// path with the surface routines, and returns the outcome with the results
// at full precision. Files go only into `directory` (none when it is empty);
// standard output and the file units' complaints go into `messages`.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/blocks.hpp"
#include "model/laminate_column.hpp"
#include "model/run_status.hpp"
#include "model/variants.hpp"
#include "solver/modal_forms.hpp"

namespace ruvo {

enum class AnalysisKind { buckling, vibration };

struct TypedStiffener {
  std::int32_t line = 0;             // grid line (y-line of a stringer, x-line of a frame)
  std::array<float, 4> stiffness{};  // EA, ES, EI, GJ
  float mass = 0.0f;                 // per unit length (vibration)
};

// Membrane forces Nx, Nxy, Ny: one row for all nodes, or one per node, the
// forces of the element starting there (each element reads its first
// node's throughout; the last node lines repeat the last elements').
struct TypedLoads {
  std::vector<std::array<float, 3>> variable, fixed;
};

// The stringer cross-section of the crippling routines (shared block
// stringercom): stringer type 1 the T profile, 2 the omega.
struct TypedStringerSection {
  std::int32_t type = 0;
  float footth = 0.0f, webth = 0.0f, footwidth = 0.0f, webheight = 0.0f;
  std::array<float, 6> ddst{};  // the web's bending stiffness D11, D12, D22, D16, D26, D66
  float chordwidth = 0.0f, chordth = 0.0f, alpha = 0.0f;
  std::optional<std::array<float, 6>> chord_ddst;  // the omega chord's own; none: the web's
};

// The full modes whose forms the assembly returns in place of the matrices:
// (ix + iy) × modes, column-major.
struct ProjectedModes {
  std::vector<double> values;
  std::int32_t modes = 0;
};

// One member per keyword of the typed entry (module/typed_entry.cpp: its
// rows): a member without its row, or a row without its member, stops the build.
struct TypedAnalysis {
  std::string variant{default_variant};  // the size variant's suffix
  AnalysisKind kind = AnalysisKind::buckling;
  std::string title, project = "analysis", directory;  // directory empty: no files at all
  bool listing = false;                                // write the listing (needs a directory)
  std::int32_t modes = 1, iterate = 0;  // neigrq; neigit (0: max(2·modes, modes+8) within p_ngit)
  std::int32_t itab = 0, indplt = 0;
  bool mempri = true;
  std::vector<float> x_lengths, y_lengths;              // subdivision lengths
  std::array<std::array<std::int32_t, 7>, 4> edges{};   // x0, xl, y0, yl: the engine's seven codes
  std::array<std::int32_t, 5> freedoms{1, 2, 3, 0, 0};  // ku
  std::array<float, 3> radii{float(flat_radius), float(flat_radius), float(flat_radius)};  // rx, ry, rxy
  std::array<float, 2> skew{};  // angles of obliqueness alfax, alfay, degrees
  // At most p_abdstf by element rows, any number with element_laminates.
  std::vector<std::array<float, laminate_column::stiffness_rows>> laminates;
  std::vector<std::array<float, laminate_column::shear_rows>> shear;  // shear sets (matsw), or none
  std::vector<std::int32_t> element_rows;  // laminate of each element row (1-based; none: all 1)
  // The laminate of each element (1-based, element rows fastest), in place of
  // element_rows: then any number of laminates.
  std::vector<std::int32_t> element_laminates;
  std::vector<TypedStiffener> stringers, frames;
  // Nx, Nxy, Ny: one row for all nodes, or one per node.
  std::vector<std::array<float, 3>> variable{std::array<float, 3>{}}, fixed{std::array<float, 3>{}};
  float density = 0.0f;  // skin mass per unit area (vibration)
  double shift = 0.0;    // vibration: spectral shift for free panels
  std::vector<TypedLoads> more_load_cases;  // buckling: further cases on the same stiffness
  // Stringer checks (buckling): crippling of the walls, global (column)
  // buckling of stringer and skin over the stringer pitch (the T profile
  // with crippling; the skin's equivalent thickness from laminate 1).
  bool crippling = false, global_buckling = false;
  std::optional<TypedStringerSection> stringer_section;
  float stringer_pitch = 0.0f;
  // Design sensitivities: the assembled matrices instead of a solution, or
  // the tangential parts of the modes with the solution.
  bool matrices = false;
  bool tangential = false;
  // With `matrices`: the full modes whose forms Φᵀ·K·Φ, Φᵀ·B·Φ are returned in place of the matrices.
  ProjectedModes projected;
  std::vector<LinearDirection> directions;  // with `projected` or `forms`: the forms' derivatives along these
  // With the solution: the forms of the computed full modes (their
  // tangential parts too) and along `directions` (add_solution_forms).
  // One load case.
  bool forms = false;
  // The eigen-solution when no listing is written (with one: the subspace iteration).
  EigenSolution eigen = EigenSolution::fastest;
};

// A symmetric matrix in the engine's profile storage (kernels/profile.hpp):
// entry (i, j), j <= i, at values[levels[i-1] + j - 1].
struct ProfileMatrix {
  std::int32_t order = 0, band = 0;
  std::vector<std::int32_t> levels;
  std::vector<double> values;
};

// The full system as assembled: stiffness [A11 A21ᵀ; A21 A22] over the W
// and tangential freedoms, A11 with the geometric stiffness of the fixed
// loads already taken off (A11 = K11 − fixed, also for vibration); b11 the geometric stiffness
// of the variable loads (buckling) or the mass matrix (vibration), over W.
struct TypedMatrices {
  ProfileMatrix a11, a22, b11, fixed;
  std::vector<double> a21;  // iy × ix, column-major
};

struct TypedCaseResult {
  std::vector<double> eigenvalues;  // modes asked, and the critical one appended when beyond them
  std::vector<double> w;            // ix × modes, column-major: W eigenvectors
  std::vector<double> forces;       // modes × 5, row-major: Nx, Nxy, Ny at node 1, stringer, frame force
  CriticalMode critical;            // the critical load factor's mode (1-based, into the above) or why none
  float global_load = NAN;          // global buckling load (NaN: not asked or not computed)
  bool global_converged = true;
  int global_passes = 0;            // of the effective-width iteration
  float critical_skin_force = NAN;  // Nx at node 1 at the smallest positive factor (NaN: none)
};

// How a typed analysis ended: finished; failed in the stage its status
// names; or solved without eigenvalues to report (one of them not a number,
// or all zero), its status naming the solution with code 0.
enum class TypedOutcome { finished, failed, no_eigenvalues };

struct TypedResult {
  RunStatus status;
  TypedOutcome outcome = TypedOutcome::finished;
  std::string messages;  // standard output of the run and file complaints
  std::int32_t ix = 0, iy = 0;
  std::vector<double> eigenvalues;  // modes
  std::vector<double> w;            // ix × modes, column-major: W eigenvectors
  std::vector<double> forces;       // modes × 5, row-major: Nx, Nxy, Ny at node 1, stringer, frame force
  std::vector<std::int32_t> w_freedoms;  // my × mx × 2 × 2, row-major: W equation per node and derivative
  std::vector<TypedCaseResult> cases;    // buckling: every load case (the first is the one above)
  StringerChecks checks;                 // crippling and global load (of the last case)
  TypedMatrices matrices;                // with `matrices`
  std::vector<double> x2;                // with `tangential`: iy × modes, column-major
  std::optional<ModalForms> forms;       // with `projected` whose rows are ix + iy
  std::vector<ModalForms> rates;         // the forms' derivatives along `directions`
};

// Why the values cannot be stored in variant V (before anything changes), or "".
template <class V>
std::string typed_fault(const TypedAnalysis& in);

// Runs the analysis (or only the assembly, with `matrices`); needs values
// that typed_fault accepts.
template <class V>
TypedResult run_typed(const TypedAnalysis& in);

}  // namespace ruvo
