// Routines of the result listing.
#include "model/variants.hpp"
#include "module/tables.hpp"
#include "output/eigvpr.hpp"
#include "output/prtout.hpp"
#include "output/prtvib.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> output_rows() {
  return {
      {"prtout",
       "bb f4(6,*), dd f4(6,*), bd f4(6,*), rr f4(6,*), dr f4(6,*), br f4(6,*), ss f4(3,*)", "",
       [](Call& c) {
         prtout<V>(c.array<float, 2>("bb"), c.array<float, 2>("dd"), c.array<float, 2>("bd"),
                   c.array<float, 2>("rr"), c.array<float, 2>("dr"), c.array<float, 2>("br"),
                   c.array<float, 2>("ss"));
       }},
      {"prtvib", "bb f4(6), dd f4(6), bd f4(6), rr f4(6), dr f4(6), br f4(6), ss f4(3)", "",
       [](Call& c) {
         prtvib<V>(c.array<float, 1>("bb"), c.array<float, 1>("dd"), c.array<float, 1>("bd"),
                   c.array<float, 1>("rr"), c.array<float, 1>("dr"), c.array<float, 1>("br"),
                   c.array<float, 1>("ss"));
       }},
  };
}
RUVO_INSTANTIATE_ROWS(output_rows)

std::vector<RoutineRow> output_utility_rows() {
  return {
      {"eigvpr", "unit i4, x f8(m,neiga), [m i4 = shape(x,0)], [neiga i4 = shape(x,1)]", "",
       [](Call& c) {
         const auto x = c.array<double, 2>("x");
         eigvpr(c.i4("unit"), ArrayRef<const double, 2>(x.data(), {x.extent(0), x.extent(1)}), c.i4("m"),
                c.i4("neiga"));
       }},
  };
}

}  // namespace ruvo::module
