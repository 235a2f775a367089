// Least-squares fit by modified Gram-Schmidt: the coefficients c that
// minimise sum over r = 1..k of (epss(r) - sum over j of phi(r,j) c(j))^2.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/array.hpp"

namespace ruvo {

// Kernel. Orthonormalises columns 1..ij of phi over rows 1..k in place and
// fills the upper triangle of rtri (ij x ij) with the factors; returns the
// columns found dependent (norm below negligible_norm), which keep rtri(l,l) = 1 and
// are not normalised. Needs phi of at least k rows and ij columns.
std::vector<int> orthonormalise(ArrayRef<double, 2> phi, int ij, int k, ArrayRef<double, 2> rtri);

// Kernel. ak = -c from the orthonormalised columns and their factors.
void negated_coefficients(ArrayRef<const double, 2> phi, int ij, int k, std::span<const double> epss,
                          ArrayRef<const double, 2> rtri, std::span<double> ak);

// lqfit(phi, ij, k, m, epss, ak), the leading dimension m being phi's first
// extent: ak(1..ij) = -c; phi left orthonormalised. A dependent column is
// reported on standard output and the fit goes on.
void lqfit(ArrayRef<double, 2> phi, std::int32_t ij, std::int32_t k, std::span<const double> epss,
           std::span<double> ak);

// Why a host call cannot run as given (arrays too small for ij and k), or "".
std::string lqfit_fault(std::int64_t rows, std::int64_t columns, std::int32_t ij, std::int32_t k,
                        std::int64_t epss_size, std::int64_t ak_size);

}  // namespace ruvo
