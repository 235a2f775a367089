#include "solver/condensation.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "io/interrupt.hpp"
#include "io/listing.hpp"
#include "io/pages.hpp"
#include "io/units.hpp"
#include "kernels/cholesky.hpp"
#include "kernels/condensation_kernels.hpp"
#include "kernels/kept_storage.hpp"
#include "kernels/lanczos.hpp"
#include "kernels/lane_sums.hpp"
#include "model/blocks.hpp"
#include "solver/full_pair.hpp"
#include "solver/subspace_routines.hpp"

namespace ruvo {

namespace {

std::span<std::byte> bytes_of(double* v, std::size_t n) {
  return {reinterpret_cast<std::byte*>(v), n * sizeof(double)};
}

template <class V>
void print_updated_a11(const kernels::Profile<double>& a11) {
  static const io::Format updated("(1X,T36,'UPDATED MATRIX A11'/(1X,7D17.6))");
  std::vector<io::Value> values(a11.a, a11.a + a11.stored());
  io::write_listing(updated, values);
}

template <class V>
std::int32_t finish_condensation(const kernels::Profile<double>& a11) {
  if (state::man.itab != 0) print_updated_a11<V>(a11);
  return 0;
}

}  // namespace

template <class V>
void clear_coupling() {
  io::clear_keeping_pages(state::matrix<V>().a21.data, std::size_t(state::man.ix) * V::p_ny * sizeof(double),
                          kept_coupling_bytes);
}

template <class V>
void release_coupling() {
  io::clear_pages(state::matrix<V>().a21.data, sizeof(state::matrix<V>().a21.data));
}

void release_kept_memory() {
#define RUVO_RELEASE(V) release_coupling<V>();
  RUVO_FOR_EACH_VARIANT(RUVO_RELEASE)
#undef RUVO_RELEASE
  // The typed entry's own variant, once an analysis reserved it: all its
  // matrices, which every analysis clears before it assembles them (and no
  // routine reaches in between).
  if (Matrix<ruvo49>* m = reserved_block<Matrix, ruvo49>) io::clear_pages(m, sizeof(*m));
  kernels::release_kept_storage();
}

template <class V>
std::int32_t condense_tangential(const std::vector<std::int32_t>* tops) {
  const Man& man = state::man;
  auto& m = state::matrix<V>();
  auto& lv = state::comlv<V>();
  const int ix = man.ix, iy = man.iy;
  const kernels::Profile<double> a22{m.a22.data, lv.lva22.data, iy, state::f07ina<V>().ibdy};
  if (const int row = kernels::cholesky_factor(a22)) return row;

  io::open_unformatted(condensation_unit, condensation_file);
  io::rewind(condensation_unit);
  const kernels::Coupling w = kernels::forward_coupling(
      a22, m.a21.data, V::p_ny, ix, tops ? tops->data() : nullptr);  // A21 is W from here on
  const kernels::Profile<double> a11{m.a11.data, lv.lvtri.data, ix, ix};
  io::poll_interrupt();
  kernels::subtract_gram(a11, w);
  if (io::is_discarded(condensation_unit)) return finish_condensation<V>(a11);
  std::vector<double> z(std::size_t(iy) * kernels::coupling_block);
  for (int first = 1; first <= ix; first += kernels::coupling_block) {
    io::poll_interrupt();
    const int count = std::min(kernels::coupling_block, ix - first + 1);
    kernels::solve_records(a22, w, first, count, z.data());
    for (int c = 0; c < count; ++c)
      io::write_record(condensation_unit, bytes_of(z.data() + std::size_t(c) * iy, std::size_t(iy)));
  }
  if (!io::is_intact(condensation_unit)) return scratch_file_fault;
  return finish_condensation<V>(a11);
}

bool takes_lanczos(EigenSolution eigen, int ix, int neigrq) {
  if (eigen == EigenSolution::subspace || ix < 2 || neigrq < 1 || neigrq > kernels::lanczos_most_modes(ix))
    return false;
  return eigen == EigenSolution::lanczos || ix >= lanczos_least_order;
}

namespace {

// The factor of A11* (in the band it occupies), kept in `slot`; false when
// A11* is not positive definite.
bool factor_condensed(kernels::Profile<const double> a11, kernels::KeptFactor& slot) {
  if (slot) return true;
  const int band = kernels::occupied_band(a11);
  if (band < a11.ibd) {
    kernels::BandCopy narrow(a11, band);
    slot = std::make_unique<kernels::Factor>(narrow.view());
  } else {
    slot = std::make_unique<kernels::Factor>(a11);
  }
  if (slot->factor() == 0) return true;
  slot.reset();
  return false;
}

// The Lanczos solution on `factor` (of A11*, or of the pair of all the
// freedoms with B on the rows `w_rows`) into elam and x; nothing when it
// did not converge.
template <class V>
std::optional<CondensedSolution> lanczos_modes(const kernels::Factor& factor,
                                               kernels::Profile<const double> bm, std::span<const int> w_rows,
                                               std::vector<double>* start) {
  const Man& man = state::man;
  const int ix = man.ix, n = factor.order();
  std::vector<double> block(std::size_t(n) * std::size_t(man.neigrq));
  auto& elam = state::valus.elam;
  const kernels::LanczosResult r =
      kernels::lanczos_eigen({factor, bm, man.neigrq, start, w_rows}, elam.data, block.data());
  if (r.status != kernels::LanczosStatus::converged) return {};
  auto& x = state::vectrs<V>().x;
  for (int i = 1; i <= man.neigit; ++i) {
    if (i > man.neigrq) elam(i) = 0.0;
    double* column = &x(1, i);
    const double* mode = block.data() + std::size_t(i - 1) * std::size_t(n);
    if (i > man.neigrq)
      std::fill_n(column, ix, 0.0);
    else if (w_rows.empty())
      std::copy_n(mode, ix, column);
    else
      for (int j = 0; j < ix; ++j) column[j] = mode[w_rows[std::size_t(j)]];
  }
  return CondensedSolution{0, r.restarts, r.products, kernels::lanczos_tolerance};
}

// The Lanczos solution of the condensed pair; nothing when it could not
// give one (A11* not definite, B zero, no convergence): the caller runs
// simvit then, which reports what failed.
template <class V>
std::optional<CondensedSolution> solve_by_lanczos(std::span<const double> b,
                                                  std::span<const std::int32_t> lvbndb, std::int32_t ibdb,
                                                  kernels::KeptFactor* kept, std::vector<double>* start) {
  const int ix = state::man.ix;
  auto& m = state::matrix<V>();
  const kernels::Profile<const double> a11{m.a11.data, state::comlv<V>().lvtri.data, ix, ix};
  const kernels::Profile<const double> bm{b.data(), lvbndb.data(), ix, ibdb};
  if (kernels::all_zero(bm.a, std::ptrdiff_t(bm.stored()))) return {};
  kernels::KeptFactor own;
  kernels::KeptFactor& slot = kept ? *kept : own;
  if (!factor_condensed(a11, slot)) return {};
  return lanczos_modes<V>(*slot, bm, {}, start);
}

// Whether B is negative definite (−B has a Cholesky factor): then no
// positive λ exists, shown without an iteration (the variable loads a
// tension everywhere, stiffeners included).
bool negative_definite(kernels::Profile<const double> b) {
  std::vector<double> minus(b.a, b.a + b.stored());
  for (double& v : minus) v = -v;
  return kernels::cholesky_factor({minus.data(), b.lv, b.n, b.ibd}) == 0;
}

// Restarts of the first search for the largest μ (about 20 products each).
constexpr int quick_restarts = 30;

// The factor of A11* − σ·B (B's band lies within A11*'s full triangle), or
// none when it is not positive definite. For σ > 0 it is positive
// definite exactly when σ is below the smallest positive λ of the pair.
kernels::KeptFactor shifted_factor(kernels::Profile<const double> a11, kernels::Profile<const double> b,
                                   double sigma) {
  std::vector<double> shifted(a11.a, a11.a + a11.stored());
  const kernels::Profile<double> s{shifted.data(), a11.lv, a11.n, a11.ibd};
  for (int i = 1; i <= b.n; ++i)
    for (int j = b.first_column(i); j <= i; ++j) s(i, j) -= sigma * b(i, j);
  auto factor = std::make_unique<kernels::Factor>(kernels::Profile<const double>(s));
  if (factor->factor() != 0) factor.reset();
  return factor;
}

struct Shift {
  double sigma = 0.0;
  kernels::KeptFactor factor;  // of A11* − σ·B; none when no shift was found
};

// σ with A11* − σ·B positive definite and the smallest positive λ in
// (σ, 2σ], by bisection of log σ between `below` (the largest |λ| computed,
// at most that λ; halved where it ties with it) and `above` (A11* −
// above·B not positive definite).
Shift shift_below_critical(kernels::Profile<const double> a11, kernels::Profile<const double> b, double below,
                           double above) {
  Shift lo{below, shifted_factor(a11, b, below)};
  for (int halvings = 0; halvings < 16 && !lo.factor; ++halvings) {
    above = lo.sigma;
    lo.sigma /= 2.0;
    lo.factor = shifted_factor(a11, b, lo.sigma);
  }
  if (!lo.factor) return lo;
  while (above > 2.0 * lo.sigma) {
    const double mid = std::sqrt(lo.sigma * above);
    if (kernels::KeptFactor f = shifted_factor(a11, b, mid))
      lo = {mid, std::move(f)};
    else
      above = mid;
  }
  return lo;
}

}  // namespace

template <class V>
std::optional<CondensedSolution> solve_full(std::span<const double> b, std::span<const std::int32_t> lvbndb,
                                            std::int32_t ibdb, const FullPair& full,
                                            std::vector<double>* start) {
  const kernels::Profile<const double> bm{b.data(), lvbndb.data(), state::man.ix, ibdb};
  if (!full.factor || kernels::all_zero(bm.a, std::ptrdiff_t(bm.stored()))) return {};
  return lanczos_modes<V>(*full.factor, bm, full.w_rows, start);
}

template <class V>
CondensedSolution solve_condensed(std::span<const double> b, std::span<const std::int32_t> lvbndb,
                                  std::int32_t ibdb, kernels::KeptFactor* kept, EigenSolution eigen,
                                  std::vector<double>* start) {
  const Man& man = state::man;
  if (takes_lanczos(eigen, man.ix, man.neigrq))
    if (const auto s = solve_by_lanczos<V>(b, lvbndb, ibdb, kept, start)) return *s;
  const int ix = man.ix, neigit = man.neigit;
  auto& m = state::matrix<V>();
  const std::span<const std::int32_t> lvtri(state::comlv<V>().lvtri.data, V::p_nx);
  // simvit packs its block with leading dimension ix; x keeps p_nx rows per column
  std::vector<double> block(std::size_t(std::max(ix, 0)) * std::size_t(std::max(neigit, 0)));
  CondensedSolution s;
  simvit(man.neigrq, neigit, std::span<const double>(m.a11.data, V::p_la11), b, ix, ix, ibdb, lvtri, lvbndb,
         s.eps, state::valus.elam.data, block, s.jac, s.ip, lvtri, s.ier, kept);
  auto& x = state::vectrs<V>().x;
  for (int i = 1; i <= neigit && s.ier != simvit_bad_arguments; ++i)
    std::copy_n(block.data() + std::size_t(i - 1) * ix, ix, &x(1, i));
  return s;
}

template <class V>
CriticalMode find_critical(std::span<const double> b, std::span<const std::int32_t> lvbndb, std::int32_t ibdb,
                           kernels::KeptFactor* kept) {
  const Man& man = state::man;
  const int ix = man.ix;
  auto& elam = state::valus.elam;
  CriticalMode c;
  double smallest = INFINITY, largest = 0.0;  // |λ| computed
  for (int i = 1; i <= man.neigrq; ++i) {
    smallest = std::min(smallest, std::abs(elam(i)));
    largest = std::max(largest, std::abs(elam(i)));
    if (elam(i) > 0.0 && (c.mode == 0 || elam(i) < elam(c.mode))) c.mode = i;
  }
  if (c.mode != 0) return c;
  c.outcome = CriticalOutcome::none_below_bound;
  if (man.neigrq >= ix) return c;  // every load factor is among the modes
  auto& m = state::matrix<V>();
  const kernels::Profile<const double> a11{m.a11.data, state::comlv<V>().lvtri.data, ix, ix};
  const kernels::Profile<const double> bm{b.data(), lvbndb.data(), ix, ibdb};
  if (negative_definite(bm)) return c;
  kernels::KeptFactor own;
  kernels::KeptFactor& slot = kept ? *kept : own;
  c.outcome = CriticalOutcome::not_converged;
  if (!(smallest > 0.0 && smallest < INFINITY) || !factor_condensed(a11, slot)) return c;

  // The largest μ of the pair itself, within a short budget: enough where
  // it stands clear of the rest (a shear panel's reversed modes).
  std::vector<double> w(static_cast<std::size_t>(ix));
  double mu = 0.0;
  kernels::LanczosResult r =
      kernels::lanczos_largest(*slot, bm, 1.0 / smallest, quick_restarts, mu, w.data());
  c.products = r.products;
  const double bound = smallest / critical_fraction;
  if (r.status != kernels::LanczosStatus::converged || !(mu > 1.0 / bound)) {
    // A11* − bound·B positive definite: no positive λ up to the bound.
    if (shifted_factor(a11, bm, bound)) {
      c.outcome = CriticalOutcome::none_below_bound;
      c.bound = bound;
      return c;
    }
    // One lies below it: from a shift σ within a factor 2 below it, the
    // largest ν = 1/(λ − σ) stands clear of the rest.
    const auto [sigma, factor] = shift_below_critical(a11, bm, std::max(largest, smallest), bound);
    if (!factor) return c;
    double nu = 0.0;
    r = kernels::lanczos_largest(*factor, bm, 1.0 / sigma, kernels::lanczos_most_restarts, nu, w.data());
    c.products += r.products;
    if (r.status != kernels::LanczosStatus::converged || !(nu > 0.0)) return c;
    // wᵀ·(A11* − σ·B)·w = 1 and wᵀ·B·w = ν: wᵀ·A11*·w = 1 + σ·ν
    const double scale = 1.0 / std::sqrt(1.0 + sigma * nu);
    for (double& v : w) v *= scale;
    mu = 1.0 / (sigma + 1.0 / nu);
  }
  c.outcome = CriticalOutcome::appended;
  c.mode = man.neigrq + 1;
  elam(c.mode) = 1.0 / mu;
  std::copy(w.begin(), w.end(), &state::vectrs<V>().x(1, c.mode));
  return c;
}

template <class V>
bool print_tangential_modes(std::int32_t neigrq) {
  static const io::Format mode("(1H0,' EIGENMODE ',I2)");
  static const io::Format values("(1H ,5D20.8)");
  const int ix = state::man.ix, iy = state::man.iy;
  std::vector<double> z(std::size_t(iy) * kernels::coupling_block);
  std::vector<double> x2(std::size_t(iy) * std::size_t(std::max(neigrq, 0)), 0.0);
  io::rewind(condensation_unit);
  for (int first = 1; first <= ix; first += kernels::coupling_block) {
    const int count = std::min(kernels::coupling_block, ix - first + 1);
    for (int c = 0; c < count; ++c) {
      const std::span<std::byte> record = bytes_of(z.data() + std::size_t(c) * iy, std::size_t(iy));
      if (!io::read_record(condensation_unit, record)) return false;
    }
    kernels::subtract_records(z.data(), iy, iy, first, count, state::vectrs<V>().x.data, V::p_nx, neigrq,
                              x2.data());
  }
  for (int i = 1; i <= neigrq; ++i) {
    io::write_listing(mode, {i});
    const double* x2i = x2.data() + std::size_t(i - 1) * iy;
    std::vector<io::Value> list(x2i, x2i + iy);
    io::write_listing(values, list);
  }
  return true;
}

kernels::Columns written_columns(const std::vector<std::int32_t>& tops, int iy) {
  const auto written = [iy](std::int32_t top) { return top <= iy; };
  const auto first = std::find_if(tops.begin(), tops.end(), written);
  if (first == tops.end()) return {};
  const auto last = std::find_if(tops.rbegin(), tops.rend(), written).base();
  return {int(first - tops.begin()), int(last - first)};
}

template <class V>
std::vector<double> tangential_parts(std::int32_t modes, const std::vector<std::int32_t>* tops) {
  const int ix = state::man.ix, iy = state::man.iy;
  const auto& m = state::matrix<V>();
  const auto& x = state::vectrs<V>().x;
  std::vector<double> x2(std::size_t(iy) * std::size_t(std::max(modes, 0)), 0.0);
  if (iy == 0 || modes < 1) return x2;
  // W's columns that may not be zero (0-based)
  const kernels::Columns w =
      tops && tops->size() == std::size_t(ix) ? written_columns(*tops, iy) : kernels::Columns{0, ix};
  if (w.count == 0) return x2;
  // W = L⁻¹·A21 since the condensation, in A21's storage
  kernels::subtract_records(m.a21.data + std::size_t(w.first) * V::p_ny, V::p_ny, iy, w.first + 1, w.count,
                            x.data, V::p_nx, modes, x2.data());
  const kernels::Profile<const double> l22{m.a22.data, state::comlv<V>().lva22.data, iy,
                                           state::f07ina<V>().ibdy};
  kernels::cholesky_backward(l22, x2.data(), modes);
  return x2;
}

template <class V>
std::int32_t condense_for(std::string_view routine, const io::Format& a22_failed,
                          const SolutionOptions& options) {
  const std::int32_t row = condense_tangential<V>(options.coupling_tops);
  if (!options.keep_coupling) clear_coupling<V>();
  if (row == scratch_file_fault) {
    report_scratch_fault(routine);
    return solution_code::scratch_file;
  }
  if (row != 0) io::write_both(a22_failed, {row});
  return row != 0 ? solution_code::a22_not_positive_definite : 0;
}

ScratchFile::~ScratchFile() {
  if (io::is_connected(condensation_unit)) io::close(condensation_unit, true);
}

void report_scratch_fault(std::string_view routine) {
  static const io::Format fault("(/,1X,'SUBROUTINE ',A,': SCRATCH FILE RCA25 NOT WRITTEN OR NOT READ BACK')");
  io::write_both(fault, {routine});
}

#define RUVO_INSTANTIATE(V)                                                                             \
  template void clear_coupling<V>();                                                                    \
  template void release_coupling<V>();                                                                  \
  template std::int32_t condense_tangential<V>(const std::vector<std::int32_t>*);                       \
  template std::optional<CondensedSolution> solve_full<V>(std::span<const double>,                      \
                                                          std::span<const std::int32_t>, std::int32_t,  \
                                                          const FullPair&, std::vector<double>*);       \
  template CondensedSolution solve_condensed<V>(std::span<const double>, std::span<const std::int32_t>, \
                                                std::int32_t, kernels::KeptFactor*, EigenSolution,      \
                                                std::vector<double>*);                                  \
  template CriticalMode find_critical<V>(std::span<const double>, std::span<const std::int32_t>,        \
                                         std::int32_t, kernels::KeptFactor*);                           \
  template bool print_tangential_modes<V>(std::int32_t);                                                \
  template std::vector<double> tangential_parts<V>(std::int32_t, const std::vector<std::int32_t>*);     \
  template std::int32_t condense_for<V>(std::string_view, const io::Format&, const SolutionOptions&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
