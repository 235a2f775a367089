#include "model/data_checks.hpp"

#include <algorithm>
#include <cmath>

#include "model/blocks.hpp"

namespace ruvo {

namespace {

DataFault fault(FaultCode code, FaultKind kind, std::string_view name, std::int64_t value, std::int64_t low,
                std::int64_t high) {
  DataFault f;
  f.code = code;
  f.kind = kind;
  f.name = name;
  f.value = value;
  f.low = low;
  f.high = high;
  return f;
}

DataFault indexed(DataFault f, std::int32_t i) {
  f.indices = 1;
  f.index[0] = i;
  return f;
}

DataFault indexed(DataFault f, std::int32_t i, std::int32_t j) {
  f.indices = 2;
  f.index[0] = i;
  f.index[1] = j;
  return f;
}

bool within(std::int64_t v, std::int64_t low, std::int64_t high) { return v >= low && v <= high; }

// The first of lengths(1..n) that is not positive and finite.
template <int N>
DataFault first_bad_length(const Array<float, N>& lengths, int n, std::string_view name) {
  for (int i = 1; i <= n; ++i) {
    const float v = lengths(i);
    if (!(v > 0) || !std::isfinite(v)) {
      DataFault f = indexed(fault(FaultCode::subdivision_length, FaultKind::not_length, name, 0, 0, 0), i);
      f.real = v;
      return f;
    }
  }
  return {};
}

DataFault real_fault(FaultCode code, FaultKind kind, std::string_view name, float value) {
  DataFault f = fault(code, kind, name, 0, 0, 0);
  f.real = value;
  return f;
}

template <int N>
float longest(const Array<float, N>& lengths, int n) {
  float m = 0.0f;
  for (int i = 1; i <= n; ++i) m = std::max(m, lengths(i));
  return m;
}

// The first of lengths(1..n) below longest / longest_to_shortest.
template <int N>
DataFault first_short_length(const Array<float, N>& lengths, int n, float longest, std::string_view name) {
  for (int i = 1; i <= n; ++i)
    if (lengths(i) < longest / float(longest_to_shortest)) {
      DataFault f =
          indexed(real_fault(FaultCode::short_element, FaultKind::short_length, name, lengths(i)), i);
      f.limit = longest;
      f.high = longest_to_shortest;
      return f;
    }
  return {};
}

}  // namespace

int leading_nonzero(const std::int32_t* first, int n, std::ptrdiff_t stride) {
  int k = 0;
  while (k < n && first[k * stride] != 0) ++k;
  return k;
}

template <class V>
DataFault grid_fault(int lowest) {
  const auto& ina = state::f07ina<V>();
  if (!within(ina.mx, lowest, V::p_rtnds))
    return fault(FaultCode::grid_lines, FaultKind::outside, "MX", ina.mx, lowest, V::p_rtnds);
  if (!within(ina.my, lowest, V::p_rtnds))
    return fault(FaultCode::grid_lines, FaultKind::outside, "MY", ina.my, lowest, V::p_rtnds);
  return {};
}

template <class V>
DataFault length_fault() {
  const auto& ina = state::f07ina<V>();
  if (DataFault f = first_bad_length(ina.a, ina.mx - 1, "A")) return f;
  return first_bad_length(ina.b, ina.my - 1, "B");
}

template <class V>
DataFault laminate_fault() {
  const auto& elmstf = state::stiffcom<V>().elmstf;
  const auto& ina = state::f07ina<V>();
  const int rows = ina.mx > 1 ? ina.my - 1 : 0;  // rows that hold elements
  for (int j = 1; j <= rows; ++j)
    if (!within(elmstf(j), 1, V::p_abdstf))
      return indexed(
          fault(FaultCode::laminate_number, FaultKind::outside, "ELMSTF", elmstf(j), 1, V::p_abdstf), j);
  return {};
}

template <class V>
DataFault function_range_fault() {
  const auto& ina = state::f07ina<V>();
  if (!within(ina.knfun, 0, 5))
    return fault(FaultCode::functions, FaultKind::outside, "KNFUN", ina.knfun, 0, 5);
  for (int k = 1; k <= ina.knfun; ++k)
    if (!within(ina.ku(k), 1, 5))
      return indexed(fault(FaultCode::functions, FaultKind::outside, "KU", ina.ku(k), 1, 5), k);
  return {};
}

template <class V>
DataFault functions_fault() {
  const auto& ina = state::f07ina<V>();
  if (ina.knfun == 0) return fault(FaultCode::functions, FaultKind::outside, "KNFUN", ina.knfun, 1, 5);
  if (DataFault f = function_range_fault<V>()) return f;
  bool seen[6] = {};
  for (int k = 1; k <= ina.knfun; ++k) {
    if (seen[ina.ku(k)])
      return indexed(fault(FaultCode::functions, FaultKind::repeated, "KU", ina.ku(k), 0, 0), k);
    seen[ina.ku(k)] = true;
  }
  if (!seen[1]) return fault(FaultCode::functions, FaultKind::no_w, "KU", 0, 0, 0);
  // The combinations the freedom tables and the listing are laid out for, in order.
  static constexpr int combinations[4][5] = {{1}, {1, 2, 3}, {1, 4, 5}, {1, 2, 3, 4, 5}};
  for (const auto& c : combinations) {
    bool same = true;
    for (int k = 1; k <= 5; ++k) same = same && (k <= ina.knfun ? ina.ku(k) == c[k - 1] : c[k - 1] == 0);
    if (same) return {};
  }
  return fault(FaultCode::functions, FaultKind::combination, "KU", 0, 0, 0);
}

template <class V>
DataFault suppression_count_fault(int numsup) {
  if (!within(numsup, 0, V::p_nsup))
    return fault(FaultCode::suppression, FaultKind::outside, "NUMSUP", numsup, 0, V::p_nsup);
  return {};
}

template <class V>
DataFault suppression_fault(int numsup) {
  if (DataFault f = suppression_count_fault<V>(numsup)) return f;
  const auto& ina = state::f07ina<V>();
  const auto& idesup = state::f07ind.idesup;
  const std::int32_t high[4] = {5, 4, ina.my, ina.mx};
  for (int k = 1; k <= numsup; ++k)
    for (int r = 1; r <= 4; ++r)
      if (!within(idesup(r, k), 1, high[r - 1]))
        return indexed(
            fault(FaultCode::suppression, FaultKind::outside, "IDESUP", idesup(r, k), 1, high[r - 1]), r, k);
  return {};
}

template <class V>
DataFault short_element_fault() {
  const auto& ina = state::f07ina<V>();
  if (DataFault f = first_short_length(ina.a, ina.mx - 1, longest(ina.a, ina.mx - 1), "A")) return f;
  return first_short_length(ina.b, ina.my - 1, longest(ina.b, ina.my - 1), "B");
}

DataFault edge_code_fault() {
  static constexpr std::string_view names[5] = {"", "BNDY0", "BNDX0", "BNDYL", "BNDXL"};
  const auto& ki = state::f07ind.ki;
  for (int e = 1; e <= 4; ++e)
    if (ki(1, e) == 0)
      for (int j = 2; j <= 7; ++j)
        if (!within(ki(j, e), 0, 6))
          return indexed(fault(FaultCode::edge_code, FaultKind::outside, names[e], ki(j, e), 0, 6), j);
  return {};
}

bool is_derivative_code(std::int32_t code) {
  return code == 0 || (within(code / 100, 1, 5) && code % 100 / 10 <= 2 && code % 10 <= 2);
}

DataFault strain_code_fault() {
  const auto& keps = state::f01eps.keps;
  for (int a = 1; a <= 3; ++a)
    for (int m = 1; m <= 11; ++m)
      if (!is_derivative_code(keps(m, a)))
        return indexed(
            fault(FaultCode::derivative_code, FaultKind::no_derivative_code, "KEPS", keps(m, a), 0, 0), m, a);
  return {};
}

template <class V>
DataFault membrane_force_fault() {
  const auto& ina = state::f07ina<V>();
  struct Forces {
    const Array<float, V::p_nodes, 3>& values;
    std::string_view name;
  };
  for (const Forces& s : {Forces{state::cpvar<V>().pvar, "PVAR"}, Forces{state::cpfest<V>().pfest, "PFEST"}})
    for (int k = 1; k <= 3; ++k)
      for (int n = 1; n <= ina.mx * ina.my; ++n)
        if (!std::isfinite(s.values(n, k)))
          return indexed(real_fault(FaultCode::membrane_force, FaultKind::not_finite, s.name, s.values(n, k)),
                         n, k);
  return {};
}

DataFault radius_fault() {
  static constexpr std::string_view names[3] = {"RX", "RY", "RXY"};
  const auto& radii = state::f07inb.radii;
  for (int k = 1; k <= 3; ++k)
    if (!std::isfinite(radii(k)) || radii(k) == 0.0f)
      return real_fault(FaultCode::radius, FaultKind::no_radius, names[k - 1], radii(k));
  return {};
}

DataFault eigen_count_fault() {
  if (state::man.neigit < 2)
    return fault(FaultCode::eigen_counts, FaultKind::below, "NEIGIT", state::man.neigit, 2, 0);
  if (state::man.neigrq < 1)
    return fault(FaultCode::eigen_counts, FaultKind::below, "NEIGRQ", state::man.neigrq, 1, 0);
  return {};
}

template <class V>
DataFault stiffener_line_fault() {
  const auto& ina = state::f07ina<V>();
  const auto& dis = state::f07dis<V>();
  // x-stiffeners lie on y-lines, y-stiffeners on x-lines; the counts are
  // those of rddata (leading nonzero entries, at most the number of lines).
  struct Set {
    const Array<std::int32_t, V::p_stf>& lines;
    std::int32_t limit;
    std::string_view name;
  };
  for (const Set& s : {Set{dis.istx, ina.my, "ISTX"}, Set{dis.isty, ina.mx, "ISTY"}}) {
    const int n = std::min(leading_nonzero(s.lines.data, V::p_stf), s.limit);
    for (int i = 1; i <= n; ++i)
      if (!within(s.lines(i), 1, s.limit))
        return indexed(fault(FaultCode::stiffener_line, FaultKind::outside, s.name, s.lines(i), 1, s.limit),
                       i);
  }
  return {};
}

template <class V>
DataFault stiffener_count_fault() {
  const auto& dis = state::f07dis<V>();
  if (!within(dis.nox, 0, V::p_stf))
    return fault(FaultCode::inconsistent, FaultKind::outside, "NOX", dis.nox, 0, V::p_stf);
  if (!within(dis.noy, 0, V::p_stf))
    return fault(FaultCode::inconsistent, FaultKind::outside, "NOY", dis.noy, 0, V::p_stf);
  return {};
}

template <class V>
DataFault node_number_fault() {
  const auto& ina = state::f07ina<V>();
  for (int j = 1; j <= ina.mx; ++j)
    for (int i = 1; i <= ina.my; ++i)
      if (!within(ina.leit(i, j), 1, V::p_nodes))
        return indexed(
            fault(FaultCode::inconsistent, FaultKind::outside, "LEIT", ina.leit(i, j), 1, V::p_nodes), i, j);
  return {};
}

template <class V>
DataFault term_count_fault() {
  const auto& ina = state::f07ina<V>();
  const auto& ikt = state::f01qua<V>().ikt;
  const int elements = std::max(ina.mx - 1, 0) * std::max(ina.my - 1, 0);
  for (int e = 1; e <= elements; ++e)
    if (!within(ikt(e), 0, V::p_itrm))
      return indexed(fault(FaultCode::inconsistent, FaultKind::outside, "IKT", ikt(e), 0, V::p_itrm), e);
  return {};
}

#define RUVO_INSTANTIATE(V)                           \
  template DataFault grid_fault<V>(int);              \
  template DataFault length_fault<V>();               \
  template DataFault short_element_fault<V>();        \
  template DataFault membrane_force_fault<V>();       \
  template DataFault laminate_fault<V>();             \
  template DataFault function_range_fault<V>();       \
  template DataFault functions_fault<V>();            \
  template DataFault suppression_count_fault<V>(int); \
  template DataFault suppression_fault<V>(int);       \
  template DataFault stiffener_line_fault<V>();       \
  template DataFault stiffener_count_fault<V>();      \
  template DataFault node_number_fault<V>();          \
  template DataFault term_count_fault<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
