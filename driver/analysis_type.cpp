#include "driver/analysis_type.hpp"

#include <array>
#include <string>

#include "io/listing.hpp"
#include "io/namelist.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"

namespace ruvo {
namespace {

// Reads one group. A missing group is reported with `what`, a malformed one
// with the reader's line naming the group and the item; both give `code`.
// Returns ier.
std::int32_t read_or_report(const io::NamelistGroup& group, const io::Format& what, std::int32_t code) {
  static const io::Format header("(1X/1X,'MESSAGE FROM SUBROUTINE RDTYPE:')");
  static const io::Format detail("(1X,A)");
  const io::ReadResult r = io::read_group(io::input(state::datran.nread), group);
  if (r.status == io::ReadStatus::ok) return 0;
  io::write_both(header);
  if (r.status == io::ReadStatus::malformed)
    io::write_both(detail, {r.message});
  else
    io::write_both(what);
  return code;
}

}  // namespace

void rdtype(std::int32_t& ier) {
  static const io::Format no_title("(1X,'INPUT ERROR WHEN TRYING TO READ TITLE LINE')");
  static const io::Format no_antype("(1X,'INPUT ERROR. NAMELIST ANTYPE NOT FOUND')");
  auto& t = state::antype;
  const std::array<io::NamelistItem, 1> title{{{"tit", io::ItemKind::text, state::title.tit.data, 80}}};
  const std::array<io::NamelistItem, 7> flags{{{"temp", io::ItemKind::logical, &t.temp},
                                               {"strs", io::ItemKind::logical, &t.strs},
                                               {"buck", io::ItemKind::logical, &t.buck},
                                               {"vibr", io::ItemKind::logical, &t.vibr},
                                               {"inpb", io::ItemKind::logical, &t.inpb},
                                               {"cripan", io::ItemKind::logical, &t.cripan},
                                               {"glban", io::ItemKind::logical, &t.glban}}};
  ier = read_or_report({"title", title}, no_title, 1);
  if (ier == 0) ier = read_or_report({"antype", flags}, no_antype, 2);
}

void prtype() {
  static const io::Format title("(\"1\"////8X,A80)");
  static const io::Format heading("(//4X,'REQUESTED ANALYSIS TYPE(S):')");
  static const io::Format temp("(1X ,24X,'TEMPERATURE DISTRIBUTION')");
  static const io::Format strs(
      "(1X ,24X,'LINEAR DISPLACEMENTS, ',                           'FORCES AND MOMENTS')");
  static const io::Format buck(
      "(1X ,24X,'BUCKLING LOAD FACTORS ',                           'AND CORRESPONDING MODES')");
  static const io::Format vibr(
      "(1X ,24X,'NATURAL FREQUENCIES ',                           'AND CORRESPONDING MODES')");
  static const io::Format inpb("(1X ,24X,'INITIAL POSTBUCKLING BEHAVIOR')");
  const auto& t = state::antype;
  io::write_listing(title, {state::title.tit.view()});
  io::write_listing(heading);
  for (const auto& [flag, line] :
       {std::pair{t.temp, &temp}, {t.strs, &strs}, {t.buck, &buck}, {t.vibr, &vibr}, {t.inpb, &inpb}})
    if (flag != 0) io::write_listing(*line);
}

void cktype(std::int32_t& ier) {
  static const io::Format neither("('STOP. ANALYSIS TYPE MUST BE BUCK OR VIBR')");
  static const io::Format both(
      "(4X,'BUCKLING AND VIBRATION ANALYSIS',          ' HAVE TO BE DONE IN SEPARATE JOBS')");
  const auto& t = state::antype;
  ier = 0;
  if (t.buck == 0 && t.vibr == 0) {
    io::write_both(neither);
    ier = 1;
  }
  if (t.buck != 0 && t.vibr != 0) {
    io::write_both(both);
    ier = 2;
  }
}

}  // namespace ruvo
