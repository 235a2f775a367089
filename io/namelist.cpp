// Namelist reading: find the group, parse its items into copies of the
// members' storage, and store the copies only when the whole group is sound.
#include "io/namelist.hpp"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace ruvo::io {
namespace {

constexpr std::size_t shown_value_length = 24;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_name_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }
bool is_quote(char c) { return c == '\'' || c == '"'; }
// Characters that end an unquoted value.
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/' || c == '!'; }
char to_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upper_case(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(), to_upper);
  return u;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return to_upper(x) == to_upper(y); });
}

// A position in the text with the lexical steps every reader shares.
class Scanner {
public:
  Scanner(std::string_view text, std::size_t position) : text_(text), pos_(std::min(position, text.size())) {}

  std::size_t position() const { return pos_; }
  bool at_end() const { return pos_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
  bool peek_is(char c) const { return !at_end() && text_[pos_] == c; }
  void advance(std::size_t n = 1) { pos_ = std::min(pos_ + n, text_.size()); }
  std::string_view since(std::size_t begin) const { return text_.substr(begin, pos_ - begin); }

  // Name characters from `ahead` on, not consumed.
  std::string_view name_at(std::size_t ahead = 0) const {
    const std::size_t begin = std::min(pos_ + ahead, text_.size());
    std::size_t end = begin;
    while (end < text_.size() && is_name_char(text_[end])) ++end;
    return text_.substr(begin, end - begin);
  }
  std::string_view take_name() {
    const std::string_view name = name_at();
    advance(name.size());
    return name;
  }

  // Blanks, line ends and "!" comments.
  void skip_blanks() {
    while (!at_end()) {
      if (text_[pos_] == '!') {
        while (!at_end() && text_[pos_] != '\n') ++pos_;
      } else if (is_blank(text_[pos_])) {
        ++pos_;
      } else {
        return;
      }
    }
  }

  // "&name" or "$name" at the position: the name, else empty.
  std::string_view mark_name() const {
    return peek_is('&') || peek_is('$') ? name_at(1) : std::string_view{};
  }
  bool at_group_start() const {
    const std::string_view name = mark_name();
    return peek_is('&') && !name.empty() && !same_name(name, "end");
  }
  // Consumes "/", "&end" or "$end" when one is at the position.
  bool take_group_end() {
    if (peek_is('/')) {
      advance();
      return true;
    }
    const std::string_view name = mark_name();
    if (!same_name(name, "end")) return false;
    advance(1 + name.size());
    return true;
  }

  // Text in quotes at the position, the doubled quote standing for one, line
  // ends dropped; nullopt (at the end) when the closing quote is missing.
  std::optional<std::string> take_quoted() {
    const char quote = text_[pos_++];
    std::string text;
    while (!at_end()) {
      const char c = text_[pos_++];
      if (c != quote) {
        if (c != '\n' && c != '\r') text += c;
      } else if (peek_is(quote)) {
        text += quote;
        ++pos_;
      } else {
        return text;
      }
    }
    return std::nullopt;
  }

  // Up to the end of a value, quoted parts passed over whole.
  std::string_view take_token() {
    const std::size_t begin = pos_;
    while (!at_end() && !ends_value(text_[pos_])) {
      if (is_quote(text_[pos_]))
        take_quoted();
      else
        ++pos_;
    }
    return since(begin);
  }

  // Inside a group: past its end mark (true), or to the start of the next
  // group or the end of the text (false). Quoted texts and comments are
  // passed over whole.
  bool skip_rest_of_group() {
    while (!at_end()) {
      if (take_group_end()) return true;
      if (at_group_start()) return false;
      if (is_quote(text_[pos_])) {
        take_quoted();
      } else if (text_[pos_] == '!' || is_blank(text_[pos_])) {
        skip_blanks();
      } else {
        advance();
      }
    }
    return false;
  }

  // Past "&<group>"; false at the end of the text.
  bool find_group(std::string_view group) {
    while (true) {
      const std::size_t amp = text_.find('&', pos_);
      if (amp == std::string_view::npos) {
        pos_ = text_.size();
        return false;
      }
      pos_ = amp;
      const std::string_view name = mark_name();
      advance(1 + name.size());
      if (name.empty() || same_name(name, "end")) continue;
      if (same_name(name, group)) return true;
      skip_rest_of_group();
    }
  }

private:
  std::string_view text_;
  std::size_t pos_;
};

// One value as written: r*v, r* (nulls) or v; `text` is the decoded quoted text.
struct Value {
  std::string_view raw;
  std::uint64_t repeat = 1;
  bool null = false;
  bool quoted = false;
  std::string text;
};

enum class Conversion { ok, bad, out_of_range };

// [sign]digits into 64 bits, saturating far beyond the 32-bit range.
Conversion parse_integer(std::string_view s, std::int64_t& value) {
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  if (s.empty() || !std::all_of(s.begin(), s.end(), is_digit)) return Conversion::bad;
  std::int64_t magnitude = 0;
  for (const char c : s) magnitude = std::min<std::int64_t>(magnitude * 10 + (c - '0'), 1LL << 40);
  value = negative ? -magnitude : magnitude;
  return Conversion::ok;
}

Conversion parse_int32(std::string_view s, std::int32_t& value) {
  std::int64_t wide = 0;
  if (parse_integer(s, wide) != Conversion::ok) return Conversion::bad;
  if (wide < INT32_MIN || wide > INT32_MAX) return Conversion::out_of_range;
  value = static_cast<std::int32_t>(wide);
  return Conversion::ok;
}

// Checks the decimal form before strtof sees it, so that its other forms
// (hex, INF, NAN) are refused; a D exponent becomes E. The "C" locale keeps
// "." the decimal point whatever locale the host has set.
Conversion parse_real(std::string_view s, float& value) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t begin = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    return i - begin;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t mantissa_digits = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa_digits += digits();
  }
  if (mantissa_digits == 0) return Conversion::bad;
  std::string text(s);
  if (i < s.size() && (to_upper(s[i]) == 'E' || to_upper(s[i]) == 'D')) {
    text[i] = 'E';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return Conversion::bad;
  }
  if (i != s.size()) return Conversion::bad;
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  const float parsed = strtof_l(text.c_str(), nullptr, c_locale);
  if (std::isinf(parsed)) return Conversion::out_of_range;
  value = parsed;
  return Conversion::ok;
}

