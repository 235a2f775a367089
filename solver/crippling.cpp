#include "solver/crippling.hpp"

#include <algorithm>
#include <cmath>

#include "io/listing.hpp"
#include "model/blocks.hpp"
#include "model/laminate_column.hpp"
#include "model/pi.hpp"

namespace ruvo {

using laminate_column::entry;

namespace {

void copy_ddst(float (&to)[6]) {
  for (int i = 0; i < 6; ++i) to[i] = state::stringercom.ddst(i + 1);
}

}  // namespace

TProfileCrippling t_profile_crippling(float h, float t, const float (&ddst)[6], float stiffx, float footwidth,
                                      float footth) {
  const float d11 = entry(ddst, 1, 1), d22 = entry(ddst, 2, 2), d66 = entry(ddst, 3, 3);
  const float sqrt_d = std::sqrt(d11 * d22);
  // Long strip, one long edge simply supported, the other free: w = y·sin(πx/L)
  // gives N = π²D11/L² + 12·D66/h², so N → 12·D66/h² = kx·(π/h)²·√(D11·D22) as L → ∞
  // (isotropic: kx = 6(1−ν)/π², 0.425 at ν = 0.3).
  const float kx = 12.0f * d66 / (pi_squared * sqrt_d);
  const float pih = pi / h;
  const float nw = kx * (pih * pih) * sqrt_d;
  const float fw = nw * h;
  const float web_share = (h * t) / (footwidth * footth + h * t);
  return {fw, nw / t, fw / (stiffx * web_share)};
}

// Long strip supported on both long edges, width b: N = (π/b)²·kx·√(D11·D22),
// kx = 2 + 2·(D12 + 2·D66)/√(D11·D22).
float supported_strip_force(float b, const float (&d)[6]) {
  const float s = std::sqrt(entry(d, 1, 1) * entry(d, 2, 2));
  const float kx = 2.0f + 2.0f * (2.0f * entry(d, 3, 3) + entry(d, 1, 2)) / s;
  const float pib = pi / b;
  return (pib * pib) * kx * s * b;
}

OmegaCrippling omega_crippling(float webheight, float chordwidth, float alpha, const float (&web_ddst)[6],
                               const float (&chord_ddst)[6]) {
  const float web = webheight / std::cos(0.5f * alpha * pi / 180.0f);
  return {web, supported_strip_force(web, web_ddst), supported_strip_force(chordwidth, chord_ddst)};
}

TProfileCrippling cripple_t_profile() {
  static const io::Format heading("(//1x,' CRIPPLING FORCE:')");
  static const io::Format value("(E20.5)//");
  Stringercom& st = state::stringercom;
  float ddst[6];
  copy_ddst(ddst);
  const TProfileCrippling r =
      t_profile_crippling(st.webheight, st.webth, ddst, state::test.stiffx, st.footwidth, st.footth);
  state::test.sigmweb = r.stress;
  state::test.epsweb = r.strain;
  io::write_listing(heading);
  io::write_listing(value, {r.force});
  return r;
}

OmegaCrippling cripple_omega_profile(const std::array<float, 6>* chord_bending) {
  static const io::Format web_heading("(//1x,' CRIPPLING FORCE OF WEB:')");
  static const io::Format chord_heading("(//1x,' CRIPPLING FORCE OF CHORD:')");
  static const io::Format value("(E20.5)//");
  Stringercom& st = state::stringercom;
  float ddst[6], chord[6];
  copy_ddst(ddst);
  std::copy_n(chord_bending ? chord_bending->data() : ddst, 6, chord);
  const OmegaCrippling r = omega_crippling(st.webheight, st.chordwidth, st.alpha, ddst, chord);
  st.webheight = r.web_length;
  io::write_listing(web_heading);
  io::write_listing(value, {r.web_force});
  io::write_listing(chord_heading);
  io::write_listing(value, {r.chord_force});
  return r;
}

void cripplingt(std::int32_t&) { cripple_t_profile(); }

void cripplingo(std::int32_t&) { cripple_omega_profile(); }

}  // namespace ruvo
