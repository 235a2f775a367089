// The magnitudes below which the engine takes a value as zero, named by what
// they decide; each is defined here once. (The Cholesky pivot's bound is
// kernels::pivot_threshold, next to the factorisation.)
#pragma once

namespace ruvo {

// A stiffener's term (EA, ES, EI, GJ times its curvature factors) or mass
// per unit length below this adds nothing and is skipped.
inline constexpr double negligible_stiffener_term = 1.0e-30;

// An element term's coefficient times the area scale fa below this is
// skipped by the skin assemblies.
inline constexpr float negligible_skin_term = 1.0e-20f;

// A membrane force per unit length (Nx, Nxy or Ny), or the difference of
// two, below this counts as none: no fixed forces to assemble, a field the
// same at every node.
inline constexpr float negligible_force = 1.0e-20f;

// A diagonal entry of the stiffness below this, or this small beside the
// load's, ranks its freedom first as a start vector of the subspace iteration.
inline constexpr double negligible_diagonal = 1.0e-20;

// A Jacobi rotation's θ below this is taken as zero: the rotation by 45°.
inline constexpr double negligible_rotation = 1.0e-30;

// A vector whose norm is below this is dependent on the ones before it.
inline constexpr double negligible_norm = 1.0e-30;

}  // namespace ruvo
