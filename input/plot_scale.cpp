#include "input/plot_scale.hpp"

#include <cmath>

#include "listing/rddata_listing.hpp"
#include "model/blocks.hpp"

namespace ruvo {

namespace {

// What the last analysis stored in scal, and the host's factor it came from.
struct StoredScale {
  float scal = 1.0f;
  float factor = 1.0f;
};
StoredScale last_stored;

}  // namespace

void scale_plot_to_thickness(float thickness) {
  float& scal = state::plotin.scal;
  const float factor = scal == last_stored.scal ? last_stored.factor : scal;
  if (thickness > 0.0f && std::isfinite(thickness)) {
    scal = thickness * factor;
  } else {
    scal = factor;
    listing::print_thickness_not_usable(thickness, factor);
  }
  last_stored = {scal, factor};
}

}  // namespace ruvo
