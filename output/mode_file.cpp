#include "output/mode_file.hpp"

#include <vector>

#include "io/units.hpp"
#include "model/blocks.hpp"

namespace ruvo {

namespace {

bool lines_over_x() { return state::plotin.npy <= state::plotin.npx; }

}  // namespace

std::string_view line_direction() { return lines_over_x() ? "X" : "Y"; }

void write_value_lines(ArrayRef<const float, 2> values) {
  static const io::Format record_format("(1X,82(E12.4,' '))");
  const auto& plot = state::plotin;
  const auto& fls = state::plotfls;
  const bool over_x = lines_over_x();
  const int lines = (over_x ? plot.npx : plot.npy) + 1, points = (over_x ? plot.npy : plot.npx) + 1;
  const auto& line_at = over_x ? fls.xplt : fls.yplt;
  const auto& point_at = over_x ? fls.yplt : fls.xplt;

  std::vector<io::Value> record{0.0f};
  for (int p = 1; p <= points; ++p) record.emplace_back(point_at(p));
  io::write(mode_file_unit, record_format, record);
  for (int l = 1; l <= lines; ++l) {
    record.assign({line_at(l)});
    for (int p = 1; p <= points; ++p) record.emplace_back(over_x ? values(l, p) : values(p, l));
    io::write(mode_file_unit, record_format, record);
  }
}

}  // namespace ruvo
