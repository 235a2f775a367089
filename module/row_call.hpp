// A routine row whose argument text is a compile-time value: the names its
// entry and check ask for are looked up in that text when the module is
// built, so a name the row does not declare, or one asked for as another
// type or rank, fails the build instead of a call.
//
//   RUVO_ROW("setkey", "ix i4, iy i4", "", [](Args& c) { setkey<V>(c.i4("ix"), c.i4("iy")); })
//
// Inside the row `Args` is the checked view `RowCall<arguments, results>`.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "module/routine.hpp"

namespace ruvo::module {

// A row text usable as a template argument.
template <std::size_t N>
struct RowText {
  char chars[N]{};
  constexpr RowText() = default;
  constexpr RowText(const char (&s)[N]) { std::copy_n(s, N, chars); }
  constexpr std::string_view view() const { return {chars, N - 1}; }
};

template <std::size_t N>
consteval RowText<N> row_text_of(const char (&s)[N]) {
  return RowText<N>(s);
}
template <std::size_t N>
consteval RowText<N> row_text_of(const RowText<N>& t) {
  return t;
}

template <std::size_t A, std::size_t B>
constexpr RowText<A + B - 1> operator+(const RowText<A>& a, const RowText<B>& b) {
  RowText<A + B - 1> joined;
  std::copy_n(a.chars, A - 1, joined.chars);
  std::copy_n(b.chars, B, joined.chars + A - 1);
  return joined;
}

// How an entry asks for an argument: its type (or any) and rank (-1: an array of any rank).
struct Want {
  Type type = Type::i4;
  int rank = 0;
  bool any_type = false;
};

namespace row_text {

struct Declared {
  bool found = false;
  Type type = Type::i4;
  int rank = -2;  // -2: a type this reading does not know
};

constexpr std::string_view trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The rank of "(6,p_elmts)" at the front of `s`.
constexpr int rank_of(std::string_view s) {
  int depth = 0, rank = 1;
  for (char ch : s) {
    if (ch == '(') ++depth;
    if (ch == ')' && --depth == 0) break;
    if (ch == ',' && depth == 1) ++rank;
  }
  return rank;
}

// One item of a row text ("x f8(n,m) inout", "[n i4 = shape(lv,0)]"), if it declares `name`.
constexpr Declared item(std::string_view s, std::string_view name) {
  s = trim(s);
  if (s.starts_with('[')) s = trim(s.substr(1));
  // A plain loop, not string_view::find: the sanitizers' null checks make
  // the library's search through a row text no constant expression.
  std::size_t space = 0;
  while (space < s.size() && s[space] != ' ') ++space;
  if (space == s.size() || s.substr(0, space) != name) return {};
  s = trim(s.substr(space + 1));
  if (s.starts_with("s(")) return {true, Type::text, 0};
  std::size_t end = 0;
  while (end < s.size() && s[end] != '(' && s[end] != ' ' && s[end] != ']') ++end;
  const std::string_view t = s.substr(0, end);
  const int rank = end < s.size() && s[end] == '(' ? rank_of(s.substr(end)) : 0;
  if (t == "i4") return {true, Type::i4, rank};
  if (t == "l4") return {true, Type::l4, rank};
  if (t == "f4") return {true, Type::f4, rank};
  if (t == "f8") return {true, Type::f8, rank};
  return {true};
}

constexpr Declared find(std::string_view text, std::string_view name) {
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size()) {
      if (text[i] == '(') ++depth;
      if (text[i] == ')') --depth;
      if (text[i] != ',' || depth != 0) continue;
    }
    if (const Declared d = item(text.substr(start, i - start), name); d.found) return d;
    start = i + 1;
  }
  return {};
}

// A logical is read as its integer.
constexpr bool fits(Declared d, Want w) {
  const bool type =
      w.any_type || d.type == w.type || (w.type == Type::i4 && d.type == Type::l4 && w.rank == 0);
  const bool rank = w.rank < 0 ? d.rank > 0 : d.rank == w.rank;
  return d.found && type && rank;
}

template <class T>
constexpr Type type_of() {
  using E = std::remove_const_t<T>;
  if constexpr (std::is_same_v<E, float>)
    return Type::f4;
  else if constexpr (std::is_same_v<E, double>)
    return Type::f8;
  else {
    static_assert(std::is_same_v<E, std::int32_t>);
    return Type::i4;
  }
}

// Not constexpr: reaching it while the module is compiled stops the build.
inline void the_row_declares_no_argument_of_this_name_type_and_rank() {}

}  // namespace row_text

// A name the row declares with the type and rank `W`; checked when compiled.
template <RowText Arguments, RowText Results, Want W>
struct ArgName {
  std::string_view text;
  consteval ArgName(const char* name) : text(name) {
    const row_text::Declared d = row_text::find(Arguments.view(), text);
    if (!row_text::fits(d.found ? d : row_text::find(Results.view(), text), W))
      row_text::the_row_declares_no_argument_of_this_name_type_and_rank();
  }
};

// The converted arguments of a call of one row, addressed by checked names.
template <RowText Arguments, RowText Results>
class RowCall {
public:
  template <Want W>
  using Name = ArgName<Arguments, Results, W>;
  using ArrayName = Name<Want{Type::i4, -1, true}>;

  static constexpr std::string_view arguments = Arguments.view();
  static constexpr std::string_view results = Results.view();

  explicit RowCall(Call& call) : call_(call) {}

  std::int32_t& i4(Name<Want{Type::i4, 0}> n) { return call_.i4(n.text); }
  float& f4(Name<Want{Type::f4, 0}> n) { return call_.f4(n.text); }
  double& f8(Name<Want{Type::f8, 0}> n) { return call_.f8(n.text); }
  std::string_view text(Name<Want{Type::text, 0}> n) { return call_.text(n.text); }
  std::int64_t extent(ArrayName n, int dim) { return call_.extent(n.text, dim); }
  std::int64_t size(ArrayName n) { return call_.size(n.text); }

  template <class T>
  T* data(Name<Want{row_text::type_of<T>(), -1}> n) {
    return call_.data<T>(n.text);
  }
  template <class T>
  std::span<T> span(Name<Want{row_text::type_of<T>(), -1}> n) {
    return call_.span<T>(n.text);
  }
  template <class T, int R>
  ArrayRef<T, R> array(Name<Want{row_text::type_of<T>(), R}> n) {
    return call_.array<T, R>(n.text);
  }

private:
  Call& call_;
};

// The row of a routine whose entry and check take the checked view `C`.
template <class C, class Entry, class Check = std::nullptr_t>
RoutineRow make_row(std::string name, Entry entry, Check check = nullptr) {
  RoutineRow row{std::move(name), std::string(C::arguments), std::string(C::results), [entry](Call& call) {
                   C c(call);
                   entry(c);
                 }};
  if constexpr (!std::is_same_v<Check, std::nullptr_t>)
    row.check = [check](Call& call) -> std::string {
      C c(call);
      return check(c);
    };
  return row;
}

}  // namespace ruvo::module

// A routine row: its name, argument and result texts, entry and optional check.
// `Args` in the entry and check is the row's checked view.
#define RUVO_ROW(NAME, ARGUMENTS, RESULTS, ...)                                  \
  [&] {                                                                          \
    using Args = ::ruvo::module::RowCall<::ruvo::module::row_text_of(ARGUMENTS), \
                                         ::ruvo::module::row_text_of(RESULTS)>;  \
    return ::ruvo::module::make_row<Args>(NAME, __VA_ARGS__);                    \
  }()
