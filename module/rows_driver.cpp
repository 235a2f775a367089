// Routines of the analysis entry: driver, reset and analysis type.
#include "driver/initlz.hpp"
#include "model/variants.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> driver_rows() {
  return {
      {"initlz", "", "", [](Call&) { initlz<V>(); }},
  };
}
RUVO_INSTANTIATE_ROWS(driver_rows)

std::vector<RoutineRow> driver_utility_rows() { return {}; }

}  // namespace ruvo::module
