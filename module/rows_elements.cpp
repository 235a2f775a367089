// Routines of the element matrices: shape functions and freedom lookup,
// laminate stiffness, element terms, skin, stiffener and geometric stiffness.
// The checks refuse what would index outside the arrays passed or the
// variant's bounds; the routines' own failures go to ier and the listing.
#include <algorithm>

#include "elements/assembly_checks.hpp"
#include "elements/element_terms.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/laminate.hpp"
#include "elements/mass_matrix.hpp"
#include "elements/plate_matrices.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_matrices.hpp"
#include "model/blocks.hpp"
#include "model/variants.hpp"
#include "module/row_call.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

namespace {

using elements::profile_fault;

// The first fault of a list of checks, or an empty text.
template <class... Checks>
std::string first_fault(Checks&&... checks) {
  std::string why;
  ((why.empty() ? void(why = checks()) : void()), ...);
  return why;
}

// A small integer table argument copied in, passed to the routine and copied back.
template <class Table, class C>
void through_table(C& c, typename C::template Name<Want{Type::i4, -1}> name, auto&& routine) {
  Table table;
  std::int32_t* data = c.template data<std::int32_t>(name);
  std::copy_n(data, Table::size, table.data);
  routine(table);
  std::copy_n(table.data, Table::size, data);
}

template <class V>
std::span<const std::int32_t> lvtri() {
  return {state::comlv<V>().lvtri.data, V::p_nx};
}
template <class V>
std::span<const std::int32_t> lvb() {
  return {state::comlv<V>().lvb.data, V::p_nx};
}
template <class V>
std::span<const std::int32_t> lva22() {
  return {state::comlv<V>().lva22.data, V::p_ny};
}

// A W profile (a11, or a geometric stiffness through its own level vector).
template <class C>
std::string w_profile_fault(C& c, typename C::template Name<Want{Type::f8, -1}> a,
                            std::span<const std::int32_t> lv, std::string_view lv_name) {
  return profile_fault(a.text, c.template span<double>(a).size(), lv_name, lv, state::man.ix);
}

template <class C>
std::string a21_fault(C& c) {
  if (c.extent("a21", 1) < state::man.ix)
    return "a21 has " + std::to_string(c.extent("a21", 1)) +
           " columns, fewer than ix = " + std::to_string(state::man.ix);
  return {};
}

// The check of a stiffener row: the freedoms, the stiffeners, then the matrix `profile` checks.
template <class V, class Profile>
auto stiffener_check(Profile profile) {
  return [profile](auto& c) {
    return first_fault([] { return elements::freedom_fault<V>(); },
                       [] { return elements::stiffener_fault<V>(); }, [&] { return profile(c); });
  };
}

constexpr RowText stiffness_blocks =
    "bb f4(6,p_elmts), dd f4(6,p_elmts), bd f4(6,p_elmts), rr f4(6,p_elmts), dr f4(6,p_elmts), "
    "br f4(6,p_elmts), ss f4(3,p_elmts)";

template <std::size_t B, std::size_t A = 1>
consteval auto with_blocks(const char (&before)[B], const char (&after)[A] = "") {
  return row_text_of(before) + stiffness_blocks + row_text_of(after);
}

// Calls f(c, ch, bb, dd, bd, rr, dr, br, ss) with the arrays of the call.
template <class C, class F>
void with_element_arrays(C& c, F&& f) {
  f(c.template array<float, 2>("c"), c.template array<float, 2>("ch"), c.template array<float, 2>("bb"),
    c.template array<float, 2>("dd"), c.template array<float, 2>("bd"), c.template array<float, 2>("rr"),
    c.template array<float, 2>("dr"), c.template array<float, 2>("br"), c.template array<float, 2>("ss"));
}

template <class V, class C>
std::string element_loop_check(C&) {
  return element_loop_fault<V>();
}

}  // namespace

