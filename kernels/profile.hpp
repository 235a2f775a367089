// A view of a profile matrix for the solver's kernels: the storage and its
// picture are in model/profile_index.hpp; every entry goes through it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "kernels/kept_storage.hpp"
#include "model/profile_index.hpp"

namespace ruvo::kernels {

// A view of one profile matrix; indices are 1-based as in the storage picture.
// T is double for a matrix that is written, const double for one only read.
template <class T>
struct Profile {
  T* a;           // a[0] is a(1)
  const int* lv;  // lv[0] is lv(1)
  int n;          // order
  int ibd;        // band width, 1 <= ibd <= n

  // Entry (i, j) of the stored triangle, j <= i within the band.
  T& operator()(int i, int j) const { return a[profile_index(lv, i, j)]; }
  // Row i as an array indexed by column: row(i)[j] is entry (i, j).
  T* row(int i) const { return a + profile_index(lv, i, 0); }
  // First stored column of row i.
  int first_column(int i) const { return std::max(1, i - ibd + 1); }
  // Last row whose band reaches column j.
  int last_row(int j) const { return std::min(n, j + ibd - 1); }
  // Entry (i, j) of the full symmetric matrix, for |i - j| < ibd.
  T& symmetric(int i, int j) const { return i >= j ? (*this)(i, j) : (*this)(j, i); }
  // Number of stored entries, lv(n) + n.
  std::size_t stored() const { return profile_length(lv, n); }

  operator Profile<const double>() const requires(!std::is_const_v<T>) { return {a, lv, n, ibd}; }
};

// lv(i) - lv(i-1) for row i >= 2 of band ibd.
inline int level_increment(int i, int ibd) { return std::min(i - 1, ibd - 1); }

// Why a level vector does not describe a profile matrix held in given storage.
enum class ProfileFault {
  none,
  order,        // order below the minimum or beyond the level vector
  band,         // band width outside 1..n
  level_start,  // lv(1) is not 0
  level_step,   // lv(row) - lv(row-1) differs from min(row-1, ibd-1)
  storage,      // lv(n) + n entries do not fit the array
};

struct ProfileCheck {
  ProfileFault fault = ProfileFault::none;
  int row = 0;  // first offending row for level_step
  explicit operator bool() const { return fault == ProfileFault::none; }
};

// Checks that lv(1..n) is the level vector of order n and band ibd (as above),
// that n >= min_order, and that the matrix fits `entries` stored values.
ProfileCheck check_profile(std::span<const int> lv, int n, int ibd, std::size_t entries, int min_order = 1);

// The narrowest band that holds every entry of A that is not exactly zero
// (NaN counts as not zero): rows whose leading entries are zeros narrow it.
int occupied_band(Profile<const double> A);

// A copy of A in the band ibd <= A.ibd, with its own level vector; the
// entries of A outside that band must be zero. Or, given an order, a band
// matrix of zeros to fill.
class BandCopy {
public:
  BandCopy(Profile<const double> A, int ibd);
  BandCopy(int n, int ibd);
  Profile<double> view() { return {a_.get(), lv_.data(), n_, ibd_}; }

private:
  friend class Factor;  // which may take the storage over
  int n_, ibd_;
  std::vector<int> lv_;
  Storage a_;  // kept between analyses (kernels/kept_storage.hpp)
};

}  // namespace ruvo::kernels
