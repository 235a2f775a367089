// A routine as the host sees it: one row of a routine table (its name, the
// text of its arguments and results, and the C++ entry that runs it), and the
// converted arguments that the entry reads by name.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/array.hpp"
#include "module/signature.hpp"

namespace ruvo::module {

namespace py = pybind11;

// The converted arguments and results of one call, addressed by name.
class Call {
public:
  struct Slot {
    const Arg* arg = nullptr;
    union {
      std::int32_t i4;
      float f4;
      double f8;
    } scalar{};
    std::string text = {};
    py::array array = {};                    // the array passed to the routine (the caller's own or a copy)
    std::vector<std::int64_t> extents = {};  // its bounds as declared, "*" resolved
  };

  explicit Call(const Signature& sig);

  std::int32_t& i4(std::string_view name) { return slot(name).scalar.i4; }
  float& f4(std::string_view name) { return slot(name).scalar.f4; }
  double& f8(std::string_view name) { return slot(name).scalar.f8; }
  std::string_view text(std::string_view name) { return slot(name).text; }
  std::int64_t extent(std::string_view name, int dim) { return slot(name).extents.at(dim); }
  std::int64_t size(std::string_view name) { return slot(name).array.size(); }

  // The storage of array argument `name` (its size as declared).
  template <class T>
  T* data(std::string_view name) {
    return static_cast<T*>(slot(name).array.mutable_data());
  }
  // The same storage as one run of all its entries.
  template <class T>
  std::span<T> span(std::string_view name) {
    return {data<std::remove_const_t<T>>(name), static_cast<std::size_t>(size(name))};
  }

  // The array argument `name` as a 1-based column-major view of its declared rank R.
  template <class T, int R>
  ArrayRef<T, R> array(std::string_view name) {
    Slot& s = slot(name);
    std::array<std::int64_t, R> ext{};
    for (int d = 0; d < R; ++d) ext[d] = s.extents.at(d);
    return ArrayRef<T, R>(static_cast<T*>(s.array.mutable_data()), ext);
  }

  std::vector<Slot>& slots() { return slots_; }
  Slot& slot(std::string_view name);

private:
  std::vector<Slot> slots_;
};

// One row of a routine table.
struct RoutineRow {
  std::string name;
  std::string arguments;  // e.g. "lv i4(*), nn i4, ibd i4, ier i4"
  std::string results;    // e.g. "c f8(n,m)", empty when the routine returns nothing
  std::function<void(Call&)> entry;
  // Refuses a call whose arrays cannot hold what the routine will index:
  // returns the reason, or an empty text to let the call run.
  std::function<std::string(Call&)> check = {};
};

}  // namespace ruvo::module
