#include "elements/shape_functions.hpp"

#include <algorithm>

#include "elements/message.hpp"
#include "model/blocks.hpp"

namespace ruvo {

void phi(std::int32_t i, float z, float& val, std::int32_t& ier) {
  constexpr float ep = 1.0e-5f;
  if (z < -ep || z > 1.0f + ep) {
    ier = 1;
    return;
  }
  ier = 0;
  switch (i) {
    case 1: val = 1.0f + (2.0f * z - 3.0f) * (z * z); break;
    case 2: val = z * ((z - 2.0f) * z + 1.0f); break;
    case 3: val = (z * z) * (3.0f - 2.0f * z); break;
    case 4: val = (z * z) * (z - 1.0f); break;
    default: ier = 2;
  }
}

template <class V>
bool carries_function(std::int32_t ifun) {
  const auto& ina = state::f07ina<V>();
  if (ifun == 1) return true;
  for (int k = 1; k <= std::clamp(ina.knfun, 0, 5); ++k)
    if (ina.ku(k) == ifun) return true;
  return false;
}

namespace {

// The functions iuoriv looks up: any with all five carried, W, BETA and
// GAMMA with (1,4,5), and W, U, V with any three, so that a lookup of U or
// V under (1,4,5) returns the never-numbered markers of the key matrix.
template <class V>
bool iuoriv_accepts(std::int32_t ifun) {
  const auto& ina = state::f07ina<V>();
  if (ifun < 1 || ifun > 5) return false;
  const bool rotations_only = ina.knfun == 3 && ina.ku(2) == 4;  // (1,4,5)
  return ina.knfun == 5 || ifun == 1 || (rotations_only && ifun > 3) || (ina.knfun == 3 && ifun <= 3);
}

}  // namespace

template <class V>
void iuoriv(std::int32_t i, std::int32_t j, std::int32_t ifun, ElementFreedoms& iu, std::int32_t& ier) {
  static const io::Format message(
      "(/' MESSAGE FROM SUBROUTINE IUORIV: INCONSISTENT ARGUMENT',       /' WRONG FUNCTION INDEX, OR "
      "SUBDIVISION OUT OF RANGE')");
  const auto& ina = state::f07ina<V>();
  ier = 0;
  if (i < 1 || i > ina.my - 1 || j < 1 || j > ina.mx - 1) {
    io::write_listing(message);
    ier = 1;
    return;
  }
  if (!iuoriv_accepts<V>(ifun)) {
    iu = {};
    ier = 2;
    return;
  }
  const auto& lm = state::f07mat<V>().lm;
  // Corner nodes in the order of the rows of iu: (i,j), (i,j+1) on rows 1-2, (i+1,..) on rows 3-4.
  for (int lower = 0; lower < 2; ++lower)
    for (int right = 0; right < 2; ++right) {
      const int n = ina.leit(i + lower, j + right);
      const int r = 1 + 2 * lower, c = 1 + 2 * right;
      iu(r, c) = lm(ifun, 1, n);
      iu(r, c + 1) = lm(ifun, 2, n);
      iu(r + 1, c) = lm(ifun, 3, n);
      iu(r + 1, c + 1) = lm(ifun, 4, n);
    }
}

template <class V>
void kuorkv(char xory, std::int32_t ii, std::int32_t jj, std::int32_t ifun, SegmentFreedoms& kv,
            std::int32_t& ier) {
  static const io::Format heading("(/' MESSAGE FROM SUBROUTINE KUORKV:')");
  static const io::Format direction("(' FIRST ARGUMENT NEITHER ''X'' NOR ''Y'' ')");
  static const io::Format position(
      "(' SECOND AND THIRD ARGUMENT SPECIFY WRONG NODE',2I4,       'STIFFENER DIRECTION IS ',A1)");
  const auto& ina = state::f07ina<V>();
  ier = 0;
  if (xory != 'X' && xory != 'Y') {
    elements::write_message(heading, direction);
    ier = 1;
    return;
  }
  const bool along_x = xory == 'X';
  const int lines = along_x ? ina.my : ina.mx, segments = (along_x ? ina.mx : ina.my) - 1;
  if (ii < 1 || ii > lines || jj < 1 || jj > segments) {
    const char text[1] = {xory};
    elements::write_message(heading, position, {ii, jj, std::string_view(text, 1)});
    ier = 2;
    return;
  }
  // Kinds along the line (value, slope) and across it, for x- and y-stiffeners.
  const int along = along_x ? 2 : 3, across = along_x ? 3 : 2;
  const auto& lm = state::f07mat<V>().lm;
  for (int end = 0; end < 2; ++end) {
    const int n = along_x ? ina.leit(ii, jj + end) : ina.leit(jj + end, ii);
    kv(1, 1 + 2 * end) = lm(ifun, 1, n);
    kv(1, 2 + 2 * end) = lm(ifun, along, n);
    kv(2, 1 + 2 * end) = lm(ifun, across, n);
    kv(2, 2 + 2 * end) = lm(ifun, 4, n);
  }
}

#define RUVO_INSTANTIATE(V)                                                                           \
  template bool carries_function<V>(std::int32_t);                                                    \
  template void iuoriv<V>(std::int32_t, std::int32_t, std::int32_t, ElementFreedoms&, std::int32_t&); \
  template void kuorkv<V>(char, std::int32_t, std::int32_t, std::int32_t, SegmentFreedoms&, std::int32_t&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
