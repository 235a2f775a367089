#include <algorithm>
#include <span>

#include "elements/freedom_scales.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/plate_matrices.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "solver/buckling.hpp"

namespace ruvo {

namespace {

// Assembles the four matrices in order; returns incs2's code and the name of
// the failed matrix.
template <class V>
std::int32_t assemble(const char*& failed) {
  auto& m = state::matrix<V>();
  auto& lv = state::comlv<V>();
  const int ix = state::man.ix, iy = state::man.iy;
  std::int32_t ierr = 0;
  if (iy != 0) {
    cmpa22<V>(std::span<double>(m.a22.data), ierr);
    if (ierr != 0) return failed = "A22", 22;
    cmpa21<V>(ArrayRef<double, 2>(m.a21.data, {V::p_ny, V::p_nx}), iy, ierr);
    if (ierr != 0) return failed = "A21", 21;
  }
  cmpa11<V>(std::span<double>(m.a11.data), ierr);
  if (ierr != 0) return failed = "A11", 11;
  std::fill_n(m.b11.data, ix + lv.lvb(ix), 0.0);
  cmpbmt<V>(std::span<double>(m.b11.data), std::span<const std::int32_t>(lv.lvb.data),
            ArrayRef<float, 2>(state::cpvar<V>().pvar.data, {V::p_nodes, 3}), 1.0f, ierr);
  if (ierr != 0) return failed = "B11", 33;
  return 0;
}

}  // namespace

template <class V>
void incs2(std::int32_t& ier) {
  static const io::Format heading("(1X,'SUBROUTINE INCS2:')");
  static const io::Format matrix("(1X,'ERROR ENCOUNTERED WHEN COMPUTING MATRIX ',A3)");
  set_freedom_scales<V>();
  const char* failed = nullptr;
  ier = assemble<V>(failed);
  if (ier == 0) return;
  io::write(io::stdout_unit, heading);
  io::write(io::stdout_unit, matrix, {failed});
  io::write_listing(heading);
  io::write_listing(matrix, {failed});
}

#define RUVO_INSTANTIATE(V) template void incs2<V>(std::int32_t&);
RUVO_FOR_EACH_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
