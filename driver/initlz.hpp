#pragma once

namespace ruvo {

// Resets what every analysis must start without: the stiffener tables and
// masses, the skin mass, the subdivision lengths, the node numbers and the
// individually suppressed freedoms. Everything else keeps its value.
template <class V>
void initlz();

}  // namespace ruvo
