#include "solver/full_pair.hpp"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>

#include "io/interrupt.hpp"
#include "kernels/profile.hpp"
#include "model/blocks.hpp"
#include "solver/condensation.hpp"

namespace ruvo {

namespace {

// The rows of W freedom j and tangential freedom k in the order of their
// places (j + ½)/ix and (k + ½)/iy in their own numberings: both number the
// nodes in the same sweep, so the freedoms of a node come together.
void interleave(int ix, int iy, std::vector<int>& w_rows, std::vector<int>& t_rows) {
  w_rows.resize(std::size_t(ix));
  t_rows.resize(std::size_t(iy));
  int j = 0, k = 0;
  for (int row = 0; row < ix + iy; ++row) {
    // (j + ½)/ix <= (k + ½)/iy, in integers
    const bool w_next = k == iy || (j < ix && std::int64_t(2 * j + 1) * iy <= std::int64_t(2 * k + 1) * ix);
    if (w_next)
      w_rows[std::size_t(j++)] = row;
    else
      t_rows[std::size_t(k++)] = row;
  }
}

// The widest spread of rows, in K's order, between two freedoms of one
// numbering that a band `band` couples (rows ascend with the numbering).
int spread_within(const std::vector<int>& rows, int band) {
  int widest = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    widest = std::max(widest, rows[i] - rows[i - std::min(i, std::size_t(band - 1))]);
  return widest;
}

// Costs of the two ways to the modes, in flops of the BLAS's dense kernels:
// a band factor (n·b², a full triangle n³/3) and the Lanczos products
// (about three Krylov spaces of them, each two half solutions, 4·n·b),
// which run on one vector at a time, bound by memory: each of their flops
// weighs as several of the factor's.
constexpr double memory_bound_weight = 6.0;

double band_factor_flops(double n, double b) { return std::min(n * b * b, n * n * n / 3.0); }

double solution_flops(double n, double b, int modes) {
  const double products = 3.0 * std::max(2 * modes + 1, 20);
  return band_factor_flops(n, b) + memory_bound_weight * products * 4.0 * n * std::min(b, n / 2.0);
}

// The condensation's own work: W = L⁻¹·A21 on the columns that A21 couples
// (each filled from its first row down, `depths` rows), Wᵀ·W over every
// pair of them, and the pair A11* of band `band` their spread leaves.
double condensed_flops(int ix, int ibdy, std::vector<double> depths, int band, int modes) {
  std::sort(depths.begin(), depths.end(), std::greater<>());
  double flops = 0.0;
  for (std::size_t i = 0; i < depths.size(); ++i) flops += 2.0 * depths[i] * (double(i) + double(ibdy));
  return flops + solution_flops(ix, band, modes);
}

}  // namespace

template <class V>
bool factor_full_pair(FullPair& full, const SolutionOptions& options, EigenSolution eigen) {
  full = {};
  const int ix = state::man.ix, iy = state::man.iy;
  if (!options.coupling_tops || !options.coupling_bottoms || !takes_lanczos(eigen, ix, state::man.neigrq))
    return false;
  const std::vector<std::int32_t>&tops = *options.coupling_tops, &bottoms = *options.coupling_bottoms;
  const auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  if (iy < 1 || tops.size() != std::size_t(ix) || bottoms.size() != std::size_t(ix)) return false;
  const kernels::Profile<const double> a11{m.a11.data, lv.lvtri.data, ix, ix};
  const kernels::Profile<const double> a22{m.a22.data, lv.lva22.data, iy, state::f07ina<V>().ibdy};
  std::vector<int> w_rows, t_rows;
  interleave(ix, iy, w_rows, t_rows);
  // B is applied on the W rows in its own order (the Lanczos product), not in K's band
  const int a11_band = kernels::occupied_band(a11);
  int spread = std::max(spread_within(w_rows, a11_band), spread_within(t_rows, a22.ibd));
  std::vector<double> depths;  // of the columns of W
  int first_coupled = ix, last_coupled = -1;
  for (int j = 0; j < ix; ++j) {
    const int first = tops[std::size_t(j)], last = bottoms[std::size_t(j)];
    if (first > last) continue;
    depths.push_back(double(iy - first + 1));
    first_coupled = std::min(first_coupled, j), last_coupled = j;
    for (int r : {first, last})
      spread = std::max(spread, std::abs(t_rows[std::size_t(r - 1)] - w_rows[std::size_t(j)]));
  }
  const int condensed_band = std::max(a11_band, last_coupled - first_coupled + 1);
  const int modes = state::man.neigrq;
  if (depths.empty() || solution_flops(ix + iy, spread + 1, modes) >=
                            condensed_flops(ix, a22.ibd, std::move(depths), condensed_band, modes))
    return false;

  kernels::BandCopy k(ix + iy, spread + 1);
  const kernels::Profile<double> kv = k.view();
  const auto put = [&kv](int p, int q, double v) {  // 0-based rows of K
    if (v != 0.0) kv(std::max(p, q) + 1, std::min(p, q) + 1) = v;
  };
  for (int i = 1; i <= ix; ++i)
    for (int j = std::max(1, i - a11_band + 1); j <= i; ++j)
      put(w_rows[std::size_t(i - 1)], w_rows[std::size_t(j - 1)], a11(i, j));
  for (int i = 1; i <= iy; ++i)
    for (int j = a22.first_column(i); j <= i; ++j)
      put(t_rows[std::size_t(i - 1)], t_rows[std::size_t(j - 1)], a22(i, j));
  for (int j = 1; j <= ix; ++j) {
    const double* column = m.a21.data + std::size_t(j - 1) * V::p_ny - 1;  // column[r]: A21(r, j)
    for (int r = tops[std::size_t(j - 1)]; r <= bottoms[std::size_t(j - 1)]; ++r)
      put(t_rows[std::size_t(r - 1)], w_rows[std::size_t(j - 1)], column[r]);
  }
  io::poll_interrupt();
  full.factor = std::make_unique<kernels::Factor>(std::move(k));
  if (full.factor->factor() != 0) {
    full.factor.reset();
    return false;
  }
  full.w_rows = std::move(w_rows);
  return true;
}

#define RUVO_INSTANTIATE(V) \
  template bool factor_full_pair<V>(FullPair&, const SolutionOptions&, EigenSolution);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
