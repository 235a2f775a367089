// Term lists of the element stiffness (shared block f01qua): per element,
// term t stands for fquad(t) times the integral of the product of its two
// coded derivatives kquad(t,1), kquad(t,2) (function*100 + x-order*10 +
// y-order); kquad(t,3) is the function pair. Entries beyond ikt are zero.
#pragma once

#include <cstdint>
#include <span>

namespace ruvo {

// One element's list: coefficients and the three code columns, each
// holding at least n entries.
struct TermList {
  std::span<float> coefficient;
  std::span<std::int32_t> code[3];
};

// Merges terms with the same two factors (in either order) into the earlier
// one, single pass per term: after a merge, the term that moves into the
// freed place is not compared in the same pass. Vacated places are zeroed.
// Returns the new number of terms.
int merge_equal_terms(const TermList& list, int n);

// Merges the terms of every element of the grid; leaves the lists as they
// are after a message when a term count is out of range.
template <class V>
void redfkq();

}  // namespace ruvo
