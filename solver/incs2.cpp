#include <algorithm>
#include <span>

#include "elements/freedom_scales.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/plate_matrices.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "model/profile_index.hpp"
#include "solver/buckling.hpp"
#include "solver/condensation.hpp"
#include "solver/stiffness_assembly.hpp"

namespace ruvo {

template <class V>
FailedMatrix assemble_stiffness(std::vector<std::int32_t>* tops, std::vector<std::int32_t>* bottoms) {
  set_freedom_scales<V>();
  auto& m = state::matrix<V>();
  const auto in = shared_inputs<V>();
  const int iy = state::man.iy;
  std::int32_t ierr = 0;
  if (iy != 0) {
    cmpa22<V>(std::span<double>(m.a22.data), in, ierr);
    if (ierr != 0) return failed_matrix::a22;
    std::int32_t *written = nullptr, *last = nullptr;
    if (tops) tops->clear();
    if (bottoms) bottoms->clear();
    if (tops) {
      clear_coupling<V>();
      tops->resize(std::size_t(state::man.ix));
      written = tops->data();
      if (bottoms) {
        bottoms->resize(std::size_t(state::man.ix));
        last = bottoms->data();
      }
    }
    cmpa21<V>(ArrayRef<double, 2>(m.a21.data, {V::p_ny, V::p_nx}), iy, in, ierr, written, last);
    if (ierr != 0) return failed_matrix::a21;
  }
  cmpa11<V>(std::span<double>(m.a11.data), in, ierr);
  if (ierr != 0) return failed_matrix::a11;
  return {};
}

void report_assembly_failure(const io::Format& heading, const io::Format& matrix,
                             const FailedMatrix& failed) {
  io::write(io::stdout_unit, heading);
  io::write(io::stdout_unit, matrix, {failed.name});
  io::write_listing(heading);
  io::write_listing(matrix, {failed.name});
}

namespace {

// The geometric stiffness of the membrane forces that the load factor scales.
template <class V>
FailedMatrix assemble_geometric() {
  auto& m = state::matrix<V>();
  auto& lv = state::comlv<V>();
  std::fill_n(m.b11.data, profile_length(lv.lvb.data, state::man.ix), 0.0);
  std::int32_t ierr = 0;
  cmpbmt<V>(std::span<double>(m.b11.data), std::span<const std::int32_t>(lv.lvb.data),
            ArrayRef<const float, 2>(state::cpvar<V>().pvar.data, {V::p_nodes, 3}), 1.0f, shared_inputs<V>(),
            ierr);
  if (ierr != 0) return failed_matrix::b11;
  return {};
}

template <class V>
void assemble(std::int32_t& ier, bool stiffness, std::vector<std::int32_t>* tops = nullptr,
              std::vector<std::int32_t>* bottoms = nullptr) {
  static const io::Format heading("(1X,'SUBROUTINE INCS2:')");
  static const io::Format matrix("(1X,'ERROR ENCOUNTERED WHEN COMPUTING MATRIX ',A3)");
  FailedMatrix failed = stiffness ? assemble_stiffness<V>(tops, bottoms) : FailedMatrix{};
  if (!failed) failed = assemble_geometric<V>();
  ier = failed.code;
  if (failed) report_assembly_failure(heading, matrix, failed);
}

}  // namespace

template <class V>
void incs2(std::int32_t& ier, std::vector<std::int32_t>* tops, std::vector<std::int32_t>* bottoms) {
  assemble<V>(ier, true, tops, bottoms);
}

template <class V>
void incs2_geometric(std::int32_t& ier) {
  assemble<V>(ier, false);
}

#define RUVO_INSTANTIATE(V)                                                                            \
  template FailedMatrix assemble_stiffness<V>(std::vector<std::int32_t>*, std::vector<std::int32_t>*); \
  template void incs2<V>(std::int32_t&, std::vector<std::int32_t>*, std::vector<std::int32_t>*);       \
  template void incs2_geometric<V>(std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
