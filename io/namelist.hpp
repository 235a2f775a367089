// Namelist input: groups of "member = value" items, "&name ... /".
//
// A group starts with "&" immediately followed by its name (a run of letters,
// digits and "_", not case-sensitive) and ends at "/"; "&end" and "$end" end
// it too. Between them, separated by commas, blanks or line ends:
//   name = v1, v2, ...     fills the member from its first element
//   name(i) = v1, ...      fills it from element i (1-based)
//   r*v                    r copies of v;  r*  skips r elements
//   two commas in a row    skip one element (a null value)
//   ! to the line end      a comment
// Values by member kind:
//   integer  [sign]digits, within 32 bits ("3.0" is not an integer)
//   real     [sign]digits[.digits][exp] or [sign].digits[exp], exp being
//            E or D, [sign], digits; rounded once to float (no INF, NAN, hex)
//   logical  T, F, .T., .F., TRUE, FALSE, .TRUE., .FALSE. in any case
//   text     in apostrophes or quotation marks, the quote doubled inside;
//            line ends inside are dropped; blank-padded or cut to the length
// A text member takes no index.
//
// Malformed groups are reported by one listing line "NAMELIST <GROUP>: <WHAT>",
// names in upper case, the offending value as written (cut to 24 characters):
//   UNKNOWN MEMBER <M>                  UNEXPECTED <token>
//   = EXPECTED AFTER <M>                BAD INDEX FOR <M>(<i>)
//   INDEX OUT OF RANGE FOR <M>(<i>)     NO INDEX ALLOWED FOR <M>
//   TOO MANY VALUES FOR <M>             BAD REPEAT COUNT FOR <M>, GOT <v>
//   <KIND> EXPECTED FOR <M>, GOT <v>    <KIND> OUT OF RANGE FOR <M>, GOT <v>
//   UNTERMINATED TEXT FOR <M>           GROUP NOT ENDED BY /
// (<KIND> is INTEGER, REAL, LOGICAL or TEXT.)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "io/units.hpp"

namespace ruvo::io {

enum class ItemKind { integer, real, logical, text };

// One member that a group may set: its storage and element count
// (count 1 for a scalar; for text, `count` is the length in characters).
// A member with no storage or a count below 1 accepts no values.
struct NamelistItem {
  std::string_view name;
  ItemKind kind;
  void* data;  // std::int32_t*, float*, std::int32_t* (0/1) or char*
  int count = 1;
};

struct NamelistGroup {
  std::string_view name;
  std::span<const NamelistItem> items;
};

enum class ReadStatus { ok, end_of_file, malformed };

struct ReadResult {
  ReadStatus status;
  std::string message;  // for malformed input: what was wrong, naming the group and item
};

// Reads group `group` from `in`, scanning forward from its position past
// everything else, other groups included (skipped to their end). Positions
// afterwards:
//   ok           after the group's end mark
//   end_of_file  at the end of the text (no such group)
//   malformed    after the group's end mark; at the "&" of the next group
//                when one starts first; else at the end of the text
// Members not named keep their values; malformed input changes nothing.
ReadResult read_group(TextInput& in, const NamelistGroup& group);

}  // namespace ruvo::io
