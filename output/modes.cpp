#include "output/modes.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "elements/shape_functions.hpp"
#include "io/units.hpp"
#include "listing/data_faults.hpp"
#include "model/blocks.hpp"
#include "model/data_checks.hpp"
#include "model/pi.hpp"
#include "output/mode_file.hpp"

namespace ruvo {

namespace {

constexpr std::int32_t refused = 3;

// The plot points evaluated in one direction; the rest is mirrored.
struct Range {
  int first, last;
};

Range computed_range(std::int32_t isym, std::int32_t n) {
  if (isym == 2 || isym == -2) return {n / 2 + 1, n + 1};
  if (isym == 1 || isym == -1) return {1, n / 2 + 1};
  return {1, n + 1};
}

// An element along one direction and the local coordinate in it.
struct Place {
  int element;
  float local;
};

// The first element whose far end is not before p (running 32-bit sum of
// the lengths). The plot coordinates are sums of another step, so the last
// one may pass the sum of the lengths by rounding: a point beyond the last
// element lies at its far end. Without elements the place is kept.
template <int N>
void locate(float p, const Array<float, N>& lengths, int count, Place& place) {
  float end = 0.0f;
  for (int k = 1; k <= count; ++k) {
    const float start = end;
    end += lengths(k);
    if (p <= end) {
      place = {k, (p - start) / lengths(k)};
      return;
    }
  }
  if (count >= 1) place = {count, 1.0f};
}

DataFault control_fault(const char* name, int indices, std::int32_t index, std::int64_t value,
                        std::int64_t low, std::int64_t high) {
  DataFault f;
  f.code = FaultCode::inconsistent;
  f.name = name;
  f.indices = indices;
  f.index[0] = index;
  f.value = value;
  f.low = low;
  f.high = high;
  return f;
}

bool within(std::int64_t v, std::int64_t low, std::int64_t high) { return v >= low && v <= high; }

// The plot controls that modes indexes by: nmod, mdsplt(1..nmod), isymx, isymy.
template <class V>
DataFault plot_control_fault() {
  const auto& plot = state::plotin;
  if (!within(plot.nmod, 0, V::p_ngrq)) return control_fault("NMOD", 0, 0, plot.nmod, 0, V::p_ngrq);
  for (int m = 1; m <= plot.nmod; ++m)
    if (!within(plot.mdsplt(m), 1, V::p_ngit))
      return control_fault("MDSPLT", 1, m, plot.mdsplt(m), 1, V::p_ngit);
  if (!within(plot.isymx, -2, 2)) return control_fault("ISYMX", 0, 0, plot.isymx, -2, 2);
  if (!within(plot.isymy, -2, 2)) return control_fault("ISYMY", 0, 0, plot.isymy, -2, 2);
  return {};
}

void print_iuoriv_failure() {
  static const io::Format message(
      "(1X,'Message from subroutine MODES:'/            ' Error return from IUORIV')");
  io::write(io::stdout_unit, message);
  io::write(state::datran.nwrite, message);
}

// which: 1 the function in y, 2 in x; i its index, z the local coordinate.
void print_phi_failure(int which, int i, float z) {
  static const io::Format message(
      "(1X,'Message from SUBROUTINE MODES:'/            ' Error return from PHI. Call/Args: ',2I3, F8.4)");
  io::write(io::stdout_unit, message, {which, i, z});
}

// Scales of the element freedoms: slopes are stored divided by pi/lx, pi/ly.
struct FreedomWeights {
  float fx, fy, fxy;

