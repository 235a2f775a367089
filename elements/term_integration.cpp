#include "elements/term_integration.hpp"

#include <algorithm>

#include "model/profile_index.hpp"

namespace ruvo::elements {

void plain_integrals(const HermiteTable& s1, const HermiteTable& s2, int o1, int o2, Integrals& out) {
  for (int k = 1; k <= 4; ++k)
    for (int l = 1; l <= 4; ++l) out[k - 1][l - 1] = s1(o1 + 1, k, o2 + 1, l) + s2(o1 + 1, k, o2 + 1, l);
}

void weighted_integrals(const HermiteTable& s1, const HermiteTable& s2, int o1, int o2, double w1, double w2,
                        Integrals& out) {
  for (int k = 1; k <= 4; ++k)
    for (int l = 1; l <= 4; ++l)
      out[k - 1][l - 1] = s1(o1 + 1, k, o2 + 1, l) * w1 + s2(o1 + 1, k, o2 + 1, l) * w2;
}

void element_block(double f, const Integrals& sx, const Integrals& sy, const Scales& b1, float a, float b,
                   double e, ElementBlock& out) {
  const float hx[4] = {1.0f, a, 1.0f, a}, hy[4] = {1.0f, b, 1.0f, b};
  double b2[16];
  int rc[16][2];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      b2[r + 4 * c] = double(hy[r]) * hx[c];
      rc[r + 4 * c][0] = r;
      rc[r + 4 * c][1] = c;
    }
  for (int p = 0; p < 16; ++p) {
    const int rp = rc[p][0], cp = rc[p][1];
    for (int q = 0; q < 16; ++q) {
      const int rq = rc[q][0], cq = rc[q][1];
      const double k = f * sx[cp][cq] * sy[rp][rq] * b1(rp + 1, cp + 1) * b1(rq + 1, cq + 1);
      out.v[p][q] = k * b2[p] * e * b2[q];
    }
  }
}

void scatter_symmetric(const ElementBlock& block, const ElementFreedoms& rows, const ElementFreedoms& cols,
                       std::span<double> a, std::span<const std::int32_t> lv) {
  double* const stored = a.data() - 1;  // stored[lv(r) + c] is entry (r, c), c <= r
  for (int p = 0; p < 16; ++p) {
    const std::int32_t r = rows.data[p];
    if (r == 0) continue;
    double* const row = stored + lv[std::size_t(r - 1)];
    for (int q = 0; q < 16; ++q) {
      const std::int32_t c = cols.data[q];
      if (c == 0) continue;
      const double v = block.v[p][q];
      if (c < r)
        row[c] += 0.5 * v;
      else if (c > r)
        stored[lv[std::size_t(c - 1)] + r] += 0.5 * v;
      else
        row[c] += v;
    }
  }
}

void scatter_coupling(const ElementBlock& block, const ElementFreedoms& rows, const ElementFreedoms& cols,
                      ArrayRef<double, 2> a21, std::int32_t* tops, std::int32_t* bottoms) {
  for (int p = 0; p < 16; ++p) {
    if (rows.data[p] == 0) continue;
    for (int q = 0; q < 16; ++q)
      // zero terms left unwritten: the pages of a zero A21 need not be touched
      if (cols.data[q] != 0 && block.v[p][q] != 0) {
        a21(cols.data[q], rows.data[p]) += 0.5 * block.v[p][q];
        if (tops) tops[rows.data[p] - 1] = std::min(tops[rows.data[p] - 1], cols.data[q]);
        if (bottoms) bottoms[rows.data[p] - 1] = std::max(bottoms[rows.data[p] - 1], cols.data[q]);
      }
  }
}

template <class Real>
Real segment_integral(const HermiteTable& s1, const HermiteTable& s2, const SegmentTerm& t, int q, int p,
                      const SegmentScales& bx, float w1, float w2, Real coef, float h) {
  const int oq = t.order_q + 1, op = t.order_p + 1;
  const float s = s1(oq, q, op, p) * w1 + s2(oq, q, op, p) * w2;
  return per_length(Real(s) * bx(t.row_q, q) * bx(t.row_p, p) * coef, h, t.order_q + t.order_p - 1);
}

template float segment_integral<float>(const HermiteTable&, const HermiteTable&, const SegmentTerm&, int, int,
                                       const SegmentScales&, float, float, float, float);
template double segment_integral<double>(const HermiteTable&, const HermiteTable&, const SegmentTerm&, int,
                                         int, const SegmentScales&, float, float, double, float);

}  // namespace ruvo::elements
