// Listing sections of the buckling solution: the statistics of the subspace
// iteration, the eigenvalue lines, and per eigenvalue the membrane forces at
// every node and the forces in the stiffeners.
#pragma once

#include <array>
#include <cstdint>

namespace ruvo {

// The statistics (ip, jac, the grown tolerance) and the "COMPUTED EIGENVALUES:" title.
void print_statistics(std::int32_t ip, std::int32_t jac, double eps);

// True when every node carries the variable and the constant forces of node 1
// (differences below negligible_force in each of Nx, Nxy, Ny).
template <class V>
bool uniform_load();

// One line per eigenvalue 1..neigrq: with the critical forces Nx, Nxy, Ny of
// node 1 under a uniform load, the bare eigenvalue otherwise.
template <class V>
void print_eigenvalues(std::int32_t neigrq, bool uniform);

// The forces a result keeps of a mode at load factor h: Nx, Nxy, Ny at the
// node whose forces the listing prints last in its first column (the last
// y-line, the first x-line of the last block of six; any node under a
// uniform load), the axial force of the last x-stiffener and of the first
// y-stiffener of the last block of six (0 without).
template <class V>
std::array<double, 5> result_forces(float h);

// The membrane forces at eigenvalue i (pvar·λ + pfest per node, by blocks of
// six x-lines) and the stiffener forces from the forces of node 1; sets
// membraneforces(i, 1..5) to result_forces at that eigenvalue.
template <class V>
void print_forces_at(std::int32_t i);

}  // namespace ruvo
