// The requested analysis types: read from the namelist input, printed at the
// head of the listing, and checked (exactly one of buckling and vibration).
#pragma once

#include <cstdint>

namespace ruvo {

// Reads groups "title" and "antype" from unit `nread`, going on from where
// the unit stands. ier: 0, 1 title group missing or malformed, 2 analysis-type
// group missing or malformed.
void rdtype(std::int32_t& ier);

// Title and requested analysis types on the listing.
void prtype();

// ier: 0 acceptable, 1 neither buckling nor vibration, 2 both.
void cktype(std::int32_t& ier);

}  // namespace ruvo
