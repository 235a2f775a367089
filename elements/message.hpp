// The message block of an element routine on the listing: its heading
// record, then one record with the values given.
#pragma once

#include <initializer_list>

#include "io/listing.hpp"

namespace ruvo::elements {

inline void write_message(const io::Format& heading, const io::Format& line,
                          std::initializer_list<io::Value> values = {}) {
  io::write_listing(heading);
  io::write_listing(line, values);
}

}  // namespace ruvo::elements
