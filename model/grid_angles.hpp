// The angles of obliqueness in radians, as the element routines use them:
// converted where they are read from the block f07ang, which keeps them as
// given, in degrees (the data echo prints them and changes nothing).
#pragma once

#include "model/blocks.hpp"
#include "model/pi.hpp"

namespace ruvo {

struct GridAngles {  // radians: x' against x, y' against y
  float x, y;
};

// Degrees to radians in 32 bits, product first.
inline float radians_from_degrees(float degrees) { return (degrees * pi) / 180.0f; }

// The grid's angles of the block f07ang.
inline GridAngles grid_angles() {
  return {radians_from_degrees(state::f07ang.alfax), radians_from_degrees(state::f07ang.alfay)};
}

}  // namespace ruvo
