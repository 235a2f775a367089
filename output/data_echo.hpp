// Sections of the data echo on the listing, shared by the buckling echo
// (prtout) and the vibration echo (prtvib).
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>

#include "model/array.hpp"
#include "model/data_checks.hpp"

namespace ruvo::echo {

using Columns = ArrayRef<float, 2>;

// Why the echo cannot index the model state or the stiffness arrays (each
// needs `strips` columns), or no fault.
template <class V>
DataFault echo_fault(int strips, std::initializer_list<std::pair<std::string_view, Columns>> arrays);

// Boundary conditions, suppressed freedoms, functional freedoms, grid,
// edge lengths, angles and curvature.
template <class V>
void print_model();

// The stiffness coefficients of `strips` columns, with or without strip
// lines; the adjustment and shear matrices only when `shear`.
void print_stiffness(int strips, bool strip_lines, bool shear, Columns bb, Columns dd, Columns bd, Columns rr,
                     Columns dr, Columns br, Columns ss);

// The first nox x-stiffeners and noy y-stiffeners with their stiffnesses.
template <class V>
void print_stiffener_tables(int nox, int noy);

template <class V>
void print_prescribed_forces();
template <class V>
void print_variable_forces();

}  // namespace ruvo::echo
