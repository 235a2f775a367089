// Times the profile kernels at the sizes of the largest variant against what
// a user would pick instead, both in this process, one after the other:
//   - Cholesky factorisation against LAPACK dpbtrf (band) and dpotrf (full
//     triangle), the matrix copied into LAPACK's storage outside the clock;
//   - block solutions against dpbtrs, few and many columns (the
//     condensation's sizes);
//   - block products against the BLAS products on the same storage: dsbmv
//     column by column on the band, dsymm on the full square;
//   - subspace iteration on a full triangle of order 1000 and 3844 against a
//     band B of width 396, for 10 and 20 eigenvalues (its peer, ARPACK with
//     the same Cholesky operator, runs in bench/simvit_vs_arpack.py).
// The matrices are seeded random, diagonally dominant; the subspace A's
// diagonal grows like i² so that the lowest eigenvalues are spread as in a
// plate. Prints one line per case: ours, the peer, ours/peer, and a check
// (largest difference from the peer's result, or the eigen residual).
// Factorisations and products count the shortest of three runs.
// BLAS runs on the thread count the engine sets (one).
#include <cblas.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "kernels/blas_threads.hpp"
#include "kernels/cholesky.hpp"
#include "kernels/profile.hpp"
#include "kernels/profile_product.hpp"
#include "kernels/subspace.hpp"

extern "C" {
void dpbtrf_(const char* uplo, const int* n, const int* kd, double* ab, const int* ldab, int* info,
             std::size_t);
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t);
void dpbtrs_(const char* uplo, const int* n, const int* kd, const int* nrhs, const double* ab,
             const int* ldab, double* b, const int* ldb, int* info, std::size_t);
}

