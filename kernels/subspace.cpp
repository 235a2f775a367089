#include "kernels/subspace.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>

#include "io/interrupt.hpp"
#include "kernels/factor.hpp"
#include "kernels/profile_product.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo::kernels {

namespace {

constexpr double jacobi_tolerance = 1.0e-8;
constexpr double eps_growth = 1.03;  // per inverse step: ends every iteration
constexpr double huge_ratio = 1.0e20;

// Uniform numbers in [0, 1): the top 53 bits of the 64-bit Mersenne twister
// (fully specified by the C++ standard) seeded with 5, times 2^-53.
class Uniform {
public:
  void fill(double* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = double(engine_() >> 11) * 0x1.0p-53;
  }

private:
  std::mt19937_64 engine_{5};
};

// A block of n-row columns, column k (1-based) at data + (k-1)·n.
struct Block {
  double* data;
  int n;
  double* operator()(int k) const { return data + std::ptrdiff_t{k - 1} * n; }
};

// A profile matrix for repeated products, with its tiles when the band is
// wide enough for them; the leading columns are copied once (for the full
// triangle the whole matrix, as a square) rather than gathered per product,
// since every subspace step multiplies by it.
class Operator {
public:
  explicit Operator(Profile<const double> p) : p_(p), nb_(tile_rows(p.ibd)) {
    if (nb_ > 0) tiles_.emplace(p, ProfileTiles<const double>::leading_columns(p));
  }
  // c(:, m1..m) = A·b(:, m1..m)
  void multiply(const double* b, int m1, int m, double* c) const {
    if (tiles_)
      profile_multiply_tiles(*tiles_, b, m1, m, c, nb_);
    else
      profile_multiply_rows(p_, b, m1, m, c);
  }

private:
  Profile<const double> p_;
  int nb_;
  std::optional<ProfileTiles<const double>> tiles_;
};

double dot(const double* u, const double* v, int n) {
  double s = 0.0;
  for (int i = 0; i < n; ++i) s += u[i] * v[i];
  return s;
}

double integer_power(double base, int exponent) {
  double p = 1.0;
  for (int i = 0; i < exponent; ++i) p *= base;
  return p;
}

// lh(1..count) = the freedoms with the largest |B(i,i)|/|A(i,i)|, decreasing,
// the last index winning among equal ratios; ratio holds n entries of work.
void rank_diagonal_ratios(const SubspaceProblem& pr, int count, double* ratio, int* lh) {
  const int n = pr.a.n;
  for (int i = 1; i <= n; ++i) {
    const double p = std::abs(pr.a(i, i));
    const double q = std::abs(pr.b(i, i));
    lh[i - 1] = i;
    ratio[i - 1] = (p < negligible_diagonal || q * negligible_diagonal > p) ? huge_ratio : q / p;
  }
  for (int k = 1; k <= count; ++k) {
    int best = k;
    for (int i = k + 1; i <= n; ++i)
      if (ratio[i - 1] >= ratio[best - 1]) best = i;
    if (best != k) {
      std::swap(ratio[k - 1], ratio[best - 1]);
      std::swap(lh[k - 1], lh[best - 1]);
    }
  }
}

// One pass of classical Gram-Schmidt in the A inner product on the columns
// kanf..neigit of x, against all columns before each; h(:, k) = A·x(:, k) on
// entry for k < neigit (the right-hand sides the solution started from), and
// the coefficients are taken with it. The A-norms come from ax = A·x, formed
// for the columns kanf..neigit by one block product (ax of the converged
// columns kept from before) and carried through the same combinations as x,
// instead of one product per orthogonalised column: one pass over A per step
// rather than one per column. Sets h(:, neigit).
void a_orthonormalise(const Operator& A, Block x, Block h, Block ax, int kanf, int neigit) {
  const int n = x.n;
  A.multiply(x.data, kanf, neigit, ax.data);
  std::copy(ax(neigit), ax(neigit) + n, h(neigit));
  for (int k = kanf; k <= neigit; ++k) {
    double* xk = x(k);
    double* axk = ax(k);
    for (int j = 1; j < k; ++j) {
      const double c = dot(x(j), h(k), n);
      const double* xj = x(j);
      const double* axj = ax(j);
      for (int i = 0; i < n; ++i) {
        xk[i] -= c * xj[i];
        axk[i] -= c * axj[i];
      }
    }
    const double root = std::sqrt(dot(xk, k == 1 ? h(1) : axk, n));
    for (int i = 0; i < n; ++i) {
      xk[i] /= root;
      axk[i] /= root;
    }
  }
}

// elam(kanf..neigit) sorted by increasing magnitude (selection, the first of
// equal magnitudes winning), lh(kanf..neigit) carrying the original indices.
void order_by_magnitude(double* elam, int* lh, int kanf, int neigit) {
  for (int i = kanf; i <= neigit; ++i) lh[i - 1] = i;
  for (int k = kanf; k < neigit; ++k) {
    int best = k;
    for (int i = k + 1; i <= neigit; ++i)
      if (std::abs(elam[i - 1]) < std::abs(elam[best - 1])) best = i;
    if (best != k) {
      std::swap(elam[k - 1], elam[best - 1]);
      std::swap(lh[k - 1], lh[best - 1]);
    }
  }
}

// First column from kanf whose projected eigenvector (ys column lh1) has an
// off-diagonal component above eps; neigit when all of kanf..neigit-1 pass.
int first_unconverged(const double* ys, int ns, const int* lh1, int kanf, int neigit, double eps) {
  if (ns < 2) return kanf;
  for (int kk = kanf; kk < neigit; ++kk) {
    const int l = lh1[kk - kanf];
    const double* y = ys + std::ptrdiff_t{l - 1} * ns;
    for (int i = 1; i <= ns; ++i)
      if (i != l && std::abs(y[i - 1]) > eps) return kk;
  }
  return neigit;
}

// v(:, kanf-1+i) = V·ys(:, lh1(i)) for i = 1..count, V a copy of the ns
// columns of v from kanf; each entry summed from 0 in increasing order.
void combine_columns(Block v, int kanf, int ns, const double* ys, const int* lh1, int count,
                     std::vector<double>& copy) {
  const std::ptrdiff_t n = v.n;
  copy.assign(v(kanf), v(kanf) + ns * n);
  for (int i = 1; i <= count; ++i) {
    double* target = v(kanf - 1 + i);
    const double* y = ys + std::ptrdiff_t{lh1[i - 1] - 1} * ns;
    std::fill(target, target + n, 0.0);
    for (int t = 0; t < ns; ++t) {
      const double* source = copy.data() + t * n;
      for (std::ptrdiff_t r = 0; r < n; ++r) target[r] += source[r] * y[t];
    }
  }
}

// Raises the inverse steps per subspace step while the lowest mode cannot
// swamp the neigrq-th over them, lowers them when it would.
int adapt_inverse_steps(int nq, double lowest, double highest_wanted) {
  const double p = integer_power(std::abs(lowest), nq);
  const double q = 1.0 / integer_power(std::abs(highest_wanted), nq);
  if (nq <= 4 && p > 1.0e-10 && q > 1.0e-10 && p * q > 1.0e-4) ++nq;
  if (nq >= 2 && p * q < 1.0e-8) --nq;
  return nq;
}

}  // namespace

