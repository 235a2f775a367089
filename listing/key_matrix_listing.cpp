#include "listing/key_matrix_listing.hpp"

#include <vector>

#include "io/listing.hpp"
#include "model/blocks.hpp"

namespace ruvo::listing {

template <class V>
void print_key_matrix(std::int32_t ix, std::int32_t iy) {
  static const io::Format heading(
      "(1H1//1X,'KEY MATRIX'/7X,'NO. OF FREEDOMS',33X,        'FOR THE DISPLACEMENT W :',I5/23X,'FOR THE ',  "
      "      'DISPLACEMENTS U,V AND THE ROTATIONS BETA,GAMMA :',I5//        1X,'NODE "
      "POINT',13X,'W',22X,'U',22X,'V',20X,'BETA',        19X,'GAMMA'/1X,'NODEX "
      "NODEY',5X,'W',3X,'WX',3X,'WY',3X,        'WXY',6X,'U',3X,'UX',3X,'UY',3X,'UXY',6X,'V',3X,'VX',3X,     "
      "   'VY',3X,'VXY',6X,'B',3X,'BX',3X,'BY',3X,'BXY',6X,'G',        3X,'GX',3X,'GY',3X,'GXY')");
  // W, BETA, GAMMA: the U and V columns stay blank. The typed entry's own
  // variant numbers up to 38 416 tangential freedoms in bands beyond 999:
  // its fields are one digit wider (the four variants keep theirs).
  constexpr bool wide = typed_only<V>;
  static const io::Format w_beta_gamma(wide ? "(1X,I3,3X,I3,5X,4(I5,1X),57X,4(I5,1X),3X,4(I5,1X))"
                                            : "(1X,I3,3X,I3,5X,4(I4,1X),49X,4(I4,1X),3X,4(I4,1X))");
  static const io::Format functions(wide ? "(1X,I3,3X,I3,5X,4(4(I5,1X),3X),4(I5,1X))"
                                         : "(1X,I3,3X,I3,5X,4(4(I4,1X),3X),4(I4,1X))");
  static const io::Format widths(wide ? "('0','  BANDWIDTHS IBDX=',I4,'    IBDY=',I5)"
                                      : "('0','  BANDWIDTHS IBDX=',I3,'    IBDY=',I3)");
  static const io::Format page("('1')");

  const auto& ina = state::f07ina<V>();
  const auto& lm = state::f07mat<V>().lm;
  const bool ku4 = ina.knfun == 3 && ina.ku(2) == 4;
  const std::vector<int> columns = ku4 ? std::vector<int>{1, 4, 5} : [&] {
    std::vector<int> all;
    for (int f = 1; f <= ina.knfun; ++f) all.push_back(f);
    return all;
  }();

  io::write_listing(heading, {ix, iy});
  std::vector<io::Value> values;
  for (int i = 1; i <= ina.my; ++i)
    for (int j = 1; j <= ina.mx; ++j) {
      const int n = ina.leit(i, j);
      values.assign({i, j});
      for (int f : columns)
        for (int d = 1; d <= 4; ++d) values.emplace_back(lm(f, d, n));
      io::write_listing(ku4 ? w_beta_gamma : functions, values);
    }
  io::write_listing(widths, {ina.ibdx, ina.ibdy});
  io::write_listing(page);
}

#define RUVO_INSTANTIATE(V) template void print_key_matrix<V>(std::int32_t, std::int32_t);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo::listing
