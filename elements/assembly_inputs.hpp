// The inputs of one analysis that the assemblies read besides the grid and
// its freedoms, as views: the analysis passes its shared blocks
// (shared_inputs), the sensitivities views over tables of their own, so no
// assembly depends on what a shared block happens to hold and no caller
// swaps a shared block to reuse one.
#pragma once

#include <algorithm>
#include <vector>

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

// The membrane compliance of every element, y-rows inner, where elements
// carry laminates of their own (empty otherwise).
struct ElementCompliances {
  std::vector<Array<float, 3, 3>> of_element;
  int rows = 0, columns = 0;  // element rows along y, columns along x
};

namespace state {
inline ElementCompliances element_compliances;
}

// The membrane compliance under a node, for a stiffener's strain there: the
// skin's, or, where elements carry laminates of their own, that of the
// element starting at the node (on the last lines: of the last elements),
// the laminate whose share of the loads the node's forces hold. The strain
// along a pad-up band is then the band's, which its scaled forces give.
class NodeCompliance {
 public:
  NodeCompliance(const Array<float, 3, 3>& skin) : skin_(skin) {}  // NOLINT: one compliance for every node
  NodeCompliance(const Array<float, 3, 3>& skin, const ElementCompliances& elements)
      : skin_(skin), elements_(elements.of_element.empty() ? nullptr : &elements) {}

  // At the node on y-line `y_line` and x-line `x_line`.
  const Array<float, 3, 3>& at(int y_line, int x_line) const {
    if (!elements_) return skin_;
    const int i = std::min(y_line, elements_->rows), j = std::min(x_line, elements_->columns);
    return elements_->of_element[std::size_t((j - 1) * elements_->rows + i - 1)];
  }

 private:
  const Array<float, 3, 3>& skin_;
  const ElementCompliances* elements_ = nullptr;
};

template <class V>
struct AssemblyInputs {
  const F07dis<V>& stiffeners;                      // lines, EA ES EI GJ and mass per unit length
  const F01qua<V>& terms;                           // the element term lists
  const Array<float, V::p_nodes, 3>& fixed_forces;  // Nx, Nxy, Ny per node, not scaled by the load factor
  NodeCompliance compliance;                        // the membrane compliance under each node
  float density;                                    // the skin's mass per unit area
  ForceReading forces;                              // how an element reads the forces of its nodes
};

// The inputs as the analysis holds them in the shared blocks.
template <class V>
AssemblyInputs<V> shared_inputs() {
  return {state::f07dis<V>(), state::f01qua<V>(), state::cpfest<V>().pfest,
          NodeCompliance(state::f07aij.aij, state::element_compliances), state::densit.dom,
          shared_force_reading};
}

}  // namespace ruvo
