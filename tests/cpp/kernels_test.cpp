// The profile kernels on seeded random bands: the index function and the
// product; the Cholesky factor, its solves and products, by rows and by tiles,
// on awkward sizes (orders that are no multiple of the tile, the full triangle,
// bands whose leading columns reach past the copied ones, the narrowest bands),
// against each other and by their residuals, and the pivots that stop the
// factor; the Jacobi rotations and the subspace iteration by their eigenpairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "kernels/cholesky.hpp"
#include "kernels/jacobi.hpp"
#include "kernels/profile.hpp"
#include "kernels/profile_product.hpp"
#include "kernels/profile_tiles.hpp"
#include "kernels/subspace.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo::kernels {
namespace {

using testing::Band;
using testing::diagonal;
using testing::random_band;

// Every entry of the band is found through the index function, for every
// band width of a few orders.
TEST(KernelsProfile, DenseRoundTripThroughTheIndexFunction) {
  for (int n : {1, 2, 9, 20})
    for (int ibd = 1; ibd <= n; ++ibd) {
      const Band m = random_band(n, ibd, 5u * n + ibd, 0.0, false);
      ASSERT_TRUE(check_profile(m.lv, n, ibd, m.packed.size()));
      const Profile<const double> p{m.packed.data(), m.lv.data(), n, ibd};
      ASSERT_EQ(p.stored(), m.packed.size());
      for (int i = 1; i <= n; ++i) {
        EXPECT_EQ(p.first_column(i), std::max(1, i - ibd + 1));
        for (int j = 1; j <= n; ++j) EXPECT_EQ(std::abs(i - j) < ibd ? p.symmetric(i, j) : 0.0, m.at(i, j));
      }
      // Held in its full triangle, the band is found from the zeros and copied back into it.
      const Band full = testing::pack(n, n, m.dense);
      const Profile<const double> f{full.packed.data(), full.lv.data(), n, n};
      EXPECT_EQ(occupied_band(f), ibd);
      BandCopy copy(f, ibd);
      ASSERT_EQ(copy.view().stored(), m.packed.size());
      EXPECT_EQ(std::vector<double>(copy.view().a, copy.view().a + m.packed.size()), m.packed);
    }
}

TEST(KernelsProfile, CheckRejectsLevelVectorsThatDoNotDescribeTheStorage) {
  const std::vector<int> lv{0, 1, 3, 5, 7};
  EXPECT_TRUE(check_profile(lv, 5, 3, 12));
  EXPECT_TRUE(check_profile(lv, 4, 3, 10));  // a leading part serves a smaller order
  // Storage one short and a level vector not starting at 0: test_solver.py (profile arrays).

  EXPECT_EQ(check_profile(lv, 6, 3, 99).fault, ProfileFault::order);
  EXPECT_EQ(check_profile(lv, 0, 1, 99).fault, ProfileFault::order);
  EXPECT_EQ(check_profile(lv, 1, 1, 99, 2).fault, ProfileFault::order);
  EXPECT_EQ(check_profile(lv, 5, 6, 99).fault, ProfileFault::band);
  EXPECT_EQ(check_profile(lv, 5, 0, 99).fault, ProfileFault::band);

  const std::vector<int> decreasing{0, 1, 3, 2, 4};
  const ProfileCheck c = check_profile(decreasing, 5, 3, 99);
  EXPECT_EQ(c.fault, ProfileFault::level_step);
  EXPECT_EQ(c.row, 4);
  // Rows of the full triangle are longer than a band of 3 allows.
  EXPECT_EQ(check_profile(std::vector<int>{0, 1, 3, 6, 10}, 5, 3, 99).row, 4);
  // Rows shorter than the band would overlap the row before.
  EXPECT_EQ(check_profile(lv, 5, 4, 99).row, 4);
  // A level vector beyond 32-bit positions is not one of this band.
  EXPECT_EQ(check_profile(std::vector<int>{0, 2147483647}, 2, 2, 99).row, 2);
}

TEST(KernelsProfile, ProductMatchesDenseProductOnRequestedColumnsOnly) {
  for (auto [n, ibd] : {std::pair{1, 1}, {8, 1}, {8, 3}, {8, 8}, {31, 7}}) {
    const Band m = random_band(n, ibd, 3u * n + ibd, 0.0, false);
    const int cols = 4;
    const std::vector<double> b = testing::random_block(n, cols, 11u + n);
    std::vector<double> c(std::size_t(n) * cols, -7.0);
    profile_multiply({m.packed.data(), m.lv.data(), n, ibd}, b.data(), 2, 3, c.data());
    for (int j = 1; j <= cols; ++j) {
      const std::vector<double> ref = testing::dense_times(m, b.data() + (j - 1) * n);
      for (int i = 1; i <= n; ++i) {
        const double got = c[std::size_t(j - 1) * n + (i - 1)];
        if (j == 2 || j == 3) {
          EXPECT_NEAR(got, ref[i - 1], 1e-13 * (1.0 + std::abs(ref[i - 1])));
        } else {
          EXPECT_EQ(got, -7.0);
        }
      }
    }
    std::vector<double> untouched(std::size_t(n) * cols, -7.0);
    profile_multiply({m.packed.data(), m.lv.data(), n, ibd}, b.data(), 3, 2, untouched.data());
    EXPECT_EQ(untouched, std::vector<double>(std::size_t(n) * cols, -7.0));
  }
}

Profile<double> view(Band& m) { return {m.packed.data(), m.lv.data(), m.n, m.ibd}; }

double max_difference(const std::vector<double>& u, const std::vector<double>& v) {
  double d = 0.0;
  for (std::size_t i = 0; i < u.size(); ++i) d = std::max(d, std::abs(u[i] - v[i]));
  return d;
}

struct Case {
  int n, ibd, nb;
};
// (order, band, rows per tile)
const Case cases[] = {{37, 10, 4},   {23, 23, 5},  {9, 2, 1}, {64, 17, 16}, {41, 40, 7},
                      {100, 30, 29}, {50, 12, 11}, {7, 7, 6}, {2, 2, 1}};

TEST(KernelsCholesky, FactorSolveAndProductAgreeWithTheRowByRowPaths) {
  for (const Case c : cases) {
    SCOPED_TRACE(::testing::Message() << "n " << c.n << " ibd " << c.ibd << " nb " << c.nb);
    Band rows = testing::random_band(c.n, c.ibd, 31u * c.n + c.ibd);
    Band tiled = rows;
    const Band original = rows;
    const int m = 5;
    const std::vector<double> b = testing::random_block(c.n, m, 7u + c.n);

    std::vector<double> c_rows(b.size(), -1.0), c_tiles(b.size(), -2.0);
    profile_multiply_rows(view(rows), b.data(), 2, m, c_rows.data());
    profile_multiply_tiles(ProfileTiles<const double>(view(rows), 0), b.data(), 2, m, c_tiles.data(), c.nb);
    std::fill_n(c_rows.begin(), c.n, -2.0);  // column 1 stays untouched
    EXPECT_LT(max_difference(c_rows, c_tiles), 1e-13 * c.n);

    ASSERT_EQ(cholesky_factor_rows(view(rows)), 0);
    ProfileTiles<double> U(view(tiled), factor_copied(view(tiled)));
    ASSERT_EQ(cholesky_factor_tiles(U, c.nb), 0);
    EXPECT_LT(max_difference(rows.packed, tiled.packed), 1e-13 * c.n);

    // Solutions from the factor's own tiles and from the profile alone.
    std::vector<double> x_rows = b, x_kept = b, x_profile = b;
    cholesky_solve_rows(view(rows), x_rows.data(), m);
    cholesky_solve_tiles(U, x_kept.data(), m, c.nb);
    cholesky_solve_tiles(ProfileTiles<const double>(view(tiled), 0), x_profile.data(), m, c.nb);
    EXPECT_LT(max_difference(x_rows, x_kept), 1e-12 * c.n);
    EXPECT_EQ(x_kept, x_profile);
    for (int j = 0; j < m; ++j) {
      std::vector<double> r = testing::dense_times(original, x_kept.data() + std::size_t(j) * c.n);
      for (int i = 0; i < c.n; ++i) r[i] -= b[std::size_t(j) * c.n + i];
      EXPECT_LT(testing::max_abs(r), 1e-12);
    }
    cholesky_solve(view(rows), x_rows.data(), 0);  // no columns: the block stays
    EXPECT_LT(max_difference(x_rows, x_kept), 1e-12 * c.n);
  }
}

TEST(KernelsCholesky, WideBandsTakeTheTilesAndNarrowOnesTheRows) {
  EXPECT_EQ(tile_rows(1), 0);
  EXPECT_EQ(tile_rows(48), 0);
  EXPECT_GT(tile_rows(49), 0);
  EXPECT_LE(tile_rows(60), 59);
  // Band 1 (a diagonal) and bands past the threshold, through the
  // dispatching entries, against the rows and by the solve's residual.
  for (auto [n, ibd] : {std::pair{20, 1}, {130, 60}, {70, 70}}) {
    Band rows = testing::random_band(n, ibd, 5u + n);
    Band dispatched = rows;
    ASSERT_EQ(cholesky_factor_rows(view(rows)), 0);
    ASSERT_EQ(cholesky_factor(view(dispatched)), 0);
    EXPECT_LT(max_difference(rows.packed, dispatched.packed), 1e-13 * n) << n << " " << ibd;
    std::vector<double> x = testing::random_block(n, 1, 3u);
    const std::vector<double> b = x;
    cholesky_solve(view(dispatched), x.data(), 1);
    std::vector<double> r = testing::dense_times(testing::random_band(n, ibd, 5u + n), x.data());
    for (int i = 0; i < n; ++i) r[i] -= b[i];
    EXPECT_LT(testing::max_abs(r), 1e-12) << n << " " << ibd;
  }
}

TEST(KernelsCholesky, FailingPivotInsideATileIsTheFirstFailingRow) {
  // Row 13 (inside the third tile of 5) becomes singular: its diagonal is
  // replaced so that the pivot is exactly zero after the rows above.
  for (const Case c : {Case{30, 9, 5}, Case{30, 30, 5}}) {
    Band m = testing::random_band(c.n, c.ibd, 77);
    Band probe = m;
    ASSERT_EQ(cholesky_factor_rows(view(probe)), 0);
    const int bad = 13;
    const double pivot = probe.packed[std::size_t(probe.lv[bad - 1]) + bad - 1];
    m.packed[std::size_t(m.lv[bad - 1]) + bad - 1] -= pivot * pivot + 1.0;  // pivot -1
    Band rows = m, tiled = m;
    EXPECT_EQ(cholesky_factor_rows(view(rows)), bad);
    ProfileTiles<double> U(view(tiled), factor_copied(view(tiled)));
    EXPECT_EQ(cholesky_factor_tiles(U, c.nb), bad);
    // Rows before it hold the factor in the profile.
    const std::size_t done = std::size_t(m.lv[bad - 1]) + 1;
    for (std::size_t i = 0; i < done; ++i) EXPECT_NEAR(tiled.packed[i], rows.packed[i], 1e-12);
  }
}

TEST(KernelsCholesky, ForwardHalfGivesTheCondensation) {
  // Cᵀ·A⁻¹·C = Wᵀ·W with W = L⁻¹·C, against the full solution; W is formed
  // in place in storage with a longer leading dimension, whose rows beyond
  // the order stay untouched.
  Band a = testing::random_band(61, 20, 4);
  ProfileTiles<double> U(view(a), factor_copied(view(a)));
  ASSERT_EQ(cholesky_factor_tiles(U, 7), 0);
  const int m = 4, ld = 66;
  const std::vector<double> c = testing::random_block(61, m, 8);
  std::vector<double> w(std::size_t(ld) * m, 7.0), z = c;
  for (int j = 0; j < m; ++j) std::copy_n(c.begin() + j * 61, 61, w.begin() + j * ld);
  cholesky_forward_tiles(U, w.data(), ld, m, 7);
  cholesky_solve_tiles(U, z.data(), m, 7);
  for (int i = 0; i < m; ++i) {
    for (int r = 61; r < ld; ++r) EXPECT_EQ(w[std::size_t(i) * ld + r], 7.0);
    for (int j = 0; j < m; ++j) {
      double wtw = 0.0, ctz = 0.0;
      for (int r = 0; r < 61; ++r) {
        wtw += w[std::size_t(i) * ld + r] * w[std::size_t(j) * ld + r];
        ctz += c[std::size_t(i) * 61 + r] * z[std::size_t(j) * 61 + r];
      }
      EXPECT_NEAR(wtw, ctz, 1e-13);
    }
  }
}

TEST(KernelsCholesky, RepeatedRunsAreBitIdentical) {
  Band first = testing::random_band(300, 120, 9);
  Band second = first;
  ASSERT_EQ(cholesky_factor(view(first)), 0);
  ASSERT_EQ(cholesky_factor(view(second)), 0);
  EXPECT_EQ(std::memcmp(first.packed.data(), second.packed.data(), first.packed.size() * sizeof(double)), 0);
  std::vector<double> x1 = testing::random_block(300, 4, 3), x2 = x1;
  cholesky_solve(view(first), x1.data(), 4);
  cholesky_solve(view(second), x2.data(), 4);
  EXPECT_EQ(std::memcmp(x1.data(), x2.data(), x1.size() * sizeof(double)), 0);
}

TEST(KernelsCholesky, FailingPivotRowIsReportedAndTheThresholdIsAbsoluteAndExclusive) {
  const double at = pivot_threshold, above = std::nextafter(pivot_threshold, 1.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<std::vector<double>, int> diagonals[] = {
      {{9.0}, 1},  // order one is refused, after taking the root
      {{0.0, 1.0, 1.0}, 1}, {{1.0, 1.0, 1.0, -2.0}, 4}, {{1.0, nan, 1.0}, 2},  {{at, 1.0}, 1},
      {{above, 1.0}, 0},    {{1.0, at, 1.0}, 2},        {{1.0, above, 1.0}, 0}};
  for (const auto& [d, row] : diagonals) {
    Band m = diagonal(d);
    EXPECT_EQ(cholesky_factor(view(m)), row)
        << "order " << d.size() << ", pivot " << d[row > 0 ? row - 1 : 1];
    if (d.size() == 1) {
      EXPECT_EQ(m.packed[0], 3.0);
    }
    if (row == 0) {
      EXPECT_EQ(m.packed[2], std::sqrt(d[1]));
    }
  }
  // Row 3 is the sum of rows 1 and 2: singular in row 3.
  Band singular = testing::pack(3, 3, {2, 1, 3, 1, 2, 3, 3, 3, 6});
  EXPECT_EQ(cholesky_factor(view(singular)), 3);
}

std::vector<double> identity(int n) {
  std::vector<double> e(std::size_t(n) * n, 0.0);
  for (int i = 0; i < n; ++i) e[std::size_t(i) * n + i] = 1.0;
  return e;
}

JacobiStatus jacobi(Band& m, double eps, std::vector<double>& ys) {
  ys.assign(std::size_t(m.n) * m.n, -1.0);
  return jacobi_eigen({m.packed.data(), m.lv.data(), m.n, m.n}, eps, ys.data());
}

TEST(KernelsJacobi, DiagonalZeroAndOrderOneMatrices) {
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

TEST(KernelsJacobi, RandomSymmetricMatricesAreDiagonalisedWithinTheRotationLimit) {
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

TEST(KernelsSubspace, DiagonalPairGivesTheLastUnitVectors) {
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

TEST(KernelsSubspace, RandomBandPairsSatisfyTheEigenproblem) {
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

TEST(KernelsSubspace, MatrixThatIsNotDefiniteStopsBeforeIterating) {
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
