// Checks of the model data against what the analysis indexes: grid line
// counts, subdivision lengths, laminate numbers, functional freedoms, single
// suppressions, edge codes, eigenvalue counts, stiffener lines, node numbers
// and term counts. Each returns the first fault found, or no fault; none
// writes anything (the listing words a fault, listing/data_faults.hpp).
//
// `rddata` error codes of the faults (0 success and 8, a missing namelist
// group, are the routine's own):
//   11  grid_lines          mx or my outside 1..p_rtnds
//   12  subdivision_length  a(1..mx-1) or b(1..my-1) not positive and finite
//   13  laminate_number     elmstf(j) of an element row outside 1..p_abdstf
//   14  functions           knfun / ku not one of (1), (1,2,3), (1,4,5), (1,2,3,4,5)
//   15  suppression         idesup entry outside its range
//   16  edge_code           mode-0 condition code outside 0..6
//   17  eigen_counts        neigit below 2 or neigrq below 1
//   18  stiffener_line      istx(i) outside 1..my or isty(i) outside 1..mx
//   20  derivative_code     keps(m,a) not a function 1..5 with x and y orders 0..2 (or 0)
//   21  membrane_force      pvar or pfest of a node not finite
//   22  radius              rx, ry or rxy zero or not finite (flat_radius is flat)
//   23  short_element       a subdivision length below 1/1000 of the longest in its direction
#pragma once

#include <cstdint>
#include <string_view>

namespace ruvo {

enum class FaultCode : std::int32_t {
  none = 0,
  grid_lines = 11,
  subdivision_length = 12,
  laminate_number = 13,
  functions = 14,
  suppression = 15,
  edge_code = 16,
  eigen_counts = 17,
  stiffener_line = 18,
  inconsistent = 19,  // not an rddata code: faults met by direct calls of routines without one
  derivative_code = 20,
  membrane_force = 21,
  radius = 22,
  short_element = 23,
};

// The shortest subdivision length accepted, as a fraction of the longest in
// the same direction: below it the element matrices, formed in 32-bit floats,
// lose the stiffness of the short element to rounding and the solution its
// accuracy without any sign of it.
inline constexpr int longest_to_shortest = 1000;

// How the listing words a fault.
enum class FaultKind {
  outside,             // value not within low..high
  above,               // value above high
  below,               // value below low
  not_length,          // real value not positive and finite
  repeated,            // function code given twice
  no_w,                // ku holds no code 1
  combination,         // ku not one of the four combinations
  not_finite,          // real value NaN or infinite
  no_radius,           // real value zero, NaN or infinite
  no_derivative_code,  // a term code with an order above 2 or no function
  short_length,        // real value below the longest length `limit` / longest_to_shortest
};

// One offending item: its name with up to two 1-based indices and its value.
struct DataFault {
  FaultCode code = FaultCode::none;
  FaultKind kind = FaultKind::outside;
  std::string_view name;  // upper case, e.g. "IDESUP"
  int indices = 0;        // how many of `index` are used
  std::int32_t index[2] = {0, 0};
  std::int64_t value = 0;
  float real = 0;   // the value of a `not_length`, `not_finite` or `short_length` fault
  float limit = 0;  // the longest length of a `short_length` fault
  std::int64_t low = 0, high = 0;

  explicit operator bool() const { return code != FaultCode::none; }
};

// Number of leading entries of an integer list that are nonzero (at most n).
int leading_nonzero(const std::int32_t* first, int n, std::ptrdiff_t stride = 1);

// Grid lines mx, my within lowest..p_rtnds.
template <class V>
DataFault grid_fault(int lowest);
// a(1..mx-1), b(1..my-1) positive and finite; needs a sound grid.
template <class V>
DataFault length_fault();
// elmstf(1..my-1) within 1..p_abdstf; needs a sound grid.
template <class V>
DataFault laminate_fault();
// knfun within 0..5 and ku(1..knfun) within 1..5 (what is indexed).
template <class V>
DataFault function_range_fault();
// ... and ku(1..knfun) one of (1), (1,2,3), (1,4,5), (1,2,3,4,5).
template <class V>
DataFault functions_fault();
// numsup within 0..p_nsup.
template <class V>
DataFault suppression_count_fault(int numsup);
// ... and idesup(1..4, k), k = 1..numsup, within their ranges; needs a sound grid.
template <class V>
DataFault suppression_fault(int numsup);
// No a(i) below the longest a / longest_to_shortest, nor b(j); needs sound lengths.
template <class V>
DataFault short_element_fault();
// Mode-0 condition codes of the four edges within 0..6.
DataFault edge_code_fault();
// A derivative code the element integrals hold: 0, or function 1..5 with x
// and y orders 0..2 (function*100 + x-order*10 + y-order).
bool is_derivative_code(std::int32_t code);
// keps of the strain table all derivative codes.
DataFault strain_code_fault();
// pvar and pfest of the mx*my nodes finite; needs a sound grid.
template <class V>
DataFault membrane_force_fault();
// The radii of curvature finite and nonzero.
DataFault radius_fault();
// neigit at least 2, neigrq at least 1.
DataFault eigen_count_fault();
// The leading stiffener lines within the grid; needs a sound grid.
template <class V>
DataFault stiffener_line_fault();
// nox, noy within 0..p_stf.
template <class V>
DataFault stiffener_count_fault();
// leit(1..my, 1..mx) within 1..p_nodes; needs a sound grid.
template <class V>
DataFault node_number_fault();
// ikt of the (mx-1)(my-1) elements within 0..p_itrm; needs a sound grid.
template <class V>
DataFault term_count_fault();

}  // namespace ruvo
