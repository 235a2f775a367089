#include "input/redfkq.hpp"

#include <algorithm>

#include "listing/data_faults.hpp"
#include "model/blocks.hpp"
#include "model/data_checks.hpp"

namespace ruvo {

namespace {

bool same_factors(const TermList& l, int i, int j) {
  const auto &a = l.code[0], &b = l.code[1];
  return (a[j] == a[i] && b[j] == b[i]) || (a[j] == b[i] && b[j] == a[i]);
}

// Term j (0-based) leaves the list of n terms: the later ones move down and
// the last place is cleared.
void remove_term(const TermList& l, int j, int n) {
  for (int t = j; t + 1 < n; ++t) {
    l.coefficient[t] = l.coefficient[t + 1];
    for (auto& c : l.code) c[t] = c[t + 1];
  }
  l.coefficient[n - 1] = 0;
  for (auto& c : l.code) c[n - 1] = 0;
}

}  // namespace

int merge_equal_terms(const TermList& list, int n) {
  for (int i = 0; i + 1 < n; ++i)
    for (int j = i + 1; j < n; ++j)
      if (same_factors(list, i, j)) {
        list.coefficient[i] += list.coefficient[j];
        remove_term(list, j, n);
        --n;
      }
  return n;
}

template <class V>
void redfkq() {
  DataFault f = grid_fault<V>(0);
  if (!f) f = term_count_fault<V>();
  if (f) {
    listing::print_fault(listing::Routine::redfkq, f, false);
    return;
  }
  const auto& ina = state::f07ina<V>();
  auto& q = state::f01qua<V>();
  const int elements = std::max(ina.mx - 1, 0) * std::max(ina.my - 1, 0);
  for (int e = 1; e <= elements; ++e) {
    auto column = [&](int c) { return std::span<std::int32_t>(&q.kquad(1, c, e), V::p_itrm); };
    const TermList list{std::span<float>(&q.fquad(1, e), V::p_itrm), {column(1), column(2), column(3)}};
    q.ikt(e) = merge_equal_terms(list, q.ikt(e));
  }
}

#define RUVO_INSTANTIATE(V) template void redfkq<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
