// Listing sections of the buckling solution, worked out by hand from their formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "output/buckling_listing.hpp"

namespace ruvo {
namespace {

using testing::sp;
using Lines = std::vector<std::string>;
using V = ruvo19;

class BucklingListing : public testing::ListingTest {
protected:
  // mx x my grid under Nx = -100 times the load factor, no constant forces.
  void uniform_compression(int mx, int my) {
    grid<V>(mx, my);
    for (int n = 1; n <= mx * my; ++n) state::cpvar<V>().pvar(n, 1) = -100.0f;
    state::valus.elam(1) = 2.0;
    state::valus.elam(2) = 3.0;
  }
};

const std::string empty;

std::string row(const std::string& iy, int columns, const std::string& value) {
  std::string s = " " + sp(7) + "IY=" + iy;
  for (int c = 0; c < columns; ++c) s += sp(19 - int(value.size())) + value;
  return s;
}

TEST_F(BucklingListing, StatisticsAndBothFormsOfTheEigenvalueLines) {
  uniform_compression(3, 3);
  print_statistics(12, 4, 1.5e-6);
  print_eigenvalues<V>(2, uniform_load<V>());
  state::cpfest<V>().pfest(9, 2) = 1.0e-20f;  // one node differs: the bare eigenvalues
  print_eigenvalues<V>(1, uniform_load<V>());
  EXPECT_EQ(
      listing(),
      (Lines{empty, empty, empty, "1 STATISTICS OF INVERSE POWER METHOD:", empty, sp(5) + "IP= 12, JAC =  4",
             sp(5) + "MAXIMUM CONTAMINATION OF HIGHER EIGENVECTORS BY LOWER ONES: EPSILN =  0.1500E-05",
             empty, empty, " COMPUTED EIGENVALUES:", empty,
             "   1.   LAMBDA=       0.200000E+01      -0.200000E+03       0.000000E+00       0.000000E+00",
             "   2.   LAMBDA=       0.300000E+01      -0.300000E+03       0.000000E+00       0.000000E+00",
             "     1. EIGENVALUE =       0.200000E+01"}));
}

TEST_F(BucklingListing, ForceTablesSplitIntoBlocksOfSixLinesWithAnOverflowingRowNumber) {
  uniform_compression(7, 10);
  auto& dis = state::f07dis<V>();
  dis.nox = 1;
  dis.istx(1) = 3;
  dis.steifx(1, 1) = 1000.0f;
  dis.noy = 2;
  dis.isty(1) = 2;
  dis.isty(2) = 5;
  dis.steify(1, 1) = dis.steify(1, 2) = 500.0f;
  auto& aij = state::f07aij.aij;
  aij(1, 1) = aij(2, 2) = 0.01f;
  aij(1, 2) = aij(2, 1) = -0.003f;
  aij(3, 3) = 0.02f;
  print_forces_at<V>(1);

  // Worked out from the formats: data/buckling_force_tables.txt.
  EXPECT_EQ(listing(), testing::data_lines("buckling_force_tables.txt"));

  const auto& mf = state::pythres.membraneforces;
  EXPECT_EQ(mf(1, 1), -200.0);
  EXPECT_EQ(mf(1, 2), 0.0);
  EXPECT_FLOAT_EQ(float(mf(1, 4)), -2000.0f);
  EXPECT_FLOAT_EQ(float(mf(1, 5)), 300.0f);
}

TEST_F(BucklingListing, MembraneForcesPerNodeAddTheConstantPart) {
  grid<V>(2, 2);
  for (int n = 1; n <= 4; ++n) {
    state::cpvar<V>().pvar(n, 3) = float(n);
    state::cpfest<V>().pfest(n, 3) = 0.5f;
  }
  state::valus.elam(1) = 2.0;
  print_forces_at<V>(1);
  const Lines got = listing();
  // Ny of the nodes of y-line 2 (nodes 2 and 4): 2·2 + 0.5 and 4·2 + 0.5
  EXPECT_NE(std::find(got.begin(), got.end(), row("2", 1, "0.4500000E+01") + sp(6) + "0.8500000E+01"),
            got.end());
  EXPECT_EQ(state::pythres.membraneforces(1, 3), 4.5);
  EXPECT_FALSE(uniform_load<V>());
}

}  // namespace
}  // namespace ruvo
