#include "kernels/factor.hpp"

#include <algorithm>
#include <utility>

#include <cblas.h>

#include "kernels/cholesky.hpp"

namespace ruvo::kernels {

namespace {

// The full triangle in tiles: every column lives in the tiles' copy, so the
// profile is read only while that copy is made.
bool tiles_hold_everything(Profile<const double> a) { return tile_rows(a.ibd) > 0 && a.ibd == a.n; }

}  // namespace

Factor::Factor(Profile<const double> a)
    : levels_(a.lv, a.lv + a.n), p_{nullptr, levels_.data(), a.n, a.ibd}, nb_(tile_rows(a.ibd)) {
  if (tiles_hold_everything(a)) {
    // The tiles copy A as they are built and never read the profile again.
    tiles_.emplace(Profile<double>{const_cast<double*>(a.a), levels_.data(), a.n, a.ibd}, factor_copied(a));
    return;
  }
  storage_ = borrow_storage(a.stored());
  std::copy_n(a.a, a.stored(), storage_.get());
  p_.a = storage_.get();
}

Factor::Factor(BandCopy&& a)
    : storage_(std::move(a.a_)),
      levels_(std::move(a.lv_)),
      p_{storage_.get(), levels_.data(), a.n_, a.ibd_},
      nb_(tile_rows(a.ibd_)) {}

int Factor::factor() {
  if (nb_ == 0) return cholesky_factor(p_);
  if (!tiles_) tiles_.emplace(p_, factor_copied(p_));
  // Solutions read the leading columns from the copy; a full triangle's
  // profile is A, which stays as it is.
  return cholesky_factor_tiles(*tiles_, nb_, LeadingColumns::copy_only);
}

void Factor::forward_rows(double* x) const {
  for (int j = 1; j <= p_.n; ++j) {
    const int first = p_.first_column(j);
    const double* row = tiles_ ? tiles_->at(first, j) : &p_(j, first);  // L(j, first..j)
    x[j - 1] = (x[j - 1] - cblas_ddot(j - first, row, 1, x + first - 1, 1)) / row[j - first];
  }
}

const double* Factor::reversed_band() const {
  if (reversed_band_ || p_.n < 1) return reversed_band_.get();
  const int ld = p_.ibd, n = p_.n;
  const std::size_t count = std::size_t(ld) * std::size_t(n);
  reversed_band_ = borrow_storage(count);
  std::fill_n(reversed_band_.get(), count, 0.0);
  for (int r = 1; r <= n; ++r)  // L(r, c) is V(n+1-r, n+1-c)
    for (int c = p_.first_column(r); c <= r; ++c) {
      const std::size_t i = std::size_t(n + 1 - r), j = std::size_t(n + 1 - c);
      reversed_band_[j * std::size_t(ld) - j + i - 1] = tiles_ ? *tiles_->at(c, r) : p_(r, c);
    }
  return reversed_band_.get();
}

void Factor::solve(double* x, int m) const {
  if (tiles_)
    cholesky_solve_tiles(*tiles_, x, m, nb_);
  else
    cholesky_solve_rows(p_, x, m);
}

void Factor::forward(double* x, int m) const {
  if (tiles_)
    cholesky_forward_tiles(*tiles_, x, p_.n, m, nb_);
  else
    cholesky_forward(p_, x, p_.n, m);
}

void Factor::backward(double* x, int m) const {
  if (tiles_)
    cholesky_backward_tiles(*tiles_, x, m, nb_);
  else
    cholesky_backward(p_, x, m);
}

}  // namespace ruvo::kernels
