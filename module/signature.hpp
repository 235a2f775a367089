// How a routine's arguments are described: one text per routine, in the
// notation of the routine tables ("lv i4(n), nn i4, [n i4 = shape(lv,0)]"),
// parsed once when the module is set up. Bounds may name a size constant of
// the variant (resolved then), an optional size argument, "*" (the array's
// own extent) or a product of these ("p_nx*neigrq").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::module {

enum class Type { i4, l4, f4, f8, text };
enum class Intent { in, inout, result };

// One factor of a bound: a fixed number, or the value of another argument.
struct BoundFactor {
  std::int64_t number = 1;
  std::string argument;  // empty for a number
};

// A bound: "*" (free) or a product of factors.
struct Bound {
  bool free = false;
  std::vector<BoundFactor> factors;
  std::string text() const;  // as the documentation shows it
};

struct Arg {
  std::string name;
  Type type = Type::i4;
  int text_length = 0;        // for Type::text
  std::vector<Bound> bounds;  // empty for a scalar
  Intent intent = Intent::in;
  bool optional = false;
  // Optional size arguments default to an extent of another argument.
  std::string default_array;
  int default_dim = 0;

  bool is_array() const { return !bounds.empty(); }
};

struct Signature {
  std::vector<Arg> args;     // arguments in call order, optional ones last
  std::vector<Arg> results;  // values returned, in order
};

// Parses the argument and result texts of a routine row; names of size
// constants are replaced by their values. Throws std::invalid_argument.
Signature parse_signature(std::string_view arguments, std::string_view results,
                          const std::map<std::string, std::int64_t>& constants);

// The documentation text of a routine, generated from its signature.
std::string routine_doc(std::string_view name, const Signature& sig);

// "1st", "2nd", "3rd", "4th" ... from the last digit only ("11st").
std::string ordinal(int n);

}  // namespace ruvo::module
