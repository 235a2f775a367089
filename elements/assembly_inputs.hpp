// The inputs of one analysis that the assemblies read besides the grid and
// its freedoms, as views: the analysis passes its shared blocks
// (shared_inputs), the sensitivities views over tables of their own, so no
// assembly depends on what a shared block happens to hold and no caller
// swaps a shared block to reuse one.
#pragma once

#include "model/blocks.hpp"

namespace ruvo {

// How an element reads the membrane forces of its nodes. The routines'
// reading: linear in x between the two nodes of its edge at the lower y,
// constant in y (the forces of an element row are those of its lower node
// line). The typed entry's: the forces of its first node (lowest x and y)
// throughout, constant both ways, so that a laminate band along y steps its
// forces at its edges as a band along x does. A stiffener segment reads the
// forces of its end nodes linearly either way.
enum class ForceReading { linear_in_x, per_element };

// The reading of the assemblies that take the shared blocks' inputs: the
// routines', except while a typed run holds a ScopedForceReading.
inline constinit ForceReading shared_force_reading = ForceReading::linear_in_x;

// Sets the shared reading for the life of the object (one analysis, under
// the engine lock), and the routines' again after it.
class ScopedForceReading {
public:
  explicit ScopedForceReading(ForceReading reading) { shared_force_reading = reading; }
  ~ScopedForceReading() { shared_force_reading = ForceReading::linear_in_x; }
  ScopedForceReading(const ScopedForceReading&) = delete;
  ScopedForceReading& operator=(const ScopedForceReading&) = delete;
};

template <class V>
struct AssemblyInputs {
  const F07dis<V>& stiffeners;                      // lines, EA ES EI GJ and mass per unit length
  const F01qua<V>& terms;                           // the element term lists
  const Array<float, V::p_nodes, 3>& fixed_forces;  // Nx, Nxy, Ny per node, not scaled by the load factor
  const Array<float, 3, 3>& compliance;             // the skin's membrane compliance
  float density;                                    // the skin's mass per unit area
  ForceReading forces;                              // how an element reads the forces of its nodes
};

// The inputs as the analysis holds them in the shared blocks.
template <class V>
AssemblyInputs<V> shared_inputs() {
  return {state::f07dis<V>(), state::f01qua<V>(), state::cpfest<V>().pfest, state::f07aij.aij,
          state::densit.dom, shared_force_reading};
}

}  // namespace ruvo
