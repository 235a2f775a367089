// The analysis driver: one buckling or vibration analysis from its arguments
// to the result files. `ruvomain` shows success or failure only in the
// listing file and on standard output (as its surface row specifies);
// `run_analysis` also returns it as a value.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "model/array.hpp"
#include "model/run_status.hpp"

namespace ruvo {

// The arguments of `ruvomain`, in order; arrays bounded by the variant.
template <class V>
struct RunArguments {
  std::string_view proj;  // 8 characters: names the listing and mode-shape files
  std::string_view titp;  // 80 characters
  Logical buckp;
  std::int32_t itabp, neigitp, neigrqp;
  Logical memprip;
  std::int32_t indpltp;
  std::span<const std::int32_t, 5> kup;
  std::span<const float, V::p_rtnds - 1> ap, bp;
  std::span<const std::int32_t, 7> bndx0p, bndxlp, bndy0p, bndylp;
  float rxp, ryp, rxyp;
  std::span<const std::int32_t, V::p_stf> istxp, istyp;
  std::span<const std::int32_t, V::p_rtnds - 1> elmstfp;
  std::span<const float, 4 * V::p_stf> steifxp, steifyp;  // (4, p_stf) column-major
  float alfaxp, alfayp;
};

template <class V>
void ruvomain(const RunArguments<V>& args);

// ruvomain with options, returning how the run ended.
template <class V>
RunStatus run_analysis(const RunArguments<V>& args, const RunOptions& options);

// Moves the nonzero freedom codes of `ku` to the front in their order, then
// sorts the first `knfun` ascending (selection sort, first smallest wins).
void compact_freedoms(Array<std::int32_t, 5>& ku, std::int32_t knfun);

}  // namespace ruvo
