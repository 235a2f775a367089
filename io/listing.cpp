#include "io/listing.hpp"

#include "io/units.hpp"
#include "model/blocks.hpp"

namespace ruvo::io {

int listing_unit() { return state::datran.nwrite; }

void write_listing(const Format& fmt, std::span<const Value> values) { write(listing_unit(), fmt, values); }

void write_listing(const Format& fmt, std::initializer_list<Value> values) {
  write_listing(fmt, std::span<const Value>(values.begin(), values.size()));
}

void write_both(const Format& fmt, std::span<const Value> values) {
  write(listing_unit(), fmt, values);
  write(stdout_unit, fmt, values);
}

void write_both(const Format& fmt, std::initializer_list<Value> values) {
  write_both(fmt, std::span<const Value>(values.begin(), values.size()));
}

}  // namespace ruvo::io
