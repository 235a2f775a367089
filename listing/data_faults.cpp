#include "listing/data_faults.hpp"

#include <string>
#include <vector>

#include "io/units.hpp"
#include "model/blocks.hpp"

namespace ruvo::listing {

const io::Format& message_heading(Routine r) {
  static const io::Format rddata("(1X,'MESSAGE FROM SUBROUTINE RDDATA:')");
  static const io::Format setkey("(1X,'MESSAGE FROM SUBROUTINE SETKEY:')");
  static const io::Format redfkq("(1X,'MESSAGE FROM SUBROUTINE REDFKQ:')");
  static const io::Format prtout("(1X,'MESSAGE FROM SUBROUTINE PRTOUT:')");
  static const io::Format prtvib("(1X,'MESSAGE FROM SUBROUTINE PRTVIB:')");
  static const io::Format eigvpr("(1X,'MESSAGE FROM SUBROUTINE EIGVPR:')");
  static const io::Format f01kbf("(1X,'MESSAGE FROM SUBROUTINE F01KBF:')");
  static const io::Format modes("(1X,'MESSAGE FROM SUBROUTINE MODES:')");
  switch (r) {
    case Routine::rddata: return rddata;
    case Routine::setkey: return setkey;
    case Routine::redfkq: return redfkq;
    case Routine::prtout: return prtout;
    case Routine::prtvib: return prtvib;
    case Routine::eigvpr: return eigvpr;
    case Routine::f01kbf: return f01kbf;
    case Routine::modes: return modes;
  }
  return rddata;
}

namespace {

// What a routine without an error code says it left undone.
const io::Format* nothing_done(Routine r) {
  static const io::Format setkey("(1X,'INCONSISTENT DATA: KEY MATRIX NOT BUILT')");
  static const io::Format redfkq("(1X,'INCONSISTENT DATA: TERM LISTS LEFT AS THEY ARE')");
  static const io::Format prtout("(1X,'INCONSISTENT DATA: NO DATA ECHO PRINTED')");
  static const io::Format eigvpr("(1X,'INCONSISTENT DATA: NO EIGENVECTORS PRINTED')");
  static const io::Format f01kbf("(1X,'INCONSISTENT DATA: TERM LISTS EMPTIED')");
  static const io::Format modes("(1X,'INCONSISTENT DATA: NO MODE SHAPES WRITTEN')");
  switch (r) {
    case Routine::rddata: return nullptr;
    case Routine::setkey: return &setkey;
    case Routine::redfkq: return &redfkq;
    case Routine::prtout:
    case Routine::prtvib: return &prtout;
    case Routine::eigvpr: return &eigvpr;
    case Routine::f01kbf: return &f01kbf;
    case Routine::modes: return &modes;
  }
  return nullptr;
}

// The fault record: the item's name and indices, then the value and the
// reason. Built from a label part and a reason part.
io::Format fault_format(const DataFault& f) {
  static const char* const labels[3] = {"(1X,A,", "(1X,A,'(',I3,')',", "(1X,A,'(',I3,',',I3,')',"};
  const char* reason = "";
  switch (f.kind) {
    case FaultKind::outside: reason = "' =',I11,'  IS NOT WITHIN',I6,' TO',I6)"; break;
    case FaultKind::above: reason = "' =',I11,'  IS ABOVE',I6)"; break;
    case FaultKind::below: reason = "' =',I11,'  IS BELOW',I6)"; break;
    case FaultKind::not_length: reason = "' =',E15.7,'  IS NOT POSITIVE AND FINITE')"; break;
    case FaultKind::repeated: reason = "' =',I11,'  REPEATS AN EARLIER CODE')"; break;
    case FaultKind::no_w: reason = "' =',5I3,'  HOLDS NO CODE 1 (W)')"; break;
    case FaultKind::combination: reason = "' =',5I3,'  IS NOT (1), (1,2,3), (1,4,5) OR (1,2,3,4,5)')"; break;
    case FaultKind::not_finite: reason = "' =',E15.7,'  IS NOT FINITE')"; break;
    case FaultKind::no_radius: reason = "' =',E15.7,'  IS ZERO OR NOT FINITE (1.0E+29 IS FLAT)')"; break;
    case FaultKind::no_derivative_code:
      reason = "' =',I11,'  IS NO DERIVATIVE CODE (ORDERS UP TO 2)')";
      break;
    case FaultKind::short_length:
      reason = "' =',E15.7,'  IS BELOW 1/',I4,' OF THE LONGEST LENGTH',E15.7)";
      break;
  }
  return io::Format(std::string(labels[f.indices]) + reason);
}

std::vector<io::Value> fault_values(const DataFault& f) {
  std::vector<io::Value> v{f.name};
  for (int i = 0; i < f.indices; ++i) v.emplace_back(f.index[i]);
  switch (f.kind) {
    case FaultKind::outside: v.insert(v.end(), {f.value, f.low, f.high}); break;
    case FaultKind::above: v.insert(v.end(), {f.value, f.high}); break;
    case FaultKind::below: v.insert(v.end(), {f.value, f.low}); break;
    case FaultKind::not_length:
    case FaultKind::not_finite:
    case FaultKind::no_radius: v.emplace_back(f.real); break;
    case FaultKind::short_length: v.insert(v.end(), {f.real, f.high, f.limit}); break;
    case FaultKind::repeated:
    case FaultKind::no_derivative_code: v.emplace_back(f.value); break;
    case FaultKind::no_w:
    case FaultKind::combination:
      // ku lies before the first variant-dependent array: the same in every layout
      for (int k = 1; k <= 5; ++k) v.emplace_back(state::f07ina<ruvo31>().ku(k));
      break;
  }
  return v;
}

void write_block(int unit, Routine routine, const DataFault& fault) {
  io::write(unit, message_heading(routine));
  const auto values = fault_values(fault);
  io::write(unit, fault_format(fault), values);
  if (const io::Format* last = nothing_done(routine)) io::write(unit, *last);
}

}  // namespace

void print_fault(Routine routine, const DataFault& fault, bool also_stdout) {
  write_block(state::datran.nwrite, routine, fault);
  if (also_stdout) write_block(io::stdout_unit, routine, fault);
}

void print_fault_on(int unit, Routine routine, const DataFault& fault) { write_block(unit, routine, fault); }

}  // namespace ruvo::listing
