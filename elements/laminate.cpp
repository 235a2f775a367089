#include "elements/laminate.hpp"

#include <cmath>
#include <utility>

#include "io/units.hpp"

namespace ruvo {

namespace {

// Reduced plane-stress stiffness of the ply material (E1, E2, nu12, G12) in
// its own axes, engineering shear.
Array<float, 3, 3> reduced_stiffness(std::span<const float> q) {
  const float e1 = q[0], e2 = q[1], nu12 = q[2], g12 = q[3];
  const float d = 1.0f / (1.0f - nu12 * nu12 * e2 / e1);
  Array<float, 3, 3> ql{};
  ql(1, 1) = e1 * d;
  ql(2, 2) = e2 * d;
  ql(1, 2) = nu12 * e2 * d;
  ql(2, 1) = ql(1, 2);
  ql(3, 3) = g12;
  return ql;
}

// Ply angle folded into [-90, 90] for angles within [-270, 270].
float folded_angle(float psi) {
  if (psi > 90.0f) psi = psi - 180.0f;
  if (psi < -90.0f) psi = psi + 180.0f;
  return psi;
}

// b = t^T a t for m x m matrices.
template <int M>
void congruence(const Array<float, M, M>& t, ArrayRef<const float, 2> a, ArrayRef<float, 2> b) {
  Array<float, M, M> at{};
  for (int i = 1; i <= M; ++i)
    for (int j = 1; j <= M; ++j) {
      float s = 0.0f;
      for (int k = 1; k <= M; ++k) s = s + a(i, k) * t(k, j);
      at(i, j) = s;
    }
  for (int i = 1; i <= M; ++i)
    for (int j = 1; j <= M; ++j) {
      float s = 0.0f;
      for (int k = 1; k <= M; ++k) s = s + t(k, i) * at(k, j);
      b(i, j) = s;
    }
}

}  // namespace

void trnpsi(std::int32_t m, float psi, ArrayRef<const float, 2> a, ArrayRef<float, 2> b, std::int32_t& ier) {
  static const io::Format wrong_order("(2X,'ERROR NO. ',I2,' IN TRNPSI')");
  ier = 0;
  const float angle = psi * 0.017453292f;
  const float c = std::cos(angle), s = std::sin(angle);
  if (m == 3) {
    // strain rotation in engineering shear
    Array<float, 3, 3> t{};
    t(1, 1) = c * c, t(1, 2) = s * s, t(1, 3) = c * s;
    t(2, 1) = s * s, t(2, 2) = c * c, t(2, 3) = -c * s;
    t(3, 1) = -2.0f * c * s, t(3, 2) = 2.0f * c * s, t(3, 3) = c * c - s * s;
    congruence(t, a, b);
  } else if (m == 2) {
    Array<float, 2, 2> t{};
    t(1, 1) = c, t(1, 2) = s;
    t(2, 1) = -s, t(2, 2) = c;
    congruence(t, a, b);
  } else {
    ier = 1;
    io::write(io::stdout_unit, wrong_order, {ier});
  }
}

void abdetc(std::int32_t nla, std::span<const float> thkply, std::span<const float> angply,
            std::span<const float> q, float& thklam, ArrayRef<float, 2> aal, ArrayRef<float, 2> ddl,
            ArrayRef<float, 2> adl, std::int32_t& ier) {
  ier = 0;
  thklam = 0.0f;
  for (int k = 0; k < nla; ++k) thklam = thklam + thkply[k];
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 3; ++i) aal(i, j) = ddl(i, j) = adl(i, j) = 0.0f;

  const Array<float, 3, 3> ql = reduced_stiffness(q);
  Array<float, 3, 3> qr{};
  const ArrayRef<const float, 2> ql_view(ql.data, {3, 3});
  const ArrayRef<float, 2> qr_view(qr.data, {3, 3});
  float zu = -thklam / 2.0f;  // ply interfaces from the bottom
  for (int k = 0; k < nla; ++k) {
    trnpsi(3, folded_angle(angply[k]), ql_view, qr_view, ier);
    if (ier != 0) {
      ier = ier + 20;
      return;
    }
    const float h = thkply[k];
    const float zl = zu;
    zu = zl + h;
    for (int j = 1; j <= 3; ++j)
      for (int i = 1; i <= 3; ++i) {
        aal(i, j) = aal(i, j) + qr(i, j) * h;
        ddl(i, j) = ddl(i, j) + qr(i, j) * h * (zl * zl + zl * zu + zu * zu) / 3.0f;
        adl(i, j) = adl(i, j) - qr(i, j) * h * (zl + zu) / 2.0f;
      }
  }
}

std::string abdetc_fault(std::int32_t nla, std::int64_t thkply_size, std::int64_t angply_size) {
  if (nla < 1) return "nla = " + std::to_string(nla) + " is below 1";
  for (auto [name, size] : {std::pair{"thkply", thkply_size}, std::pair{"angply", angply_size}})
    if (size < nla)
      return std::string(name) + " holds " + std::to_string(size) +
             " entries, fewer than nla = " + std::to_string(nla);
  return {};
}

}  // namespace ruvo
