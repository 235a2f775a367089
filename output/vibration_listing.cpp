#include "output/vibration_listing.hpp"

#include <vector>

#include "io/listing.hpp"

namespace ruvo {

void print_vibration_statistics(std::int32_t ip, std::int32_t jac, double eps) {
  static const io::Format statistics(
      "(1H1,' STATISTICS OF INVERSE POWER METHOD:'//,       5X,'IP=',I3,', JAC =',I3/,       5X,'MAXIMUM "
      "CONTAMINATION OF HIGHER EIGENVECTORS BY LOWER',       ' ONES: EPSILN =',D12.4)");
  io::write_listing(statistics, {ip, jac, eps});
}

void print_frequencies(std::span<const double> elam, std::span<const double> herz) {
  static const io::Format table(
      "(///2H0 ,       'COMPUTED EIGENVALUES :'///       (1H ,7X,' EIGENVALUE',I3,':',D14.6,' =',D14.6,' "
      "HZ'))");
  std::vector<io::Value> list;
  for (std::size_t i = 0; i < elam.size(); ++i) {
    list.emplace_back(int(i + 1));
    list.emplace_back(elam[i]);
    list.emplace_back(herz[i]);
  }
  io::write_listing(table, list);
}

}  // namespace ruvo
