// Warnings and messages of the data input `rddata`.
#pragma once

#include <string_view>

namespace ruvo::listing {

// An eigenvalue count reduced to `limit` (listing only).
void print_count_reduced(int limit);
// The namelist reader's words on a malformed group; listing, then standard output.
void print_reader_message(std::string_view message);
// A namelist group missing: the NOT FOUND block; listing, then standard output.
void print_group_missing(std::string_view group);
// Stringer data missing for the crippling analysis, on the listing and,
// when asked, on standard output.
void print_stringer_data_missing(bool also_stdout);
// An equivalent skin thickness that cannot scale the plots: the plot scale
// stays at the host's factor (listing only).
void print_thickness_not_usable(float thickness, float factor);
// Echo of a T-stringer group that was read.
void print_tstringer_read(float ddst1, float webth);

}  // namespace ruvo::listing
