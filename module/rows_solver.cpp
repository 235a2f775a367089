// Routines of the eigenvalue solution shared by all variants. The checks
// refuse calls whose arrays are too short for what the routine would index;
// routines without an error code also have their other argument faults
// refused here, the others report them through ier.
#include <span>

#include "elements/assembly_checks.hpp"
#include "input/setkey.hpp"
#include "model/blocks.hpp"
#include "model/variants.hpp"
#include "module/row_call.hpp"
#include "module/tables.hpp"
#include "solver/buckling.hpp"
#include "solver/buvi.hpp"
#include "solver/crippling.hpp"
#include "solver/global_buckling.hpp"
#include "solver/level_vector.hpp"
#include "solver/profile_routines.hpp"
#include "solver/subspace_routines.hpp"
#include "solver/vibration.hpp"

namespace ruvo::module {

namespace {

std::string any_fault(const ArgumentFault& f) { return f.text; }
std::string array_fault(const ArgumentFault& f) {
  return f.kind == ArgumentFault::array ? f.text : std::string();
}

}  // namespace

std::vector<RoutineRow> solver_utility_rows() {
  return {
      RUVO_ROW("mklvbd", "lv i4(*), nn i4, ibd i4, ier i4", "",
               [](Args& c) { mklvbd(c.array<std::int32_t, 1>("lv"), c.i4("nn"), c.i4("ibd"), c.i4("ier")); }),
      RUVO_ROW(
          "chodec", "a f8(*), ibd i4, lv i4(n), ier i4, [n i4 = shape(lv,0)]", "",
          [](Args& c) {
            chodec(c.span<double>("a"), c.i4("n"), c.i4("ibd"), c.span<const std::int32_t>("lv"),
                   c.i4("ier"));
          },
          [](Args& c) {
            return array_fault(profile_fault(c.span<const double>("a"), c.i4("n"), c.i4("ibd"),
                                             c.span<const std::int32_t>("lv")));
          }),
      RUVO_ROW(
          "chosol",
          "a f8(*), ibd i4, lv i4(n), x f8(n,m), y f8(n), [n i4 = shape(lv,0)], [m i4 = shape(x,1)]", "",
          [](Args& c) {
            chosol(c.span<const double>("a"), c.i4("n"), c.i4("ibd"), c.span<const std::int32_t>("lv"),
                   c.span<double>("x"), c.i4("m"), c.span<double>("y"));
          },
          [](Args& c) {
            return any_fault(chosol_fault(c.span<const double>("a"), c.i4("n"), c.i4("ibd"),
                                          c.span<const std::int32_t>("lv"), c.span<const double>("x"),
                                          c.i4("m"), c.span<const double>("y")));
          }),
      RUVO_ROW(
          "probtm", "a f8(*), ibd i4, lv i4(n), b f8(n,m), m1 i4, [n i4 = shape(lv,0)], [m i4 = shape(b,1)]",
          "c f8(n,m)",
          [](Args& c) {
            probtm(c.span<const double>("a"), c.i4("n"), c.i4("ibd"), c.span<const std::int32_t>("lv"),
                   c.span<const double>("b"), c.i4("m1"), c.i4("m"), c.span<double>("c"));
          },
          [](Args& c) {
            return any_fault(probtm_fault(c.span<const double>("a"), c.i4("n"), c.i4("ibd"),
                                          c.span<const std::int32_t>("lv"), c.span<const double>("b"),
                                          c.i4("m1"), c.i4("m"), c.span<const double>("c")));
          }),
      RUVO_ROW(
          "simvit",
          "neigrq i4, a f8(*), b f8(*), ibda i4, ibdb i4, lvbnda i4(*), lvbndb i4(*), eps f8, elam f8(*), "
          "x f8(n,neigit), jac i4, ip i4, lvtri i4(*), ier i4, [neigit i4 = shape(x,1)], [n i4 = shape(x,0)]",
          "",
          [](Args& c) {
            simvit(c.i4("neigrq"), c.i4("neigit"), c.span<const double>("a"), c.span<const double>("b"),
                   c.i4("n"), c.i4("ibda"), c.i4("ibdb"), c.span<const std::int32_t>("lvbnda"),
                   c.span<const std::int32_t>("lvbndb"), c.f8("eps"), c.span<double>("elam"),
                   c.span<double>("x"), c.i4("jac"), c.i4("ip"), c.span<const std::int32_t>("lvtri"),
                   c.i4("ier"));
          },
          [](Args& c) {
            return array_fault(simvit_fault(
                c.i4("neigrq"), c.i4("neigit"), c.span<const double>("a"), c.span<const double>("b"),
                c.i4("n"), c.i4("ibda"), c.i4("ibdb"), c.span<const std::int32_t>("lvbnda"),
                c.span<const std::int32_t>("lvbndb"), c.f8("eps"), c.span<const double>("elam"),
                c.span<const double>("x"), c.span<const std::int32_t>("lvtri")));
          }),
      RUVO_ROW(
          "jacob2", "a f8(*), lvtri i4(n), eps f8, ys f8(n,n), ier i4, [n i4 = shape(lvtri,0)]", "",
          [](Args& c) {
            jacob2(c.span<double>("a"), c.i4("n"), c.span<const std::int32_t>("lvtri"), c.f8("eps"),
                   c.span<double>("ys"), c.i4("ier"));
          },
          [](Args& c) {
            return array_fault(jacob2_fault(c.span<const double>("a"), c.i4("n"),
                                            c.span<const std::int32_t>("lvtri"), c.span<const double>("ys")));
          }),
      RUVO_ROW("chneig", "", "", [](Args&) { chneig(); }),
      RUVO_ROW("cripplingt", "ier i4", "", [](Args& c) { cripplingt(c.i4("ier")); }),
      RUVO_ROW("cripplingo", "ier i4", "", [](Args& c) { cripplingo(c.i4("ier")); }),
  };
}

// The key matrix of this model state and the profiles built on it: ix >= 1
// (iy >= 1 when the freedoms hold more than W), lvtri the full triangle of
// order ix, lvb and lva22 the bands ibdx, ibdy, each within its matrix, all
// built after the last data input.
template <class V>
std::string matrix_fault() {
  auto& lv = state::comlv<V>();
  auto& m = state::matrix<V>();
  const Man& man = state::man;
  const auto& ina = state::f07ina<V>();
  auto fault = [](std::span<const double> a, std::int32_t n, std::int32_t ibd,
                  std::span<const std::int32_t> v, ProfileNames names) {
    const ArgumentFault f = profile_fault(a, n, ibd, v, 1, names);
    return f ? "no key matrix for this model state: " + f.text : std::string();
  };
  if (!key_matrix_current())
    return "no key matrix for this model state: none was built after the last data input";
  std::string why = fault(m.a11.data, man.ix, man.ix, lv.lvtri.data, {"a11", "ix", "lvtri"});
  if (why.empty()) why = fault(m.b11.data, man.ix, ina.ibdx, lv.lvb.data, {"b11", "ibdx", "lvb"});
  if (why.empty() && (man.iy != 0 || ina.knfun > 1))
    why = fault(m.a22.data, man.iy, ina.ibdy, lv.lva22.data, {"a22", "ibdy", "lva22"});
  return why;
}

// What the assembly of the four matrices indexes.
template <class V>
std::string assembly_fault() {
  std::string why = elements::term_fault<V>();
  if (why.empty()) why = elements::stiffener_fault<V>();
  return why.empty() ? matrix_fault<V>() : why;
}

template <class V>
std::string solution_fault() {
  std::string why = elements::freedom_fault<V>();
  if (why.empty()) why = elements::stiffener_fault<V>();
  if (why.empty() && state::man.neigit > V::p_ngit)
    why = "neigit = " + std::to_string(state::man.neigit) + " is above p_ngit";
  if (why.empty() && state::man.neigrq > V::p_ngrq)
    why = "neigrq = " + std::to_string(state::man.neigrq) + " is above p_ngrq";
  return why.empty() ? matrix_fault<V>() : why;
}

template <class V>
std::vector<RoutineRow> solver_rows() {
  return {
      RUVO_ROW(
          "buvi", "ier i4", "", [](Args& c) { buvi<V>(c.i4("ier")); },
          [](Args&) {
            return elements::profile_fault("a11", V::p_la11, "lvtri", {state::comlv<V>().lvtri.data, V::p_nx},
                                           V::p_nx);
          }),
      RUVO_ROW(
          "incs2", "ier i4", "", [](Args& c) { incs2<V>(c.i4("ier")); },
          [](Args&) { return assembly_fault<V>(); }),
      RUVO_ROW(
          "incs3",
          "long_bn i4, bb f4(6,*), dd f4(6,*), bd f4(6,*), rr f4(6,*), dr f4(6,*), br f4(6,*), ss f4(3,*), "
          "ier i4, "
          "fstbui f4",
          "", [](Args& c) { incs3<V>(c.i4("ier"), c.f4("fstbui")); },
          [](Args&) { return solution_fault<V>(); }),
      RUVO_ROW(
          "vibs2", "ier i4", "", [](Args& c) { vibs2<V>(c.i4("ier")); },
          [](Args&) { return assembly_fault<V>(); }),
      RUVO_ROW(
          "vibs3", "long_bn i4, bb f4(6,*), dd f4(6,*), bd f4(6,*), rr f4, dr f4, br f4, ss f4, ier i4", "",
          [](Args& c) { vibs3<V>(c.i4("ier")); }, [](Args&) { return solution_fault<V>(); }),
      RUVO_ROW(
          "glbuck", "bb f4(6,*), dd f4(6,*), bd f4(6,*), ier i4, fstbug f4", "",
          [](Args& c) { glbuck<V>(c.array<const float, 2>("bb"), c.i4("ier"), c.f4("fstbug")); },
          [](Args& c) -> std::string { return c.extent("bb", 1) < 1 ? "bb has no column" : ""; }),
  };
}
RUVO_INSTANTIATE_ROWS(solver_rows)

}  // namespace ruvo::module
