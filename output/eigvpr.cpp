#include "output/eigvpr.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

#include "io/units.hpp"
#include "listing/data_faults.hpp"
#include "listing/patched_format.hpp"
#include "model/data_checks.hpp"

namespace ruvo {

namespace {

DataFault table_fault(ArrayRef<const double, 2> x, std::int32_t m, std::int32_t neiga) {
  DataFault f;
  f.code = FaultCode::inconsistent;
  f.kind = FaultKind::outside;
  if (neiga < 1 || neiga > x.extent(1)) {
    f.name = "NEIGA";
    f.value = neiga;
    f.low = 1;
    f.high = x.extent(1);
  } else if (m > x.extent(0)) {
    f.kind = FaultKind::above;
    f.name = "M";
    f.value = m;
    f.high = x.extent(0);
  } else {
    return {};
  }
  return f;
}

}  // namespace

void eigvpr(std::int32_t unit, ArrayRef<const double, 2> x, std::int32_t m, std::int32_t neiga) {
  static listing::PatchedFormat<10, 4> form("(1H0,4X,'DOF',7X,6('EIGENMODE ',I2,5X)) ");
  static constexpr std::string_view forma[6] = {",1('", ",2('", ",3('", ",4('", ",5('", ",6('"};
  static const io::Format row("(1H ,I6,E21.7,5E17.7)");

  if (DataFault f = table_fault(x, m, neiga)) {
    listing::print_fault_on(unit, listing::Routine::eigvpr, f);
    return;
  }
  std::vector<io::Value> values;
  for (int ju = 1;; ju += 6) {
    const int jo = std::min(ju + 5, neiga), n = jo - ju + 1;
    values.clear();
    for (int j = ju; j <= jo; ++j) values.emplace_back(j);
    io::write(unit, form.patch(5, 1, forma[n - 1]).format(), values);
    for (int i = 1; i <= m; ++i) {
      values.assign({i});
      for (int j = ju; j <= jo; ++j) values.emplace_back(x(i, j));
      io::write(unit, row, values);
    }
    if (jo == neiga) return;
  }
}

}  // namespace ruvo
