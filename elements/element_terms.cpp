#include "elements/element_terms.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "elements/constitutive_column.hpp"
#include "io/listing.hpp"
#include "listing/data_faults.hpp"
#include "model/blocks.hpp"
#include "model/data_checks.hpp"
#include "model/grid_angles.hpp"

namespace ruvo {

namespace {

constexpr float tiny = 1.0e-31f;  // coefficients and angles at most this count as zero

// A symmetric 3 x 3 block packed by columns of its lower triangle:
// (1,1), (2,1), (3,1), (2,2), (3,2), (3,3), as the columns of c hold it.
using LowerBlock = std::array<float, 6>;

// Index into a LowerBlock of entry (r, s), either triangle.
int lower_index(int r, int s) {
  static constexpr int index[3][3] = {{0, 1, 2}, {1, 3, 4}, {2, 4, 5}};
  return index[r - 1][s - 1];
}

// Column e of a block packed (1,1),(1,2),(2,2),(1,3),(2,3),(3,3).
LowerBlock lower_packing(ArrayRef<float, 2> x, int e) {
  return {x(1, e), x(2, e), x(4, e), x(3, e), x(5, e), x(6, e)};
}

// The block's entries in column e of c: lower triangle, or the full 3 x 3.
void place_block(const LowerBlock& x, ArrayRef<float, 2> c, int e, bool diagonal, int k, int ks) {
  for (int s = 1; s <= 3; ++s)
    for (int r = diagonal ? s : 1; r <= 3; ++r) c(block_position(k, ks, r, s), e) = x[lower_index(r, s)];
}

// Entry (m, n) of the symmetric 9 x 9 c of element e.
float packed_entry(ArrayRef<float, 2> c, int e, int m, int n) { return c(constitutive_position(m, n), e); }

// Calls emit(coefficient, code 1, code 2) for every term of element e, in
// list order: strains 1..9 with c, then 10..11 with ch.
template <class Emit>
void expand_element(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, int e, Emit&& emit) {
  const auto& eps = state::f01eps;
  auto pairs = [&](int first, int last, auto&& coefficient) {
    for (int m = first; m <= last; ++m)
      for (int n = first; n <= last; ++n) {
        const float cmn = coefficient(m, n);
        if (std::fabs(cmn) <= tiny) continue;
        for (int a = 1; a <= 3; ++a) {
          if (!(std::fabs(eps.feps(m, a)) > tiny)) continue;
          for (int b = 1; b <= 3; ++b)
            if (std::fabs(eps.feps(n, b)) > tiny)
              emit(eps.feps(n, b) * (eps.feps(m, a) * cmn), eps.keps(m, a), eps.keps(n, b));
        }
      }
  };
  pairs(1, 9, [&](int m, int n) { return packed_entry(c, e, m, n); });
  pairs(10, 11, [&](int m, int n) { return ch(m + n - 19, e); });  // (10,10) (10,11) (11,11) -> 1 2 3
}

int term_count(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, int e) {
  int n = 0;
  expand_element(c, ch, e, [&](float, int, int) { ++n; });
  return n;
}

// The first element whose list would exceed p_itrm terms, with its count (0, 0 if none).
template <class V>
std::pair<int, int> overfull_element(ArrayRef<float, 2> c, ArrayRef<float, 2> ch) {
  for (int e = 1; e <= element_count<V>(); ++e)
    if (const int n = term_count(c, ch, e); n > V::p_itrm) return {e, n};
  return {0, 0};
}

// Membrane strain entries of the curvature: W enters with -1/rx, -1/ry, -2/rxy.
void set_curvature(float rxt, float ryt, float rxyt) {
  auto& feps = state::f01eps.feps;
  feps(1, 2) = -rxt;
  feps(2, 2) = -ryt;
  feps(3, 3) = -2.0f * rxyt;
}

// Element e keeps its first - 1 terms; the places after them are zeroed.
template <class V>
void clear_terms(F01qua<V>& q, int e, int first) {
  if (first <= V::p_itrm) {
    const int count = V::p_itrm - first + 1;
    std::fill_n(&q.fquad(first, e), count, 0.0f);
    for (int k = 1; k <= 3; ++k) std::fill_n(&q.kquad(first, k, e), count, 0);
  }
  q.ikt(e) = first - 1;
}

float inverse_radius(float r) { return std::fabs(r) < float(flat_radius) ? 1.0f / r : 0.0f; }

}  // namespace

template <class V>
int element_count() {
  const auto& ina = state::f07ina<V>();
  return std::max(ina.mx - 1, 0) * std::max(ina.my - 1, 0);
}

template <class V>
void f01ktf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
            ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
            ArrayRef<float, 2> ss) {
  namespace at = constitutive_block;
  for (int e = 1; e <= element_count<V>(); ++e) {
    const auto place = [&](ArrayRef<float, 2> x, ConstitutiveBlock b) {
      place_block(lower_packing(x, e), c, e, b.diagonal, b.k, b.ks);
    };
    place(bb, at::bb), place(bd, at::bd), place(br, at::br);
    place(dd, at::dd), place(dr, at::dr), place(rr, at::rr);
    for (int i = 1; i <= 3; ++i) ch(i, e) = ss(i, e);
  }
}

