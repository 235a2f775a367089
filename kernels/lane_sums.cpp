#include "kernels/lane_sums.hpp"

#include <cstring>

namespace ruvo::kernels {

namespace {

// Four lanes as a compiler vector: one register where the processor has
// registers of four doubles, two of two otherwise.
using Quad = double __attribute__((vector_size(4 * sizeof(double))));
using QuadMask = long long __attribute__((vector_size(4 * sizeof(long long))));  // a comparison's lanes
static_assert(lanes == 8, "a group of lanes is two quads");

}  // namespace

// Built for the wider registers too, chosen when the library loads.
__attribute__((target_clones("avx2", "default"))) void lane_sums(const double* v, int count, const double* r,
                                                                 int width, double* s) {
  for (int j0 = 0; j0 < width; j0 += lanes) {
    Quad low = {}, high = {};
    const double* rk = r + j0;
    for (int k = 0; k < count; ++k, rk += width) {
      Quad x, y;
      std::memcpy(&x, rk, sizeof x);
      std::memcpy(&y, rk + 4, sizeof y);
      low += v[k] * x;
      high += v[k] * y;
    }
    std::memcpy(s + j0, &low, sizeof low);
    std::memcpy(s + j0 + 4, &high, sizeof high);
  }
}

// A group of lanes compared at a time in vector registers; built for the
// wider registers too, chosen when the library loads.
__attribute__((target_clones("avx2", "default"))) bool all_zero(const double* v, std::ptrdiff_t n) {
  std::ptrdiff_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    Quad x, y;
    std::memcpy(&x, v + i, sizeof x);
    std::memcpy(&y, v + i + 4, sizeof y);
    const QuadMask nonzero = (x != 0.0) | (y != 0.0);
    if ((nonzero[0] | nonzero[1] | nonzero[2] | nonzero[3]) != 0) return false;
  }
  for (; i < n; ++i)
    if (v[i] != 0.0) return false;
  return true;
}

std::vector<double> transposed(const double* x, std::ptrdiff_t ld, std::ptrdiff_t n, int columns, int width) {
  std::vector<double> t(std::size_t(n) * std::size_t(width), 0.0);
  for (int j = 0; j < columns; ++j)
    for (std::ptrdiff_t i = 0; i < n; ++i) t[std::size_t(i * width + j)] = x[j * ld + i];
  return t;
}

void transpose_back(const std::vector<double>& t, std::ptrdiff_t ld, std::ptrdiff_t n, int columns, int width,
                    double* x) {
  for (int j = 0; j < columns; ++j)
    for (std::ptrdiff_t i = 0; i < n; ++i) x[j * ld + i] = t[std::size_t(i * width + j)];
}

}  // namespace ruvo::kernels
