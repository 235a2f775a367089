// Element stiffness terms: the constitutive matrices of every element in the
// grid's coordinates (c and ch, stored as elements/constitutive_column.hpp
// draws them), and their expansion into the element term lists. Input
// blocks are packed (1,1),(1,2),(2,2),(1,3),(2,3),(3,3), as a laminate
// column holds them (model/laminate_column.hpp).
#pragma once

#include <cstdint>
#include <string>

#include "model/blocks.hpp"

namespace ruvo {

// Number of elements of the grid, (mx-1)(my-1), no fewer than 0.
template <class V>
int element_count();

// c, ch and the curvature entries of the strain table for a rectangular or
// skewed grid. ier 1 (message, c zero) for a degenerate skew.
template <class V>
void tfmstf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
            ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
            ArrayRef<float, 2> ss, std::int32_t& ier);

// c and ch of every element of a rectangular grid: the blocks as they stand.
template <class V>
void f01ktf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
            ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
            ArrayRef<float, 2> ss);

// The skew transformation of the grid's angles in radians (grid_angles()
// x, y), cp = x - y: trm(6,6) maps a packed block X to T X T^T packed by
// columns of its lower triangle; ch = S ss S^T for every element (S the 2 x 2
// map whose tensor square is T); rx, ry, rxy (inverse radii) are turned into
// the grid's directions in place.
template <class V>
void tminc(float cp, ArrayRef<float, 2> trm, ArrayRef<float, 2> ch, float& rx, float& ry, float& rxy,
           ArrayRef<float, 2> ss);

// Block ielm of bb transformed by trm and written into column ielm of c from
// position k on (ks as in the table above): its lower triangle when d
// (diagonal block), the full symmetric 3 x 3 otherwise.
void tczinc(ArrayRef<float, 2> trm, ArrayRef<float, 2> c, ArrayRef<float, 2> bb, bool d, std::int32_t k,
            std::int32_t ks, std::int32_t ielm);

// The skewed path of tfmstf after its degeneracy test: tminc, the curvature
// entries of the strain table, and the six blocks of every element.
template <class V>
void skewed_terms(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, ArrayRef<float, 2> bb, ArrayRef<float, 2> dd,
                  ArrayRef<float, 2> bd, ArrayRef<float, 2> rr, ArrayRef<float, 2> dr, ArrayRef<float, 2> br,
                  ArrayRef<float, 2> ss, float rxt, float ryt, float rxyt);

// The term lists q (ikt, fquad, kquad) of every element from c and ch, the
// full quadratic form strain^T C strain over the strain table feps/keps
// (shared block f01eps). When an element would exceed p_itrm terms (a
// strain table changed by the host), a message goes to the listing and
// standard output and every term list of the grid is emptied.
template <class V>
void f01kbf(ArrayRef<float, 2> c, ArrayRef<float, 2> ch, F01qua<V>& q);

// Checks of a direct call (empty text when it may run): the grid lines that
// bound the element loop within 0..p_rtnds; the term lists within p_itrm;
// the positions tczinc writes within 1..45 and its element within the array.
template <class V>
std::string element_loop_fault();
template <class V>
std::string term_list_fault(ArrayRef<float, 2> c, ArrayRef<float, 2> ch);
std::string block_placement_fault(bool d, std::int32_t k, std::int32_t ks, std::int32_t ielm,
                                  std::int64_t elements);

}  // namespace ruvo
