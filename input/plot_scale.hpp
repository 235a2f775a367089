// The plot scale scal of plotin: the equivalent skin thickness times the
// factor the host sets in scal (1.0 unless it assigned one). The data input
// stores the product in scal, so the next analysis must tell the factor
// apart from what an earlier analysis stored there.
#pragma once

namespace ruvo {

// scal := thickness * factor, where the factor is the one the last call
// used when scal still holds what that call stored, and scal itself when
// the host has assigned it since. A thickness that is not positive and
// finite leaves scal at the factor, with a warning on the listing.
void scale_plot_to_thickness(float thickness);

}  // namespace ruvo
