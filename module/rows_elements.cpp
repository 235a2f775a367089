// Routines of the element matrices: shape functions and freedom lookup,
// laminate stiffness, element terms, skin, stiffener and geometric stiffness.
// The checks refuse what would index outside the arrays passed or the
// variant's bounds; the routines' own failures go to ier and the listing.
#include "elements/element_terms.hpp"
#include "elements/laminate.hpp"
#include "model/variants.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

namespace {

constexpr const char* stiffness_blocks =
    "bb f4(6,p_elmts), dd f4(6,p_elmts), bd f4(6,p_elmts), rr f4(6,p_elmts), dr f4(6,p_elmts), "
    "br f4(6,p_elmts), ss f4(3,p_elmts)";

std::string with_blocks(const char* before, const char* after = "") {
  return std::string(before) + stiffness_blocks + after;
}

// Calls f(c, ch, bb, dd, bd, rr, dr, br, ss) with the arrays of the call.
template <class F>
void with_element_arrays(Call& c, F&& f) {
  f(c.array<float, 2>("c"), c.array<float, 2>("ch"), c.array<float, 2>("bb"), c.array<float, 2>("dd"),
    c.array<float, 2>("bd"), c.array<float, 2>("rr"), c.array<float, 2>("dr"), c.array<float, 2>("br"),
    c.array<float, 2>("ss"));
}

template <class V>
std::string element_loop_check(Call&) {
  return element_loop_fault<V>();
}

}  // namespace

template <class V>
std::vector<RoutineRow> element_rows() {
  return {
      {"f01kbf", "c f4(45,p_elmts), ch f4(3,p_elmts)", "",
       [](Call& c) { f01kbf<V>(c.array<float, 2>("c"), c.array<float, 2>("ch")); },
       [](Call& c) {
         std::string fault = element_loop_fault<V>();
         return fault.empty() ? term_list_fault<V>(c.array<float, 2>("c"), c.array<float, 2>("ch")) : fault;
       }},
      {"f01ktf", with_blocks("c f4(45,p_elmts), ch f4(3,p_elmts), "), "",
       [](Call& c) { with_element_arrays(c, [](auto... a) { f01ktf<V>(a...); }); }, element_loop_check<V>},
      {"tczinc", "trm f4(6,6), c f4(45,p_elmts), bb f4(6,p_elmts), d l4, k i4, ks i4, ielm i4", "",
       [](Call& c) {
         tczinc(c.array<float, 2>("trm"), c.array<float, 2>("c"), c.array<float, 2>("bb"), c.i4("d") != 0,
                c.i4("k"), c.i4("ks"), c.i4("ielm"));
       },
       [](Call& c) { return block_placement_fault(c.i4("d") != 0, c.i4("k"), c.i4("ks"), c.i4("ielm"), V::p_elmts); }},
      {"tfmstf", with_blocks("c f4(45,p_elmts), ch f4(3,p_elmts), ", ", ier i4"), "",
       [](Call& c) {
         with_element_arrays(c, [&](auto... a) { tfmstf<V>(a..., c.i4("ier")); });
       },
       element_loop_check<V>},
      {"tminc", "cp f4, trm f4(6,6), ch f4(3,p_elmts), rx f4, ry f4, rxy f4, ss f4(3,p_elmts)", "",
       [](Call& c) {
         tminc<V>(c.f4("cp"), c.array<float, 2>("trm"), c.array<float, 2>("ch"), c.f4("rx"), c.f4("ry"),
                  c.f4("rxy"), c.array<float, 2>("ss"));
       },
       element_loop_check<V>},
  };
}
RUVO_INSTANTIATE_ROWS(element_rows)

std::vector<RoutineRow> element_utility_rows() {
  return {
      {"abdetc",
       "nla i4, thkply f4(*), angply f4(*), q f4(4), thklam f4, aal f4(3,3), ddl f4(3,3), adl f4(3,3), ier i4",
       "",
       [](Call& c) {
         abdetc(c.i4("nla"), c.span<const float>("thkply"), c.span<const float>("angply"),
                c.span<const float>("q"), c.f4("thklam"), c.array<float, 2>("aal"), c.array<float, 2>("ddl"),
                c.array<float, 2>("adl"), c.i4("ier"));
       },
       [](Call& c) { return abdetc_fault(c.i4("nla"), c.size("thkply"), c.size("angply")); }},
      {"trnpsi", "psi f4, a f4(m,m), [m i4 = shape(a,0)]", "b f4(m,m), ier i4",
       [](Call& c) {
         const std::int32_t m = c.i4("m");
         trnpsi(m, c.f4("psi"), ArrayRef<const float, 2>(c.data<float>("a"), {m, m}), c.array<float, 2>("b"),
                c.i4("ier"));
       },
       [](Call& c) -> std::string {
         if (c.extent("a", 1) == c.i4("m")) return {};
         return "a has " + std::to_string(c.extent("a", 1)) + " columns, not m = " + std::to_string(c.i4("m"));
       }},
  };
}

}  // namespace ruvo::module