template <class V>
void tminc(float cp, ArrayRef<float, 2> trm, ArrayRef<float, 2> ch, float& rx, float& ry, float& rxy,
           ArrayRef<float, 2> ss) {
  const GridAngles ang = grid_angles();
  const float cx = std::cos(ang.x), sx = std::sin(ang.x);
  const float cy = std::cos(ang.y), sy = std::sin(ang.y);
  const float cs = std::cos(ang.x + ang.y), d = std::cos(cp);
  const float d2 = d * d, d4 = d2 * d2;

  // T times D^2, rows x' y' and shear of the grid: the tensor square of S D.
  const float t[3][3] = {
      {cy * cy, sy * sy, 2.0f * cy * sy}, {sx * sx, cx * cx, -2.0f * cx * sx}, {-cy * sx, cx * sy, cs}};
  // trm(p, q): coefficient of input entry q in output entry p of T X T^T.
  static constexpr int out_r[6] = {1, 2, 3, 2, 3, 3}, out_s[6] = {1, 1, 1, 2, 2, 3};
  static constexpr int in_i[6] = {1, 1, 2, 1, 2, 3}, in_j[6] = {1, 2, 2, 3, 3, 3};
  for (int p = 0; p < 6; ++p)
    for (int q = 0; q < 6; ++q) {
      const float* tr = t[out_r[p] - 1];
      const float* ts = t[out_s[p] - 1];
      const int i = in_i[q] - 1, j = in_j[q] - 1;
      const float num = i == j ? tr[i] * ts[i] : tr[i] * ts[j] + tr[j] * ts[i];
      trm(p + 1, q + 1) = num / d4;
    }

  // ch = S ss S^T with S = ((cy, sy), (-sx, cx)) / D
  for (int e = 1; e <= element_count<V>(); ++e) {
    const float s1 = ss(1, e), s2 = ss(2, e), s3 = ss(3, e);
    ch(1, e) = (cy * cy * s1 + 2.0f * cy * sy * s2 + sy * sy * s3) / d2;
    ch(2, e) = (cs * s2 - cy * sx * s1 + cx * sy * s3) / d2;
    ch(3, e) = (cx * cx * s3 + sx * sx * s1 - 2.0f * cx * sx * s2) / d2;
  }

  // curvatures along x' = (cx, sx) and y' = (-sy, cy)
  const float rx0 = rx, ry0 = ry, rxy0 = rxy;
  rx = cx * cx * rx0 + 2.0f * cx * sx * rxy0 + sx * sx * ry0;
  ry = cy * cy * ry0 + sy * sy * rx0 - 2.0f * cy * sy * rxy0;
  rxy = cs * rxy0 - cx * sy * rx0 + cy * sx * ry0;
}

void tczinc(ArrayRef<float, 2> trm, ArrayRef<float, 2> c, ArrayRef<float, 2> bb, bool d, std::int32_t k,
            std::int32_t ks, std::int32_t ielm) {
  LowerBlock y{};
  for (int p = 1; p <= 6; ++p) {
    float s = 0.0f;
    for (int q = 1; q <= 6; ++q) s = s + trm(p, q) * bb(q, ielm);
    y[p - 1] = s;
  }
  place_block(y, c, ielm, d, k, ks);
}

template <class V>
void skewed_terms(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
                  ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
                  ArrayRef<float, 2> ss, float rxt, float ryt, float rxyt) {
  Array<float, 6, 6> trm_store{};
  const ArrayRef<float, 2> trm(trm_store.data, {6, 6});
  const GridAngles angles = grid_angles();
  tminc<V>(angles.x - angles.y, trm, ch, rxt, ryt, rxyt, ss);
  set_curvature(rxt, ryt, rxyt);
  namespace at = constitutive_block;
  for (int e = 1; e <= element_count<V>(); ++e) {
    const auto place = [&](ArrayRef<float, 2> x, ConstitutiveBlock b) {
      tczinc(trm, c, x, b.diagonal, b.k, b.ks, e);
    };
    place(bb, at::bb), place(bd, at::bd), place(br, at::br);
    place(dd, at::dd), place(dr, at::dr), place(rr, at::rr);
  }
}

