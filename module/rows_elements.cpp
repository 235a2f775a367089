// Routines of the element matrices: shape functions and freedom lookup,
// laminate stiffness, element terms, skin, stiffener and geometric stiffness.
// The checks refuse what would index outside the arrays passed or the
// variant's bounds; the routines' own failures go to ier and the listing.
#include <algorithm>

#include "elements/assembly_checks.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/mass_matrix.hpp"
#include "elements/plate_matrices.hpp"
#include "elements/shape_functions.hpp"
#include "elements/stiffener_matrices.hpp"
#include "model/blocks.hpp"
#include "model/variants.hpp"
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
template <class Table>
void through_table(Call& c, std::string_view name, auto&& routine) {
  Table table;
  std::int32_t* data = c.data<std::int32_t>(name);
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
template <class V>
std::string w_profile_fault(Call& c, std::string_view a, std::span<const std::int32_t> lv, std::string_view lv_name) {
  return profile_fault(a, c.span<double>(a).size(), lv_name, lv, state::man.ix);
}

template <class V>
std::string a21_fault(Call& c) {
  if (c.extent("a21", 1) < state::man.ix)
    return "a21 has " + std::to_string(c.extent("a21", 1)) + " columns, fewer than ix = " +
           std::to_string(state::man.ix);
  return {};
}

template <class V>
RoutineRow stiffener_row(std::string name, std::string arguments, void (*entry)(Call&),
                         std::string (*profile)(Call&)) {
  return {std::move(name), std::move(arguments), "", entry, [profile](Call& c) {
            return first_fault([] { return elements::freedom_fault<V>(); },
                               [] { return elements::stiffener_fault<V>(); }, [&] { return profile(c); });
          }};
}

}  // namespace

