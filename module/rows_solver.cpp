// Routines of the eigenvalue solution shared by all variants.
#include "module/tables.hpp"
#include "solver/level_vector.hpp"

namespace ruvo::module {

std::vector<RoutineRow> solver_utility_rows() {
  return {
      {"mklvbd", "lv i4(*), nn i4, ibd i4, ier i4", "",
       [](Call& c) { mklvbd(c.array<std::int32_t, 1>("lv"), c.i4("nn"), c.i4("ibd"), c.i4("ier")); }},
  };
}

}  // namespace ruvo::module
