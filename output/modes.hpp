// The normal displacement W of the selected eigenmodes on the plot grid,
// one block per mode appended to the mode-shape file (output/mode_file.hpp).
#pragma once

#include <cstdint>

namespace ruvo {

// For m = 1..nmod, mode n = mdsplt(m) of the eigenvectors x of vectrs:
// W at the plot points that cover the panel, scaled so that its largest
// absolute value is scal, mirrored about the symmetry edges (isymx, isymy)
// and written as one block. Runs after pltmsh.
// ier: 0 success; 1 or 2 the code of iuoriv or phi (blocks of earlier modes
// stay in the file); 3 nmod outside 0..p_ngrq, an mdsplt(1..nmod) outside
// 1..p_ngit or isymx, isymy outside -2..2, refused before anything is written.
// Needs npx, npy within 0..80 and a key matrix within the variant's bounds.
template <class V>
void modes(std::int32_t& ier);

}  // namespace ruvo
