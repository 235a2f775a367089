// The plot grid of the mode-shape file and its first block, the contour of
// the panel. The grid covers the panel and, about a symmetry edge (codes of
// plotin: +-1 the far edge, +-2 the near edge), its mirror image:
//   [0, lx] without symmetry, [0, 2 lx] for +-1, [-lx, lx] for +-2.
#pragma once

#include <cstdint>

namespace ruvo {

// npx, npy made even, at most 80 and at least 2 (stored back); the plot
// lengths lx, ly, steps dx, dy and coordinates xplt, yplt of plotfls.
// Needs mx, my at most p_rtnds.
template <class V>
void pltmsh();

// cntr(i,j): the height of the shallow mid-surface, 0.5 (b11 x^2 + b12 x y +
// b22 y^2) with the curvatures of f01eps, above its least-squares plane
// through the four corners of the plot area; then rewinds the mode-shape
// file and writes the contour block. Needs npx, npy within 0..80.
void cntour();

// An even count of plot intervals within 2..80, from the count asked for.
std::int32_t plot_intervals(std::int32_t asked);

}  // namespace ruvo