namespace {

using namespace ruvo::kernels;
using Clock = std::chrono::steady_clock;

struct BandMatrix {
  int n, ibd;
  std::vector<int> lv;
  std::vector<double> a;
  Profile<double> view() { return {a.data(), lv.data(), n, ibd}; }
};

std::vector<int> band_levels(int n, int ibd) {
  std::vector<int> lv(n);
  for (int i = 2; i <= n; ++i) lv[i - 1] = lv[i - 2] + std::min(i - 1, ibd - 1);
  return lv;
}

// Off-diagonal entries uniform in [-scale, scale]; the diagonal is the
// absolute row sum plus diagonal(i).
template <class Diagonal>
BandMatrix random_band(int n, int ibd, unsigned seed, double scale, Diagonal diagonal) {
  BandMatrix m{n, ibd, band_levels(n, ibd), {}};
  const Profile<double> p{nullptr, m.lv.data(), n, ibd};
  m.a.assign(p.stored(), 0.0);
  const Profile<double> v = m.view();
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> uniform(-scale, scale);
  std::vector<double> row_sum(n, 0.0);
  for (int i = 1; i <= n; ++i)
    for (int j = v.first_column(i); j < i; ++j) {
      v(i, j) = uniform(engine);
      row_sum[i - 1] += std::abs(v(i, j));
      row_sum[j - 1] += std::abs(v(i, j));
    }
  for (int i = 1; i <= n; ++i) v(i, i) = row_sum[i - 1] + diagonal(i);
  return m;
}

BandMatrix plain_band(int n, int ibd) {
  return random_band(n, ibd, 21, 1.0, [](int) { return 1.0; });
}

std::vector<double> random_block(int n, int m, unsigned seed) {
  std::vector<double> b(std::size_t(n) * m);
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (double& v : b) v = uniform(engine);
  return b;
}

// LAPACK's upper band storage (ldab = ibd) of the profile: U(k, j) = entry (j, k).
std::vector<double> lapack_band(BandMatrix& m) {
  const Profile<double> p = m.view();
  std::vector<double> ab(std::size_t(m.n) * m.ibd, 0.0);
  for (int j = 1; j <= m.n; ++j)
    for (int k = p.first_column(j); k <= j; ++k)
      ab[std::size_t(j - 1) * m.ibd + (m.ibd - 1 + k - j)] = p(j, k);
  return ab;
}

// The full square (both triangles) of a full-triangle profile.
std::vector<double> lapack_square(BandMatrix& m) {
  const Profile<double> p = m.view();
  std::vector<double> s(std::size_t(m.n) * m.n);
  for (int j = 1; j <= m.n; ++j)
    for (int k = 1; k <= m.n; ++k) s[std::size_t(j - 1) * m.n + (k - 1)] = p.symmetric(j, k);
  return s;
}

template <class F>
double seconds(F f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The shortest of three runs, each after setup() outside the clock: the
// machine is shared, and the factorisations overwrite their input.
template <class Setup, class F>
double best_of_three(Setup setup, F f) {
  double best = 1.0e30;
  for (int run = 0; run < 3; ++run) {
    setup();
    best = std::min(best, seconds(f));
  }
  return best;
}

void row(const char* what, double ours, const char* peer, double theirs, double check) {
  std::printf("%-44s ours %7.3f s  %-22s %7.3f s  ratio %5.2f  check %.1e\n", what, ours, peer, theirs,
              ours / theirs, check);
}

double max_difference(const std::vector<double>& u, const std::vector<double>& v) {
  double d = 0.0;
  for (std::size_t i = 0; i < u.size(); ++i) d = std::max(d, std::abs(u[i] - v[i]));
  return d;
}

void factor_band(int n, int ibd) {
  const BandMatrix original = plain_band(n, ibd);
  BandMatrix a = original;
  const std::vector<double> ab_original = lapack_band(a);
  std::vector<double> ab;
  const int kd = ibd - 1;
  int info = 0;
  const double ours = best_of_three([&] { a = original; }, [&] { cholesky_factor(a.view()); });
  const double theirs =
      best_of_three([&] { ab = ab_original; }, [&] { dpbtrf_("U", &n, &kd, ab.data(), &ibd, &info, 1); });
  char what[80];
  std::snprintf(what, sizeof what, "chodec band n=%d ibd=%d", n, ibd);
  row(what, ours, "dpbtrf", theirs, max_difference(lapack_band(a), ab));
}

void factor_full(int n) {
  const BandMatrix original = plain_band(n, n);
  BandMatrix a = original;
  const std::vector<double> s_original = lapack_square(a);
  std::vector<double> s;
  int info = 0;
  const double ours = best_of_three([&] { a = original; }, [&] { cholesky_factor(a.view()); });
  const double theirs =
      best_of_three([&] { s = s_original; }, [&] { dpotrf_("U", &n, s.data(), &n, &info, 1); });
  double difference = 0.0;
  const Profile<double> p = a.view();
  for (int j = 1; j <= n; ++j)
    for (int k = 1; k <= j; ++k)
      difference = std::max(difference, std::abs(p(j, k) - s[std::size_t(j - 1) * n + k - 1]));
  char what[80];
  std::snprintf(what, sizeof what, "chodec full triangle n=%d", n);
  row(what, ours, "dpotrf", theirs, difference);
}

void solve_band(int n, int ibd, int columns) {
  BandMatrix a = plain_band(n, ibd);
  cholesky_factor(a.view());
  const std::vector<double> ab = lapack_band(a);
  const std::vector<double> rhs = random_block(n, columns, 22);
  std::vector<double> x = rhs, z = rhs;
  const int kd = ibd - 1;
  int info = 0;
  const double ours = seconds([&] { cholesky_solve(a.view(), x.data(), columns); });
  const double theirs =
      seconds([&] { dpbtrs_("U", &n, &kd, &columns, ab.data(), &ibd, z.data(), &n, &info, 1); });
  char what[80];
  std::snprintf(what, sizeof what, "chosol band n=%d ibd=%d, %d columns", n, ibd, columns);
  row(what, ours, "dpbtrs", theirs, max_difference(x, z));
}

void multiply_band(int n, int ibd, int columns) {
  BandMatrix a = plain_band(n, ibd);
  const std::vector<double> ab = lapack_band(a);
  const std::vector<double> b = random_block(n, columns, 23);
  std::vector<double> c(b.size()), d(b.size());
  const auto nothing = [] {};
  const double ours =
      best_of_three(nothing, [&] { profile_multiply(a.view(), b.data(), 1, columns, c.data()); });
  const double theirs = best_of_three(nothing, [&] {
    for (int j = 0; j < columns; ++j)
      cblas_dsbmv(CblasColMajor, CblasUpper, n, ibd - 1, 1.0, ab.data(), ibd, b.data() + std::size_t(j) * n,
                  1, 0.0, d.data() + std::size_t(j) * n, 1);
  });
  char what[80];
  std::snprintf(what, sizeof what, "probtm band n=%d ibd=%d, %d columns", n, ibd, columns);
  row(what, ours, "dsbmv per column", theirs, max_difference(c, d));
}

void multiply_full(int n, int columns) {
  BandMatrix a = plain_band(n, n);
  const std::vector<double> s = lapack_square(a);
  const std::vector<double> b = random_block(n, columns, 24);
  std::vector<double> c(b.size()), d(b.size());
  const auto nothing = [] {};
  const double ours =
      best_of_three(nothing, [&] { profile_multiply(a.view(), b.data(), 1, columns, c.data()); });
  const double theirs = best_of_three(nothing, [&] {
    cblas_dsymm(CblasColMajor, CblasLeft, CblasUpper, n, columns, 1.0, s.data(), n, b.data(), n, 0.0,
                d.data(), n);
  });
  char what[80];
  std::snprintf(what, sizeof what, "probtm full triangle n=%d, %d columns", n, columns);
  row(what, ours, "dsymm (full square)", theirs, max_difference(c, d) / n);
}

// Largest |A·x - λ·B·x| over the converged pairs, relative to |A·x|.
double eigen_residual(Profile<const double> a, Profile<const double> b, const std::vector<double>& x,
                      const std::vector<double>& elam, int pairs) {
  const int n = a.n;
  std::vector<double> ax(std::size_t(n) * pairs), bx(std::size_t(n) * pairs);
  profile_multiply(a, x.data(), 1, pairs, ax.data());
  profile_multiply(b, x.data(), 1, pairs, bx.data());
  double worst = 0.0;
  for (int k = 0; k < pairs; ++k) {
    double r = 0.0, s = 0.0;
    for (int i = 0; i < n; ++i) {
      const std::size_t at = std::size_t(k) * n + i;
      r = std::max(r, std::abs(ax[at] - elam[k] * bx[at]));
      s = std::max(s, std::abs(ax[at]));
    }
    worst = std::max(worst, r / s);
  }
  return worst;
}

void time_subspace(int n, int neigrq) {
  const int neigit = std::min(2 * neigrq, neigrq + 8);
  BandMatrix a = random_band(n, n, 11, 1.0e-3, [](int i) { return double(i) * i; });
  BandMatrix b = random_band(n, std::min(n, 396), 12, 1.0e-3, [](int) { return 1.0; });
  const std::vector<int> lvtri = band_levels(neigit, neigit);
  std::vector<double> elam(neigit), x(std::size_t(n) * neigit);
  double eps = 1.0e-8;
  SubspaceResult r;
  const double t = seconds([&] {
    r = subspace_iteration({a.view(), b.view(), neigrq, neigit}, eps, elam.data(), x.data(), lvtri.data());
  });
  std::printf(
      "simvit n=%d full A, band B 396, neigrq=%d neigit=%d  ours %7.3f s  jac=%d ip=%d ier=%d  "
      "residual %.1e  (peer: bench/simvit_vs_arpack.py)\n",
      n, neigrq, neigit, t, r.jac, r.ip, r.ier, eigen_residual(a.view(), b.view(), x, elam, neigrq));
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  set_default_blas_threads();
  std::printf("OpenBLAS %s, %d thread(s)\n", openblas_get_config(), openblas_get_num_threads());
  factor_band(15376, 1584);
  factor_full(3844);
  solve_band(15376, 1584, 10);
  solve_band(7688, 264, 3844);
  solve_band(15376, 1584, 400);
  multiply_band(15376, 1584, 20);
  multiply_full(3844, 20);
  for (int n : {1000, 3844})
    for (int neigrq : {10, 20}) time_subspace(n, neigrq);
  return 0;
}
