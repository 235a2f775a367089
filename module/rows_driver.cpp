// Routines of the analysis entry: driver, reset and analysis type.
#include "driver/analysis_type.hpp"
#include "driver/callruvo.hpp"
#include "driver/initlz.hpp"
#include "driver/ruvomain.hpp"
#include "model/variants.hpp"
#include "module/row_call.hpp"
#include "module/tables.hpp"

namespace ruvo::module {
namespace {

// A fixed-size argument array, its size guaranteed by the conversion.
template <std::size_t N, class T, class C>
std::span<const T, N> fixed(C& c, typename C::template Name<Want{row_text::type_of<T>(), -1}> name) {
  return std::span<const T, N>(c.template data<T>(name), N);
}

template <class V, class C>
void call_ruvomain(C& c) {
  constexpr std::size_t lines = V::p_rtnds - 1, stf = V::p_stf;
  const RunArguments<V> args{.proj = c.text("proj"),
                             .titp = c.text("titp"),
                             .buckp = c.i4("buckp"),
                             .itabp = c.i4("itabp"),
                             .neigitp = c.i4("neigitp"),
                             .neigrqp = c.i4("neigrqp"),
                             .memprip = c.i4("memprip"),
                             .indpltp = c.i4("indpltp"),
                             .kup = fixed<5, std::int32_t>(c, "kup"),
                             .ap = fixed<lines, float>(c, "ap"),
                             .bp = fixed<lines, float>(c, "bp"),
                             .bndx0p = fixed<7, std::int32_t>(c, "bndx0p"),
                             .bndxlp = fixed<7, std::int32_t>(c, "bndxlp"),
                             .bndy0p = fixed<7, std::int32_t>(c, "bndy0p"),
                             .bndylp = fixed<7, std::int32_t>(c, "bndylp"),
                             .rxp = c.f4("rxp"),
                             .ryp = c.f4("ryp"),
                             .rxyp = c.f4("rxyp"),
                             .istxp = fixed<stf, std::int32_t>(c, "istxp"),
                             .istyp = fixed<stf, std::int32_t>(c, "istyp"),
                             .elmstfp = fixed<lines, std::int32_t>(c, "elmstfp"),
                             .steifxp = fixed<4 * stf, float>(c, "steifxp"),
                             .steifyp = fixed<4 * stf, float>(c, "steifyp"),
                             .alfaxp = c.f4("alfaxp"),
                             .alfayp = c.f4("alfayp")};
  ruvomain<V>(args);
}

template <class V, class C>
PanelArguments<V> panel_arguments(C& c) {
  constexpr std::size_t lines = V::p_rtnds - 1, stf = V::p_stf;
  return {.filenamep = c.text("filenamep"),
          .titp = c.text("titp"),
          .rxp = c.f4("rxp"),
          .ryp = c.f4("ryp"),
          .rxyp = c.f4("rxyp"),
          .matabdf = fixed<2 * laminate_column::stiffness_rows, float>(c, "matabdf"),
          .steifxf = fixed<4, float>(c, "steifxf"),
          .steifyf = fixed<4, float>(c, "steifyf"),
          .framepitch = c.f4("framepitch"),
          .stringerpitch = c.f4("stringerpitch"),
          .stypep = c.i4("stypep"),
          .chordwdth = c.f4("chordwdth"),
          .sfootwdth = c.f4("sfootwdth"),
          .alpha = c.f4("alpha"),
          .height = c.f4("height"),
          .loadvxp = c.f4("loadvxp"),
          .loadvyp = c.f4("loadvyp"),
          .loadvxyp = c.f4("loadvxyp"),
          .fnxp = c.f4("fnxp"),
          .fnxyp = c.f4("fnxyp"),
          .fnyp = c.f4("fnyp"),
          .alfaxp = c.f4("alfaxp"),
          .alfayp = c.f4("alfayp"),
          .elamp = std::span<double, V::p_ngit>(c.template data<double>("elamp"), V::p_ngit),
          .membraneforcesp =
              std::span<double, V::p_ngit * 5>(c.template data<double>("membraneforcesp"), V::p_ngit * 5),
          .itab = c.i4("itab"),
          .neigit = c.i4("neigit"),
          .neigrq = c.i4("neigrq"),
          .mempri = c.i4("mempri"),
          .indplt = c.i4("indplt"),
          .ku = fixed<5, std::int32_t>(c, "ku"),
          .istx = fixed<stf, std::int32_t>(c, "istx"),
          .isty = fixed<stf, std::int32_t>(c, "isty"),
          .elmstf = fixed<lines, std::int32_t>(c, "elmstf"),
          .bndy0 = fixed<7, std::int32_t>(c, "bndy0"),
          .bndyl = fixed<7, std::int32_t>(c, "bndyl"),
          .bndx0 = fixed<7, std::int32_t>(c, "bndx0"),
          .bndxl = fixed<7, std::int32_t>(c, "bndxl"),
          .anzelzwframes = c.i4("anzelzwframes"),
          .anzelprohalbfoot = c.i4("anzelprohalbfoot"),
          .anzelzwstr = c.i4("anzelzwstr"),
          .anzelbelowstr = c.i4("anzelbelowstr"),
          .displ = c.template span<double>("displ")};
}

}  // namespace

template <class V>
std::vector<RoutineRow> driver_rows() {
  return {
      RUVO_ROW(
          "callruvo",
          "filenamep s(8), titp s(80), rxp f4, ryp f4, rxyp f4, matabdf f4(18,2), steifxf f4(4), steifyf "
          "f4(4), "
          "framepitch f4, stringerpitch f4, stypep i4, chordwdth f4, sfootwdth f4, alpha f4, height f4, "
          "loadvxp f4, loadvyp f4, loadvxyp f4, fnxp f4, fnxyp f4, fnyp f4, alfaxp f4, alfayp f4, "
          "elamp f8(55) inout, membraneforcesp f8(275) inout, itab i4, neigit i4, neigrq i4, mempri l4, "
          "indplt i4, ku i4(5), istx i4(p_stf), isty i4(p_stf), elmstf i4(p_rtnds-1), bndy0 i4(7), "
          "bndyl i4(7), bndx0 i4(7), bndxl i4(7), anzelzwframes i4, anzelprohalbfoot i4, anzelzwstr i4, "
          "anzelbelowstr i4, displ f8(p_nx*neigrq) inout",
          "", [](Args& c) { callruvo<V>(panel_arguments<V>(c)); },
          [](Args& c) { return callruvo_fault<V>(panel_arguments<V>(c)); }),
      RUVO_ROW(
          "ruvomain",
          "proj s(8), titp s(80), buckp l4, itabp i4, neigitp i4, neigrqp i4, memprip l4, indpltp i4, "
          "kup i4(5), ap f4(p_rtnds-1), bp f4(p_rtnds-1), bndx0p i4(7), bndxlp i4(7), bndy0p i4(7), "
          "bndylp i4(7), rxp f4, ryp f4, rxyp f4, istxp i4(p_stf), istyp i4(p_stf), elmstfp i4(p_rtnds-1), "
          "steifxp f4(4,p_stf), steifyp f4(4,p_stf), alfaxp f4, alfayp f4",
          "", call_ruvomain<V, Args>),
      RUVO_ROW("initlz", "", "", [](Args&) { initlz<V>(); }),
  };
}
RUVO_INSTANTIATE_ROWS(driver_rows)

std::vector<RoutineRow> driver_utility_rows() {
  return {
      RUVO_ROW("cktype", "ier i4", "", [](Args& c) { cktype(c.i4("ier")); }),
      RUVO_ROW("prtype", "", "", [](Args&) { prtype(); }),
      RUVO_ROW("rdtype", "ier i4", "", [](Args& c) { rdtype(c.i4("ier")); }),
  };
}

}  // namespace ruvo::module
