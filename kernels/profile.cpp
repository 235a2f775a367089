#include "kernels/profile.hpp"

namespace ruvo::kernels {

ProfileCheck check_profile(std::span<const int> lv, int n, int ibd, std::size_t entries, int min_order) {
  if (n < min_order || n < 1 || std::size_t(n) > lv.size()) return {ProfileFault::order};
  if (ibd < 1 || ibd > n) return {ProfileFault::band};
  if (lv[0] != 0) return {ProfileFault::level_start, 1};
  for (int i = 2; i <= n; ++i) {
    const std::int64_t step = std::int64_t{lv[i - 1]} - lv[i - 2];
    if (step != level_increment(i, ibd)) return {ProfileFault::level_step, i};
  }
  // lv(n) >= 0 here: lv(1) = 0 and no step is negative.
  if (std::size_t(std::int64_t{lv[n - 1]} + n) > entries) return {ProfileFault::storage};
  return {};
}

int occupied_band(Profile<const double> A) {
  int band = 1;
  for (int i = 2; i <= A.n; ++i) {
    int j = A.first_column(i);
    while (j < i && A(i, j) == 0.0) ++j;
    band = std::max(band, i - j + 1);
  }
  return band;
}

BandCopy::BandCopy(int n, int ibd) : n_(n), ibd_(ibd), lv_(std::size_t(n)) {
  for (int i = 2; i <= n_; ++i) lv_[std::size_t(i - 1)] = lv_[std::size_t(i - 2)] + level_increment(i, ibd);
  const std::size_t stored = n_ > 0 ? std::size_t(lv_[std::size_t(n_ - 1)]) + std::size_t(n_) : 0;
  a_ = borrow_storage(stored);
  std::fill_n(a_.get(), stored, 0.0);
}

BandCopy::BandCopy(Profile<const double> A, int ibd) : BandCopy(A.n, ibd) {
  const Profile<double> copy = view();
  for (int i = 1; i <= n_; ++i)
    for (int j = copy.first_column(i); j <= i; ++j) copy(i, j) = A(i, j);
}

}  // namespace ruvo::kernels
