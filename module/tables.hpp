// The routine tables: one row per routine (see module/routine.hpp), grouped
// by the subsystem that owns the routines. A variant's container holds the
// rows of `variant_rows<V>()`, `ruvoutils` those of `utility_rows()`.
#pragma once

#include <vector>

#include "module/routine.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> driver_rows();  // module/rows_driver.cpp
template <class V>
std::vector<RoutineRow> input_rows();  // module/rows_input.cpp
template <class V>
std::vector<RoutineRow> output_rows();  // module/rows_output.cpp
template <class V>
std::vector<RoutineRow> element_rows();  // module/rows_elements.cpp
template <class V>
std::vector<RoutineRow> solver_rows();  // module/rows_solver.cpp

std::vector<RoutineRow> driver_utility_rows();   // module/rows_driver.cpp
std::vector<RoutineRow> output_utility_rows();   // module/rows_output.cpp
std::vector<RoutineRow> solver_utility_rows();   // module/rows_solver.cpp
std::vector<RoutineRow> element_utility_rows();  // module/rows_elements.cpp

template <class V>
std::vector<RoutineRow> variant_rows() {
  std::vector<RoutineRow> rows;
  for (auto&& part :
       {driver_rows<V>(), input_rows<V>(), element_rows<V>(), solver_rows<V>(), output_rows<V>()})
    rows.insert(rows.end(), part.begin(), part.end());
  return rows;
}

inline std::vector<RoutineRow> utility_rows() {
  std::vector<RoutineRow> rows;
  for (auto&& part :
       {driver_utility_rows(), element_utility_rows(), output_utility_rows(), solver_utility_rows()})
    rows.insert(rows.end(), part.begin(), part.end());
  return rows;
}

// Explicit instantiation of a row list for the four variants.
#define RUVO_INSTANTIATE_ROWS(F)                \
  template std::vector<RoutineRow> F<ruvo19>(); \
  template std::vector<RoutineRow> F<ruvo21>(); \
  template std::vector<RoutineRow> F<ruvo25>(); \
  template std::vector<RoutineRow> F<ruvo31>();

}  // namespace ruvo::module
