#include "listing/rddata_listing.hpp"

#include "io/listing.hpp"
#include "io/units.hpp"
#include "listing/data_faults.hpp"
#include "model/blocks.hpp"

namespace ruvo::listing {

namespace {

const io::Format& rddata_heading() { return message_heading(Routine::rddata); }

}  // namespace

void print_count_reduced(int limit) {
  static const io::Format warning("(4X,'WARNING: IN SUBROUTINE RDDATA')");
  static const io::Format reduced(
      "(13X,'NUMBER OF EIGENMODES FOR ITERATION',            ' WAS REDUCED TO',I3)");
  io::write_listing(warning);
  io::write_listing(reduced, {limit});
}

void print_reader_message(std::string_view message) {
  static const io::Format reader("(1X,A)");
  for (int unit : {state::datran.nwrite, io::stdout_unit}) io::write(unit, reader, {message});
}

void print_group_missing(std::string_view group) {
  static const io::Format not_found("(1X,'NAMELIST ',A6,' NOT FOUND')");
  for (int unit : {state::datran.nwrite, io::stdout_unit}) {
    io::write(unit, rddata_heading());
    io::write(unit, not_found, {group});
  }
}

void print_stringer_data_missing(bool also_stdout) {
  static const io::Format missing("(1x,'Some Stringer Data missing for crippling analysis')");
  io::write_listing(rddata_heading());
  io::write_listing(missing);
  if (!also_stdout) return;
  io::write(io::stdout_unit, rddata_heading());
  io::write(io::stdout_unit, missing);
}

void print_thickness_not_usable(float thickness, float factor) {
  static const io::Format warning("(4X,'WARNING: IN SUBROUTINE RDDATA')");
  static const io::Format unusable(
      "(13X,'EQUIVALENT SKIN THICKNESS',E12.4,' IS NOT POSITIVE AND FINITE:'/           13X,'PLOT SCALE LEFT "
      "AT',E12.4)");
  io::write_listing(warning);
  io::write_listing(unusable, {thickness, factor});
}

void print_tstringer_read(float ddst1, float webth) {
  static const io::Format echo("(E20.5,E20.5)");
  io::write_listing(echo, {ddst1, webth});
}

}  // namespace ruvo::listing
