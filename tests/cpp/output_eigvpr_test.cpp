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

std::string header(int from, int to) {
  std::string s = "0    DOF" + sp(7);
  for (int j = from; j <= to; ++j)
    s += "EIGENMODE " + sp(j < 10 ? 1 : 0) + std::to_string(j) + (j < to ? sp(5) : "");
  return s;
}

TEST_F(Eigvpr, ThirteenModesComeInBlocksOfSixSixAndOne) {
  // x(i, j) = j * 10^(i-1), with a negative first row.
  std::vector<double> x(2 * 13);
  for (int j = 1; j <= 13; ++j) {
    x[2 * (j - 1)] = -double(j);
    x[2 * (j - 1) + 1] = 10.0 * j;
  }
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 13}), 2, 13);
  auto value = [](int w, double v) {
    std::string digits = std::to_string(int(std::abs(v)));
    std::string s = (v < 0 ? "-0." : "0.") + digits + std::string(7 - digits.size(), '0') + "E+0" +
                    std::to_string(digits.size());
    return sp(w - int(s.size())) + s;
  };
  auto row = [&](int i, int from, int to) {
    std::string s = " " + sp(5) + std::to_string(i);
    for (int j = from; j <= to; ++j) s += value(j == from ? 21 : 17, x[2 * (j - 1) + i - 1]);
    return s;
  };
  EXPECT_EQ(listing(), (std::vector<std::string>{header(1, 6), row(1, 1, 6), row(2, 1, 6), header(7, 12),
                                                 row(1, 7, 12), row(2, 7, 12), header(13, 13), row(1, 13, 13),
                                                 row(2, 13, 13)}));
  EXPECT_EQ(listing()[8], "      2        0.1300000E+03");
  EXPECT_EQ(listing()[0], "0    DOF       EIGENMODE  1     EIGENMODE  2     EIGENMODE  3     EIGENMODE  4"
                          "     EIGENMODE  5     EIGENMODE  6");
}

TEST_F(Eigvpr, SixModesAreOneBlockAndFewerRowsMayBePrinted) {
  std::vector<double> x(3 * 6, 0.5);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {3, 6}), 1, 6);
  const std::vector<std::string> got = listing();
  ASSERT_EQ(got.size(), 2u);
  // I6, then E21.7, then five E17.7
  EXPECT_EQ(got[1], "      1        0.5000000E+00    0.5000000E+00    0.5000000E+00    0.5000000E+00"
                    "    0.5000000E+00    0.5000000E+00");
}

TEST_F(Eigvpr, NoVectorsOrTooManyRowsPrintAMessageOnTheUnit) {
  std::vector<double> x(4, 1.0);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 2}), 2, 0);
  eigvpr(9, ArrayRef<const double, 2>(x.data(), {2, 2}), 3, 2);
  EXPECT_EQ(listing(), (std::vector<std::string>{" MESSAGE FROM SUBROUTINE EIGVPR:",
                                                 " NEIGA =          0  IS NOT WITHIN     1 TO     2",
                                                 " INCONSISTENT DATA: NO EIGENVECTORS PRINTED",
                                                 " MESSAGE FROM SUBROUTINE EIGVPR:", " M =          3  IS ABOVE     2",
                                                 " INCONSISTENT DATA: NO EIGENVECTORS PRINTED"}));
}

}  // namespace
}  // namespace ruvo
