// The Lanczos kernel on seeded random pairs held in profile storage: A
// positive definite, B symmetric and indefinite. Its pairs satisfy
// A·X = B·X·Λ, are A-normalised with their largest entry positive, and are
// the pairs of smallest |λ|, as a dense generalised solution of the same pair
// (LAPACK's, on B·y = μ·A·y) finds them; a second run repeats the first bit
// for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <tuple>
#include <vector>

#include "kernels/factor.hpp"
#include "kernels/lanczos.hpp"
#include "solver_matrices_test.hpp"

extern "C" void dsygv_(const int* itype, const char* jobz, const char* uplo, const int* n, double* a,
                       const int* lda, double* b, const int* ldb, double* w, double* work, const int* lwork,
                       int* info, std::size_t jobz_length, std::size_t uplo_length);

namespace ruvo::kernels {
namespace {

using testing::Band;

struct Pairs {
  LanczosResult result;
  std::vector<double> elam, x;
};

Pairs lanczos(const Band& a, const Band& b, int modes) {
  Factor factor(Profile<const double>{a.packed.data(), a.lv.data(), a.n, a.ibd});
  EXPECT_EQ(factor.factor(), 0);
  Pairs run{{}, std::vector<double>(std::size_t(modes)), std::vector<double>(std::size_t(a.n) * modes)};
  const LanczosProblem problem{factor, {b.packed.data(), b.lv.data(), b.n, b.ibd}, modes};
  run.result = lanczos_eigen(problem, run.elam.data(), run.x.data());
  return run;
}

// The eigenvalues of A·x = λ·B·x in increasing magnitude, from the dense
// pair by LAPACK with A as the metric: λ = 1/μ.
std::vector<double> dense_eigenvalues(const Band& a, const Band& b) {
  const int n = a.n, itype = 1, lwork = 64 * n;
  std::vector<double> bm = b.dense, am = a.dense, mu(static_cast<std::size_t>(n)),
                      work(static_cast<std::size_t>(lwork));
  int info = 0;
  dsygv_(&itype, "N", "L", &n, bm.data(), &n, am.data(), &n, mu.data(), work.data(), &lwork, &info, 1, 1);
  EXPECT_EQ(info, 0);
  std::vector<double> lambda;
  for (double m : mu)
    if (m != 0.0) lambda.push_back(1.0 / m);
  std::sort(lambda.begin(), lambda.end(), [](double u, double v) { return std::abs(u) < std::abs(v); });
  return lambda;
}

TEST(KernelsLanczos, RandomPairsGiveTheSmallestEigenpairsWithASmallResidual) {
  for (auto [n, ibd, modes] : {std::tuple{40, 5, 4}, {60, 60, 6}, {90, 12, 10}, {12, 3, 11}}) {
    const Band a = testing::random_band(n, ibd, 300u + unsigned(n), 1.0, true);
    const Band b = testing::random_band(n, ibd, 400u + unsigned(n), 0.0, false);
    ASSERT_LE(modes, lanczos_most_modes(n));
    const Pairs run = lanczos(a, b, modes);
    ASSERT_EQ(run.result.status, LanczosStatus::converged) << "code " << run.result.code;
    // ‖A·X − B·X·Λ‖ relative to ‖A·X‖ (Frobenius), and xᵀ·A·x = 1 for each.
    double residual = 0.0, size = 0.0;
    for (int k = 0; k < modes; ++k) {
      const double* x = run.x.data() + std::size_t(k) * n;
      const std::vector<double> ax = testing::dense_times(a, x), bx = testing::dense_times(b, x);
      double xax = 0.0;
      for (int i = 0; i < n; ++i) {
        const double r = ax[std::size_t(i)] - run.elam[std::size_t(k)] * bx[std::size_t(i)];
        residual += r * r;
        size += ax[std::size_t(i)] * ax[std::size_t(i)];
        xax += x[i] * ax[std::size_t(i)];
      }
      EXPECT_NEAR(xax, 1.0, 1e-12) << "pair " << k;
      const double* peak =
          std::max_element(x, x + n, [](double u, double v) { return std::abs(u) < std::abs(v); });
      EXPECT_GT(*peak, 0.0) << "pair " << k;
    }
    EXPECT_LT(std::sqrt(residual / size), 1e-10) << "n " << n << ", band " << ibd;
    // The wanted ones, in increasing magnitude.
    const std::vector<double> dense = dense_eigenvalues(a, b);
    for (int k = 0; k < modes; ++k)
      EXPECT_NEAR(run.elam[std::size_t(k)], dense[std::size_t(k)], 1e-10 * std::abs(dense[std::size_t(k)]))
          << "n " << n << ", pair " << k;
    const Pairs again = lanczos(a, b, modes);
    EXPECT_EQ(std::memcmp(again.elam.data(), run.elam.data(), run.elam.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(again.x.data(), run.x.data(), run.x.size() * sizeof(double)), 0);
  }
}

TEST(KernelsLanczos, DiagonalPairGivesItsQuotientsAndUnitVectors) {
  // A = diag(1..n), B = diag(±1): λ_i = ±i, the smallest magnitudes first.
  // Of two equal magnitudes, rounding decides which comes first.
  const int n = 8;
  std::vector<double> ad(n), bd(n);
  for (int i = 0; i < n; ++i) ad[std::size_t(i)] = double(i / 2 + 1), bd[std::size_t(i)] = i % 2 ? 1.0 : -1.0;
  const Pairs run = lanczos(testing::diagonal(ad), testing::diagonal(bd), 4);
  ASSERT_EQ(run.result.status, LanczosStatus::converged);
  for (int k = 0; k < 4; ++k) {
    const double lambda = run.elam[std::size_t(k)];
    EXPECT_NEAR(std::abs(lambda), double(k / 2 + 1), 1e-12) << k;
    // the unit vector of the freedom of this eigenvalue, scaled to xᵀ·A·x = 1
    const int freedom = 2 * (k / 2) + (lambda > 0.0 ? 1 : 0);
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(std::abs(run.x[std::size_t(k) * n + std::size_t(i)]),
                  i == freedom ? 1.0 / std::sqrt(ad[std::size_t(i)]) : 0.0, 1e-10)
          << k << ", " << i;
  }
  EXPECT_LT(run.elam[0] * run.elam[1], 0.0);
  EXPECT_LT(run.elam[2] * run.elam[3], 0.0);
}

}  // namespace
}  // namespace ruvo::kernels
