// Checks of what the element assemblies index, for calls from the host:
// the grid and its node numbers, the equation numbers of the key matrix,
// the term lists, the stiffener counts and the profile arrays passed. Each
// returns why a routine cannot run as given, or an empty text. The analysis
// itself builds a consistent model and never needs them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ruvo::elements {

// mx, my within 1..p_rtnds and leit(1..my, 1..mx) within 1..p_nodes.
template <class V>
std::string grid_fault();
// ... and knfun, ku within range, ix within 0..p_nx, iy within 0..p_ny, and
// the equation numbers of every function the freedom set carries within
// 0..ix (W) or 0..iy (the others).
template <class V>
std::string freedom_fault();
// ... and the term counts and derivative codes of every element.
template <class V>
std::string term_fault();
// keps of the strain table all derivative codes the integrals hold.
std::string strain_table_fault();
// nox, noy within 0..p_stf and the stiffener lines on the grid.
template <class V>
std::string stiffener_fault();

// A profile of order n in `a` through level vector `lv`: lv holds n entries,
// each lv(r) >= 0 and lv(r) + r within a.
std::string profile_fault(std::string_view a_name, std::size_t a_size, std::string_view lv_name,
                          std::span<const std::int32_t> lv, std::int64_t n);

}  // namespace ruvo::elements
