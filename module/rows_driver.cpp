// Routines of the analysis entry: driver, reset and analysis type.
#include "driver/analysis_type.hpp"
#include "driver/callruvo.hpp"
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

template <class V>
PanelArguments<V> panel_arguments(Call& c) {
  constexpr std::size_t lines = V::p_rtnds - 1, stf = V::p_stf;
  return {c.text("filenamep"), c.text("titp"), c.f4("rxp"), c.f4("ryp"), c.f4("rxyp"),
          fixed<36, float>(c, "matabdf"), fixed<4, float>(c, "steifxf"), fixed<4, float>(c, "steifyf"),
          c.f4("framepitch"), c.f4("stringerpitch"), c.i4("stypep"), c.f4("chordwdth"), c.f4("sfootwdth"),
          c.f4("alpha"), c.f4("height"), c.f4("loadvxp"), c.f4("loadvyp"), c.f4("loadvxyp"), c.f4("fnxp"),
          c.f4("fnxyp"), c.f4("fnyp"), c.f4("alfaxp"), c.f4("alfayp"),
          std::span<double, V::p_ngit>(c.data<double>("elamp"), V::p_ngit),
          std::span<double, V::p_ngit * 5>(c.data<double>("membraneforcesp"), V::p_ngit * 5), c.i4("itab"),
          c.i4("neigit"),
          c.i4("neigrq"), c.i4("mempri"), c.i4("indplt"), fixed<5, std::int32_t>(c, "ku"),
          fixed<stf, std::int32_t>(c, "istx"), fixed<stf, std::int32_t>(c, "isty"),
          fixed<lines, std::int32_t>(c, "elmstf"), fixed<7, std::int32_t>(c, "bndy0"),
          fixed<7, std::int32_t>(c, "bndyl"), fixed<7, std::int32_t>(c, "bndx0"), fixed<7, std::int32_t>(c, "bndxl"),
          c.i4("anzelzwframes"), c.i4("anzelprohalbfoot"), c.i4("anzelzwstr"), c.i4("anzelbelowstr"),
          c.span<double>("displ")};
}

}  // namespace

template <class V>
std::vector<RoutineRow> driver_rows() {
  return {
      {"callruvo",
       "filenamep s(8), titp s(80), rxp f4, ryp f4, rxyp f4, matabdf f4(18,2), steifxf f4(4), steifyf f4(4), "
       "framepitch f4, stringerpitch f4, stypep i4, chordwdth f4, sfootwdth f4, alpha f4, height f4, "
       "loadvxp f4, loadvyp f4, loadvxyp f4, fnxp f4, fnxyp f4, fnyp f4, alfaxp f4, alfayp f4, "
       "elamp f8(55) inout, membraneforcesp f8(275) inout, itab i4, neigit i4, neigrq i4, mempri l4, "
       "indplt i4, ku i4(5), istx i4(p_stf), isty i4(p_stf), elmstf i4(p_rtnds-1), bndy0 i4(7), "
       "bndyl i4(7), bndx0 i4(7), bndxl i4(7), anzelzwframes i4, anzelprohalbfoot i4, anzelzwstr i4, "
       "anzelbelowstr i4, displ f8(p_nx*neigrq) inout",
       "", [](Call& c) { callruvo<V>(panel_arguments<V>(c)); },
       [](Call& c) { return callruvo_fault<V>(panel_arguments<V>(c)); }},
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
