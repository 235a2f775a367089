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
//   16  edge_code           mode-0 condition code above 6
//   17  eigen_counts        neigit below 2 or neigrq below 1
//   18  stiffener_line      istx(i) outside 1..my or isty(i) outside 1..mx
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
};

// How the listing words a fault.
enum class FaultKind {
  outside,      // value not within low..high
  above,        // value above high
  below,        // value below low
  not_length,   // real value not positive and finite
  repeated,     // function code given twice
  no_w,         // ku holds no code 1
  combination,  // ku not one of the four combinations
};

// One offending item: its name with up to two 1-based indices and its value.
struct DataFault {
  FaultCode code = FaultCode::none;
  FaultKind kind = FaultKind::outside;
  std::string_view name;  // upper case, e.g. "IDESUP"
  int indices = 0;        // how many of `index` are used
  std::int32_t index[2] = {0, 0};
  std::int64_t value = 0;
  float real = 0;  // the value of a `not_length` fault
  std::int64_t low = 0, high = 0;

  explicit operator bool() const { return code != FaultCode::none; }
};

// Number of leading entries of an integer list that are nonzero (at most n).
int leading_nonzero(const std::int32_t* first, int n, std::ptrdiff_t stride = 1);

// Grid lines mx, my within lowest..p_rtnds.
template <class V> DataFault grid_fault(int lowest);
// a(1..mx-1), b(1..my-1) positive and finite; needs a sound grid.
template <class V> DataFault length_fault();
// elmstf(1..my-1) within 1..p_abdstf; needs a sound grid.
template <class V> DataFault laminate_fault();
// knfun within 0..5 and ku(1..knfun) within 1..5 (what is indexed).
template <class V> DataFault function_range_fault();
// ... and ku(1..knfun) one of (1), (1,2,3), (1,4,5), (1,2,3,4,5).
template <class V> DataFault functions_fault();
// numsup within 0..p_nsup.
template <class V> DataFault suppression_count_fault(int numsup);
// ... and idesup(1..4, k), k = 1..numsup, within their ranges; needs a sound grid.
template <class V> DataFault suppression_fault(int numsup);
// Mode-0 condition codes of the four edges at most 6.
DataFault edge_code_fault();
// neigit at least 2, neigrq at least 1.
DataFault eigen_count_fault();
// The leading stiffener lines within the grid; needs a sound grid.
template <class V> DataFault stiffener_line_fault();
// nox, noy within 0..p_stf.
template <class V> DataFault stiffener_count_fault();
// leit(1..my, 1..mx) within 1..p_nodes; needs a sound grid.
template <class V> DataFault node_number_fault();
// ikt of the (mx-1)(my-1) elements within 0..p_itrm; needs a sound grid.
template <class V> DataFault term_count_fault();

}  // namespace ruvo
