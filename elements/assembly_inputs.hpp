// The inputs of one analysis that the assemblies read besides the grid and
// its freedoms, as views: the analysis passes its shared blocks
// (shared_inputs), the sensitivities views over tables of their own, so no
// assembly depends on what a shared block happens to hold and no caller
// swaps a shared block to reuse one.
#pragma once

#include "model/blocks.hpp"

namespace ruvo {

template <class V>
struct AssemblyInputs {
  const F07dis<V>& stiffeners;                      // lines, EA ES EI GJ and mass per unit length
  const F01qua<V>& terms;                           // the element term lists
  const Array<float, V::p_nodes, 3>& fixed_forces;  // Nx, Nxy, Ny per node, not scaled by the load factor
  const Array<float, 3, 3>& compliance;             // the skin's membrane compliance
  float density;                                    // the skin's mass per unit area
};

// The inputs as the analysis holds them in the shared blocks.
template <class V>
AssemblyInputs<V> shared_inputs() {
  return {state::f07dis<V>(), state::f01qua<V>(), state::cpfest<V>().pfest, state::f07aij.aij,
          state::densit.dom};
}

}  // namespace ruvo
