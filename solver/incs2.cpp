#include <algorithm>
#include <span>

#include "elements/freedom_scales.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/plate_matrices.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "solver/buckling.hpp"
#include "solver/stiffness_assembly.hpp"

namespace ruvo {

template <class V>
std::int32_t assemble_stiffness(const char*& failed) {
  set_freedom_scales<V>();
  auto& m = state::matrix<V>();
  const int iy = state::man.iy;
  std::int32_t ierr = 0;
  if (iy != 0) {
    cmpa22<V>(std::span<double>(m.a22.data), ierr);
    if (ierr != 0) return failed = "A22", 22;
    cmpa21<V>(ArrayRef<double, 2>(m.a21.data, {V::p_ny, V::p_nx}), iy, ierr);
    if (ierr != 0) return failed = "A21", 21;
  }
  cmpa11<V>(std::span<double>(m.a11.data), ierr);
  if (ierr != 0) return failed = "A11", 11;
  return 0;
}

void report_assembly_failure(const io::Format& heading, const io::Format& matrix, const char* failed) {
  io::write(io::stdout_unit, heading);
  io::write(io::stdout_unit, matrix, {failed});
  io::write_listing(heading);
  io::write_listing(matrix, {failed});
}

namespace {

// The geometric stiffness of the membrane forces that the load factor scales.
template <class V>
std::int32_t assemble_geometric(const char*& failed) {
  auto& m = state::matrix<V>();
  auto& lv = state::comlv<V>();
  std::fill_n(m.b11.data, state::man.ix + lv.lvb(state::man.ix), 0.0);
  std::int32_t ierr = 0;
  cmpbmt<V>(std::span<double>(m.b11.data), std::span<const std::int32_t>(lv.lvb.data),
            ArrayRef<float, 2>(state::cpvar<V>().pvar.data, {V::p_nodes, 3}), 1.0f, ierr);
  if (ierr != 0) return failed = "B11", 33;
  return 0;
}

template <class V>
void assemble(std::int32_t& ier, bool stiffness) {
  static const io::Format heading("(1X,'SUBROUTINE INCS2:')");
  static const io::Format matrix("(1X,'ERROR ENCOUNTERED WHEN COMPUTING MATRIX ',A3)");
  const char* failed = nullptr;
  ier = stiffness ? assemble_stiffness<V>(failed) : 0;
  if (ier == 0) ier = assemble_geometric<V>(failed);
  if (ier != 0) report_assembly_failure(heading, matrix, failed);
}

}  // namespace

template <class V>
void incs2(std::int32_t& ier) {
  assemble<V>(ier, true);
}

template <class V>
void incs2_geometric(std::int32_t& ier) {
  assemble<V>(ier, false);
}

#define RUVO_INSTANTIATE(V) \
  template std::int32_t assemble_stiffness<V>(const char*&); \
  template void incs2<V>(std::int32_t&); \
  template void incs2_geometric<V>(std::int32_t&);
RUVO_FOR_EACH_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
