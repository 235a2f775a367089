#include "input/setkey.hpp"

#include <algorithm>
#include <array>

#include "listing/data_faults.hpp"
#include "listing/key_matrix_listing.hpp"
#include "model/blocks.hpp"
#include "model/data_checks.hpp"

namespace ruvo {

namespace {

template <class V>
using KeyMatrix = Array<std::int32_t, 5, 4, V::p_nodes>;

template <class V>
DataFault key_matrix_fault() {
  if (DataFault f = grid_fault<V>(1)) return f;
  if (DataFault f = function_range_fault<V>()) return f;
  if (DataFault f = suppression_fault<V>(state::f07ind.numsup)) return f;
  if (state::f07ind.seiten)
    if (DataFault f = edge_code_fault()) return f;
  return node_number_fault<V>();
}

// Derivative kinds along and across an edge, and the two functions whose
// symmetry is reversed there (the displacement and rotation normal to it).
struct EdgeDirection {
  std::array<int, 2> along, across;
  std::array<int, 2> normal;
};
constexpr EdgeDirection parallel_to_x{{1, 2}, {3, 4}, {3, 5}};  // V, GAMMA reversed
constexpr EdgeDirection parallel_to_y{{1, 3}, {2, 4}, {2, 4}};  // U, BETA reversed

// Suppresses along one edge with the code vector of column `edge` of ki.
// Mode 0: code 6 the normal slope of W, codes 1..5 the value and the
// derivative along the edge of that function. Antisymmetry: the value
// (and slope along) of each function, its slopes across for the normal ones;
// symmetry the other way round.
template <class V, class Nodes>
void suppress_edge(KeyMatrix<V>& lm, int edge, const EdgeDirection& dir, Nodes nodes) {
  const auto& ki = state::f07ind.ki;
  const auto& ina = state::f07ina<V>();
  auto zero = [&](int f, const std::array<int, 2>& kinds) {
    nodes([&](int n) {
      for (int d : kinds) lm(f, d, n) = 0;
    });
  };
  const std::int32_t mode = ki(1, edge);
  if (mode == 0) {
    for (int j = 2; j <= 7; ++j) {
      const std::int32_t c = ki(j, edge);
      if (c == 6)
        zero(1, dir.across);
      else if (c > 0)
        zero(c, dir.along);
    }
    return;
  }
  for (int k = 1; k <= ina.knfun; ++k) {
    const std::int32_t f = ina.ku(k);
    const bool normal = f == dir.normal[0] || f == dir.normal[1];
    zero(f, (normal == (mode > 0)) ? dir.across : dir.along);
  }
}

template <class V>
void suppress(KeyMatrix<V>& lm) {
  const auto& ind = state::f07ind;
  const auto& ina = state::f07ina<V>();
  for (int k = 1; k <= ind.numsup; ++k)
    lm(ind.idesup(1, k), ind.idesup(2, k), ina.leit(ind.idesup(3, k), ind.idesup(4, k))) = 0;
  if (!ind.seiten) return;
  auto y_line = [&](int i) {
    return [&ina, i](auto each) {
      for (int j = 1; j <= ina.mx; ++j) each(ina.leit(i, j));
    };
  };
  auto x_line = [&](int j) {
    return [&ina, j](auto each) {
      for (int i = 1; i <= ina.my; ++i) each(ina.leit(i, j));
    };
  };
  suppress_edge<V>(lm, edge_y0, parallel_to_x, y_line(1));
  suppress_edge<V>(lm, edge_yl, parallel_to_x, y_line(ina.my));
  suppress_edge<V>(lm, edge_x0, parallel_to_y, x_line(1));
  suppress_edge<V>(lm, edge_xl, parallel_to_y, x_line(ina.mx));
}

// Consecutive numbers per node in the order of ku, F, FX, FY, FXY within a
// function; W in one sequence, the tangential functions in another. The
// shorter side of the grid runs in the inner loop.
template <class V>
void number(KeyMatrix<V>& lm, std::int32_t& ix, std::int32_t& iy) {
  const auto& ina = state::f07ina<V>();
  ix = iy = 0;
  auto node = [&](int i, int j) {
    const int n = ina.leit(i, j);
    for (int k = 1; k <= ina.knfun; ++k) {
      const std::int32_t f = ina.ku(k);
      for (int d = 1; d <= 4; ++d)
        if (lm(f, d, n) != 0) lm(f, d, n) = f == 1 ? ++ix : ++iy;
    }
  };
  if (ina.my >= ina.mx) {
    for (int i = 1; i <= ina.my; ++i)
      for (int j = 1; j <= ina.mx; ++j) node(i, j);
  } else {
    for (int j = 1; j <= ina.mx; ++j)
      for (int i = 1; i <= ina.my; ++i) node(i, j);
  }
}

// Band widths: the largest spread of equation numbers in one element, plus
// one, at most the number of equations.
template <class V>
void band_widths(const KeyMatrix<V>& lm, std::int32_t ix, std::int32_t iy) {
  auto& ina = state::f07ina<V>();
  ina.ibdx = ina.ibdy = 0;
  std::int32_t bx = 0, by = 0;
  for (int i = 2; i <= ina.my; ++i)
    for (int j = 2; j <= ina.mx; ++j) {
      std::int32_t nxl = ix, nxu = 1, nyl = iy, nyu = 1;
      for (int n : {ina.leit(i - 1, j - 1), ina.leit(i - 1, j), ina.leit(i, j - 1), ina.leit(i, j)})
        for (int d = 1; d <= 4; ++d) {
          if (const std::int32_t e = lm(1, d, n); e > 0) {
            nxl = std::min(nxl, e);
            nxu = std::max(nxu, e);
          }
          for (int k = 2; k <= ina.knfun; ++k)
            if (const std::int32_t e = lm(ina.ku(k), d, n); e > 0) {
              nyl = std::min(nyl, e);
              nyu = std::max(nyu, e);
            }
        }
      bx = std::max(bx, nxu - nxl);
      by = std::max(by, nyu - nyl);
    }
  ina.ibdx = std::min(bx + 1, ix);
  ina.ibdy = std::min(by + 1, iy);
}

bool key_current = false;

}  // namespace

bool key_matrix_current() { return key_current; }
void forget_key_matrix() { key_current = false; }

template <class V>
void setkey(std::int32_t& ix, std::int32_t& iy) {
  key_current = false;
  if (DataFault f = key_matrix_fault<V>()) {
    listing::print_fault(listing::Routine::setkey, f, false);
    ix = iy = 0;
    return;
  }
  auto& lm = state::f07mat<V>().lm;
  std::fill(lm.begin(), lm.end(), lm_free);
  suppress<V>(lm);
  number<V>(lm, ix, iy);
  band_widths<V>(lm, ix, iy);
  listing::print_key_matrix<V>(ix, iy);
  key_current = true;
}

#define RUVO_INSTANTIATE(V) template void setkey<V>(std::int32_t&, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
