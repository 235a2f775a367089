// The mode-shape file: plot grid, contour block, least-squares plane and the
// mode tables, against hand-worked records and closed-form fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "input_listing_fixture.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/lqfit.hpp"
#include "output/mode_file.hpp"
#include "output/modes.hpp"
#include "output/plot_grid.hpp"

namespace ruvo {
namespace {

using testing::sp;
constexpr double pi = 3.14159265358979323846;

// One block of the file: its heading, and per line its coordinate and values.
struct Block {
  std::string heading;
  std::vector<double> along;
  std::vector<std::vector<double>> values;
};

std::vector<double> numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> v;
  for (double d; in >> d;) v.push_back(d);
  return v;
}

class ModeFile : public testing::ListingTest {
protected:
  void SetUp() override {
    ListingTest::SetUp();
    io::open(mode_file_unit, "MODES.txt");
    io::open(io::stdout_unit, "stdout.txt");
    state::plotfls = {};
    state::f01eps = {};
    std::memset(&state::vectrs<ruvo31>(), 0, sizeof(Vectrs<ruvo31>));
  }
  void TearDown() override {
    io::close(mode_file_unit);
    io::close(io::stdout_unit);
    ListingTest::TearDown();
  }

  std::vector<std::string> file() const { return lines_of("MODES.txt"); }
  std::vector<std::string> standard_output() const { return lines_of("stdout.txt"); }

  // The blocks of the file after the count record; the first is the contour.
  std::vector<Block> blocks() const {
    const auto text = file();
    std::vector<Block> result;
    for (std::size_t l = 2; l < text.size(); ++l) {
      if (text[l][0] != ' ' || text[l].find("increases") != std::string::npos) {
        result.push_back({text[l], {}, {}});
        ++l;  // the coordinates across the lines
        continue;
      }
      auto row = numbers(text[l]);
      result.back().along.push_back(row[0]);
      result.back().values.emplace_back(row.begin() + 1, row.end());
    }
    return result;
  }

  // A grid of mx by my lines over lx by ly, equal subdivisions, W alone,
  // every W freedom numbered in node order.
  void plate(int mx, int my, float lx, float ly) {
    grid(mx, my);
    auto& ina = state::f07ina<ruvo31>();
    for (int k = 1; k < mx; ++k) ina.a(k) = lx / float(mx - 1);
    for (int k = 1; k < my; ++k) ina.b(k) = ly / float(my - 1);
    auto& lm = state::f07mat<ruvo31>().lm;
    int eq = 0;
    for (int n = 1; n <= mx * my; ++n)
      for (int kind = 1; kind <= 4; ++kind) lm(1, kind, n) = ++eq;
    state::man.ix = eq;
  }

  // Column n of the eigenvectors holds sin(kx pi x / lx) sin(pi y / ly): W and
  // its freedoms F, FX, FY, FXY (slopes divided by pi/lx, pi/ly).
  static void mode(int n, double kx, double lx, double ly) {
    const auto& ina = state::f07ina<ruvo31>();
    const auto& lm = state::f07mat<ruvo31>().lm;
    float x = 0.0f;
    for (int i = 1; i <= ina.mx; x += ina.a(i++)) {
      float y = 0.0f;
      for (int j = 1; j <= ina.my; y += ina.b(j++)) {
        const double sx = std::sin(kx * pi * x / lx), cx = kx * std::cos(kx * pi * x / lx);
        const double sy = std::sin(pi * y / ly), cy = std::cos(pi * y / ly);
        const double f[4] = {sx * sy, cx * sy, sx * cy, cx * cy};
        for (int kind = 1; kind <= 4; ++kind)
          state::vectrs<ruvo31>().x(lm(1, kind, ina.leit(j, i)), n) = f[kind - 1];
      }
    }
  }

  static void plot(int npx, int npy, int isymx = 0, int isymy = 0, int nmod = 1) {
    auto& p = state::plotin;
    p.npx = npx, p.npy = npy, p.isymx = isymx, p.isymy = isymy, p.nmod = nmod;
  }

  static std::int32_t write_file() {
    pltmsh<ruvo31>();
    cntour();
    std::int32_t ier = -1;
    modes<ruvo31>(ier);
    return ier;
  }

