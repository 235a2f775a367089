// Times the eigenvalue kernels at the sizes of the largest variant:
//   - subspace iteration on a full triangle (the condensed stiffness) of order
//     1000 and 3844 against a band B of width 396, for 10 and 20 eigenvalues;
//   - Cholesky factorisation and block solution of the tangential stiffness
//     band, order 15376 and width 1584.
// The matrices are seeded random, diagonally dominant; A's diagonal grows
// like i² so that the lowest eigenvalues are spread as in a plate.
// Prints one line per case: sizes, seconds, steps and a residual.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "solver/cholesky.hpp"
#include "solver/profile.hpp"
#include "solver/profile_product.hpp"
#include "solver/subspace.hpp"

namespace {

using namespace ruvo::solver;

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

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
  const auto start = std::chrono::steady_clock::now();
  const SubspaceResult r =
      subspace_iteration({a.view(), b.view(), neigrq, neigit}, eps, elam.data(), x.data(), lvtri.data());
  const double t = seconds_since(start);
  std::printf("subspace  n=%5d  neigrq=%2d neigit=%2d  %8.2f s  jac=%3d ip=%4d ier=%d  residual %.1e\n",
              n, neigrq, neigit, t, r.jac, r.ip, r.ier, eigen_residual(a.view(), b.view(), x, elam, neigrq));
}

void time_band_cholesky(int n, int ibd, int columns) {
  BandMatrix a = random_band(n, ibd, 21, 1.0, [](int) { return 1.0; });
  const BandMatrix original = a;
  std::vector<double> rhs(std::size_t(n) * columns);
  std::mt19937_64 engine(22);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (double& v : rhs) v = uniform(engine);

  auto start = std::chrono::steady_clock::now();
  const int ier = cholesky_factor(a.view());
  const double factor_time = seconds_since(start);

  std::vector<double> x = rhs, work(n), check(std::size_t(n) * columns);
  start = std::chrono::steady_clock::now();
  cholesky_solve(a.view(), x.data(), columns, work.data());
  const double solve_time = seconds_since(start);

  BandMatrix copy = original;
  profile_multiply(copy.view(), x.data(), 1, columns, check.data());
  double residual = 0.0;
  for (std::size_t i = 0; i < check.size(); ++i) residual = std::max(residual, std::abs(check[i] - rhs[i]));
  std::printf("cholesky  n=%5d  ibd=%4d  factor %8.2f s  solve %d columns %6.2f s  ier=%d  residual %.1e\n",
              n, ibd, factor_time, columns, solve_time, ier, residual);
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
  for (int n : {1000, 3844})
    for (int neigrq : {10, 20}) time_subspace(n, neigrq);
  time_band_cholesky(15376, 1584, 10);
  return 0;
}
