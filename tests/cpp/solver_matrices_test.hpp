// Seeded random band matrices for the solver tests, held dense (n by n,
// column-major) and packed into profile storage by plain loops.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace ruvo::kernels::testing {

struct Band {
  int n, ibd;
  std::vector<double> dense;   // n by n, column-major
  std::vector<int> lv;         // level vector of the band
  std::vector<double> packed;  // lower band, row after row

  double at(int i, int j) const { return dense[std::size_t(j - 1) * n + (i - 1)]; }
};

inline std::vector<int> level_vector(int n, int ibd) {
  std::vector<int> lv(n);
  int next = 0;  // entries stored before row i
  for (int i = 1; i <= n; ++i) {
    const int first = std::max(1, i - ibd + 1);
    lv[i - 1] = next + 1 - first;
    next += i - first + 1;
  }
  return lv;
}

// Packs the lower band of `dense` row after row.
inline Band pack(int n, int ibd, std::vector<double> dense) {
  Band m{n, ibd, std::move(dense), level_vector(n, ibd), {}};
  for (int i = 1; i <= n; ++i)
    for (int j = std::max(1, i - ibd + 1); j <= i; ++j) m.packed.push_back(m.at(i, j));
  return m;
}

// Symmetric band matrix with entries uniform in [-1, 1] inside the band; with
// `shift` the diagonal becomes the off-diagonal row sum plus shift (positive
// definite for shift > 0).
inline Band random_band(int n, int ibd, unsigned seed, double shift = 1.0, bool definite = true) {
  std::mt19937 engine(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> d(std::size_t(n) * n, 0.0);
  for (int j = 1; j <= n; ++j)
    for (int i = j; i <= std::min(n, j + ibd - 1); ++i) {
      const double v = uniform(engine);
      d[std::size_t(j - 1) * n + (i - 1)] = v;
      d[std::size_t(i - 1) * n + (j - 1)] = v;
    }
  if (definite)
    for (int i = 1; i <= n; ++i) {
      double s = 0.0;
      for (int j = 1; j <= n; ++j)
        if (j != i) s += std::abs(d[std::size_t(j - 1) * n + (i - 1)]);
      d[std::size_t(i - 1) * n + (i - 1)] = s + shift;
    }
  return pack(n, ibd, std::move(d));
}

// The diagonal matrix of d, held in its full triangle.
inline Band diagonal(const std::vector<double>& d) {
  const int n = int(d.size());
  std::vector<double> dense(std::size_t(n) * n, 0.0);
  for (int i = 0; i < n; ++i) dense[std::size_t(i) * n + i] = d[i];
  return pack(n, n, std::move(dense));
}

inline std::vector<double> random_block(int n, int m, unsigned seed) {
  std::mt19937 engine(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> b(std::size_t(n) * m);
  for (double& v : b) v = uniform(engine);
  return b;
}

// Dense column-major product A·x(:, j).
inline std::vector<double> dense_times(const Band& a, const double* x) {
  std::vector<double> y(a.n, 0.0);
  for (int j = 1; j <= a.n; ++j)
    for (int i = 1; i <= a.n; ++i) y[i - 1] += a.at(i, j) * x[j - 1];
  return y;
}

inline double max_abs(const std::vector<double>& v) {
  double m = 0.0;
  for (double e : v) m = std::max(m, std::abs(e));
  return m;
}

}  // namespace ruvo::kernels::testing