  // The value of the block at plot point (i, j), 1-based, whatever the line direction.
  static double at(const Block& b, int i, int j) {
    return state::plotin.npy <= state::plotin.npx ? b.values[i - 1][j - 1] : b.values[j - 1][i - 1];
  }
};

TEST_F(ModeFile, DependentColumnsAreReportedAndTheFitGoesOn) {
  double phi[8] = {1, 1, 1, 1, 2, 2, 2, 2};  // the second column repeats the first
  const double epss[4] = {1, 1, 1, 1};
  double ak[2];
  lqfit(ArrayRef<double, 2>(phi, {4, 2}), 2, 4, epss, ak);
  EXPECT_DOUBLE_EQ(ak[0], -1.0);
  EXPECT_EQ(ak[1], 0.0);
  double zero[4] = {0, 0, 0, 0};
  lqfit(ArrayRef<double, 2>(zero, {4, 1}), 1, 4, epss, ak);
  EXPECT_EQ(
      standard_output(),
      (std::vector<std::string>{"  LQFIT: SPALTE   2 IST LINEAR ABHAENGIG", sp(7) + "KOEFF=     0.4000E+01",
                                "  LQFIT: SPALTE   1 IST LINEAR ABHAENGIG", sp(7) + "KOEFF="}));
  EXPECT_EQ(lqfit_fault(4, 3, 3, 4, 3, 3), "epss holds 3 values, fewer than k = 4");
}

// Flat, the contour is zero; a cylinder in x, 0.5 b11 x^2 less the plane
// through its ends; a twisted surface 0.5 b12 x y, 0.5 b12 (x - lx/2)(y - ly/2)
// above its best corner plane.
TEST_F(ModeFile, ContourIsTheSurfaceAboveItsCornerPlane) {
  plate(3, 3, 600.0f, 400.0f);
  plot(20, 10);
  pltmsh<ruvo31>();
  const auto& fls = state::plotfls;
  auto& feps = state::f01eps.feps;
  for (const auto& [b11, b12, tol] :
       {std::tuple{0.0f, 0.0f, 0.0}, {-1.0e-3f, 0.0f, 2e-4}, {0.0f, -4.0e-4f, 2e-4}}) {
    feps(1, 2) = b11, feps(3, 3) = b12;
    cntour();
    for (int i = 1; i <= 21; ++i)
      for (int j = 1; j <= 11; ++j) {
        const double x = fls.xplt(i), y = fls.yplt(j);
        ASSERT_NEAR(fls.cntr(i, j), 0.5 * b11 * (x * x - 600.0 * x) + 0.5 * b12 * (x - 300.0) * (y - 200.0),
                    tol)
            << i << ", " << j;
      }
  }
}

// One element of 2 by 1, a 2 by 2 plot grid, the four corner values 1 2 3 4
// and no slopes: every record of the file from the formats.
TEST_F(ModeFile, WholeFileOfOneElementFromTheFormats) {
  plate(2, 2, 2.0f, 1.0f);
  auto& lm = state::f07mat<ruvo31>().lm;
  lm = {};
  for (int n = 1; n <= 4; ++n) lm(1, 1, n) = n;  // nodes (y1,x1), (y2,x1), (y1,x2), (y2,x2)
  state::man.ix = 4;
  auto& x = state::vectrs<ruvo31>().x;
  x(1, 2) = 1.0, x(3, 2) = 2.0, x(2, 2) = 3.0, x(4, 2) = 4.0;
  state::plotin.mdsplt(1) = 2;
  plot(2, 2);
  ASSERT_EQ(write_file(), 0);

  EXPECT_EQ(file(), testing::data_section("output_listings.txt", "mode file of one element"));
  EXPECT_TRUE(listing().empty());
}

// A plate of 600 by 400 mirrored, the cases of data/mirrored_modes.txt.
struct Mirror {
  int isymx, isymy, npx, npy;
  double kx;  // half waves along x of the mode
};

class MirroredMode : public ModeFile, public ::testing::WithParamInterface<std::string> {};

TEST_P(MirroredMode, MirrorImageRepeatsOrNegatesTheComputedHalf) {
  Mirror m{};
  ASSERT_TRUE(std::istringstream(testing::data_fields(GetParam())[1]) >> m.isymx >> m.isymy >> m.npx >> m.npy >> m.kx);
  plate(9, 9, 600.0f, 400.0f);
  mode(1, m.kx, 600, 400);
  plot(m.npx, m.npy, m.isymx, m.isymy);
  ASSERT_EQ(write_file(), 0);
  const Block b = blocks()[1];
  const bool along_y = m.npy > m.npx;
  EXPECT_EQ(b.heading, std::string(" MODE  1. ") + (along_y ? "Y" : "X") + " increases from line to line");
  EXPECT_EQ(b.along.front(), std::abs(along_y ? m.isymy : m.isymx) == 2 ? (along_y ? -400.0 : -600.0) : 0.0);
  // The plot lines step evenly over the panel and its mirror image.
  const auto& fls = state::plotfls;
  const auto expect_axis = [](const auto& plt, float step, int n, int isym, float length) {
    EXPECT_EQ(step, (isym != 0 ? 2.0f : 1.0f) * length / float(n));
    for (int k = 1; k <= n + 1; ++k)
      EXPECT_EQ(plt(k), (std::abs(isym) == 2 ? -length : 0.0f) + float(k - 1) * step);
  };
  expect_axis(fls.xplt, fls.dx, m.npx, m.isymx, 600.0f);
  expect_axis(fls.yplt, fls.dy, m.npy, m.isymy, 400.0f);
  // Whether plot line k of n lies in the mirror image, and the model's
  // coordinate and sign of plot coordinate p there.
  const auto mirrored = [](int k, int n, int isym) {
    return std::abs(isym) == 1 ? 2 * k > n + 2 : std::abs(isym) == 2 && 2 * k < n + 2;
  };
  const auto model = [](bool image, double p, int isym, double length) {
    if (!image) return std::pair{p, 1.0};
    return std::pair{std::abs(isym) == 1 ? 2 * length - p : -p, isym > 0 ? -1.0 : 1.0};
  };
  for (int i = 1; i <= m.npx + 1; ++i)
    for (int j = 1; j <= m.npy + 1; ++j) {
      const bool ix = mirrored(i, m.npx, m.isymx), jy = mirrored(j, m.npy, m.isymy);
      const auto [x, sx] = model(ix, fls.xplt(i), m.isymx, 600.0);
      const auto [y, sy] = model(jy, fls.yplt(j), m.isymy, 400.0);
      ASSERT_NEAR(at(b, i, j), sx * sy * std::sin(m.kx * pi * x / 600) * std::sin(pi * y / 400), 2e-3)
          << i << ", " << j;
      // Written as the exact image of the computed point (trivially, for the computed ones).
      EXPECT_EQ(at(b, i, j), sx * sy * at(b, ix ? m.npx + 2 - i : i, jy ? m.npy + 2 - j : j))
          << i << ", " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, MirroredMode, ::testing::ValuesIn(testing::data_rows("mirrored_modes.txt")),
                         testing::row_name);

TEST_F(ModeFile, ModeZeroAtEveryPointIsWrittenAsZeros) {
  plate(3, 3, 1.0f, 1.0f);
  plot(4, 4, 0, 0, 2);
  state::plotin.mdsplt(2) = 2;
  mode(2, 1, 1, 1);
  ASSERT_EQ(write_file(), 0);
  const auto b = blocks();
  ASSERT_EQ(b.size(), 3u);
  for (const auto& row : b[1].values)
    for (double v : row) EXPECT_EQ(v, 0.0);
  EXPECT_NEAR(*std::max_element(b[2].values[2].begin(), b[2].values[2].end()), 1.0, 1e-4);
}

TEST_F(ModeFile, ControlsOutsideTheirRangesAreRefusedBeforeAnythingIsWritten) {
  plate(3, 3, 1.0f, 1.0f);
  plot(4, 4, 0, 0, 2);
  state::plotin.mdsplt(2) = 2;
  pltmsh<ruvo31>();
  cntour();
  const std::vector<std::string> before = file();
  auto& p = state::plotin;
  for (const auto& [member, value, record] :
       {std::tuple{&p.nmod, 51, " NMOD =         51  IS NOT WITHIN     0 TO    50"},
        {&p.nmod, -1, " NMOD =         -1  IS NOT WITHIN     0 TO    50"},
        {&p.mdsplt(2), 0, " MDSPLT(  2) =          0  IS NOT WITHIN     1 TO    55"},
        {&p.mdsplt(2), 56, " MDSPLT(  2) =         56  IS NOT WITHIN     1 TO    55"},
        {&p.isymy, -3, " ISYMY =         -3  IS NOT WITHIN    -2 TO     2"}}) {
    io::open(9, "listing.out");
    io::open(io::stdout_unit, "stdout.txt");
    const std::int32_t kept = std::exchange(*member, value);
    std::int32_t ier = 0;
    modes<ruvo31>(ier);
    *member = kept;
    EXPECT_EQ(ier, 3) << record;
    const std::vector<std::string> block = {" MESSAGE FROM SUBROUTINE MODES:", record,
                                            " INCONSISTENT DATA: NO MODE SHAPES WRITTEN"};
    EXPECT_EQ(listing(), block);
    EXPECT_EQ(standard_output(), block);
    EXPECT_EQ(file(), before);
  }
}

TEST_F(ModeFile, FailuresOfTheLookupsEndTheRoutineWithTheirCodes) {
  // A grid of one x-line has no element to evaluate.
  plate(3, 3, 1.0f, 1.0f);
  state::f07ina<ruvo31>().mx = 1;
  plot(2, 2);
  pltmsh<ruvo31>();
  std::int32_t ier = 0;
  modes<ruvo31>(ier);
  EXPECT_EQ(ier, 1);
  const std::vector<std::string> message = {" Message from subroutine MODES:", " Error return from IUORIV"};
  EXPECT_EQ(standard_output(), message);
  EXPECT_EQ(listing(), (std::vector<std::string>{"", " MESSAGE FROM SUBROUTINE IUORIV: INCONSISTENT ARGUMENT",
                                                 " WRONG FUNCTION INDEX, OR SUBDIVISION OUT OF RANGE",
                                                 message[0], message[1]}));

  // A plot point before the panel lies outside the first element.
  io::open(9, "listing.out");
  io::open(io::stdout_unit, "stdout.txt");
  state::f07ina<ruvo31>().mx = 3;
  pltmsh<ruvo31>();
  state::plotfls.xplt(2) = -0.25f;
  modes<ruvo31>(ier);
  EXPECT_EQ(ier, 1);
  EXPECT_EQ(standard_output(),
            (std::vector<std::string>{" Message from SUBROUTINE MODES:",
                                      " Error return from PHI. Call/Args:   2  1 -0.5000"}));
  EXPECT_TRUE(listing().empty());
}

}  // namespace
}  // namespace ruvo
