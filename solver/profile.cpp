#include "solver/profile.hpp"

namespace ruvo::solver {

ProfileCheck check_profile(std::span<const int> lv, int n, int ibd, std::size_t entries,
                           int min_order) {
  if (n < min_order || n < 1 || std::size_t(n) > lv.size()) return {ProfileFault::order};
  if (ibd < 1 || ibd > n) return {ProfileFault::band};
  if (lv[0] != 0) return {ProfileFault::level_start, 1};
  for (int i = 2; i <= n; ++i) {
    const std::int64_t step = std::int64_t{lv[i - 1]} - lv[i - 2];
    if (step != std::min(i - 1, ibd - 1)) return {ProfileFault::level_step, i};
  }
  // lv(n) >= 0 here: lv(1) = 0 and no step is negative.
  if (std::size_t(std::int64_t{lv[n - 1]} + n) > entries) return {ProfileFault::storage};
  return {};
}

}  // namespace ruvo::solver
