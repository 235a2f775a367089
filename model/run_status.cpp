#include "model/run_status.hpp"

namespace ruvo {

const char* stage_routine(Stage stage) {
  switch (stage) {
    case Stage::none: return "";
    case Stage::listing: return "LISTING";
    case Stage::triangle_levels: return "MKLVBD";
    case Stage::analysis_type: return "CKTYPE";
    case Stage::data_input: return "RDDATA";
    case Stage::grid_size: return "BUVI";
    case Stage::level_vectors: return "MKLVBD";
    case Stage::element_terms: return "TFMSTF";
    case Stage::membrane_stiffness: return "BUVI";
    case Stage::assembly: return "INCS2";
    case Stage::crippling: return "CRIPPLING";
    case Stage::buckling_solution: return "INCS3";
    case Stage::global_buckling: return "GLBUCK";
    case Stage::mode_file: return "MODES";
    case Stage::vibration_assembly: return "VIBS2";
    case Stage::vibration_solution: return "VIBS3";
    case Stage::interrupted: return "INTERRUPTED";
  }
  return "";
}

}  // namespace ruvo
