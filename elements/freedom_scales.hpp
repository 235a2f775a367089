// The global freedom scales of the assembly (shared block f07pd): stored
// slope freedoms are the physical slopes divided by sa = pi/lx, sb = pi/ly.
#pragma once

namespace ruvo {

// sa, sb from the panel lengths, fa = cos(x - y) of the grid angles, b1(r,c) = gy(r)·gx(c)
// with gx = (1, sa, 1, sa), gy = (1, sb, 1, sb). Needs a checked grid.
template <class V>
void set_freedom_scales();

}  // namespace ruvo
