#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "model/blocks.hpp"
#include "solver/subspace_routines.hpp"
#include "solver_matrices_test.hpp"

namespace ruvo {
namespace {

using kernels::testing::level_vector;

TEST(SolverRoutines, ProfileFaultsSplitIntoShortArraysAndBadArguments) {
  const std::vector<int> lv = level_vector(5, 3);
  const std::vector<double> a(12, 1.0);
  EXPECT_FALSE(profile_fault(a, 5, 3, lv));

  // The texts reach the host: test_solver.py.
  EXPECT_EQ(profile_fault(std::span(a).first(11), 5, 3, lv).kind, ArgumentFault::array);
  EXPECT_EQ(profile_fault(a, 6, 3, lv).kind, ArgumentFault::array);

  EXPECT_EQ(profile_fault(a, 0, 1, lv).code, -2);
  EXPECT_EQ(profile_fault(a, 5, 6, lv).code, -3);
  const ArgumentFault step = profile_fault(a, 5, 2, lv);
  EXPECT_EQ(step.kind, ArgumentFault::argument);
  EXPECT_EQ(step.code, -4);
  EXPECT_EQ(step.text,
            "lv(3) - lv(2) = 2 is not min(2, ibd-1) = 1: lv does not describe a band of width ibd = 2");
}

TEST(SolverRoutines, ChodecReportsBadArgumentsWithoutTouchingTheMatrix) {
  const std::vector<int> lv = level_vector(4, 2);
  std::vector<double> a(7, 4.0);
  std::int32_t ier = 0;
  ::testing::internal::CaptureStdout();
  chodec(a, 4, 3, lv, ier);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            " CHODEC: INVALID ARGUMENTS: lv(3) - lv(2) = 1 is not min(2, ibd-1) = 2:"
            " lv does not describe a band of width ibd = 3\n");
  EXPECT_EQ(ier, -4);
  EXPECT_EQ(a, std::vector<double>(7, 4.0));

  chodec(a, 4, 2, lv, ier);  // 4 on the diagonal, 4 beside it: singular in row 2
  EXPECT_EQ(ier, 2);
}

TEST(SolverRoutines, ChosolAndProbtmRefuseWhatTheyCannotIndex) {
  const std::vector<int> lv = level_vector(3, 3);
  const std::vector<double> a(6, 1.0);
  std::vector<double> x(5), y(3);
  EXPECT_EQ(chosol_fault(a, 3, 3, lv, x, 2, y).kind, ArgumentFault::array);
  EXPECT_EQ(chosol_fault(a, 3, 3, lv, x, -1, y).kind, ArgumentFault::argument);
  EXPECT_EQ(chosol_fault(a, 3, 3, lv, x, 1, std::span(y).first(2)).kind, ArgumentFault::array);

  std::vector<double> c(6, -1.0);
  EXPECT_FALSE(probtm_fault(a, 3, 3, lv, x, 3, 2, c));  // no columns: nothing is read
  EXPECT_FALSE(probtm_fault(a, 0, 9, {}, x, 1, 2, c));  // no rows
  EXPECT_EQ(probtm_fault(a, 3, 3, lv, x, 1, 2, c).kind, ArgumentFault::array);
  probtm(a, 3, 3, lv, x, 1, 2, c);
  EXPECT_EQ(c, std::vector<double>(6, -1.0));
}

TEST(SolverRoutines, SimvitChecksCountsLevelVectorsAndTolerance) {
  const int n = 6, neigit = 3;
  const std::vector<int> lv = level_vector(n, 2), lvtri = level_vector(neigit, neigit);
  const std::vector<double> a(lv[n - 1] + n, 1.0), elam(neigit), x(n * neigit);
  const auto fault = [&](int neigrq, int ngit, double eps, std::span<const int> tri) {
    return simvit_fault(neigrq, ngit, a, a, n, 2, 2, lv, lv, eps, elam, x, tri);
  };
  EXPECT_FALSE(fault(2, 3, 1e-6, lvtri));
  EXPECT_EQ(fault(3, 3, 1e-6, lvtri).code, simvit_bad_arguments);
  EXPECT_EQ(fault(2, 3, 0.0, lvtri).kind, ArgumentFault::argument);
  EXPECT_EQ(fault(2, 3, 1e-6, std::span(lvtri).first(2)).kind, ArgumentFault::array);
  EXPECT_EQ(fault(2, 4, 1e-6, lvtri).kind, ArgumentFault::array);  // elam and x hold 3 columns
}

TEST(SolverRoutines, ChneigLimitsTheCountsAndSaysSo) {
  const Man saved = state::man;
  state::man.ix = 12, state::man.neigit = state::man.neigrq = 20;
  ::testing::internal::CaptureStdout();
  chneig();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            " VALUE OF NEIGIT REDUCED TO 12 = NUMBER OF W-DOFS\n"
            " VALUE OF NEIGRQ REDUCED TO 11 = NEIGIT-1\n");
  EXPECT_EQ((std::array{state::man.neigit, state::man.neigrq}), (std::array{12, 11}));

  ::testing::internal::CaptureStdout();
  chneig();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  state::man = saved;
}

}  // namespace
}  // namespace ruvo