template <class V>
std::vector<RoutineRow> element_rows() {
  const auto a11_fault = [](auto& c) { return w_profile_fault(c, "a11", lvtri<V>(), "lvtri"); };
  const auto a22_fault = [](auto& c) {
    return profile_fault("a22", c.template span<double>("a22").size(), "lva22", lva22<V>(), state::man.iy);
  };
  const auto bmt_fault = [](auto& c) {
    return w_profile_fault(c, "bmt", c.template span<const std::int32_t>("lv"), "lv");
  };
  // The stiffener mass always goes through lvb.
  const auto mmt_fault = [](auto& c) {
    return first_fault(
        [&] { return w_profile_fault(c, "mmt", c.template span<const std::int32_t>("lv"), "lv"); },
        [&] { return w_profile_fault(c, "mmt", lvb<V>(), "lvb"); });
  };
  const auto a21_check = [](auto& c) { return a21_fault(c); };
  return {
      RUVO_ROW(
          "iuoriv", "i i4, j i4, ifun i4, iu i4(4,4), ier i4", "",
          [](Args& c) {
            through_table<ElementFreedoms>(c, "iu", [&](ElementFreedoms& iu) {
              iuoriv<V>(c.i4("i"), c.i4("j"), c.i4("ifun"), iu, c.i4("ier"));
            });
          },
          [](Args&) { return elements::grid_fault<V>(); }),
      RUVO_ROW(
          "kuorkv", "xory s(1), ii i4, jj i4, ifun i4, kv i4(2,4), ier i4", "",
          [](Args& c) {
            through_table<SegmentFreedoms>(c, "kv", [&](SegmentFreedoms& kv) {
              kuorkv<V>(c.text("xory")[0], c.i4("ii"), c.i4("jj"), c.i4("ifun"), kv, c.i4("ier"));
            });
          },
          [](Args& c) {
            if (c.i4("ifun") < 1 || c.i4("ifun") > 5)
              return "function ifun = " + std::to_string(c.i4("ifun")) + " is not within 1..5";
            return elements::grid_fault<V>();
          }),
      RUVO_ROW(
          "cmpa11", "a11 f8(*), ier i4", "",
          [](Args& c) { cmpa11<V>(c.span<double>("a11"), shared_inputs<V>(), c.i4("ier")); },
          [=](Args& c) {
            return first_fault([] { return elements::term_fault<V>(); },
                               [] { return elements::stiffener_fault<V>(); }, [&] { return a11_fault(c); });
          }),
      RUVO_ROW(
          "cmpa21", "a21 f8(p_ny,*), long_bn i4, ier i4", "",
          [](Args& c) {
            cmpa21<V>(c.array<double, 2>("a21"), c.i4("long_bn"), shared_inputs<V>(), c.i4("ier"));
          },
          [](Args& c) {
            return first_fault([] { return elements::term_fault<V>(); },
                               [] { return elements::stiffener_fault<V>(); }, [&] { return a21_fault(c); });
          }),
      RUVO_ROW(
          "cmpa22", "a22 f8(*), ier i4", "",
          [](Args& c) { cmpa22<V>(c.span<double>("a22"), shared_inputs<V>(), c.i4("ier")); },
          [=](Args& c) {
            return first_fault([] { return elements::term_fault<V>(); },
                               [] { return elements::stiffener_fault<V>(); }, [&] { return a22_fault(c); });
          }),
      RUVO_ROW(
          "a11xst", "a11 f8(*), ier i4", "",
          [](Args& c) { a11xst<V>(c.span<double>("a11"), state::f07dis<V>(), c.i4("ier")); },
          stiffener_check<V>(a11_fault)),
      RUVO_ROW(
          "a11yst", "a11 f8(*), ier i4", "",
          [](Args& c) { a11yst<V>(c.span<double>("a11"), state::f07dis<V>(), c.i4("ier")); },
          stiffener_check<V>(a11_fault)),
      RUVO_ROW(
          "a21ast", "xory s(1), a21 f8(p_ny,*), ier i4", "",
          [](Args& c) {
            a21ast<V>(c.text("xory")[0], c.array<double, 2>("a21"), state::f07dis<V>(), c.i4("ier"));
          },
          stiffener_check<V>(a21_check)),
      RUVO_ROW(
          "a22ast", "xory s(1), a22 f8(*), ier i4", "",
          [](Args& c) {
            a22ast<V>(c.text("xory")[0], c.span<double>("a22"), state::f07dis<V>(), c.i4("ier"));
          },
          stiffener_check<V>(a22_fault)),
      RUVO_ROW(
          "cmpbmt", "bmt f8(*), lv i4(*), pmem f4(p_nodes,3), fakt f4, ier i4", "",
          [](Args& c) {
            cmpbmt<V>(c.span<double>("bmt"), c.span<const std::int32_t>("lv"), c.array<float, 2>("pmem"),
                      c.f4("fakt"), shared_inputs<V>(), c.i4("ier"));
          },
          stiffener_check<V>(bmt_fault)),
      RUVO_ROW(
          "bmatst", "xory s(1), bmt f8(*), lv i4(*), pmem f4(p_nodes,3), fakt f4, ier i4", "",
          [](Args& c) {
            bmatst<V>(c.text("xory")[0], c.span<double>("bmt"), c.span<const std::int32_t>("lv"),
                      c.array<float, 2>("pmem"), c.f4("fakt"), state::f07dis<V>(), state::f07aij.aij,
                      c.i4("ier"));
          },
          stiffener_check<V>(bmt_fault)),
      RUVO_ROW(
          "cmpmmt", "mmt f8(*) inout, lv i4(*)", "ier i4",
          [](Args& c) {
            cmpmmt<V>(c.span<double>("mmt"), c.span<const std::int32_t>("lv"), shared_inputs<V>(),
                      c.i4("ier"));
          },
          [=](Args& c) {
            return first_fault([] { return elements::freedom_fault<V>(); },
                               [] { return elements::stiffener_fault<V>(); }, [&] { return mmt_fault(c); });
          }),
      RUVO_ROW(
          "mmtst", "xory s(1), mmt f8(*) inout", "ier i4",
          [](Args& c) {
            mmtst<V>(c.text("xory")[0], c.span<double>("mmt"), state::f07dis<V>(), c.i4("ier"));
          },
          [](Args& c) {
            return first_fault([] { return elements::freedom_fault<V>(); },
                               [] { return elements::stiffener_fault<V>(); },
                               [&] { return w_profile_fault(c, "mmt", lvb<V>(), "lvb"); });
          }),
      RUVO_ROW(
          "f01kbf", "c f4(45,p_elmts), ch f4(3,p_elmts)", "",
          [](Args& c) { f01kbf<V>(c.array<float, 2>("c"), c.array<float, 2>("ch"), state::f01qua<V>()); },
          [](Args& c) {
            return first_fault(
                [] { return element_loop_fault<V>(); }, [] { return elements::strain_table_fault(); },
                [&] { return term_list_fault<V>(c.array<float, 2>("c"), c.array<float, 2>("ch")); });
          }),
      RUVO_ROW(
          "f01ktf", with_blocks("c f4(45,p_elmts), ch f4(3,p_elmts), "), "",
          [](Args& c) { with_element_arrays(c, [](auto... a) { f01ktf<V>(a...); }); },
          element_loop_check<V, Args>),
      RUVO_ROW(
          "tczinc", "trm f4(6,6), c f4(45,p_elmts), bb f4(6,p_elmts), d l4, k i4, ks i4, ielm i4", "",
          [](Args& c) {
            tczinc(c.array<float, 2>("trm"), c.array<float, 2>("c"), c.array<float, 2>("bb"), c.i4("d") != 0,
                   c.i4("k"), c.i4("ks"), c.i4("ielm"));
          },
          [](Args& c) {
            return block_placement_fault(c.i4("d") != 0, c.i4("k"), c.i4("ks"), c.i4("ielm"), V::p_elmts);
          }),
      RUVO_ROW(
          "tfmstf", with_blocks("c f4(45,p_elmts), ch f4(3,p_elmts), ", ", ier i4"), "",
          [](Args& c) { with_element_arrays(c, [&](auto... a) { tfmstf<V>(a..., c.i4("ier")); }); },
          element_loop_check<V, Args>),
      RUVO_ROW(
          "tminc", "cp f4, trm f4(6,6), ch f4(3,p_elmts), rx f4, ry f4, rxy f4, ss f4(3,p_elmts)", "",
          [](Args& c) {
            tminc<V>(c.f4("cp"), c.array<float, 2>("trm"), c.array<float, 2>("ch"), c.f4("rx"), c.f4("ry"),
                     c.f4("rxy"), c.array<float, 2>("ss"));
          },
          element_loop_check<V, Args>),
  };
}
RUVO_INSTANTIATE_ROWS(element_rows)

