// Routines of the element matrices: shape functions and freedom lookup,
// laminate stiffness, element terms, skin, stiffener and geometric stiffness.
// The checks refuse what would index outside the arrays passed or the
// variant's bounds; the routines' own failures go to ier and the listing.
#include "model/variants.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> element_rows() {
  return {};
}
RUVO_INSTANTIATE_ROWS(element_rows)

std::vector<RoutineRow> element_utility_rows() { return {}; }

}  // namespace ruvo::module
