#include "kernels/jacobi.hpp"
#include "model/zero_thresholds.hpp"

#include <cmath>
#include <cstddef>

namespace ruvo::kernels {

namespace {

double largest_row_sum(Profile<const double> A) {
  double largest = 0.0;
  for (int i = 1; i <= A.n; ++i) {
    double s = 0.0;
    for (int j = 1; j <= A.n; ++j) s += std::abs(A.symmetric(i, j));
    if (s > largest) largest = s;
  }
  return largest;
}

struct Pivot {
  int q = 2, p = 1;  // row q, column p < q
};

// Rows q = 2..n, columns p = 1..q-1; only a strictly larger entry replaces.
Pivot largest_off_diagonal(Profile<const double> A) {
  Pivot best;
  double magnitude = 0.0;
  for (int q = 2; q <= A.n; ++q)
    for (int p = 1; p < q; ++p)
      if (std::abs(A(q, p)) > magnitude) {
        magnitude = std::abs(A(q, p));
        best = {q, p};
      }
  return best;
}

struct Rotation {
  double c, s, c2, s2, cs;
};

// The rotation that annihilates entry (q, p): tan is the smaller root of
// t² + 2θt - 1 = 0 with θ = (a(q,q) - a(p,p)) / (2 a(q,p)).
Rotation annihilating_rotation(Profile<const double> A, Pivot pv) {
  const double theta = (A(pv.q, pv.q) - A(pv.p, pv.p)) * 0.5 / A(pv.q, pv.p);
  if (std::abs(theta) < negligible_rotation) {
    constexpr double h = 0.7071067811865476;
    return {h, h, 0.5, 0.5, 0.5};
  }
  const double tn = 1.0 / (theta + std::copysign(std::sqrt(theta * theta + 1.0), theta));
  const double c2 = 1.0 / (tn * tn + 1.0);
  const double c = std::sqrt(c2);
  return {c, tn * c, c2, tn * tn * c2, tn * c2};
}

// Columns (and rows) p and q of A, and columns p and q of ys, become
// (c·p - s·q, s·p + c·q).
void rotate(Profile<double> A, Pivot pv, const Rotation& r, double* ys) {
  const int p = pv.p, q = pv.q;
  const double app = A(p, p), aqq = A(q, q), aqp = A(q, p);
  A(p, p) = r.c2 * app - 2.0 * r.cs * aqp + r.s2 * aqq;
  A(q, q) = r.s2 * app + 2.0 * r.cs * aqp + r.c2 * aqq;
  A(q, p) = 0.0;
  for (int k = 1; k <= A.n; ++k) {
    if (k == p || k == q) continue;
    double& akp = A.symmetric(k, p);
    double& akq = A.symmetric(k, q);
    const double kp = akp, kq = akq;
    akp = r.c * kp - r.s * kq;
    akq = r.s * kp + r.c * kq;
  }
  double* yp = ys + std::ptrdiff_t{p - 1} * A.n;
  double* yq = ys + std::ptrdiff_t{q - 1} * A.n;
  for (int k = 0; k < A.n; ++k) {
    const double kp = yp[k], kq = yq[k];
    yp[k] = r.c * kp - r.s * kq;
    yq[k] = r.s * kp + r.c * kq;
  }
}

}  // namespace

JacobiStatus jacobi_eigen(Profile<double> A, double eps, double* ys) {
  const int n = A.n;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) ys[std::ptrdiff_t{j} * n + i] = i == j ? 1.0 : 0.0;

  const double r = largest_row_sum(A);
  if (1.0e-10 * eps > r) return jacobi_too_small;
  const double threshold = eps * r / n;
  if (n <= 1) return jacobi_converged;

  const long limit = 2L * n * n + 1;
  for (long rotations = 0;; ++rotations) {
    const Pivot pv = largest_off_diagonal(A);
    if (threshold > std::abs(A(pv.q, pv.p))) return jacobi_converged;
    if (rotations == limit) return jacobi_rotation_limit;
    rotate(A, pv, annihilating_rotation(A, pv), ys);
  }
}

}  // namespace ruvo::kernels
