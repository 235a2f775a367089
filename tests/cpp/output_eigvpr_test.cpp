// Eigenvector tables: blocks of six modes, each with its header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_listing_fixture.hpp"
#include "output/eigvpr.hpp"

namespace ruvo {
namespace {

using testing::sp;

class Eigvpr : public testing::ListingTest {};

TEST_F(Eigvpr, ThirteenModesComeInBlocksOfSixSixAndOne) {
  // x(i, j) = j * 10^(i-1), with a negative first row.
  std::vector<double> x(2 * 13);
  for (int j = 1; j <= 13; ++j) {
    x[2 * (j - 1)] = -double(j);
    x[2 * (j - 1) + 1] = 10.0 * j;
  }
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 13}), 2, 13);
  // Worked out from the formats: data/eigvpr_thirteen_modes.txt.
  EXPECT_EQ(listing(), testing::data_lines("eigvpr_thirteen_modes.txt"));
}

TEST_F(Eigvpr, SixModesAreOneBlockAndFewerRowsMayBePrinted) {
  std::vector<double> x(3 * 6, 0.5);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {3, 6}), 1, 6);
  const std::vector<std::string> got = listing();
  ASSERT_EQ(got.size(), 2u);
  // I6, then E21.7, then five E17.7
  EXPECT_EQ(got[1],
            "      1        0.5000000E+00    0.5000000E+00    0.5000000E+00    0.5000000E+00"
            "    0.5000000E+00    0.5000000E+00");
}

TEST_F(Eigvpr, NoVectorsOrTooManyRowsPrintAMessageOnTheUnit) {
  std::vector<double> x(4, 1.0);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 2}), 2, 0);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 2}), 3, 2);
  EXPECT_EQ(listing(),
            (std::vector<std::string>{
                " MESSAGE FROM SUBROUTINE EIGVPR:", " NEIGA =          0  IS NOT WITHIN     1 TO     2",
                " INCONSISTENT DATA: NO EIGENVECTORS PRINTED", " MESSAGE FROM SUBROUTINE EIGVPR:",
                " M =          3  IS ABOVE     2", " INCONSISTENT DATA: NO EIGENVECTORS PRINTED"}));
}

}  // namespace
}  // namespace ruvo
