// The Cholesky factor of a positive definite profile matrix, kept for
// repeated solutions: in BLAS tiles when the band is wide enough
// (kernels/profile_tiles.hpp), row by row otherwise. No I/O.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "kernels/profile.hpp"
#include "kernels/profile_tiles.hpp"

namespace ruvo::kernels {

class Factor {
public:
  // The factor of A, which is left as it is. A full triangle wide enough for
  // tiles is factored in the tiles' square alone (A is read once and not
  // kept); any other A is copied first, so a kept factor outlives the band
  // copy it may have been made from.
  explicit Factor(Profile<const double> a);
  // The factor of a band matrix made for it, in its storage (no copy).
  explicit Factor(BandCopy&& a);
  Factor(const Factor&) = delete;
  Factor& operator=(const Factor&) = delete;

  // cholesky_factor's code
  int factor();
  // x(:, 1..m) = A⁻¹·x(:, 1..m); x is n by m with leading dimension n.
  void solve(double* x, int m) const;
  // The halves: x = L⁻¹·x and x = L⁻ᵀ·x (A = L·Lᵀ).
  void forward(double* x, int m) const;
  void backward(double* x, int m) const;
  int order() const { return p_.n; }
  // Band width of L (that of A).
  int band() const { return p_.ibd; }
  // x = L⁻¹·x for one vector, row by row: a dot product along each stored
  // row of L (memory-bound as a single vector is, it reads L once).
  void forward_rows(double* x) const;
  // V = R·L·R (once factored; R the reversal of the order, V upper
  // triangular) in the band BLAS's upper storage: column j holds
  // V(j-band+1..j, j), leading dimension band, zeros before the first row.
  // Lᵀ·x = y is Vᵀ·(R·x) = R·y, which the band BLAS solves by dot products
  // along V's columns, some three times as fast as a back substitution by
  // a column update at a time. Made on the first call and kept with the
  // factor (the load cases that share it solve with it again).
  const double* reversed_band() const;

private:
  Storage storage_;  // the copy of A (none when the tiles hold it all)
  std::vector<int> levels_;
  Profile<double> p_;
  int nb_;
  std::optional<ProfileTiles<double>> tiles_;
  mutable Storage reversed_band_;
};

using KeptFactor = std::unique_ptr<Factor>;

}  // namespace ruvo::kernels
