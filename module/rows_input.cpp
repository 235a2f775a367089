// Routines of the data input and the freedom numbering.
#include "model/variants.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> input_rows() {
  return {};
}
RUVO_INSTANTIATE_ROWS(input_rows)

}  // namespace ruvo::module
