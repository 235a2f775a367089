// Routines of the result listing and the mode-shape file. The checks refuse
// plot counts beyond the plot arrays and a grid or key matrix that modes
// would index outside; the routines' own failures go to ier and the listing.
#include <string>
#include <utility>

#include "elements/assembly_checks.hpp"
#include "model/blocks.hpp"
#include "model/variants.hpp"
#include "module/row_call.hpp"
#include "module/tables.hpp"
#include "output/eigvpr.hpp"
#include "output/lqfit.hpp"
#include "output/modes.hpp"
#include "output/plot_grid.hpp"
#include "output/prtout.hpp"
#include "output/prtvib.hpp"

namespace ruvo::module {

namespace {

std::string outside(const char* item, std::int64_t value, std::int64_t low, std::int64_t high) {
  return std::string(item) + " = " + std::to_string(value) + " is not within " + std::to_string(low) + ".." +
         std::to_string(high);
}

// npx, npy of plotin within the 81 points of the plot arrays.
std::string plot_count_fault() {
  const auto& plot = state::plotin;
  if (plot.npx < 0 || plot.npx > 80) return outside("NPX", plot.npx, 0, 80);
  if (plot.npy < 0 || plot.npy > 80) return outside("NPY", plot.npy, 0, 80);
  return {};
}

// The subdivision lengths summed by pltmsh lie within a(1..p_rtnds-1).
template <class V>
std::string line_count_fault() {
  const auto& ina = state::f07ina<V>();
  for (auto [name, lines] : {std::pair{"MX", ina.mx}, std::pair{"MY", ina.my}})
    if (lines < 1 || lines > V::p_rtnds) return outside(name, lines, 1, V::p_rtnds);
  return {};
}

template <class V>
std::string modes_fault() {
  if (std::string why = elements::freedom_fault<V>(); !why.empty()) return why;
  return plot_count_fault();
}

}  // namespace

template <class V>
std::vector<RoutineRow> output_rows() {
  return {
      RUVO_ROW("prtout", "bb f4(6,*), dd f4(6,*), bd f4(6,*), rr f4(6,*), dr f4(6,*), br f4(6,*), ss f4(3,*)",
               "",
               [](Args& c) {
                 prtout<V>(c.array<float, 2>("bb"), c.array<float, 2>("dd"), c.array<float, 2>("bd"),
                           c.array<float, 2>("rr"), c.array<float, 2>("dr"), c.array<float, 2>("br"),
                           c.array<float, 2>("ss"));
               }),
      RUVO_ROW("prtvib", "bb f4(6), dd f4(6), bd f4(6), rr f4(6), dr f4(6), br f4(6), ss f4(3)", "",
               [](Args& c) {
                 prtvib<V>(c.array<float, 1>("bb"), c.array<float, 1>("dd"), c.array<float, 1>("bd"),
                           c.array<float, 1>("rr"), c.array<float, 1>("dr"), c.array<float, 1>("br"),
                           c.array<float, 1>("ss"));
               }),
      RUVO_ROW(
          "pltmsh", "", "", [](Args&) { pltmsh<V>(); }, [](Args&) { return line_count_fault<V>(); }),
      RUVO_ROW(
          "cntour", "", "", [](Args&) { cntour(); }, [](Args&) { return plot_count_fault(); }),
      RUVO_ROW(
          "modes", "ier i4", "", [](Args& c) { modes<V>(c.i4("ier")); },
          [](Args&) { return modes_fault<V>(); }),
  };
}
RUVO_INSTANTIATE_ROWS(output_rows)

std::vector<RoutineRow> output_utility_rows() {
  return {
      RUVO_ROW("eigvpr", "unit i4, x f8(m,neiga), [m i4 = shape(x,0)], [neiga i4 = shape(x,1)]", "",
               [](Args& c) {
                 const auto x = c.array<double, 2>("x");
                 eigvpr(c.i4("unit"), ArrayRef<const double, 2>(x.data(), {x.extent(0), x.extent(1)}),
                        c.i4("m"), c.i4("neiga"));
               }),
      RUVO_ROW(
          "lqfit", "phi f8(m,*), ij i4, k i4, epss f8(*), ak f8(*), [m i4 = shape(phi,0)]", "",
          [](Args& c) {
            lqfit(c.array<double, 2>("phi"), c.i4("ij"), c.i4("k"), c.span<const double>("epss"),
                  c.span<double>("ak"));
          },
          [](Args& c) {
            return lqfit_fault(c.extent("phi", 0), c.extent("phi", 1), c.i4("ij"), c.i4("k"), c.size("epss"),
                               c.size("ak"));
          }),
  };
}

}  // namespace ruvo::module