std::vector<RoutineRow> element_utility_rows() {
  return {
      RUVO_ROW("phi", "i i4, z f4, val f4, ier i4", "",
               [](Args& c) { phi(c.i4("i"), c.f4("z"), c.f4("val"), c.i4("ier")); }),
      RUVO_ROW(
          "abdetc",
          "nla i4, thkply f4(*), angply f4(*), q f4(4), thklam f4, aal f4(3,3), ddl f4(3,3), adl f4(3,3), "
          "ier i4",
          "",
          [](Args& c) {
            abdetc(c.i4("nla"), c.span<const float>("thkply"), c.span<const float>("angply"),
                   c.span<const float>("q"), c.f4("thklam"), c.array<float, 2>("aal"),
                   c.array<float, 2>("ddl"), c.array<float, 2>("adl"), c.i4("ier"));
          },
          [](Args& c) { return abdetc_fault(c.i4("nla"), c.size("thkply"), c.size("angply")); }),
      RUVO_ROW(
          "trnpsi", "psi f4, a f4(m,m), [m i4 = shape(a,0)]", "b f4(m,m), ier i4",
          [](Args& c) {
            const std::int32_t m = c.i4("m");
            trnpsi(m, c.f4("psi"), ArrayRef<const float, 2>(c.data<float>("a"), {m, m}),
                   c.array<float, 2>("b"), c.i4("ier"));
          },
          [](Args& c) -> std::string {
            if (c.extent("a", 1) == c.i4("m")) return {};
            return "a has " + std::to_string(c.extent("a", 1)) +
                   " columns, not m = " + std::to_string(c.i4("m"));
          }),
  };
}

}  // namespace ruvo::module
