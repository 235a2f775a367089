// Stiffness of the stringers (x-stiffeners, on y-lines) and frames
// (y-stiffeners, on x-lines), added segment by segment to the skin blocks.
// Each needs ku to start with W, U, V (ier 1 otherwise) and reads the
// stiffener tables `dis` it is given.
#pragma once

#include <cstdint>
#include <span>

#include "model/blocks.hpp"

namespace ruvo {

// A11 (level vector lvtri). ier: 0; 1 ku; 2 freedom lookup.
template <class V>
void a11xst(std::span<double> a11, const F07dis<V>& dis, std::int32_t& ier);
template <class V>
void a11yst(std::span<double> a11, const F07dis<V>& dis, std::int32_t& ier);

// A21 (rows tangential, columns W). ier: 0; 1 ku; 2 W lookup; 3 U/V lookup or direction.
// tops, bottoms: as for scatter_coupling.
template <class V>
void a21ast(char xory, ArrayRef<double, 2> a21, const F07dis<V>& dis, std::int32_t& ier,
            std::int32_t* tops = nullptr, std::int32_t* bottoms = nullptr);

// A22 (level vector lva22). ier: 0; 1 ku; 2 lookup; 3 direction.
template <class V>
void a22ast(char xory, std::span<double> a22, const F07dis<V>& dis, std::int32_t& ier);

}  // namespace ruvo