  // w(p,q) for the freedom of Hp(eta) Hq(xi) on an element of a by b.
  float operator()(int p, int q, float a, float b) const {
    if (p % 2 == 0 && q % 2 == 0) return fxy * a * b;
    const float cy = p % 2 == 0 ? fy * b : 1.0f, cx = q % 2 == 0 ? fx * a : 1.0f;
    return cy * cx;
  }
};

// W of mode n at the computed points into shape; ier of iuoriv or phi.
template <class V>
std::int32_t evaluate(int n, Range xs, Range ys, const FreedomWeights& weight, ArrayRef<float, 2> shape) {
  const auto& ina = state::f07ina<V>();
  const auto& fls = state::plotfls;
  const auto& x = state::vectrs<V>().x;
  // Before any element is found, a point counts as the far end of the last one.
  Place column{ina.mx - 1, 1.0f}, row{ina.my - 1, 1.0f};
  std::int32_t ier = 0;
  for (int i = xs.first; i <= xs.last; ++i) {
    locate(fls.xplt(i), ina.a, ina.mx - 1, column);
    for (int j = ys.first; j <= ys.last; ++j) {
      locate(fls.yplt(j), ina.b, ina.my - 1, row);
      ElementFreedoms iu;
      iuoriv<V>(row.element, column.element, 1, iu, ier);
      if (ier != 0) {
        print_iuoriv_failure();
        return ier;
      }
      const float a = ina.a(column.element), b = ina.b(row.element);
      float shp = 0.0f;
      for (int p = 1; p <= 4; ++p) {
        float valy = 0.0f, valx = 0.0f;
        phi(p, row.local, valy, ier);
        if (ier != 0) {
          print_phi_failure(1, p, row.local);
          return ier;
        }
        for (int q = 1; q <= 4; ++q) {
          if (iu(p, q) == 0) continue;
          phi(q, column.local, valx, ier);
          if (ier != 0) {
            print_phi_failure(2, q, column.local);
            return ier;
          }
          shp =
              float(double(weight(p, q, a, b)) * x(iu(p, q), n) * double(valx) * double(valy) + double(shp));
        }
      }
      shape(i, j) = shp;
    }
  }
  return 0;
}

// Largest absolute value scal over the computed points; a mode that is zero
// there stays zero.
void scale(Range xs, Range ys, float scal, ArrayRef<float, 2> shape) {
  float amax = 0.0f;
  for (int i = xs.first; i <= xs.last; ++i)
    for (int j = ys.first; j <= ys.last; ++j) amax = std::max(amax, std::fabs(shape(i, j)));
  if (amax == 0.0f) return;
  const float factor = scal / amax;
  for (int i = xs.first; i <= xs.last; ++i)
    for (int j = ys.first; j <= ys.last; ++j) shape(i, j) = shape(i, j) * factor;
}

// Values of the mirror image: equal about a symmetry edge (code < 0),
// opposite about an antisymmetry edge (code > 0).
void mirror(Range ys, ArrayRef<float, 2> shape) {
  const auto& plot = state::plotin;
  const int npx = plot.npx, npy = plot.npy;
  const float sx = plot.isymx > 0 ? -1.0f : 1.0f, sy = plot.isymy > 0 ? -1.0f : 1.0f;
  for (int i = 1; i <= npx / 2; ++i)
    for (int j = ys.first; j <= ys.last; ++j) {
      if (plot.isymx == 2 || plot.isymx == -2) shape(i, j) = sx * shape(npx + 2 - i, j);
      if (plot.isymx == 1 || plot.isymx == -1) shape(npx + 2 - i, j) = sx * shape(i, j);
    }
  for (int i = 1; i <= npx + 1; ++i)
    for (int j = 1; j <= npy / 2; ++j) {
      if (plot.isymy == 2 || plot.isymy == -2) shape(i, j) = sy * shape(i, npy + 2 - j);
      if (plot.isymy == 1 || plot.isymy == -1) shape(i, npy + 2 - j) = sy * shape(i, j);
    }
}

}  // namespace

template <class V>
void modes(std::int32_t& ier) {
  static const io::Format heading("(' MODE ',I2,'. ',A1,' increases from line to line')");
  ier = 0;
  if (DataFault f = plot_control_fault<V>()) {
    listing::print_fault(listing::Routine::modes, f, true);
    ier = refused;
    return;
  }
  const auto& plot = state::plotin;
  const auto& fls = state::plotfls;
  const FreedomWeights weight{pi / fls.lx, pi / fls.ly, pi_squared / (fls.lx * fls.ly)};
  const Range xs = computed_range(plot.isymx, plot.npx), ys = computed_range(plot.isymy, plot.npy);
  std::vector<float> points(std::size_t(plot.npx + 1) * std::size_t(plot.npy + 1));
  const ArrayRef<float, 2> shape(points.data(), {plot.npx + 1, plot.npy + 1});

  for (int m = 1; m <= plot.nmod; ++m) {
    const int n = plot.mdsplt(m);
    std::fill(points.begin(), points.end(), 0.0f);
    ier = evaluate<V>(n, xs, ys, weight, shape);
    if (ier != 0) return;
    scale(xs, ys, plot.scal, shape);
    mirror(ys, shape);
    io::write(mode_file_unit, heading, {n, line_direction()});
    write_value_lines(ArrayRef<const float, 2>(points.data(), {plot.npx + 1, plot.npy + 1}));
  }
}

#define RUVO_INSTANTIATE(V) template void modes<V>(std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