Conversion parse_logical(std::string_view s, std::int32_t& value) {
  const std::string u = upper_case(s);
  for (const std::string_view word : {"T", "TRUE", "F", "FALSE"}) {
    if (u == word || u == "." + std::string(word) + ".") {
      value = word[0] == 'T' ? 1 : 0;
      return Conversion::ok;
    }
  }
  return Conversion::bad;
}

std::size_t element_size(const NamelistItem& item) {
  return item.kind == ItemKind::text ? static_cast<std::size_t>(item.count) : 4;
}

// A member's storage while the group is read, with the number of values it takes.
struct Copy {
  const NamelistItem* item;
  std::size_t capacity;
  std::vector<char> bytes;
};

Copy copy_of(const NamelistItem& item) {
  if (item.data == nullptr || item.count < 1) return {&item, 0, {}};
  const std::size_t values = item.kind == ItemKind::text ? 1 : static_cast<std::size_t>(item.count);
  std::vector<char> bytes(values * element_size(item));
  std::memcpy(bytes.data(), item.data, bytes.size());
  return {&item, values, std::move(bytes)};
}

const char* kind_word(ItemKind kind) {
  switch (kind) {
    case ItemKind::integer: return "INTEGER";
    case ItemKind::real: return "REAL";
    case ItemKind::logical: return "LOGICAL";
    case ItemKind::text: return "TEXT";
  }
  return "";
}

// A value as written, on one line of the listing.
std::string shown(std::string_view raw) {
  std::string text(raw.substr(0, shown_value_length));
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return raw.size() <= shown_value_length ? text : text + "...";
}

