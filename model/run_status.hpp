// How an analysis ended, as a value: the stage that failed (none when it
// finished) and that stage's own code. The surface routines turn it into
// their error exits and `ier` codes; the typed entry hands it to the host.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace ruvo {

enum class Stage {
  none,               // finished
  listing,            // the listing could not be created or written
  triangle_levels,    // MKLVBD for the level vector of the full triangle
  analysis_type,      // CKTYPE: not exactly one of buckling and vibration
  data_input,         // RDDATA
  grid_size,          // BUVI: mx*my beyond p_nodes
  level_vectors,      // MKLVBD for lva22 or lvb
  element_terms,      // TFMSTF
  membrane_stiffness, // BUVI: the membrane block of element 1 is singular
  assembly,           // INCS2
  crippling,          // CRIPPLING: stringer type without a check
  buckling_solution,  // INCS3
  global_buckling,    // GLBUCK
  mode_file,          // MODES: the mode-shape file
  vibration_assembly, // VIBS2
  vibration_solution, // VIBS3
  interrupted,        // the host interrupted the run
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

// What a run takes from the host other than through its arguments.
struct RunOptions {
  std::optional<Masses> masses;  // given: group "inert" of the input unit is not read
  bool keep_listing = false;     // leave the listing connected after a finished run
  // Stop a buckling run after the assembly: the matrices stay in shared block
  // matrix for the caller, nothing is condensed or solved.
  bool assemble_only = false;
};

}  // namespace ruvo
