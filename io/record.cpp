// Record formats: a small parser turns the format text into a tree of items
// once; a writer walks the tree with the values of each write.
#include "io/record.hpp"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "io/number_fields.hpp"

namespace ruvo::io {

namespace {

enum class Op {
  text,      // quoted text or nH: written as it stands
  skip,      // nX: move n columns right
  tab,       // Tn: move to column n
  slash,     // end the record
  integer,   // Iw
  fixed,     // Fw.d
  exponent,  // Ew.d and Dw.d (`letter` tells which)
  chars,     // Aw, or A (w = 0)
  group,     // k(...)
};

}  // namespace

struct Format::Program {
  struct Item {
    Op op;
    int repeat = 1;
    int w = 0;  // field width; X count; T column
    int d = 0;
    char letter = 'E';
    std::string text;
    std::vector<Item> items;  // body of a group
  };
  std::vector<Item> items;
  // Where the format starts again when values remain at its end: the last
  // group of the outer level, or the beginning.
  std::size_t reversion = 0;
  bool reversion_takes_values = false;
};

namespace {

using Item = Format::Program::Item;

constexpr int max_count = 10000;  // bound on repeat counts, widths and columns

bool takes_value(Op op) {
  return op == Op::integer || op == Op::fixed || op == Op::exponent || op == Op::chars;
}

bool any_value(std::span<const Item> items) {
  for (const Item& it : items)
    if (takes_value(it.op) || (it.op == Op::group && any_value(it.items))) return true;
  return false;
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Recursive descent over the format text; blanks outside texts are ignored.
class Parser {
public:
  explicit Parser(std::string_view s) : s_(s) {}

  std::vector<Item> parse() {
    expect('(');
    std::vector<Item> items = list();
    // Text after the closing parenthesis is ignored, as a Fortran runtime does.
    return items;
  }

private:
  [[noreturn]] void fail(const char* what) const {
    throw std::invalid_argument("format " + std::string(s_) + ": " + what + " at character " +
                                std::to_string(i_ + 1));
  }

  char peek() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
    return i_ < s_.size() ? upper(s_[i_]) : '\0';
  }
  void expect(char c) {
    if (peek() != c) fail("unexpected character");
    ++i_;
  }
  bool digit() { return peek() >= '0' && peek() <= '9'; }

  int number() {
    if (!digit()) fail("number expected");
    int n = 0;
    while (digit()) {
      n = n * 10 + (s_[i_++] - '0');
      if (n > max_count) fail("number too large");
    }
    return n;
  }
  int positive() {
    int n = number();
    if (n == 0) fail("zero count or width");
    return n;
  }

  // Items up to and including the closing parenthesis of the current level.
  std::vector<Item> list() {
    std::vector<Item> items;
    for (;;) {
      char c = peek();
      if (c == ')') {
        ++i_;
        return items;
      }
      if (c == ',') {
        ++i_;
        continue;
      }
      if (c == '\0') fail("missing closing parenthesis");
      items.push_back(item());
    }
  }

  Item item() {
    char c = peek();
    if (c == '\'' || c == '"') return {Op::text, 1, 0, 0, 'E', quoted(), {}};
    int repeat = 1;
    if (digit()) {
      repeat = positive();
      c = peek();
      if (c == 'H') return {Op::text, 1, 0, 0, 'E', hollerith(repeat), {}};
      if (c == 'X') {
        ++i_;
        return {Op::skip, 1, repeat, 0, 'E', {}, {}};
      }
    }
    Item it{Op::slash, repeat, 0, 0, 'E', {}, {}};
    ++i_;
    switch (c) {
      case '/': return it;
      case '(':
        it.op = Op::group;
        it.items = list();
        return it;
      case 'T':
        if (repeat != 1) fail("repeat count on T");
        it.op = Op::tab;
        it.w = positive();
        return it;
      case 'I':
        it.op = Op::integer;
        it.w = positive();
        return it;
      case 'F':
        it.op = Op::fixed;
        width_and_decimals(it);
        return it;
      case 'E':
      case 'D':
        it.op = Op::exponent;
        it.letter = c;
        width_and_decimals(it);
        if (it.d == 0) fail("exponent form needs at least one digit");
        return it;
      case 'A':
        it.op = Op::chars;
        if (digit()) it.w = positive();
        return it;
      default: --i_; fail("unknown edit descriptor");
    }
  }

  void width_and_decimals(Item& it) {
    it.w = positive();
    expect('.');
    it.d = number();
  }

  // 'text' or "text"; the quote doubled stands for itself.
  std::string quoted() {
    const char q = s_[i_++];
    std::string t;
    for (;;) {
      if (i_ >= s_.size()) fail("unterminated text");
      char c = s_[i_++];
      if (c == q) {
        if (i_ < s_.size() && s_[i_] == q) {
          ++i_;
        } else {
          return t;
        }
      }
      t += c;
    }
  }

  // nH: the n characters after the H, blanks included.
  std::string hollerith(int n) {
    ++i_;
    if (s_.size() - i_ < std::size_t(n)) fail("H text runs past the end");
    std::string t(s_.substr(i_, n));
    i_ += n;
    return t;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

// Builds the records of one write. A record grows only by written characters:
// X and T move the column, so blanks they leave at the end are never written
// (but for the carriage-control blank of an X that starts a record).
class Writer {
public:
  explicit Writer(std::span<const Value> values) : values_(values) {}

  // Runs `items` from index `from`; false once output stopped for want of a value.
  bool run(const std::vector<Item>& items, std::size_t from) {
    for (std::size_t k = from; k < items.size(); ++k) {
      const Item& it = items[k];
      for (int r = 0; r < it.repeat; ++r)
        if (!step(it)) return false;
    }
    return true;
  }

  bool values_left() const { return next_ < values_.size(); }

  std::vector<std::string> finish() {
    end_record();
    return std::move(records_);
  }

  void end_record() {
    records_.push_back(std::move(line_));
    line_.clear();
    column_ = 0;
  }

private:
  bool step(const Item& it) {
    switch (it.op) {
      case Op::text: put(it.text); return true;
      case Op::skip: skip(std::size_t(it.w)); return true;
      case Op::tab: column_ = std::size_t(it.w) - 1; return true;
      case Op::slash: end_record(); return true;
      case Op::group: return run(it.items, 0);
      default:
        if (!values_left()) return false;
        put(field(it, values_[next_++]));
        return true;
    }
  }

  static std::string field(const Item& it, const Value& v) {
    switch (it.op) {
      case Op::integer:
        if (const auto* n = v.integer()) return integer_field(*n, it.w);
        break;
      case Op::fixed:
        if (const auto* x = v.real()) return fixed_field(*x, it.w, it.d);
        break;
      case Op::exponent:
        if (const auto* x = v.real()) return exponent_field(*x, it.w, it.d, it.letter);
        break;
      default:
        if (const auto* t = v.text()) return text_field(*t, it.w);
        break;
    }
    return std::string(std::size_t(it.w > 0 ? it.w : 1), '*');  // value of the wrong kind
  }

  // X moves right; at the start of a record it writes the carriage-control
  // blank, so a record of a lone 1X is an ordinary line holding one blank.
  void skip(std::size_t n) {
    if (column_ == 0 && line_.empty()) {
      put(" ");
      --n;
    }
    column_ += n;
  }

  void put(std::string_view s) {
    if (line_.size() < column_ + s.size()) line_.resize(column_ + s.size(), ' ');
    line_.replace(column_, s.size(), s);
    column_ += s.size();
  }

  std::span<const Value> values_;
  std::size_t next_ = 0;
  std::vector<std::string> records_;
  std::string line_;
  std::size_t column_ = 0;
};

}  // namespace

Format::Format(std::string_view text) {
  auto p = std::make_unique<Program>();
  p->items = Parser(text).parse();
  for (std::size_t k = 0; k < p->items.size(); ++k)
    if (p->items[k].op == Op::group) p->reversion = k;
  p->reversion_takes_values = any_value(std::span<const Item>(p->items).subspan(p->reversion));
  program_ = std::move(p);
}

Format::~Format() = default;
Format::Format(Format&&) noexcept = default;
Format& Format::operator=(Format&&) noexcept = default;

std::vector<std::string> Format::records(std::span<const Value> values) const {
  Writer w(values);
  bool going = w.run(program_->items, 0);
  // Values left at the closing parenthesis: new record, again from the
  // reversion point (each pass takes at least one value, so this ends).
  while (going && w.values_left() && program_->reversion_takes_values) {
    w.end_record();
    going = w.run(program_->items, program_->reversion);
  }
  return w.finish();
}

std::string list_directed(std::span<const Value> values) {
  std::string r = " ";
  bool after_number = false;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (const auto* t = values[k].text()) {
      if (after_number) r += ' ';
      r += *t;
      after_number = false;
    } else {
      if (k > 0) r += ' ';
      r += list_number(values[k]);
      after_number = true;
    }
  }
  return r;
}

}  // namespace ruvo::io
