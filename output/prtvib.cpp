#include "output/prtvib.hpp"

#include <algorithm>

#include "io/listing.hpp"
#include "listing/data_faults.hpp"
#include "model/blocks.hpp"
#include "output/data_echo.hpp"

namespace ruvo {

namespace {

// A packed vector as the single column the stiffness printer reads.
echo::Columns column(ArrayRef<float, 1> v) { return {v.data(), {v.extent(0), 1}}; }

}  // namespace

template <class V>
void prtvib(ArrayRef<float, 1> bb, ArrayRef<float, 1> dd, ArrayRef<float, 1> bd, ArrayRef<float, 1> rr,
            ArrayRef<float, 1> dr, ArrayRef<float, 1> br, ArrayRef<float, 1> ss) {
  static const io::Format mass("(///1X,'  MASS PER UNIT AREA:',E15.7)");
  constexpr int listed = 10;  // stiffener lines the listing shows per direction
  if (const DataFault fault = echo::echo_fault<V>(0, {})) {
    listing::print_fault(listing::Routine::prtvib, fault, false);
    return;
  }
  const auto& ina = state::f07ina<V>();
  echo::print_model<V>();
  echo::print_stiffness(1, false, ina.ku(2) == 4 || ina.knfun == 5, column(bb), column(dd), column(bd),
                        column(rr), column(dr), column(br), column(ss));
  // Every leading stiffener line counts in the analysis, not only those listed.
  auto& dis = state::f07dis<V>();
  dis.nox = leading_nonzero(dis.istx.data, V::p_stf);
  dis.noy = leading_nonzero(dis.isty.data, V::p_stf);
  echo::print_stiffener_tables<V>(std::min(dis.nox, listed), std::min(dis.noy, listed));
  io::write_listing(mass, {state::densit.dom});
  echo::print_prescribed_forces<V>();
}

#define RUVO_INSTANTIATE(V)                                                                               \
  template void prtvib<V>(ArrayRef<float, 1>, ArrayRef<float, 1>, ArrayRef<float, 1>, ArrayRef<float, 1>, \
                          ArrayRef<float, 1>, ArrayRef<float, 1>, ArrayRef<float, 1>);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
