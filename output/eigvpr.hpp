#pragma once

#include <cstdint>

#include "model/array.hpp"

namespace ruvo {

// Eigenvectors x(1..m, 1..neiga) as a table on `unit`, six modes side by
// side, each block headed by its mode numbers. Needs neiga >= 1 and x with
// at least m rows and neiga columns; prints a message otherwise.
void eigvpr(std::int32_t unit, ArrayRef<const double, 2> x, std::int32_t m, std::int32_t neiga);

}  // namespace ruvo
