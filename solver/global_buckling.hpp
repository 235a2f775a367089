// Global (column) buckling of the stiffened panel: a stringer with an
// effective skin width under a Johnson-parabola column stress, iterated to a
// stable effective width, plus the skin between the effective widths at its
// own buckling force. All arithmetic in 32 bits.
#pragma once

#include <cstdint>
#include <optional>

#include "model/array.hpp"

namespace ruvo {

struct GlobalBucklingData {
  float footth, webth, footwidth, webheight;  // stringer cross-section
  float skinth, stpitch;                      // skin thickness ts, stringer pitch bs
  float sigmweb;                              // crippling stress of the stringer
  float length, width;                        // panel length L and width W
  float ry;                                   // radius of the skin in y (either sign)
  float a11;                                  // membrane stiffness A11 of the skin
  float aij11, aij21, aij12, aij22;           // membrane compliance entries
  float fstbug;                               // skin buckling force per unit width
};

// Passes of the effective-width iteration before it gives up.
inline constexpr int global_buckling_passes = 100;

struct GlobalBucklingResult {
  float load;      // global buckling load P
  bool converged;  // the effective width settled within global_buckling_passes
  int passes;      // passes run
};

GlobalBucklingResult global_buckling(const GlobalBucklingData& d);

// glbuck's codes besides 0.
inline constexpr std::int32_t glbuck_not_converged = 11;
inline constexpr std::int32_t glbuck_missing_value = 12;

// P on the listing. ier: 0; glbuck_not_converged (P printed all the same);
// glbuck_missing_value when skinth or stpitch (shared block glbuckcom) is not
// positive: a message naming it, nothing computed. Reads bb(1,1) only.
template <class V>
void glbuck(ArrayRef<const float, 2> bb, std::int32_t& ier, float fstbug);

// glbuck, returning the load it printed (none when a value was missing).
template <class V>
std::optional<GlobalBucklingResult> global_buckling_load(ArrayRef<const float, 2> bb, std::int32_t& ier,
                                                         float fstbug);

}  // namespace ruvo
