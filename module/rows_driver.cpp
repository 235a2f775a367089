// Routines of the analysis entry: driver, reset and analysis type.
#include "driver/analysis_type.hpp"
#include "driver/initlz.hpp"
#include "driver/ruvomain.hpp"
#include "model/variants.hpp"
#include "module/tables.hpp"

namespace ruvo::module {
namespace {

// A fixed-size argument array, its size guaranteed by the conversion.
template <std::size_t N, class T>
std::span<const T, N> fixed(Call& c, std::string_view name) {
  return std::span<const T, N>(c.data<T>(name), N);
}

template <class V>
void call_ruvomain(Call& c) {
  constexpr std::size_t lines = V::p_rtnds - 1, stf = V::p_stf;
  const RunArguments<V> args{
      c.text("proj"), c.text("titp"), c.i4("buckp"), c.i4("itabp"), c.i4("neigitp"), c.i4("neigrqp"),
      c.i4("memprip"), c.i4("indpltp"), fixed<5, std::int32_t>(c, "kup"), fixed<lines, float>(c, "ap"),
      fixed<lines, float>(c, "bp"), fixed<7, std::int32_t>(c, "bndx0p"), fixed<7, std::int32_t>(c, "bndxlp"),
      fixed<7, std::int32_t>(c, "bndy0p"), fixed<7, std::int32_t>(c, "bndylp"), c.f4("rxp"), c.f4("ryp"),
      c.f4("rxyp"), fixed<stf, std::int32_t>(c, "istxp"), fixed<stf, std::int32_t>(c, "istyp"),
      fixed<lines, std::int32_t>(c, "elmstfp"), fixed<4 * stf, float>(c, "steifxp"),
      fixed<4 * stf, float>(c, "steifyp"), c.f4("alfaxp"), c.f4("alfayp")};
  ruvomain<V>(args);
}

}  // namespace

template <class V>
std::vector<RoutineRow> driver_rows() {
  return {
      {"ruvomain",
       "proj s(8), titp s(80), buckp l4, itabp i4, neigitp i4, neigrqp i4, memprip l4, indpltp i4, "
       "kup i4(5), ap f4(p_rtnds-1), bp f4(p_rtnds-1), bndx0p i4(7), bndxlp i4(7), bndy0p i4(7), "
       "bndylp i4(7), rxp f4, ryp f4, rxyp f4, istxp i4(p_stf), istyp i4(p_stf), elmstfp i4(p_rtnds-1), "
       "steifxp f4(4,p_stf), steifyp f4(4,p_stf), alfaxp f4, alfayp f4",
       "", call_ruvomain<V>},
      {"initlz", "", "", [](Call&) { initlz<V>(); }},
  };
}
RUVO_INSTANTIATE_ROWS(driver_rows)

std::vector<RoutineRow> driver_utility_rows() {
  return {
      {"cktype", "ier i4", "", [](Call& c) { cktype(c.i4("ier")); }},
      {"prtype", "", "", [](Call&) { prtype(); }},
      {"rdtype", "ier i4", "", [](Call& c) { rdtype(c.i4("ier")); }},
  };
}

}  // namespace ruvo::module
