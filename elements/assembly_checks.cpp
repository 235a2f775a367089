#include "elements/assembly_checks.hpp"

#include <algorithm>

#include "elements/shape_functions.hpp"
#include "model/blocks.hpp"
#include "model/data_checks.hpp"

namespace ruvo::elements {

namespace {

std::string num(std::int64_t v) { return std::to_string(v); }

std::string outside(std::string_view item, std::int64_t value, std::int64_t low, std::int64_t high) {
  return std::string(item) + " = " + num(value) + " is not within " + num(low) + ".." + num(high);
}

// The words of a data fault: NAME(i,j) = value is not within low..high.
std::string describe(const DataFault& f) {
  std::string item(f.name);
  if (f.indices > 0) {
    item += "(" + num(f.index[0]);
    if (f.indices > 1) item += "," + num(f.index[1]);
    item += ")";
  }
  return outside(item, f.value, f.low, f.high);
}

bool within(std::int64_t v, std::int64_t low, std::int64_t high) { return v >= low && v <= high; }

constexpr const char* no_code = " is no derivative code (function 1..5, orders up to 2 in x and y)";

}  // namespace

template <class V>
std::string grid_fault() {
  if (DataFault f = ruvo::grid_fault<V>(1)) return describe(f);
  if (DataFault f = node_number_fault<V>()) return describe(f);
  return {};
}

template <class V>
std::string freedom_fault() {
  if (std::string why = grid_fault<V>(); !why.empty()) return why;
  if (DataFault f = function_range_fault<V>()) return describe(f);
  const auto& man = state::man;
  if (!within(man.ix, 0, V::p_nx)) return outside("IX", man.ix, 0, V::p_nx);
  if (!within(man.iy, 0, V::p_ny)) return outside("IY", man.iy, 0, V::p_ny);
  const auto& ina = state::f07ina<V>();
  const auto& lm = state::f07mat<V>().lm;
  for (int f = 1; f <= 5; ++f) {
    if (!carries_function<V>(f)) continue;
    const int last = f == 1 ? man.ix : man.iy;
    for (int j = 1; j <= ina.mx; ++j)
      for (int i = 1; i <= ina.my; ++i)
        for (int kind = 1; kind <= 4; ++kind) {
          const int n = ina.leit(i, j);
          if (!within(lm(f, kind, n), 0, last))
            return outside("LM(" + num(f) + "," + num(kind) + "," + num(n) + ")", lm(f, kind, n), 0, last);
        }
  }
  return {};
}

template <class V>
std::string term_fault() {
  if (std::string why = freedom_fault<V>(); !why.empty()) return why;
  if (DataFault f = term_count_fault<V>()) return describe(f);
  const auto& ina = state::f07ina<V>();
  const auto& q = state::f01qua<V>();
  const int elements = (ina.mx - 1) * (ina.my - 1);
  for (int e = 1; e <= elements; ++e)
    for (int t = 1; t <= q.ikt(e); ++t)
      for (int factor = 1; factor <= 2; ++factor) {
        const std::int32_t code = q.kquad(t, factor, e);
        if (!is_derivative_code(code))
          return "KQUAD(" + num(t) + "," + num(factor) + "," + num(e) + ") = " + num(code) + no_code;
      }
  return {};
}

std::string strain_table_fault() {
  const DataFault f = strain_code_fault();
  if (!f) return {};
  return "KEPS(" + num(f.index[0]) + "," + num(f.index[1]) + ") = " + num(f.value) + no_code;
}

template <class V>
std::string stiffener_fault() {
  if (DataFault f = stiffener_count_fault<V>()) return describe(f);
  if (DataFault f = stiffener_line_fault<V>()) return describe(f);
  return {};
}

std::string profile_fault(std::string_view a_name, std::size_t a_size, std::string_view lv_name,
                          std::span<const std::int32_t> lv, std::int64_t n) {
  if (std::int64_t(lv.size()) < n)
    return std::string(lv_name) + " holds " + num(lv.size()) + " entries, fewer than the order " + num(n);
  for (std::int64_t r = 1; r <= n; ++r) {
    const std::int64_t level = lv[r - 1];
    if (level < 0 || level + r > std::int64_t(a_size))
      return std::string(lv_name) + "(" + num(r) + ") = " + num(level) + " does not fit " +
             std::string(a_name) + " of " + num(a_size) + " entries for row " + num(r);
  }
  return {};
}

#define RUVO_INSTANTIATE(V)                \
  template std::string grid_fault<V>();    \
  template std::string freedom_fault<V>(); \
  template std::string term_fault<V>();    \
  template std::string stiffener_fault<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo::elements
