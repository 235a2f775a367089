// A panel for the assembly tests: a grid of unequal elements with its key
// matrix, level vectors, scales and hand-made term lists, and the exact
// quadratic forms of bicubic displacement fields to compare against.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include "elements/freedom_scales.hpp"
#include "input/setkey.hpp"
#include "input_listing_fixture.hpp"
#include "solver/level_vector.hpp"

namespace ruvo::testing {

using V = ruvo19;

// p(x, y) = sum c[m][n] x^m y^n, m, n <= 3: represented exactly by the elements.
struct Bicubic {
  double c[4][4] = {};

  // The derivative of orders (dx, dy) at (x, y).
  double operator()(double x, double y, int dx = 0, int dy = 0) const {
    double sum = 0;
    for (int m = dx; m < 4; ++m)
      for (int n = dy; n < 4; ++n)
        sum += c[m][n] * falling(m, dx) * falling(n, dy) * pow(x, m - dx) * pow(y, n - dy);
    return sum;
  }
  static double falling(int m, int k) {
    double f = 1;
    for (int i = 0; i < k; ++i) f *= m - i;
    return f;
  }
  static double pow(double x, int k) { return k == 0 ? 1.0 : std::pow(x, k); }
};

// A term of the element lists: coefficient times the product of two coded derivatives.
struct HandTerm {
  float coefficient;
  int code1, code2;
};

// Gauss-Legendre points and weights on [-1, 1], 4 of them: exact for the
// products of two bicubic fields' derivatives along a line.
constexpr double gauss_t[4] = {-0.8611363115940526, -0.3399810435848563, 0.3399810435848563,
                               0.8611363115940526};
constexpr double gauss_w[4] = {0.3478548451374538, 0.6521451548625461, 0.6521451548625461,
                               0.3478548451374538};

class AssemblyTest : public ListingTest {
  std::size_t setup_records_ = 0;

public:
  // Grid of the given lengths, functions ku, no boundary conditions.
  void panel(std::vector<float> a, std::vector<float> b, std::initializer_list<int> ku) {
    grid<V>(int(a.size()) + 1, int(b.size()) + 1);
    auto& ina = state::f07ina<V>();
    for (std::size_t i = 0; i < a.size(); ++i) ina.a(int(i) + 1) = a[i];
    for (std::size_t i = 0; i < b.size(); ++i) ina.b(int(i) + 1) = b[i];
    functions<V>(ku);
    setkey<V>(state::man.ix, state::man.iy);
    std::int32_t ier = 0;
    auto& lv = state::comlv<V>();
    mklvbd(ArrayRef<std::int32_t, 1>(lv.lvtri.data, {V::p_nx}), V::p_nx, V::p_nx, ier);
    mklvbd(ArrayRef<std::int32_t, 1>(lv.lvb.data, {V::p_nx}), state::man.ix, ina.ibdx, ier);
    if (state::man.iy > 0)
      mklvbd(ArrayRef<std::int32_t, 1>(lv.lva22.data, {V::p_ny}), state::man.iy, ina.ibdy, ier);
    set_freedom_scales<V>();
    setup_records_ = listing().size();
  }

  // The listing records written after the set-up (which prints the key matrix).
  std::vector<std::string> written() const {
    std::vector<std::string> all = listing();
    all.erase(all.begin(), all.begin() + std::ptrdiff_t(setup_records_));
    return all;
  }

  // Every element carries the same list of terms.
  static void terms(const std::vector<HandTerm>& list) {
    const auto& ina = state::f07ina<V>();
    auto& q = state::f01qua<V>();
    for (int e = 1; e <= (ina.mx - 1) * (ina.my - 1); ++e) {
      q.ikt(e) = int(list.size());
      for (std::size_t t = 0; t < list.size(); ++t) {
        q.fquad(int(t) + 1, e) = list[t].coefficient;
        q.kquad(int(t) + 1, 1, e) = list[t].code1;
        q.kquad(int(t) + 1, 2, e) = list[t].code2;
        q.kquad(int(t) + 1, 3, e) = 10 * (list[t].code1 / 100) + list[t].code2 / 100;
      }
    }
  }

