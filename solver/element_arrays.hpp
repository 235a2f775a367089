// The per-element arrays of an analysis: the laminate blocks of every
// element and the constitutive matrices the element terms are made from.
#pragma once

#include <cstddef>
#include <vector>

#include "model/array.hpp"

namespace ruvo {

// The per-element arrays, one column per element, row blocks of one
// store: bb, dd, bd, rr, dr, br of six rows, then ss, c and ch.
template <class V>
struct ElementArrays {
  static constexpr int six_rows = 6, ss_rows = 3, c_rows = 45, ch_rows = 3;
  static constexpr int ss_first = 6 * six_rows, c_first = ss_first + ss_rows, ch_first = c_first + c_rows,
                       rows = ch_first + ch_rows;
  std::vector<float> store = std::vector<float>(std::size_t(V::p_elmts) * rows);
  // `count` rows from row `first` (0-based) of the store.
  ArrayRef<float, 2> rows_from(int first, int count) {
    return {store.data() + std::size_t(first) * V::p_elmts, {count, V::p_elmts}};
  }
  ArrayRef<float, 2> six(int k) { return rows_from(k * six_rows, six_rows); }
  ArrayRef<float, 2> bb = six(0), dd = six(1), bd = six(2), rr = six(3), dr = six(4), br = six(5);
  ArrayRef<float, 2> ss = rows_from(ss_first, ss_rows), c = rows_from(c_first, c_rows),
                     ch = rows_from(ch_first, ch_rows);
};

}  // namespace ruvo
