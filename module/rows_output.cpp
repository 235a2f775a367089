// Routines of the result listing.
#include "model/variants.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> output_rows() {
  return {};
}
RUVO_INSTANTIATE_ROWS(output_rows)

std::vector<RoutineRow> output_utility_rows() { return {}; }

}  // namespace ruvo::module
