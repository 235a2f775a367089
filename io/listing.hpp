// The listing file is the unit named by `nwrite` of the model state; many
// messages go to it and then, record for record, to standard output.
#pragma once

#include <initializer_list>
#include <span>

#include "io/record.hpp"

namespace ruvo::io {

int listing_unit();
void write_listing(const Format& fmt, std::initializer_list<Value> values = {});
void write_listing(const Format& fmt, std::span<const Value> values);
// One write to the listing, then the same write to standard output.
void write_both(const Format& fmt, std::initializer_list<Value> values = {});
void write_both(const Format& fmt, std::span<const Value> values);

}  // namespace ruvo::io