template <class V>
std::vector<RoutineRow> element_rows() {
  const auto a11_fault = [](Call& c) { return w_profile_fault<V>(c, "a11", lvtri<V>(), "lvtri"); };
  const auto a22_fault = [](Call& c) {
    return profile_fault("a22", c.span<double>("a22").size(), "lva22", lva22<V>(), state::man.iy);
  };
  const auto bmt_fault = [](Call& c) {
    return w_profile_fault<V>(c, "bmt", c.span<const std::int32_t>("lv"), "lv");
  };
  // The stiffener mass always goes through lvb.
  const auto mmt_fault = [](Call& c) {
    return first_fault([&] { return w_profile_fault<V>(c, "mmt", c.span<const std::int32_t>("lv"), "lv"); },
                       [&] { return w_profile_fault<V>(c, "mmt", lvb<V>(), "lvb"); });
  };
  return {
      {"iuoriv", "i i4, j i4, ifun i4, iu i4(4,4), ier i4", "",
       [](Call& c) {
         through_table<ElementFreedoms>(c, "iu", [&](ElementFreedoms& iu) {
           iuoriv<V>(c.i4("i"), c.i4("j"), c.i4("ifun"), iu, c.i4("ier"));
         });
       },
       [](Call&) { return elements::grid_fault<V>(); }},
      {"kuorkv", "xory s(1), ii i4, jj i4, ifun i4, kv i4(2,4), ier i4", "",
       [](Call& c) {
         through_table<SegmentFreedoms>(c, "kv", [&](SegmentFreedoms& kv) {
           kuorkv<V>(c.text("xory")[0], c.i4("ii"), c.i4("jj"), c.i4("ifun"), kv, c.i4("ier"));
         });
       },
       [](Call& c) {
         if (c.i4("ifun") < 1 || c.i4("ifun") > 5)
           return "function ifun = " + std::to_string(c.i4("ifun")) + " is not within 1..5";
         return elements::grid_fault<V>();
       }},
      {"cmpa11", "a11 f8(*), ier i4", "", [](Call& c) { cmpa11<V>(c.span<double>("a11"), c.i4("ier")); },
       [=](Call& c) {
         return first_fault([] { return elements::term_fault<V>(); },
                            [] { return elements::stiffener_fault<V>(); }, [&] { return a11_fault(c); });
       }},
      {"cmpa21", "a21 f8(p_ny,*), long_bn i4, ier i4", "",
       [](Call& c) { cmpa21<V>(c.array<double, 2>("a21"), c.i4("long_bn"), c.i4("ier")); },
       [](Call& c) {
         return first_fault([] { return elements::term_fault<V>(); },
                            [] { return elements::stiffener_fault<V>(); }, [&] { return a21_fault<V>(c); });
       }},
      {"cmpa22", "a22 f8(*), ier i4", "", [](Call& c) { cmpa22<V>(c.span<double>("a22"), c.i4("ier")); },
       [=](Call& c) {
         return first_fault([] { return elements::term_fault<V>(); },
                            [] { return elements::stiffener_fault<V>(); }, [&] { return a22_fault(c); });
       }},
      stiffener_row<V>("a11xst", "a11 f8(*), ier i4",
                       [](Call& c) { a11xst<V>(c.span<double>("a11"), c.i4("ier")); }, a11_fault),
      stiffener_row<V>("a11yst", "a11 f8(*), ier i4",
                       [](Call& c) { a11yst<V>(c.span<double>("a11"), c.i4("ier")); }, a11_fault),
      stiffener_row<V>("a21ast", "xory s(1), a21 f8(p_ny,*), ier i4",
                       [](Call& c) { a21ast<V>(c.text("xory")[0], c.array<double, 2>("a21"), c.i4("ier")); },
                       a21_fault<V>),
      stiffener_row<V>("a22ast", "xory s(1), a22 f8(*), ier i4",
                       [](Call& c) { a22ast<V>(c.text("xory")[0], c.span<double>("a22"), c.i4("ier")); },
                       a22_fault),
      stiffener_row<V>("cmpbmt", "bmt f8(*), lv i4(*), pmem f4(p_nodes,3), fakt f4, ier i4",
                       [](Call& c) {
                         cmpbmt<V>(c.span<double>("bmt"), c.span<const std::int32_t>("lv"),
                                   c.array<float, 2>("pmem"), c.f4("fakt"), c.i4("ier"));
                       },
                       bmt_fault),
      stiffener_row<V>("bmatst", "xory s(1), bmt f8(*), lv i4(*), pmem f4(p_nodes,3), fakt f4, ier i4",
                       [](Call& c) {
                         bmatst<V>(c.text("xory")[0], c.span<double>("bmt"), c.span<const std::int32_t>("lv"),
                                   c.array<float, 2>("pmem"), c.f4("fakt"), c.i4("ier"));
                       },
                       bmt_fault),
      {"cmpmmt", "mmt f8(*) inout, lv i4(*)", "ier i4",
       [](Call& c) { cmpmmt<V>(c.span<double>("mmt"), c.span<const std::int32_t>("lv"), c.i4("ier")); },
       [=](Call& c) {
         return first_fault([] { return elements::freedom_fault<V>(); },
                            [] { return elements::stiffener_fault<V>(); }, [&] { return mmt_fault(c); });
       }},
      {"mmtst", "xory s(1), mmt f8(*) inout", "ier i4",
       [](Call& c) { mmtst<V>(c.text("xory")[0], c.span<double>("mmt"), c.i4("ier")); },
       [](Call& c) {
         return first_fault([] { return elements::freedom_fault<V>(); },
                            [] { return elements::stiffener_fault<V>(); },
                            [&] { return w_profile_fault<V>(c, "mmt", lvb<V>(), "lvb"); });
       }},
  };
}
RUVO_INSTANTIATE_ROWS(element_rows)

std::vector<RoutineRow> element_utility_rows() {
  return {
      {"phi", "i i4, z f4, val f4, ier i4", "", [](Call& c) { phi(c.i4("i"), c.f4("z"), c.f4("val"), c.i4("ier")); }},
  };
}

}  // namespace ruvo::module
