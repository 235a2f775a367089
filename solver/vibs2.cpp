#include <span>
#include <vector>

#include "elements/mass_matrix.hpp"
#include "io/listing.hpp"
#include "model/blocks.hpp"
#include "solver/stiffness_assembly.hpp"
#include "solver/vibration.hpp"

namespace ruvo {

template <class V>
void vibs2(std::int32_t& ier, std::vector<std::int32_t>* tops, std::vector<std::int32_t>* bottoms) {
  static const io::Format heading("(1X,'SUBROUTINE VIBS2:')");
  static const io::Format matrix("(1X,'ERREOR ENCOUNTERED WHEN COMPUTING MATRIX ',A3)");
  FailedMatrix failed = assemble_stiffness<V>(tops, bottoms);
  ier = failed.code;
  if (!failed) {
    std::int32_t ierr = 0;
    cmpmmt<V>(std::span<double>(state::matrix<V>().b11.data),
              std::span<const std::int32_t>(state::comlv<V>().lvb.data), shared_inputs<V>(), ierr);
    if (ierr != 0) failed = failed_matrix::b11;
  }
  ier = failed.code;
  if (failed) report_assembly_failure(heading, matrix, failed);
}

#define RUVO_INSTANTIATE(V) \
  template void vibs2<V>(std::int32_t&, std::vector<std::int32_t>*, std::vector<std::int32_t>*);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