// Parses one group's items after its "&name"; an error is the message text.
class GroupReader {
public:
  GroupReader(Scanner& scanner, const NamelistGroup& group) : s_(scanner), group_(group) {
    for (const NamelistItem& item : group.items) copies_.push_back(copy_of(item));
  }

  std::optional<std::string> parse() {
    while (true) {
      s_.skip_blanks();
      while (s_.peek_is(',')) {
        s_.advance();
        s_.skip_blanks();
      }
      if (s_.take_group_end()) return std::nullopt;
      if (s_.at_end() || s_.at_group_start()) return fail("GROUP NOT ENDED BY /");
      if (auto error = parse_item()) return error;
    }
  }

  void commit() const {
    for (const Copy& c : copies_)
      if (!c.bytes.empty()) std::memcpy(c.item->data, c.bytes.data(), c.bytes.size());
  }

private:
  std::string fail(std::string_view what) const {
    return "NAMELIST " + upper_case(group_.name) + ": " + std::string(what);
  }
  std::string fail(std::string_view what, const Copy& c, std::string_view tail = {}) const {
    return fail(std::string(what) + " " + upper_case(c.item->name) + std::string(tail));
  }

  Copy* find(std::string_view name) {
    for (Copy& c : copies_)
      if (same_name(c.item->name, name)) return &c;
    return nullptr;
  }

  // name [ (index) ] = values
  std::optional<std::string> parse_item() {
    if (!is_letter(s_.peek())) return fail("UNEXPECTED " + shown(s_.take_token()));
    const std::string_view name = s_.take_name();
    Copy* c = find(name);
    if (c == nullptr) return fail("UNKNOWN MEMBER " + upper_case(name));
    s_.skip_blanks();
    std::size_t first = 0;
    if (s_.peek_is('(')) {
      if (auto error = parse_index(*c, first)) return error;
      s_.skip_blanks();
    }
    if (!s_.peek_is('=')) return fail("= EXPECTED AFTER", *c);
    s_.advance();
    return parse_values(*c, first);
  }

  // "(i)" with 1 <= i <= capacity; `first` becomes i - 1.
  std::optional<std::string> parse_index(const Copy& c, std::size_t& first) {
    s_.advance();
    s_.skip_blanks();
    const std::size_t begin = s_.position();
    while (!s_.at_end() && !ends_value(s_.peek()) && s_.peek() != ')' && s_.peek() != '=') s_.advance();
    const std::string_view index = s_.since(begin);
    s_.skip_blanks();
    const std::string tail = "(" + shown(index) + ")";
    if (!s_.peek_is(')')) return fail("BAD INDEX FOR", c, tail);
    s_.advance();
    if (c.item->kind == ItemKind::text) return fail("NO INDEX ALLOWED FOR", c);
    std::int64_t i = 0;
    if (parse_integer(index, i) != Conversion::ok) return fail("BAD INDEX FOR", c, tail);
    if (i < 1 || static_cast<std::uint64_t>(i) > c.capacity) return fail("INDEX OUT OF RANGE FOR", c, tail);
    first = static_cast<std::size_t>(i - 1);
    return std::nullopt;
  }

  // A name followed by "=" or "(" starts the next item and ends the list.
  bool at_next_item() const {
    if (!is_letter(s_.peek())) return false;
    std::size_t ahead = s_.name_at().size();
    while (is_blank(s_.peek(ahead))) ++ahead;
    return s_.peek(ahead) == '=' || s_.peek(ahead) == '(';
  }

  // Values stored from element `next` on; a comma right after "=" or after
  // another comma is a null value.
  std::optional<std::string> parse_values(Copy& c, std::size_t next) {
    bool after_comma = true;
    while (true) {
      s_.skip_blanks();
      if (s_.at_end() || s_.peek_is('/') || s_.at_group_start() || same_name(s_.mark_name(), "end") ||
          at_next_item())
        return std::nullopt;
      if (s_.peek_is(',')) {
        s_.advance();
        if (after_comma && ++next > c.capacity) return fail("TOO MANY VALUES FOR", c);
        after_comma = true;
        continue;
      }
      Value v;
      if (auto error = read_value(c, v)) return error;
      if (v.repeat == 0) return fail("BAD REPEAT COUNT FOR", c, ", GOT " + shown(v.raw));
      if (v.repeat > c.capacity - next) return fail("TOO MANY VALUES FOR", c);
      if (!v.null) {
        if (auto error = store(c, v, next)) return error;
      }
      next += v.repeat;
      s_.skip_blanks();
      after_comma = s_.peek_is(',');
      if (after_comma) s_.advance();
    }
  }

