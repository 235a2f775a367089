// Routines of the data input and the freedom numbering.
#include "input/rddata.hpp"
#include "input/redfkq.hpp"
#include "input/setkey.hpp"
#include "model/variants.hpp"
#include "module/row_call.hpp"
#include "module/tables.hpp"

namespace ruvo::module {

template <class V>
std::vector<RoutineRow> input_rows() {
  return {
      RUVO_ROW("rddata",
               "bb f4(6,p_elmts), dd f4(6,p_elmts), bd f4(6,p_elmts), rr f4(6,p_elmts), dr f4(6,p_elmts), "
               "br f4(6,p_elmts), ss f4(3,p_elmts), ier i4",
               "",
               [](Args& c) {
                 rddata<V>(c.array<float, 2>("bb"), c.array<float, 2>("dd"), c.array<float, 2>("bd"),
                           c.array<float, 2>("rr"), c.array<float, 2>("dr"), c.array<float, 2>("br"),
                           c.array<float, 2>("ss"), c.i4("ier"));
               }),
      RUVO_ROW("redfkq", "", "", [](Args&) { redfkq<V>(); }),
      RUVO_ROW("setkey", "ix i4, iy i4", "", [](Args& c) { setkey<V>(c.i4("ix"), c.i4("iy")); }),
  };
}
RUVO_INSTANTIATE_ROWS(input_rows)

}  // namespace ruvo::module
