#include "kernels/lanczos.hpp"

#include <cblas.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <random>
#include <vector>

#include "io/interrupt.hpp"

extern "C" {
// ARPACK's symmetric driver and its eigenvector extraction (Fortran
// linkage: every argument by reference, the text lengths appended).
void dsaupd_(int* ido, const char* bmat, const int* n, const char* which, const int* nev, const double* tol,
             double* resid, const int* ncv, double* v, const int* ldv, int* iparam, int* ipntr, double* workd,
             double* workl, const int* lworkl, int* info, std::size_t bmat_length, std::size_t which_length);
void dseupd_(const int* rvec, const char* howmny, int* select, double* d, double* z, const int* ldz,
             const double* sigma, const char* bmat, const int* n, const char* which, const int* nev,
             const double* tol, double* resid, const int* ncv, double* v, const int* ldv, int* iparam,
             int* ipntr, double* workd, double* workl, const int* lworkl, int* info,
             std::size_t howmny_length, std::size_t bmat_length, std::size_t which_length);
}

namespace ruvo::kernels {

namespace {

// ARPACK's reverse-communication requests and settings.
constexpr int ido_apply = 1, ido_first_apply = -1;
constexpr int exact_shifts = 1, standard_mode = 1;
constexpr int info_start_vector_given = 1, info_restarts_ran_out = 1;

// Krylov vectors for `modes` pairs of order n: twice the pairs and at least
// 20, as the symmetric driver converges fastest with, within the order.
int krylov_vectors(int modes, int n) { return std::min(n, std::max(2 * modes + 1, 20)); }

// Uniform numbers in [-1, 1) from the 64-bit Mersenne twister (fully
// specified by the C++ standard) seeded with 5: no symmetry of the panel
// can make it orthogonal to a mode.
void fill_start_vector(double* v, int n) {
  std::mt19937_64 engine{5};
  for (int i = 0; i < n; ++i) v[i] = double(engine() >> 11) * 0x1.0p-52 - 1.0;
}

// The stored triangle of a profile matrix in the band BLAS's upper
// storage: column i holds row i, leading dimension ibd, zeros before the
// first row.
std::vector<double> upper_band(Profile<const double> a) {
  const auto ld = std::size_t(a.ibd);
  std::vector<double> ab(ld * std::size_t(a.n), 0.0);
  for (int i = 1; i <= a.n; ++i) {
    const int first = a.first_column(i);
    const auto end = std::ptrdiff_t(std::size_t(i) * ld);  // past the diagonal of column i
    std::copy(a.row(i) + first, a.row(i) + i + 1, ab.begin() + end - (i - first + 1));
  }
  return ab;
}

// y = (L⁻¹·B·L⁻ᵀ + shift·I)·v on one vector at a time, each step one call
// of the band BLAS on the vector itself (the profile kernels, made for
// blocks of columns, would pack every vector into a block of eight or
// gather tiles): B copied once into band storage, U = Lᵀ kept in it with
// the factor, and both halves solved with U (U·x = y and Uᵀ·y = u), whose
// columns are the contiguous rows of L, unless L is a full triangle (its
// band copy would double it): then the factor's own solutions. A B on some
// rows only is applied to those rows gathered into its own order.
class Operator {
public:
  Operator(const Factor& a, Profile<const double> b, std::span<const int> b_rows, double shift)
      : a_(a),
        n_(a.order()),
        kb_(b.ibd - 1),
        shift_(shift),
        b_(upper_band(b)),
        rows_(b_rows),
        t_(std::size_t(n_)),
        g_(rows_.empty() ? 0 : 2 * rows_.size()) {
    if (a.band() < a.order()) v_ = a.reversed_band();
  }
  void apply(const double* v, double* y) {
    std::copy(v, v + n_, t_.begin());
    solve(CblasNoTrans, t_.data());
    multiply_b(t_.data(), y);
    solve(CblasTrans, y);
    if (shift_ != 0.0)
      for (int i = 0; i < n_; ++i) y[i] += shift_ * v[i];
  }

private:
  void multiply_b(const double* t, double* y) {
    if (rows_.empty()) {
      cblas_dsbmv(CblasColMajor, CblasUpper, n_, kb_, 1.0, b_.data(), kb_ + 1, t, 1, 0.0, y, 1);
      return;
    }
    const auto m = rows_.size();
    double *in = g_.data(), *out = g_.data() + m;
    for (std::size_t k = 0; k < m; ++k) in[k] = t[rows_[k]];
    cblas_dsbmv(CblasColMajor, CblasUpper, int(m), kb_, 1.0, b_.data(), kb_ + 1, in, 1, 0.0, out, 1);
    std::fill(y, y + n_, 0.0);
    for (std::size_t k = 0; k < m; ++k) y[rows_[k]] = out[k];
  }

