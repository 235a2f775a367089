#include "output/plot_grid.hpp"

#include <algorithm>

#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/lqfit.hpp"
#include "output/mode_file.hpp"

namespace ruvo {

namespace {

// The sum of the first `count` subdivision lengths, in index order.
template <int N>
float panel_length(const Array<float, N>& lengths, int count) {
  float sum = 0.0f;
  for (int k = 1; k <= count; ++k) sum += lengths(k);
  return sum;
}

// Coordinates from `start` by repeated addition of `step`, points 1..n+1.
void plot_coordinates(Array<float, 81>& at, float start, float step, int n) {
  at(1) = start;
  for (int i = 2; i <= n + 1; ++i) at(i) = at(i - 1) + step;
}

bool about_near_edge(std::int32_t isym) { return isym == 2 || isym == -2; }
bool about_far_edge(std::int32_t isym) { return isym == 1 || isym == -1; }

// Plot interval of one direction: the panel, doubled for any symmetry code.
void plot_axis(float length, std::int32_t isym, std::int32_t n, float& step, Array<float, 81>& at) {
  step = (isym != 0 ? 2.0f * length : length) / float(n);
  plot_coordinates(at, about_near_edge(isym) ? -length : 0.0f, step, n);
}

// ck = minus the plane through the corners of the plot area that fits the
// surface height there best.
Array<double, 3> corner_plane(float b11, float b22, float b12) {
  const auto& plot = state::plotin;
  const auto& fls = state::plotfls;
  const double xlo = about_near_edge(plot.isymx) ? -fls.lx : 0.0;
  const double xhi = about_far_edge(plot.isymx) ? 2.0f * fls.lx : fls.lx;
  const double ylo = about_near_edge(plot.isymy) ? -fls.ly : 0.0;
  const double yhi = about_far_edge(plot.isymy) ? 2.0f * fls.ly : fls.ly;
  const double xcorn[4] = {xlo, xhi, xlo, xhi}, ycorn[4] = {ylo, ylo, yhi, yhi};

  Array<double, 4, 3> basis;
  Array<double, 4> epss;
  for (int r = 1; r <= 4; ++r) {
    const double x = xcorn[r - 1], y = ycorn[r - 1];
    basis(r, 1) = x;
    basis(r, 2) = y;
    basis(r, 3) = 1.0;
    epss(r) = ((x * b12) * y + (x * x) * b11 + (y * y) * b22) * 0.5;
  }
  Array<double, 3> ck{};
  lqfit(ArrayRef<double, 2>(basis.data, {4, 3}), 3, 4, std::span<const double>(epss.data, 4),
        std::span<double>(ck.data, 3));
  return ck;
}

}  // namespace

std::int32_t plot_intervals(std::int32_t asked) {
  std::int32_t n = asked % 2 != 0 ? asked - 1 : asked;
  // Fewer than 2 intervals would divide the plot length by zero.
  return std::max(std::min(n, 80), 2);
}

template <class V>
void pltmsh() {
  auto& plot = state::plotin;
  auto& fls = state::plotfls;
  const auto& ina = state::f07ina<V>();
  plot.npx = plot_intervals(plot.npx);
  plot.npy = plot_intervals(plot.npy);
  fls.lx = panel_length(ina.a, ina.mx - 1);
  fls.ly = panel_length(ina.b, ina.my - 1);
  plot_axis(fls.lx, plot.isymx, plot.npx, fls.dx, fls.xplt);
  plot_axis(fls.ly, plot.isymy, plot.npy, fls.dy, fls.yplt);
}

void cntour() {
  static const io::Format counts(
      "('Next line: Nmbr of grid points in x- and y-direction'/         I4,' ',I4)");
  static const io::Format heading("('#CONTOUR. ',A1,' increases from line to line')");
  const auto& plot = state::plotin;
  auto& fls = state::plotfls;
  const auto& feps = state::f01eps.feps;
  const float b11 = feps(1, 2), b22 = feps(2, 2), b12 = feps(3, 3);
  const Array<double, 3> ck = corner_plane(b11, b22, b12);

  for (int i = 1; i <= plot.npx + 1; ++i)
    for (int j = 1; j <= plot.npy + 1; ++j) {
      const float xp = fls.xplt(i), yp = fls.yplt(j);
      const float q = ((yp * yp) * b22 + ((b12 * xp) * yp + (xp * xp) * b11)) * 0.5f;
      fls.cntr(i, j) = float(((double(q) + double(xp) * ck(1)) + double(yp) * ck(2)) + ck(3));
    }

  io::rewind(mode_file_unit);
  io::write(mode_file_unit, counts, {plot.npx, plot.npy});
  io::write(mode_file_unit, heading, {line_direction()});
  write_value_lines(ArrayRef<const float, 2>(fls.cntr.data, {81, 81}));
}

#define RUVO_INSTANTIATE(V) template void pltmsh<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