template <class V>
void tfmstf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
            ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
            ArrayRef<float, 2> ss, std::int32_t& ier) {
  static const io::Format degenerate(
      "(1X,'MESSAGE FROM SUBROUTINE TFMSTF:'/             ' DEGENERATE ELEMENT SHAPE' )");
  ier = 0;
  std::fill_n(c.data(), c.size(), 0.0f);
  auto& radii = state::f07inb;
  const float rxt = inverse_radius(radii.rx()), ryt = inverse_radius(radii.ry()),
              rxyt = inverse_radius(radii.rxy());
  const GridAngles ang = grid_angles();
  if (std::fabs(ang.x) <= tiny && std::fabs(ang.y) <= tiny) {
    f01ktf<V>(c, ch, bb, dd, bd, rr, dr, br, ss);
    set_curvature(rxt, ryt, rxyt);
    return;
  }
  if (std::fabs(std::cos(ang.x - ang.y)) < 0.2f) {
    io::write_both(degenerate);
    ier = 1;
    return;
  }
  skewed_terms<V>(c, ch, bb, dd, bd, rr, dr, br, ss, rxt, ryt, rxyt);
}

template <class V>
void f01kbf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, F01qua<V>& q) {
  const int elements = element_count<V>();
  if (const auto [e, n] = overfull_element<V>(c, ch); e != 0) {
    DataFault f{.code = FaultCode::inconsistent,
                .kind = FaultKind::above,
                .name = "IKT",
                .indices = 1,
                .index = {e, 0},
                .value = n,
                .high = V::p_itrm};
    listing::print_fault(listing::Routine::f01kbf, f, true);
    for (int k = 1; k <= elements; ++k) clear_terms(q, k, 1);
    return;
  }
  for (int e = 1; e <= elements; ++e) {
    int n = 0;
    expand_element(c, ch, e, [&](float coefficient, int code1, int code2) {
      ++n;
      q.fquad(n, e) = coefficient;
      q.kquad(n, 1, e) = code1;
      q.kquad(n, 2, e) = code2;
      q.kquad(n, 3, e) = 10 * (code1 / 100) + code2 / 100;
    });
    clear_terms(q, e, n + 1);
  }
}

template <class V>
std::string element_loop_fault() {
  const auto& ina = state::f07ina<V>();
  for (auto [name, lines] : {std::pair{"mx", ina.mx}, std::pair{"my", ina.my}})
    if (lines < 0 || lines > V::p_rtnds)
      return std::string(name) + " = " + std::to_string(lines) + " is not within 0.." +
             std::to_string(V::p_rtnds);
  return {};
}

template <class V>
std::string term_list_fault(ArrayRef<float, 2> c, ArrayRef<float, 2> ch) {
  const auto [e, n] = overfull_element<V>(c, ch);
  if (e == 0) return {};
  return "element " + std::to_string(e) + " would have " + std::to_string(n) +
         " terms, more than p_itrm = " + std::to_string(V::p_itrm) + " (strain table feps)";
}

std::string block_placement_fault(bool d, std::int32_t k, std::int32_t ks, std::int32_t ielm,
                                  std::int64_t elements) {
  if (ielm < 1 || ielm > elements)
    return "ielm = " + std::to_string(ielm) + " is not within 1.." + std::to_string(elements);
  for (int s = 1; s <= 3; ++s)
    for (int r = d ? s : 1; r <= 3; ++r)
      if (const std::int64_t p = block_position(k, ks, r, s); p < 1 || p > 45)
        return "k = " + std::to_string(k) + ", ks = " + std::to_string(ks) + " place entry (" +
               std::to_string(r) + "," + std::to_string(s) + ") at " + std::to_string(p) +
               ", not within 1..45";
  return {};
}

#define RUVO_INSTANTIATE(V)                                                                                 \
  template int element_count<V>();                                                                          \
  template void tfmstf<V>(ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>,   \
                          ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>,   \
                          ArrayRef<float, 2>, std::int32_t&);                                               \
  template void f01ktf<V>(ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>,   \
                          ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>,   \
                          ArrayRef<float, 2>);                                                              \
  template void tminc<V>(float, ArrayRef<float, 2>, ArrayRef<float, 2>, float&, float&, float&,             \
                         ArrayRef<float, 2>);                                                               \
  template void skewed_terms<V>(                                                                            \
      ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>,   \
      ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, ArrayRef<float, 2>, float, float, float); \
  template void f01kbf<V>(ArrayRef<float, 2>, ArrayRef<float, 2>, F01qua<V>&);                              \
  template std::string element_loop_fault<V>();                                                             \
  template std::string term_list_fault<V>(ArrayRef<float, 2>, ArrayRef<float, 2>);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
