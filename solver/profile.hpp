// Profile storage of symmetric band matrices: the one place that defines how
// entries are addressed. Every routine that reads or writes a profile matrix
// goes through `Profile`.
//
// A symmetric matrix of order n and band width ibd (entries of a full row,
// diagonal included) keeps its lower band row after row in one array a(1..),
// addressed through the level vector lv(1..n):
//
//   entry (i, j), max(1, i-ibd+1) <= j <= i, lives at a(lv(i) + j)
//
//   order 5, ibd 3, lv = 0 1 3 5 7          a(1..12)
//     row 1:  (1,1)                        a1
//     row 2:  (2,1) (2,2)                  a2  a3
//     row 3:  (3,1) (3,2) (3,3)            a4  a5  a6
//     row 4:        (4,2) (4,3) (4,4)      a7  a8  a9
//     row 5:              (5,3) (5,4) (5,5) a10 a11 a12
//
// Entry (i, j) with j > i is entry (j, i); entries left of the band are zero
// and have no position. Rows follow each other without a gap, so lv(1) = 0,
// lv(i) - lv(i-1) = min(i-1, ibd-1), and the matrix fills a(1..lv(n)+n).
// With ibd = n this is the full lower triangle, lv(i) = i(i-1)/2.
// After a Cholesky factorisation the same positions hold the factor L.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace ruvo::solver {

// A view of one profile matrix; indices are 1-based as in the formula above.
// T is double for a matrix that is written, const double for one only read.
template <class T>
struct Profile {
  T* a;            // a[0] is a(1)
  const int* lv;   // lv[0] is lv(1)
  int n;           // order
  int ibd;         // band width, 1 <= ibd <= n

  // Entry (i, j) of the stored triangle, j <= i within the band.
  T& operator()(int i, int j) const { return a[std::ptrdiff_t{lv[i - 1]} + j - 1]; }
  // Row i as an array indexed by column: row(i)[j] is entry (i, j).
  T* row(int i) const { return a + (std::ptrdiff_t{lv[i - 1]} - 1); }
  // First stored column of row i.
  int first_column(int i) const { return std::max(1, i - ibd + 1); }
  // Last row whose band reaches column j.
  int last_row(int j) const { return std::min(n, j + ibd - 1); }
  // Entry (i, j) of the full symmetric matrix, for |i - j| < ibd.
  T& symmetric(int i, int j) const { return i >= j ? (*this)(i, j) : (*this)(j, i); }
  // Number of stored entries, lv(n) + n.
  std::size_t stored() const { return std::size_t(lv[n - 1]) + std::size_t(n); }

  operator Profile<const double>() const
    requires(!std::is_const_v<T>)
  {
    return {a, lv, n, ibd};
  }
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
ProfileCheck check_profile(std::span<const int> lv, int n, int ibd, std::size_t entries,
                           int min_order = 1);

// The narrowest band that holds every entry of A that is not exactly zero
// (NaN counts as not zero): rows whose leading entries are zeros narrow it.
int occupied_band(Profile<const double> A);

// A copy of A in the band ibd <= A.ibd, with its own level vector; the
// entries of A outside that band must be zero.
class BandCopy {
public:
  BandCopy(Profile<const double> A, int ibd);
  Profile<double> view() { return {a_.data(), lv_.data(), n_, ibd_}; }

private:
  int n_, ibd_;
  std::vector<int> lv_;
  std::vector<double> a_;
};

}  // namespace ruvo::solver
