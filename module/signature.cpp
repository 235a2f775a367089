#include "module/signature.hpp"

#include <cctype>
#include <stdexcept>

namespace ruvo::module {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Splits at commas that are not inside parentheses.
std::vector<std::string_view> split_top_level(std::string_view s) {
  std::vector<std::string_view> parts;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '(') ++depth;
    if (s[i] == ')') --depth;
    if (s[i] == ',' && depth == 0) {
      parts.push_back(trim(s.substr(start, i - start)));
      start = i + 1;
    }
  }
  if (!trim(s.substr(start)).empty()) parts.push_back(trim(s.substr(start)));
  return parts;
}

[[noreturn]] void fail(std::string_view what, std::string_view text) {
  throw std::invalid_argument(std::string(what) + ": '" + std::string(text) + "'");
}

std::int64_t to_number(std::string_view s) {
  std::int64_t v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) fail("bad number", s);
    v = 10 * v + (c - '0');
  }
  return v;
}

// "p_rtnds-1", "6", "n", "p_nx*neigrq", "*"
Bound parse_bound(std::string_view text, const std::map<std::string, std::int64_t>& constants) {
  Bound b;
  if (text == "*") {
    b.free = true;
    return b;
  }
  std::int64_t number = 1;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t star = text.find('*', start);
    if (star == std::string_view::npos) star = text.size();
    std::string_view f = trim(text.substr(start, star - start));
    std::int64_t minus = 0;
    if (auto dash = f.find('-'); dash != std::string_view::npos) {
      minus = to_number(trim(f.substr(dash + 1)));
      f = trim(f.substr(0, dash));
    }
    if (f.empty()) fail("bad bound", text);
    if (std::isdigit(static_cast<unsigned char>(f.front()))) {
      number *= to_number(f) - minus;
    } else if (auto c = constants.find(std::string(f)); c != constants.end()) {
      number *= c->second - minus;
    } else {
      if (minus != 0) fail("only size constants take an offset", text);
      b.factors.push_back({1, std::string(f)});
    }
    start = star + 1;
  }
  if (number != 1 || b.factors.empty()) b.factors.insert(b.factors.begin(), {number, ""});
  return b;
}

Type parse_type(std::string_view t) {
  if (t == "i4") return Type::i4;
  if (t == "l4") return Type::l4;
  if (t == "f4") return Type::f4;
  if (t == "f8") return Type::f8;
  fail("unknown type", t);
}

// "name type", "name type(bounds)", "name type(bounds) inout",
// "[name i4 = shape(array,dim)]"
Arg parse_arg(std::string_view item, Intent intent, const std::map<std::string, std::int64_t>& constants) {
  Arg arg;
  arg.intent = intent;
  if (item.starts_with("[")) {
    if (!item.ends_with("]")) fail("unclosed optional argument", item);
    arg.optional = true;
    item = trim(item.substr(1, item.size() - 2));
    const auto eq = item.find('=');
    const auto open = item.find("shape(");
    if (eq == std::string_view::npos || open == std::string_view::npos)
      fail("optional without default", item);
    std::string_view inner = item.substr(open + 6);
    inner = inner.substr(0, inner.find(')'));
    const auto comma = inner.find(',');
    arg.default_array = std::string(trim(inner.substr(0, comma)));
    arg.default_dim = static_cast<int>(to_number(trim(inner.substr(comma + 1))));
    item = trim(item.substr(0, eq));
  }
  if (item.ends_with(" inout")) {
    arg.intent = Intent::inout;
    item = trim(item.substr(0, item.size() - 6));
  }
  const auto space = item.find(' ');
  if (space == std::string_view::npos) fail("argument without type", item);
  arg.name = std::string(item.substr(0, space));
  std::string_view type = trim(item.substr(space + 1));
  std::string_view bounds;
  if (type.starts_with("s(")) {
    type = type.substr(0, type.find(')'));
    arg.text_length = static_cast<int>(to_number(type.substr(2)));
    arg.type = Type::text;
    return arg;
  }
  if (const auto open = type.find('('); open != std::string_view::npos) {
    if (!type.ends_with(")")) fail("unclosed bounds", item);
    bounds = type.substr(open + 1, type.size() - open - 2);
    type = type.substr(0, open);
  }
  arg.type = parse_type(type);
  for (std::string_view b : split_top_level(bounds)) arg.bounds.push_back(parse_bound(b, constants));
  return arg;
}

std::string type_letter(Type t) {
  switch (t) {
    case Type::f4: return "'f'";
    case Type::f8: return "'d'";
    default: return "'i'";
  }
}

std::string scalar_word(Type t) { return t == Type::f4 || t == Type::f8 ? "float" : "int"; }

std::string describe(const Arg& a, bool as_result) {
  std::string line = a.name + " : ";
  if (!as_result) line += a.intent == Intent::inout ? "in/output " : "input ";
  if (a.type == Type::text) return line + "string(len=" + std::to_string(a.text_length) + ")";
  if (!a.is_array()) return line + scalar_word(a.type);
  line += "rank-" + std::to_string(a.bounds.size()) + " array(" + type_letter(a.type) + ") with bounds (";
  for (std::size_t i = 0; i < a.bounds.size(); ++i) line += (i ? "," : "") + a.bounds[i].text();
  return line + ")";
}

void section(std::string& doc, std::string_view title) {
  doc += "\n";
  doc += title;
  doc += "\n" + std::string(title.size(), '-') + "\n";
}

}  // namespace

std::string Bound::text() const {
  if (free) return "*";
  std::string s;
  for (const auto& f : factors) {
    if (!s.empty()) s += "*";
    s += f.argument.empty() ? std::to_string(f.number) : f.argument;
  }
  return s;
}

Signature parse_signature(std::string_view arguments, std::string_view results,
                          const std::map<std::string, std::int64_t>& constants) {
  Signature sig;
  for (std::string_view item : split_top_level(arguments))
    sig.args.push_back(parse_arg(item, Intent::in, constants));
  for (std::string_view item : split_top_level(results))
    sig.results.push_back(parse_arg(item, Intent::result, constants));
  return sig;
}

std::string ordinal(int n) {
  static const char* const suffix[10] = {"th", "st", "nd", "rd", "th", "th", "th", "th", "th", "th"};
  return std::to_string(n) + suffix[n % 10];
}

std::string routine_doc(std::string_view name, const Signature& sig) {
  std::string call, required, optional;
  for (const auto& a : sig.args) {
    std::string& list = a.optional ? optional : required;
    list += (list.empty() ? "" : ",") + a.name;
  }
  for (const auto& r : sig.results) call += (call.empty() ? "" : ",") + r.name;
  std::string doc = call.empty() ? "" : call + " = ";
  doc += std::string(name) + "(" + required;
  if (!optional.empty()) doc += (required.empty() ? "[" : ",[") + optional + "]";
  doc += ")\n\nWrapper for ``" + std::string(name) + "``.\n";
  if (!required.empty()) {
    section(doc, "Parameters");
    for (const auto& a : sig.args)
      if (!a.optional) doc += describe(a, false) + "\n";
  }
  if (!optional.empty()) {
    section(doc, "Other Parameters");
    for (const auto& a : sig.args)
      if (a.optional)
        doc += describe(a, false) + ", optional\n    Default: shape(" + a.default_array + ", " +
               std::to_string(a.default_dim) + ")\n";
  }
  if (!sig.results.empty()) {
    section(doc, "Returns");
    for (const auto& r : sig.results) doc += describe(r, true) + "\n";
  }
  return doc;
}

}  // namespace ruvo::module
