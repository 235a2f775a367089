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
};

// The inputs as the analysis holds them in the shared blocks.
template <class V>
AssemblyInputs<V> shared_inputs() {
  return {state::f07dis<V>(), state::f01qua<V>(), state::cpfest<V>().pfest,
          NodeCompliance(state::f07aij.aij, state::element_compliances), state::densit.dom};
}

}  // namespace ruvo
