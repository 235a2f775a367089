// Geometric stiffness over the W equations of a membrane force field
// pmem(p_nodes, 3) = (Nx, Nxy, Ny) per node: skin and stiffeners, times fakt,
// added to the profile matrix bmt with level vector lv (never cleared). The
// stiffeners carry EA times the skin's strain along them, from the
// compliance of the inputs.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

#include "elements/assembly_inputs.hpp"
#include "elements/shape_functions.hpp"
#include "elements/term_integration.hpp"
#include "model/array.hpp"
#include "model/blocks.hpp"

namespace ruvo {

// ier codes of cmpbmt (0 success).
namespace cmpbmt_code {
inline constexpr std::int32_t lookup = 1;  // freedoms of an element
inline constexpr std::int32_t x_stiffeners = 2;
inline constexpr std::int32_t y_stiffeners = 3;
}  // namespace cmpbmt_code

namespace elements {

// The force components of the membrane field: column of pmem, derivative
// orders (x, y) of the two W factors and the multiple of fakt.
struct ForceComponent {
  int column, t1, u1, t2, u2;
  double factor;
};
inline constexpr ForceComponent force_components[3] = {
    {1, 1, 0, 1, 0, 1.0},  // Nx:  W,x W,x
    {2, 1, 0, 0, 1, 2.0},  // Nxy: W,x W,y, both orders
    {3, 0, 1, 0, 1, 1.0},  // Ny:  W,y W,y
};

// Calls visit(i, j, kpq, f, sx, sy) for the skin's block of every force
// component on every element (y-row i, x-column j; component by component)
// whose forces are not negligible: element_block(f, sx, sy, b1, a, b, 1) over
// the W freedoms kpq. False when an element's freedoms cannot be looked up.
template <class V, class Visit>
bool for_each_force_block(ArrayRef<const float, 2> pmem, float fakt, ForceReading reading, Visit&& visit) {
  const auto& ina = state::f07ina<V>();
  const auto& s1 = state::f07in1.s1;
  const auto& s2 = state::f07in2.s2;
  for (const ForceComponent& k : force_components) {
    const double f = state::f07pd.fa * (k.factor * fakt);
    Integrals sy;
    plain_integrals(s1, s2, k.u1, k.u2, sy);
    for (int i = 1; i <= ina.my - 1; ++i)
      for (int j = 1; j <= ina.mx - 1; ++j) {
        ElementFreedoms kpq;
        std::int32_t err = 0;
        iuoriv<V>(i, j, 1, kpq, err);
        if (err != 0) return false;
        const double e = per_length(per_length(1.0, ina.b(i), k.u1 + k.u2 - 1), ina.a(j), k.t1 + k.t2 - 1);
        // The force varies linearly in x along the element's lower edge and not in y,
        // or is its first node's throughout.
        const double fm1 = pmem(ina.leit(i, j), k.column) * e;
        const double fm2 =
            reading == ForceReading::per_element ? fm1 : pmem(ina.leit(i, j + 1), k.column) * e;
        if (std::abs(fm1) < 1.0e-25 && std::abs(fm2) < 1.0e-25) continue;
        Integrals sx;
        weighted_integrals(s1, s2, k.t1, k.t2, fm1, fm2, sx);
        visit(i, j, kpq, f, sx, sy);
      }
  }
  return true;
}

}  // namespace elements

// ier: 0; 1 freedom lookup; 2 / 3 x- / y-stiffeners.
template <class V>
void cmpbmt(std::span<double> bmt, std::span<const std::int32_t> lv, ArrayRef<const float, 2> pmem,
            float fakt, const AssemblyInputs<V>& in, std::int32_t& ier);

// The stiffeners of direction xory of the tables `dis`, the skin's strain
// from `compliance`; leaves the axial forces of the last segment in pax
// (shared block test). ier: 0; 1 direction; 2 lookup.
template <class V>
void bmatst(char xory, std::span<double> bmt, std::span<const std::int32_t> lv, ArrayRef<const float, 2> pmem,
            float fakt, const F07dis<V>& dis, const NodeCompliance& compliance, std::int32_t& ier);

}  // namespace ruvo