  // [r*]v or r* at the position.
  std::optional<std::string> read_value(const Copy& c, Value& v) {
    const std::size_t begin = s_.position();
    std::size_t digits = 0;
    while (is_digit(s_.peek(digits))) ++digits;
    if (digits > 0 && s_.peek(digits) == '*') {
      std::int64_t r = 0;
      s_.advance(digits);
      parse_integer(s_.since(begin), r);  // digits only: cannot fail
      v.repeat = static_cast<std::uint64_t>(r);
      s_.advance();
      v.null = s_.at_end() || ends_value(s_.peek());
    }
    const std::size_t value_begin = s_.position();
    if (!v.null && is_quote(s_.peek())) {
      std::optional<std::string> text = s_.take_quoted();
      if (!text) return fail("UNTERMINATED TEXT FOR", c);
      v.quoted = s_.at_end() || ends_value(s_.peek());
      v.text = std::move(*text);
    }
    // An unquoted value, or one with something stuck to its closing quote.
    if (!v.null && !v.quoted) {
      s_.take_token();
      v.text = std::string(s_.since(value_begin));
    }
    v.raw = s_.since(begin);
    return std::nullopt;
  }

  // Converts `v` to the member's kind and stores it in `v.repeat` elements.
  std::optional<std::string> store(Copy& c, const Value& v, std::size_t next) {
    const std::size_t size = element_size(*c.item);
    std::vector<char> element(size, ' ');
    Conversion result = Conversion::bad;
    std::int32_t i = 0;
    float f = 0.0f;
    switch (c.item->kind) {
      case ItemKind::integer:
        if (!v.quoted && (result = parse_int32(v.text, i)) == Conversion::ok)
          std::memcpy(element.data(), &i, 4);
        break;
      case ItemKind::real:
        if (!v.quoted && (result = parse_real(v.text, f)) == Conversion::ok)
          std::memcpy(element.data(), &f, 4);
        break;
      case ItemKind::logical:
        if (!v.quoted && (result = parse_logical(v.text, i)) == Conversion::ok)
          std::memcpy(element.data(), &i, 4);
        break;
      case ItemKind::text:
        if (v.quoted) {
          result = Conversion::ok;
          std::copy_n(v.text.begin(), std::min(size, v.text.size()), element.begin());
        }
        break;
    }
    const std::string kind = kind_word(c.item->kind);
    if (result == Conversion::bad) return fail(kind + " EXPECTED FOR", c, ", GOT " + shown(v.raw));
    if (result == Conversion::out_of_range)
      return fail(kind + " OUT OF RANGE FOR", c, ", GOT " + shown(v.raw));
    for (std::uint64_t k = 0; k < v.repeat; ++k)
      std::copy(element.begin(), element.end(),
                c.bytes.begin() + static_cast<std::ptrdiff_t>((next + k) * size));
    return std::nullopt;
  }

  Scanner& s_;
  const NamelistGroup& group_;
  std::vector<Copy> copies_;
};

}  // namespace

ReadResult read_group(TextInput& in, const NamelistGroup& group) {
  Scanner s(in.text, in.position);
  if (!s.find_group(group.name)) {
    in.position = s.position();
    return {ReadStatus::end_of_file, {}};
  }
  GroupReader reader(s, group);
  std::optional<std::string> error = reader.parse();
  if (error)
    s.skip_rest_of_group();
  else
    reader.commit();
  in.position = s.position();
  return error ? ReadResult{ReadStatus::malformed, std::move(*error)} : ReadResult{ReadStatus::ok, {}};
}

}  // namespace ruvo::io
