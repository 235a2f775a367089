// Profile matrices (kernels/profile.hpp) seen by BLAS as column-major tiles.
//
// U = Lᵀ is the upper triangle whose column j is row j of the profile. From
// row ibd on, consecutive profile rows start ibd entries apart, so
//
//   U(k, j) = entry (j, k) lives at base + k + j·(ibd-1)      (j >= ibd)
//
// which is LAPACK's upper band storage read with leading dimension ibd-1:
// every tile of U that lies inside the band is an ordinary column-major
// matrix with leading dimension ibd-1, in place.
//
// The first ibd-1 rows are shorter (the full triangle of order ibd-1) and
// have no such stride. The factorisation, whose updates run across columns,
// holds columns 1..`copied` in a copy with the same formula at another base
// (LAPACK's band layout: ibd entries per column, those above row 1 unused);
// `split` says which columns are read from it. The solution and the product
// read column blocks one at a time and gather those of the leading columns
// into a small zero-padded tile instead (TileWork::load). The full triangle
// (ibd = n) has leading columns only.
//
//   ibd 3, order 5:   copy  [ . . a1 | . a2 a3 ]            columns 1, 2
//                     in place        a4 a5 a6 | a7 a8 a9 | a10 a11 a12
//
// A tile never spans columns of both places. Tiles that reach above the band
// (the wedge of rows where only the first columns of a block are stored)
// are handled by the kernels through a zero-padded copy.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "kernels/kept_storage.hpp"
#include "kernels/profile.hpp"

namespace ruvo::kernels {

template <class T>
class ProfileTiles {
public:
  // Copies columns 1..copied of U (0..n).
  ProfileTiles(Profile<T> p, int copied)
      : p_(p),
        split_(std::clamp(copied, 0, p.n)),
        copy_(borrow_storage(std::size_t(split_) * std::size_t(p.ibd))) {
    for (int j = 1; j <= split_; ++j)
      std::copy_n(&p(j, top(j)), j - top(j) + 1, copy_.get() + offset(top(j), j));
  }

  // Columns of U that must come from the copy: those without the band stride.
  static int leading_columns(Profile<const double> p) { return p.ibd == p.n ? p.n : p.ibd - 1; }

  // U(k, j) for top(j) <= k <= j.
  T* at(int k, int j) { return j > split_ ? &p_(j, k) : copy_.get() + offset(k, j); }
  const double* at(int k, int j) const { return j > split_ ? &p_(j, k) : copy_.get() + offset(k, j); }
  int top(int j) const { return p_.first_column(j); }
  int ld() const { return p_.ibd - 1; }
  int n() const { return p_.n; }
  int ibd() const { return p_.ibd; }
  int lead() const { return leading_columns(p_); }
  int split() const { return split_; }
  const Profile<T>& profile() const { return p_; }

  // Copies columns first..split back into the profile and reads every column
  // from first on in place from now on (first > lead).
  void write_back(int first) requires(!std::is_const_v<T>) {
    for (int j = first; j <= split_; ++j) std::copy_n(at(top(j), j), j - top(j) + 1, &p_(j, top(j)));
    split_ = std::min(split_, first - 1);
  }
  // Copies the leading columns 1..min(split, last) back into the profile.
  void write_back_leading(int last) requires(!std::is_const_v<T>) {
    for (int j = 1; j <= std::min(split_, last); ++j)
      std::copy_n(at(top(j), j), j - top(j) + 1, &p_(j, top(j)));
  }

private:
  std::ptrdiff_t offset(int k, int j) const { return std::ptrdiff_t{j} * ld() + k - 1; }

  Profile<T> p_;
  int split_;
  // Left uninitialised: only the band's entries are written and read, and
  // the pages of the unused corners of the full triangle are never touched.
  // The kept block when it fits: a large factor's copy is not faulted in again.
  Storage copy_;
};

// One column block k0..k1 of U made addressable for BLAS, with the products
// with the band above it: the kernels behind the Cholesky solution and the
// profile product. Blocks have at most ibd-1 columns and never span the lead.
class TileWork {
public:
  // Leading columns that are not in the copy are gathered, zero-padded.
  template <class T>
  void load(const ProfileTiles<T>& U, int k0, int k1);
  const double* diagonal() const { return diagonal_; }  // U(K, K), upper triangle
  int ld() const { return ld_; }

  // c(K, :) += alpha · U(above K, K)ᵀ · y(above K, :); y and c have leading
  // dimension n (at least the order).
  void above_transposed(double alpha, const double* y, double* c, int m, int n) const;
  // c(above K, :) += alpha · U(above K, K) · y(K, :)
  void above_product(double alpha, const double* y, double* c, int m, int n) const;

private:
  // Rows row0.. above the block, stored for every column of it (zeros where
  // outside the band), at data with leading dimension ld.
  struct Part {
    const double* data = nullptr;
    int ld = 0, row0 = 0, rows = 0;
  };
  int k0_ = 0, h_ = 0, ld_ = 0;
  const double* diagonal_ = nullptr;
  Part rectangle_, wedge_;
  std::vector<double> gathered_, wedge_copy_;
};

// Calls f(k0, k1) for the column blocks of at most nb columns, ascending,
// with a block boundary after the lead.
template <class F>
void for_each_block(int n, int lead, int nb, F f) {
  for (int k0 = 1; k0 <= n;) {
    const int end = k0 <= lead ? lead : n;
    const int k1 = std::min(end, k0 + nb - 1);
    f(k0, k1);
    k0 = k1 + 1;
  }
}

// Rows per tile for a band of width ibd; 0 when the band is too narrow for
// tiles to pay (the kernels then go row by row).
int tile_rows(int ibd);

}  // namespace ruvo::kernels