SubspaceResult subspace_iteration(const SubspaceProblem& pr, double& eps, double* elam, double* x_data,
                                  const int* lvtri, KeptFactor* kept) {
  const int n = pr.a.n;
  const int ngit = pr.neigit;
  SubspaceResult result;
  Uniform uniform;

  // Start vectors: random, with a peak at the freedoms where B is strongest
  // against A, so that the lowest modes are present from the start.
  std::vector<int> lh(n);
  std::vector<double> ratio(n);
  rank_diagonal_ratios(pr, ngit - 1, ratio.data(), lh.data());
  const Block x{x_data, n};
  for (int k = 1; k < ngit; ++k) {
    uniform.fill(x(k), n);
    x(k)[lh[k - 1] - 1] = 2.0;
  }

  // A matrix stored wider than its entries reach (a condensed matrix that
  // nothing was taken off is banded in its full triangle) is factored,
  // solved and multiplied in the band it occupies.
  std::optional<BandCopy> narrow;
  if (const int band = occupied_band(pr.a); band < pr.a.ibd) narrow.emplace(pr.a, band);
  const Profile<const double> a = narrow ? narrow->view() : pr.a;
  KeptFactor own;
  KeptFactor& slot = kept ? *kept : own;
  if (!slot) {
    slot = std::make_unique<Factor>(a);
    if (const int row = slot->factor(); row != 0) {
      slot.reset();
      result.cholesky_row = row;
      result.ier = subspace_not_definite;
      return result;
    }
  }
  const Factor& factor = *slot;

  const Operator A(a), B(pr.b);
  std::vector<double> h_data(std::size_t(n) * ngit);
  const Block h{h_data.data(), n};
  std::vector<double> ax_data(std::size_t(n) * ngit);
  const Block ax{ax_data.data(), n};
  B.multiply(x.data, 1, ngit - 1, h.data);

  std::vector<double> ch(std::size_t(ngit) * (ngit + 1) / 2);
  std::vector<double> ys(std::size_t(ngit) * ngit);
  std::vector<int> lh1(ngit);
  std::vector<double> copy;
  int kanf = 1;
  int nq = 3;
  for (;;) {
    // Inverse iteration on the active columns; afterwards h = A·x there.
    const int active = ngit - kanf;
    for (int step = 1; step <= nq; ++step) {
      if (step > 1) B.multiply(x.data, kanf, ngit - 1, h.data);
      std::copy(h(kanf), h(kanf) + std::ptrdiff_t{active} * n, x(kanf));
      factor.solve(x(kanf), active);
      eps *= eps_growth;
      ++result.ip;
      io::poll_interrupt();
    }

    uniform.fill(x(ngit), n);
    a_orthonormalise(A, x, h, ax, kanf, ngit);

    // Projection onto the active columns and its eigenproblem.
    ++result.jac;
    const int ns = ngit - kanf + 1;
    B.multiply(x.data, kanf, ngit, h.data);
    const Profile<double> projected{ch.data(), lvtri, ns, ns};
    for (int i = 1; i <= ns; ++i)
      for (int j = 1; j <= i; ++j) projected(i, j) = dot(x(kanf + i - 1), h(kanf + j - 1), n);
    const JacobiStatus status = jacobi_eigen(projected, jacobi_tolerance, ys.data());
    result.ier = status;
    if (status != jacobi_converged) result.jacobi_failures.push_back({result.jac, status});

    for (int i = 1; i <= ns; ++i) elam[kanf + i - 2] = 1.0 / projected(i, i);
    order_by_magnitude(elam, lh.data(), kanf, ngit);
    for (int i = 1; i < ns; ++i) lh1[i - 1] = lh[kanf + i - 2] - kanf + 1;

    const int knew = first_unconverged(ys.data(), ns, lh1.data(), kanf, ngit, eps);
    combine_columns(h, kanf, ns, ys.data(), lh1.data(), ns - 1, copy);
    if (knew != kanf) {
      combine_columns(x, kanf, ns, ys.data(), lh1.data(), knew - kanf, copy);
      combine_columns(ax, kanf, ns, ys.data(), lh1.data(), knew - kanf, copy);  // A·x of the converged
      kanf = knew;
    }
    if (pr.neigrq < kanf) return result;
    nq = adapt_inverse_steps(nq, elam[0], elam[pr.neigrq - 1]);
  }
}

}  // namespace ruvo::kernels