  static std::vector<double> profile(std::span<const std::int32_t> lv, int n) {
    return std::vector<double>(n >= 1 ? std::size_t(lv[n - 1] + n) : 0, 0.0);
  }
  static std::span<const std::int32_t> lvtri() { return {state::comlv<V>().lvtri.data, V::p_nx}; }
  static std::span<const std::int32_t> lvb() { return {state::comlv<V>().lvb.data, V::p_nx}; }
  static std::span<const std::int32_t> lva22() { return {state::comlv<V>().lva22.data, V::p_ny}; }

  // The coordinate of x-line (or y-line) i.
  static double line_at(bool along_x, int i) {
    double s = 0;
    for (int k = 1; k < i; ++k) s += along_x ? state::f07ina<V>().a(k) : state::f07ina<V>().b(k);
    return s;
  }
  static double x_line(int i) { return line_at(true, i); }
  static double y_line(int j) { return line_at(false, j); }

  // The freedoms of function f sampled from field p: values and scaled slopes.
  static void sample(const Bicubic& p, int f, std::vector<double>& x) {
    const auto& ina = state::f07ina<V>();
    const auto& pd = state::f07pd;
    const auto& lm = state::f07mat<V>().lm;
    for (int i = 1; i <= ina.mx; ++i)
      for (int j = 1; j <= ina.my; ++j) {
        const double px = x_line(i), py = y_line(j);
        const double values[4] = {p(px, py), p(px, py, 1, 0) / pd.sa, p(px, py, 0, 1) / pd.sb,
                                  p(px, py, 1, 1) / (double(pd.sa) * pd.sb)};
        for (int kind = 1; kind <= 4; ++kind)
          if (const int eq = lm(f, kind, ina.leit(j, i)); eq > 0) x[eq - 1] = values[kind - 1];
      }
  }

  // The W freedoms sampled from field p.
  static std::vector<double> w_freedoms(const Bicubic& p) {
    std::vector<double> x(state::man.ix);
    sample(p, 1, x);
    return x;
  }

  // x^T A x of a symmetric profile matrix.
  static double quadratic_form(const std::vector<double>& a, std::span<const std::int32_t> lv,
                               const std::vector<double>& x) {
    double sum = 0;
    for (std::size_t r = 1; r <= x.size(); ++r) {
      // Row r holds the columns from r - (its stored length) + 1 on.
      const std::size_t first = r == 1 ? 1 : r - (lv[r - 1] - lv[r - 2]);
      for (std::size_t c = first; c <= r; ++c)
        sum += (r == c ? 1.0 : 2.0) * a[lv[r - 1] + c - 1] * x[r - 1] * x[c - 1];
    }
    return sum;
  }

  // The integral along the x- or y-lines of g(s) over the panel's length,
  // Gauss-Legendre with 4 points per element.
  static double line_integral(bool along_x, const std::function<double(double)>& g) {
    const auto& ina = state::f07ina<V>();
    double sum = 0;
    for (int s = 1; s < (along_x ? ina.mx : ina.my); ++s) {
      const double s0 = line_at(along_x, s), h = along_x ? ina.a(s) : ina.b(s);
      for (int k = 0; k < 4; ++k) sum += gauss_w[k] * h / 2 * g(s0 + h * (gauss_t[k] + 1) / 2);
    }
    return sum;
  }
  // The integral over the panel of g(x, y), 4 by 4 points per element.
  static double integral(const std::function<double(double, double)>& g) {
    return line_integral(true,
                         [&](double x) { return line_integral(false, [&](double y) { return g(x, y); }); });
  }
};

}  // namespace ruvo::testing
