#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "kernels/jacobi.hpp"
#include "kernels/subspace.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo::kernels {
namespace {

using testing::Band;
using testing::diagonal;

std::vector<double> identity(int n) {
  std::vector<double> e(std::size_t(n) * n, 0.0);
  for (int i = 0; i < n; ++i) e[std::size_t(i) * n + i] = 1.0;
  return e;
}

JacobiStatus jacobi(Band& m, double eps, std::vector<double>& ys) {
  ys.assign(std::size_t(m.n) * m.n, -1.0);
  return jacobi_eigen({m.packed.data(), m.lv.data(), m.n, m.n}, eps, ys.data());
}

TEST(SolverJacobi, DiagonalZeroAndOrderOneMatrices) {
  std::vector<double> ys;
  Band d = diagonal({3.0, -1.0, 2.0});
  const std::vector<double> before = d.packed;
  EXPECT_EQ(jacobi(d, 1e-8, ys), jacobi_converged);
  EXPECT_EQ(ys, identity(3));
  EXPECT_EQ(d.packed, before);

  Band zero = diagonal({0.0, 0.0, 0.0});
  EXPECT_EQ(jacobi(zero, 1e-8, ys), jacobi_too_small);
  EXPECT_EQ(zero.packed, std::vector<double>(6, 0.0));

  Band one = diagonal({4.0});
  EXPECT_EQ(jacobi(one, 1e-8, ys), jacobi_converged);
  EXPECT_EQ(ys, identity(1));
  EXPECT_EQ(one.packed[0], 4.0);
}

TEST(SolverJacobi, RandomSymmetricMatricesAreDiagonalisedWithinTheRotationLimit) {
  for (int n : {2, 3, 6, 12}) {
    Band m = testing::random_band(n, n, 41u + n, 0.0, false);
    std::vector<double> ys;
    ASSERT_EQ(jacobi(m, 1e-12, ys), jacobi_converged);
    const Profile<const double> lam{m.packed.data(), m.lv.data(), n, n};
    for (int k = 0; k < n; ++k) {
      const double* v = ys.data() + std::size_t(k) * n;
      std::vector<double> r = testing::dense_times(m, v);
      for (int i = 0; i < n; ++i) r[i] -= lam(k + 1, k + 1) * v[i];
      EXPECT_LT(testing::max_abs(r), 1e-10) << n;
      for (int l = 0; l < n; ++l) {
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += v[i] * ys[std::size_t(l) * n + i];
        EXPECT_NEAR(s, k == l ? 1.0 : 0.0, 1e-13);
      }
    }
  }
  Band m = testing::random_band(4, 4, 8, 0.0, false);  // a zero tolerance runs into the rotation limit
  std::vector<double> ys;
  EXPECT_EQ(jacobi(m, 0.0, ys), jacobi_rotation_limit);
}

struct Outcome {
  SubspaceResult result;
  double eps;
  std::vector<double> elam, x;
};

Outcome iterate(const Band& a, const Band& b, int neigrq, int neigit, double eps) {
  Outcome run{{}, eps, std::vector<double>(neigit, 0.0), std::vector<double>(std::size_t(a.n) * neigit, 0.0)};
  const std::vector<int> lvtri = testing::level_vector(neigit, neigit);
  const SubspaceProblem problem{
      {a.packed.data(), a.lv.data(), a.n, a.ibd}, {b.packed.data(), b.lv.data(), b.n, b.ibd}, neigrq, neigit};
  run.result = subspace_iteration(problem, run.eps, run.elam.data(), run.x.data(), lvtri.data());
  return run;
}

// ‖A·x − λ·B·x‖ and |xᵀ·A·x − 1| of pair k (0-based).
void expect_eigenpair(const Band& a, const Band& b, const Outcome& run, int k, double tol) {
  const double* x = run.x.data() + std::size_t(k) * a.n;
  const std::vector<double> ax = testing::dense_times(a, x);
  const std::vector<double> bx = testing::dense_times(b, x);
  std::vector<double> r(a.n);
  double xax = 0.0;
  for (int i = 0; i < a.n; ++i) {
    r[i] = ax[i] - run.elam[k] * bx[i];
    xax += x[i] * ax[i];
  }
  EXPECT_LT(testing::max_abs(r), tol * testing::max_abs(ax)) << "pair " << k;
  EXPECT_NEAR(xax, 1.0, 1e-12) << "pair " << k;
}

TEST(SolverSubspace, DiagonalPairGivesTheLastUnitVectors) {
  const int n = 10;
  std::vector<double> ones(n, 1.0), counts(n);
  for (int i = 0; i < n; ++i) counts[i] = i + 1;
  const Outcome run = iterate(diagonal(ones), diagonal(counts), 2, 4, 1e-10);
  ASSERT_EQ(run.result.ier, 0);
  // The eigenvalues converge quadratically in the vectors' error.
  EXPECT_NEAR(run.elam[0], 1.0 / n, 1e-12);
  EXPECT_NEAR(run.elam[1], 1.0 / (n - 1), 1e-12);
  for (int k = 0; k < 2; ++k)
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(std::abs(run.x[std::size_t(k) * n + i]), i == n - 1 - k ? 1.0 : 0.0, 1e-5);
  EXPECT_NEAR(run.eps, 1e-10 * std::pow(1.03, run.result.ip), 1e-10 * 1e-12);
  EXPECT_GE(run.result.ip, run.result.jac);
}

TEST(SolverSubspace, RandomBandPairsSatisfyTheEigenproblem) {
  for (auto [n, ibd, indefinite] : {std::tuple{30, 5, false}, {30, 30, true}, {80, 9, true}}) {
    const Band a = testing::random_band(n, ibd, 100u + n);
    const Band b = testing::random_band(n, ibd, 200u + n, 0.5, !indefinite);
    const Outcome run = iterate(a, b, 4, 8, 1e-10);
    ASSERT_EQ(run.result.ier, 0);
    ASSERT_TRUE(run.result.jacobi_failures.empty());
    // A held in its full triangle is solved in the band its entries occupy;
    // a second run repeats the first bit for bit.
    const Outcome held_full = iterate(testing::pack(n, n, a.dense), b, 4, 8, 1e-10);
    const Outcome again = iterate(a, b, 4, 8, 1e-10);
    EXPECT_EQ(std::memcmp(again.x.data(), run.x.data(), run.x.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(again.elam.data(), run.elam.data(), run.elam.size() * sizeof(double)), 0);
    EXPECT_EQ(std::tie(again.eps, again.result.ip, again.result.jac),
              std::tie(run.eps, run.result.ip, run.result.jac));
    for (int k = 0; k < 4; ++k) {
      expect_eigenpair(a, b, run, k, 1e-7);
      EXPECT_NEAR(held_full.elam[k], run.elam[k], 1e-10 * std::abs(run.elam[k]));
      EXPECT_LE(std::abs(run.elam[std::max(k - 1, 0)]), std::abs(run.elam[k]) * (1 + 1e-12));
    }
  }
}

TEST(SolverSubspace, MatrixThatIsNotDefiniteStopsBeforeIterating) {
  const Band a = diagonal({0.0, 1.0, 1.0, 1.0, 1.0});
  const Band b = diagonal({1.0, 2.0, 3.0, 4.0, 5.0});
  Outcome run = iterate(a, b, 1, 3, 1e-6);
  EXPECT_EQ(run.result.ier, subspace_not_definite);
  EXPECT_EQ(run.result.cholesky_row, 1);
  EXPECT_EQ(run.result.ip, 0);
  EXPECT_EQ(run.eps, 1e-6);
  EXPECT_EQ(run.elam, std::vector<double>(3, 0.0));
  // Start vectors: random in [0, 1) with 2 at the freedoms of largest |B|/|A|
  // (the first, where A vanishes, then the last).
  EXPECT_EQ(run.x[0], 2.0);
  EXPECT_EQ(run.x[5 + 4], 2.0);
  for (int i = 1; i < 9; ++i) EXPECT_TRUE(run.x[i] >= 0.0 && run.x[i] < 1.0) << i;
}

}  // namespace
}  // namespace ruvo::kernels
