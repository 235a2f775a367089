// Number and text fields of the record writer. Numbers are rendered from
// their exact binary value, rounded to nearest with exact ties to even; a
// field too narrow for its number is filled with asterisks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "io/record.hpp"

namespace ruvo::io {

// Iw: right-justified in w columns.
std::string integer_field(std::int64_t n, int w);
// Fw.d: d decimals; the 0 before the point only when the field has room.
std::string fixed_field(double x, int w, int d);
// Ew.d / Dw.d (`letter` 'E' or 'D'), d >= 1: [-]0.ddddE+xx; for exponents
// beyond 99 the letter gives way to a third digit: 0.1234+100, 0.4941-323.
std::string exponent_field(double x, int w, int d, char letter);
// Aw: right-justified when shorter, its first w characters when longer;
// w = 0 (plain A) writes the text as it is.
std::string text_field(std::string_view t, int w);
// A number of a list-directed record: an integer in decimal digits, a real
// in the shortest form that reads back to it (as a float when it is one).
std::string list_number(const Value& v);

}  // namespace ruvo::io
