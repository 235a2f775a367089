#include "output/prtout.hpp"

#include <algorithm>

#include "listing/data_faults.hpp"
#include "model/blocks.hpp"
#include "output/data_echo.hpp"

namespace ruvo {

using echo::Columns;

template <class V>
int echo_strips() {
  const std::int32_t my = state::f07ina<V>().my;  // as the host left it: any value
  return my > 1 ? my - 1 : 0;
}

template <class V>
void prtout(Columns bb, Columns dd, Columns bd, Columns rr, Columns dr, Columns br, Columns ss) {
  const auto& ina = state::f07ina<V>();
  const bool shear = ina.ku(2) == 4 || ina.knfun == 5;
  // The shear arrays are read only when BETA and GAMMA are analysed.
  DataFault fault =
      shear ? echo::echo_fault<V>(echo_strips<V>(), {{"COLUMNS OF BB", bb},
                                                     {"COLUMNS OF DD", dd},
                                                     {"COLUMNS OF BD", bd},
                                                     {"COLUMNS OF RR", rr},
                                                     {"COLUMNS OF DR", dr},
                                                     {"COLUMNS OF BR", br},
                                                     {"COLUMNS OF SS", ss}})
            : echo::echo_fault<V>(echo_strips<V>(),
                                  {{"COLUMNS OF BB", bb}, {"COLUMNS OF DD", dd}, {"COLUMNS OF BD", bd}});
  if (!fault) fault = stiffener_count_fault<V>();
  if (fault) {
    listing::print_fault(listing::Routine::prtout, fault, false);
    return;
  }
  echo::print_model<V>();
  echo::print_stiffness(echo_strips<V>(), true, shear, bb, dd, bd, rr, dr, br, ss);
  const auto& dis = state::f07dis<V>();
  echo::print_stiffener_tables<V>(dis.nox, dis.noy);
  echo::print_prescribed_forces<V>();
  echo::print_variable_forces<V>();
}

#define RUVO_INSTANTIATE(V)      \
  template int echo_strips<V>(); \
  template void prtout<V>(Columns, Columns, Columns, Columns, Columns, Columns, Columns);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