  // x = L⁻ᵀ·x (CblasNoTrans) or x = L⁻¹·x, both by dot products along the
  // stored rows: L⁻¹ on L's own rows, L⁻ᵀ·x = R·V⁻ᵀ·R·x on V's columns
  // (Factor::reversed_band).
  void solve(CBLAS_TRANSPOSE half, double* x) const {
    if (!v_) {
      half == CblasNoTrans ? a_.backward(x, 1) : a_.forward(x, 1);
    } else if (half == CblasTrans) {
      a_.forward_rows(x);
    } else {
      std::reverse(x, x + n_);
      cblas_dtbsv(CblasColMajor, CblasUpper, CblasTrans, CblasNonUnit, n_, a_.band() - 1, v_, a_.band(), x,
                  1);
      std::reverse(x, x + n_);
    }
  }

  const Factor& a_;
  int n_, kb_;
  double shift_;
  std::vector<double> b_;
  std::span<const int> rows_;  // B's rows among the n (none: all)
  const double* v_ = nullptr;  // the factor's band copy V (none: its own solutions)
  std::vector<double> t_, g_;
};

// x (n rows) with its entry of largest magnitude (the first of equals)
// positive, among the rows `rows` when given.
void fix_sign(double* x, int n, std::span<const int> rows) {
  double peak = 0.0;
  const auto consider = [&](double v) {
    if (std::abs(v) > std::abs(peak)) peak = v;
  };
  if (rows.empty())
    std::for_each(x, x + n, consider);
  else
    for (int r : rows) consider(x[r]);
  if (peak < 0.0)
    for (int i = 0; i < n; ++i) x[i] = -x[i];
}

// The Ritz pairs of the driver: values ascending, vectors z orthonormal (n by nev).
struct RitzPairs {
  std::vector<double> values, z;
};

// The `nev` eigenpairs of C + shift·I at the end `which` of its spectrum
// ("LM" largest magnitude, "LA" largest algebraic) into `pairs`.
LanczosResult ritz_pairs(const Factor& a, Profile<const double> b, std::span<const int> b_rows, int nev,
                         const char* which, double shift, int restarts, const std::vector<double>* start,
                         RitzPairs& pairs) {
  const int n = a.order(), ncv = krylov_vectors(nev, b.n), lworkl = ncv * (ncv + 8);
  const bool carried = start && start->size() == std::size_t(n);
  const auto size = [](auto count) { return std::size_t(count); };
  std::vector<double> resid(size(n)), v(size(n) * size(ncv)), workd(3 * size(n)), workl(size(lworkl));
  int iparam[11] = {}, ipntr[11] = {};
  iparam[0] = exact_shifts;
  iparam[2] = restarts;
  iparam[6] = standard_mode;
  if (carried)
    resid = *start;
  else
    fill_start_vector(resid.data(), n);
  const double tol = carried ? carried_tolerance : lanczos_tolerance;
  int ido = 0, info = info_start_vector_given;
  Operator op(a, b, b_rows, shift);
  LanczosResult result;
  for (;;) {
    dsaupd_(&ido, "I", &n, which, &nev, &tol, resid.data(), &ncv, v.data(), &n, iparam, ipntr, workd.data(),
            workl.data(), &lworkl, &info, 1, 2);
    if (ido != ido_apply && ido != ido_first_apply) break;
    op.apply(workd.data() + ipntr[0] - 1, workd.data() + ipntr[1] - 1);
    ++result.products;
    io::poll_interrupt();
  }
  result.restarts = iparam[2];
  result.code = info;
  if (info != 0) {
    result.status = info == info_restarts_ran_out ? LanczosStatus::not_converged : LanczosStatus::failed;
    return result;
  }

  const int rvec = 1;
  const double sigma = 0.0;
  std::vector<int> select(size(ncv));
  pairs.values.assign(size(nev), 0.0);
  pairs.z.assign(size(n) * size(nev), 0.0);
  dseupd_(&rvec, "A", select.data(), pairs.values.data(), pairs.z.data(), &n, &sigma, "I", &n, which, &nev,
          &tol, resid.data(), &ncv, v.data(), &n, iparam, ipntr, workd.data(), workl.data(), &lworkl, &info,
          1, 1, 2);
  result.code = info;
  if (info != 0 || iparam[4] < nev) result.status = LanczosStatus::failed;
  return result;
}

}  // namespace

int lanczos_most_modes(int n) { return n - 1; }

LanczosResult lanczos_eigen(const LanczosProblem& pr, double* elam, double* x) {
  const int n = pr.a.order(), nev = pr.modes;
  RitzPairs pairs;
  const LanczosResult result =
      ritz_pairs(pr.a, pr.b, pr.b_rows, nev, "LM", 0.0, lanczos_most_restarts, pr.start, pairs);
  if (result.status != LanczosStatus::converged) return result;
  const std::vector<double>& mu = pairs.values;

  if (pr.start) {
    pr.start->assign(std::size_t(n), 0.0);
    for (int k = 0; k < nev; ++k)
      for (int i = 0; i < n; ++i) (*pr.start)[std::size_t(i)] += pairs.z[std::size_t(k) * n + std::size_t(i)];
  }
  // x = L⁻ᵀ·z: xᵀ·A·x = zᵀ·z = 1.
  pr.a.backward(pairs.z.data(), nev);
  std::vector<int> order(static_cast<std::size_t>(nev));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int i, int j) { return std::abs(mu[std::size_t(i)]) > std::abs(mu[std::size_t(j)]); });
  // Magnitudes equal within the driver's accuracy (a pair ±λ): the negative first.
  for (std::size_t k = 0; k + 1 < order.size(); ++k) {
    const double a = mu[std::size_t(order[k])], b = mu[std::size_t(order[k + 1])];
    if (a > 0.0 && b < 0.0 && a + b <= lanczos_tolerance * a) std::swap(order[k], order[k + 1]);
  }
  for (int k = 0; k < nev; ++k) {
    const std::size_t from = std::size_t(order[std::size_t(k)]);
    elam[k] = 1.0 / mu[from];
    double* xk = x + std::size_t(k) * n;
    std::copy_n(pairs.z.data() + from * n, n, xk);
    fix_sign(xk, n, pr.b_rows);
  }
  return result;
}

LanczosResult lanczos_largest(const Factor& a, Profile<const double> b, double shift, int restarts,
                              double& mu, double* x) {
  const int n = b.n;
  RitzPairs pairs;
  const LanczosResult result =
      ritz_pairs(a, b, {}, 1, "LA", shift, std::min(restarts, lanczos_most_restarts), nullptr, pairs);
  if (result.status != LanczosStatus::converged) return result;
  mu = pairs.values.front() - shift;
  a.backward(pairs.z.data(), 1);
  std::copy_n(pairs.z.data(), n, x);
  fix_sign(x, n, {});
  return result;
}

}  // namespace ruvo::kernels
