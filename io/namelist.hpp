// Namelist input: groups of "member = value" items, "&name ... /".
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

// Reads group `group` from `in`, scanning forward from its position; on
// success the position is after the group's closing "/". Members not named
// keep their values; malformed input changes nothing.
ReadResult read_group(TextInput& in, const NamelistGroup& group);

}  // namespace ruvo::io
