// Keyword rows: a struct filled by name from a dict, one row per member
// (its key, the member, the converter and a one-line doc). The rows are
// compile-time values checked against the struct when the module is built:
// a member without a row, a row without a member, or two rows for one key or
// member stop the build. The keys, the conversion, the error texts, the
// docstring and the stub's declarations all come from the rows.
//
//   constexpr auto rows = std::make_tuple(
//       keyword<Text>("title", &TypedAnalysis::title, "the listing's title"), ...);
//   static_assert(every_member_has_one_row<TypedAnalysis>(rows));
//
// A converter `C` has `type` (the member's), `from(value, name)` (raising
// with the key's name), `annotation()` (its Python type in the stub) and
// `form()` (shape and type in words, for the docstring).
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

namespace ruvo::module {

namespace py = pybind11;

template <class Owner, class C>
struct Keyword {
  using converter = C;
  std::string_view name;
  typename C::type Owner::*member;
  std::string_view doc;
  bool required = false;
};

template <class C, class Owner>
constexpr Keyword<Owner, C> keyword(std::string_view name, typename C::type Owner::*member, std::string_view doc,
                                    bool required = false) {
  return {name, member, doc, required};
}

namespace rows_check {

// Converts to any member type: a struct braced from N of these has at least N members.
struct AnyMember {
  template <class T>
  operator T() const;  // only named in unevaluated contexts
};

template <class T, std::size_t... I>
constexpr bool braced_from(std::index_sequence<I...>) {
  return requires { T{(void(I), AnyMember{})...}; };
}

template <class T, std::size_t N = 0>
constexpr std::size_t member_count() {
  if constexpr (braced_from<T>(std::make_index_sequence<N + 1>{}))
    return member_count<T, N + 1>();
  else
    return N;
}

template <class A, class B>
constexpr bool same_member(const A& a, const B& b) {
  if constexpr (std::is_same_v<decltype(a.member), decltype(b.member)>)
    return a.member == b.member;
  else
    return false;
}

template <class A, class B>
constexpr bool clash(const A& a, const B& b) {
  return a.name == b.name || same_member(a, b);
}

}  // namespace rows_check

// Whether the rows name every member of Owner once, each under its own key.
template <class Owner, class Rows>
consteval bool every_member_has_one_row(const Rows& rows) {
  constexpr std::size_t n = std::tuple_size_v<Rows>;
  if (n != rows_check::member_count<Owner>()) return false;
  int clashes = 0;
  std::apply(
      [&](const auto&... a) {
        auto against = [&](const auto& one) {
          std::apply([&](const auto&... b) { ((clashes += rows_check::clash(one, b) ? 1 : 0), ...); }, rows);
        };
        (against(a), ...);
      },
      rows);
  return clashes == int(n);  // each row clashes with itself alone
}

// The key `name` within `owner` ("" for the entry's own keywords).
inline std::string qualified(const std::string& owner, std::string_view name) {
  return owner.empty() ? std::string(name) : owner + " " + std::string(name);
}

// An Owner from the dict `d` by the rows: an unknown key or a missing
// required one is refused naming it; a key absent or None keeps the member's default.
template <class Owner, class Rows>
Owner fields_from(const py::dict& d, const Rows& rows, const std::string& owner) {
  for (auto item : d) {
    const std::string key = py::str(item.first);
    const bool known = std::apply([&](const auto&... row) { return ((row.name == key) || ...); }, rows);
    if (!known)
      throw py::type_error("_analyse: " + (owner.empty() ? "unknown keyword " + key : owner + " has no " + key));
  }
  Owner out;
  const auto read = [&](const auto& row) {
    using C = typename std::remove_cvref_t<decltype(row)>::converter;
    const std::string name = qualified(owner, row.name);
    const py::str key{std::string(row.name)};
    if (!d.contains(key) || d[key].is_none()) {
      if (row.required) throw py::type_error("_analyse: missing keyword " + name);
      return;
    }
    out.*row.member = C::from(d[key], name);
  };
  std::apply([&](const auto&... row) { (read(row), ...); }, rows);
  return out;
}

// One line per row for a docstring: "  name (form): doc".
template <class Rows>
std::string rows_doc(const Rows& rows) {
  std::string doc;
  const auto line = [&](const auto& row) {
    using C = typename std::remove_cvref_t<decltype(row)>::converter;
    doc += "  " + std::string(row.name) + " (" + C::form() + (row.required ? ", required" : "") +
           "): " + std::string(row.doc) + "\n";
  };
  std::apply([&](const auto&... row) { (line(row), ...); }, rows);
  return doc;
}

// The rows as the stub declares them: (key, Python type, required, "form: doc").
template <class Rows>
py::list rows_declared(const Rows& rows) {
  py::list out;
  const auto item = [&](const auto& row) {
    using C = typename std::remove_cvref_t<decltype(row)>::converter;
    out.append(py::make_tuple(row.name, C::annotation(), row.required, C::form() + ": " + std::string(row.doc)));
  };
  std::apply([&](const auto&... row) { (item(row), ...); }, rows);
  return out;
}

}  // namespace ruvo::module
