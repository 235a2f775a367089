#include "output/lqfit.hpp"

#include <cmath>

#include "io/units.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo {

std::vector<int> orthonormalise(ArrayRef<double, 2> phi, int ij, int k, ArrayRef<double, 2> rtri) {
  std::vector<int> dependent;
  for (int l = 1; l <= ij; ++l) {
    double squares = 0.0;
    for (int r = 1; r <= k; ++r) squares += phi(r, l) * phi(r, l);
    const double s = std::sqrt(squares);
    if (s >= negligible_norm) {
      rtri(l, l) = s;
      for (int r = 1; r <= k; ++r) phi(r, l) = phi(r, l) / s;
    } else {
      rtri(l, l) = 1.0;
      dependent.push_back(l);
    }
    // Remove the new direction from every later column.
    for (int j = l + 1; j <= ij; ++j) {
      double c = 0.0;
      for (int r = 1; r <= k; ++r) c += phi(r, l) * phi(r, j);
      for (int r = 1; r <= k; ++r) phi(r, j) = phi(r, j) - phi(r, l) * c;
      rtri(l, j) = c;
    }
  }
  return dependent;
}

void negated_coefficients(ArrayRef<const double, 2> phi, int ij, int k, std::span<const double> epss,
                          ArrayRef<const double, 2> rtri, std::span<double> ak) {
  for (int j = 1; j <= ij; ++j) {
    double projection = 0.0;
    for (int r = 1; r <= k; ++r) projection += phi(r, j) * epss[r - 1];
    ak[j - 1] = projection;
  }
  if (ij < 1) return;
  ak[ij - 1] = -(ak[ij - 1] / rtri(ij, ij));
  for (int l = ij - 1; l >= 1; --l) {
    double sum = -ak[l - 1];
    for (int j = l + 1; j <= ij; ++j) sum -= rtri(l, j) * ak[j - 1];
    ak[l - 1] = sum / rtri(l, l);
  }
}

void lqfit(ArrayRef<double, 2> phi, std::int32_t ij, std::int32_t k, std::span<const double> epss,
           std::span<double> ak) {
  static const io::Format dependent_column(
      "(1H ,' LQFIT: SPALTE',I4,' IST LINEAR ABHAENGIG'/          ('       KOEFF=',8E15.4))");
  std::vector<double> triangle(std::size_t(ij) * std::size_t(ij), 0.0);
  const ArrayRef<double, 2> rtri(triangle.data(), {ij, ij});
  for (int l : orthonormalise(phi, ij, k, rtri)) {
    std::vector<io::Value> values{l};
    for (int i = 1; i < l; ++i) values.emplace_back(rtri(i, l));
    io::write(io::stdout_unit, dependent_column, values);
  }
  negated_coefficients(ArrayRef<const double, 2>(phi.data(), {phi.extent(0), phi.extent(1)}), ij, k, epss,
                       ArrayRef<const double, 2>(triangle.data(), {ij, ij}), ak);
}

std::string lqfit_fault(std::int64_t rows, std::int64_t columns, std::int32_t ij, std::int32_t k,
                        std::int64_t epss_size, std::int64_t ak_size) {
  auto outside = [](const char* what, std::int64_t v, std::int64_t high) {
    return std::string(what) + " = " + std::to_string(v) + " is not within 0.." + std::to_string(high);
  };
  if (ij < 0 || ij > columns) return outside("ij", ij, columns) + " (the columns of phi)";
  if (k < 0 || k > rows) return outside("k", k, rows) + " (the rows of phi)";
  if (epss_size < k)
    return "epss holds " + std::to_string(epss_size) + " values, fewer than k = " + std::to_string(k);
  if (ak_size < ij)
    return "ak holds " + std::to_string(ak_size) + " values, fewer than ij = " + std::to_string(ij);
  return {};
}

}  // namespace ruvo
