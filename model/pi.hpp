// π in the single precision that the records and the analysis use, and its
// square as the single-precision product of that value (9.869605, one unit
// in the last place above π² rounded), as the analysis has always formed it.
#pragma once

namespace ruvo {

inline constexpr float pi = 3.1415927f;
inline constexpr float pi_squared = pi * pi;
static_assert(pi_squared == 9.869605f);

}  // namespace ruvo
