#include "solver/global_buckling.hpp"

#include <algorithm>
#include <cmath>

#include "io/listing.hpp"
#include "model/blocks.hpp"
#include "model/pi.hpp"

namespace ruvo {

namespace {

// Sum of the leading positive run of subdivision lengths.
template <std::size_t N>
float leading_sum(const float (&lengths)[N]) {
  float s = 0.0f;
  for (float v : lengths) {
    if (v == 0.0f) break;
    s += v;
  }
  return s;
}

}  // namespace

GlobalBucklingResult global_buckling(const GlobalBucklingData& d) {
  const float tf = d.footth, tw = d.webth, bf = d.footwidth, hw = d.webheight;
  const float ts = d.skinth, bs = d.stpitch, scc = d.sigmweb;
  const float aw = tw * hw, af = tf * bf, ast = af + aw;
  const float q = 1.0f - (d.aij21 / d.aij11) * (d.aij12 / d.aij22);
  // the curvature parameter of the skin between stringers: its size, whichever side the centre lies on
  const float z = (bs / std::sqrt(ts * std::fabs(d.ry))) * std::pow(12.0f * q, 0.25f) / pi;
  const float z2 = z * z;
  const float k = z <= 2.0f ? 4.0f + z2 * z2 / 4.0f : 2.0f * z2;  // curved-skin buckling coefficient
  const float kstar = k * pi_squared / (12.0f * q);
  const float e = q * d.a11 / ts;
  // section about the outer skin face: centroids of foot and web, own inertias
  const float zf = ts + tf / 2.0f, zw = ts + tf + hw / 2.0f;
  const float s = af * zf + aw * zw;
  const float i_f = tf * tf * tf * bf / 12.0f, i_w = hw * hw * hw * tw / 12.0f;

  float w = 0.0f, as = 0.0f, sigma_prev = 0.0f, sigma = 0.0f;
  bool converged = false;
  int pass = 1;
  for (; pass <= global_buckling_passes; ++pass) {
    const float a = ast + as;
    const float ec = (as * ts / 2.0f + s) / a;
    const float ts_e = ts / 2.0f - ec;
    const float inertia = af * ((zf - ec) * (zf - ec)) + i_f + i_w + aw * ((zw - ec) * (zw - ec)) +
                          ts * ts * ts * w / 12.0f + as * (ts_e * ts_e);
    const float rho = std::sqrt(inertia / a);
    const float lambda = d.length / rho;
    sigma = scc - lambda * lambda * (scc * scc) / (4.0f * pi_squared * e);  // Johnson parabola
    const float c = (sigma_prev / sigma) * 100.0f - 100.0f;
    if (c > 0.0f && c < 1.0f) {
      converged = true;
      break;
    }
    if (pass == global_buckling_passes) break;
    w = ts * std::sqrt(kstar * e / sigma);
    as = ts * w;
    sigma_prev = sigma;
  }
  const float fst = sigma * (ast + ts * w);
  return {(d.width / bs) * (fst + (bs - w) * d.fstbug), converged, std::min(pass, global_buckling_passes)};
}

template <class V>
std::optional<GlobalBucklingResult> global_buckling_load(ArrayRef<const float, 2> bb, std::int32_t& ier,
                                                         float fstbug) {
  static const io::Format heading("(//1x,' GLOBAL BUCKLING LOAD:')");
  static const io::Format value("(E20.5)//");
  static const io::Format message("(1X,'MESSAGE FROM SUBROUTINE GLBUCK:')");
  static const io::Format missing("(1X,A,' IS NOT POSITIVE: NO GLOBAL BUCKLING LOAD')");

  const Glbuckcom& g = state::glbuckcom;
  const char* absent = !(g.skinth > 0.0f)    ? "SKIN THICKNESS SKINTH"
                       : !(g.stpitch > 0.0f) ? "STRINGER PITCH STPITCH"
                                             : nullptr;
  if (absent) {
    io::write_listing(message);
    io::write_listing(missing, {absent});
    ier = glbuck_missing_value;
    return std::nullopt;
  }
  const Stringercom& st = state::stringercom;
  const auto& ina = state::f07ina<V>();
  const auto& aij = state::f07aij.aij;
  const GlobalBucklingData d{st.footth,
                             st.webth,
                             st.footwidth,
                             st.webheight,
                             g.skinth,
                             g.stpitch,
                             state::test.sigmweb,
                             leading_sum(ina.a.data),
                             leading_sum(ina.b.data),
                             state::f07inb.radii(2),
                             bb(1, 1),
                             aij(1, 1),
                             aij(2, 1),
                             aij(1, 2),
                             aij(2, 2),
                             fstbug};
  const GlobalBucklingResult r = global_buckling(d);
  ier = r.converged ? 0 : glbuck_not_converged;
  io::write_listing(heading);
  io::write_listing(value, {r.load});
  return r;
}

template <class V>
void glbuck(ArrayRef<const float, 2> bb, std::int32_t& ier, float fstbug) {
  global_buckling_load<V>(bb, ier, fstbug);
}

#define RUVO_INSTANTIATE(V)                                                                      \
  template void glbuck<V>(ArrayRef<const float, 2>, std::int32_t&, float);                       \
  template std::optional<GlobalBucklingResult> global_buckling_load<V>(ArrayRef<const float, 2>, \
                                                                       std::int32_t&, float);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
