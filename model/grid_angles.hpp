// The angles of obliqueness in radians, as the element routines use them.
// The listing's block f07ang keeps the angles as given, in degrees, until a
// data echo converts it in place (every echo converts again); the element
// routines read this copy instead, set once when the angles are stored, so
// that they see the same angles whether an echo ran before them or not.
#pragma once

#include "model/pi.hpp"

namespace ruvo {

struct GridAngles {  // radians: x' against x, y' against y
  float x, y;
};

// Degrees to radians in 32 bits, product first, as the data echo converts.
inline float radians_from_degrees(float degrees) { return (degrees * pi) / 180.0f; }

namespace state {
inline constinit GridAngles grid_angles{};
}  // namespace state

}  // namespace ruvo
