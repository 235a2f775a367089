// The integration tables s1, s2: weighted integrals over [0, 1] of products
// of the cubic Hermite functions and their derivatives,
//   s1(a,j,b,l) = int (1-t) D^(a-1)Hj D^(b-1)Hl dt,  s2 the same with weight t,
// with H1 = 1-3t^2+2t^3, H2 = t-2t^2+t^3, H3 = 3t^2-2t^3, H4 = -t^2+t^3.
// Evaluated at compile time as exact rationals, then rounded once to float.
#pragma once

#include <array>
#include <cstdint>

#include "model/array.hpp"

namespace ruvo::hermite {

struct Rational {
  std::int64_t num, den;
};

constexpr std::int64_t gcd(std::int64_t a, std::int64_t b) {
  if (a < 0) a = -a;
  while (b != 0) {
    const std::int64_t r = a % b;
    a = b;
    b = r;
  }
  return a == 0 ? 1 : a;
}

constexpr Rational add(Rational x, Rational y) {
  const std::int64_t num = x.num * y.den + y.num * x.den, den = x.den * y.den;
  const std::int64_t g = gcd(num, den);
  return {num / g, den / g};
}

using Poly = std::array<std::int64_t, 8>;  // coefficients of t^0 .. t^7

constexpr Poly hermite(int j) {
  switch (j) {
    case 1: return {1, 0, -3, 2};
    case 2: return {0, 1, -2, 1};
    case 3: return {0, 0, 3, -2};
    default: return {0, 0, -1, 1};
  }
}

constexpr Poly derivative(Poly p, int order) {
  for (int o = 0; o < order; ++o) {
    for (int k = 0; k + 1 < 8; ++k) p[k] = (k + 1) * p[k + 1];
    p[7] = 0;
  }
  return p;
}

constexpr Poly product(const Poly& p, const Poly& q) {
  Poly r{};
  for (int i = 0; i < 8; ++i)
    for (int k = 0; i + k < 8; ++k) r[i + k] += p[i] * q[k];
  return r;
}

// Integral over [0, 1] of p(t) times the weight (1-t) or t.
constexpr Rational weighted_integral(const Poly& p, bool weight_t) {
  Rational sum{0, 1};
  for (int k = 0; k < 7; ++k) {
    const std::int64_t c = p[k];
    // int t^k (1-t) = 1/(k+1) - 1/(k+2);  int t^(k+1) = 1/(k+2)
    sum = weight_t ? add(sum, {c, k + 2}) : add(sum, add({c, k + 1}, {-c, k + 2}));
  }
  return sum;
}

constexpr float rounded(Rational r) {
  // Numerator and denominator are exact in float; one division rounds once.
  return static_cast<float>(r.num) / static_cast<float>(r.den);
}

constexpr Array<float, 3, 4, 3, 4> table(bool weight_t) {
  Array<float, 3, 4, 3, 4> s{};
  for (int l = 1; l <= 4; ++l)
    for (int b = 1; b <= 3; ++b)
      for (int j = 1; j <= 4; ++j)
        for (int a = 1; a <= 3; ++a)
          s(a, j, b, l) = rounded(weighted_integral(
              product(derivative(hermite(j), a - 1), derivative(hermite(l), b - 1)), weight_t));
  return s;
}

}  // namespace ruvo::hermite
