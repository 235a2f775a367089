// The host-callable object of one routine of one container.
#pragma once

#include <string>
#include <vector>

#include "module/routine.hpp"

namespace ruvo::module {

class Routine {
public:
  Routine(std::string container, RoutineRow row, Signature sig, py::object error);

  py::object operator()(const py::args& args, const py::kwargs& kwargs) const;
  const std::string& doc() const { return doc_; }
  const std::string& name() const { return row_.name; }
  const std::string& qualified_name() const { return qualified_; }

private:
  std::vector<py::handle> match(const py::args& args, const py::kwargs& kwargs) const;
  std::string ordinal_words(const Arg& a) const;
  std::string array_failure(const Arg& a) const;
  void convert_scalar(const Arg& a, py::handle value, Call::Slot& slot) const;
  void convert_array(const Arg& a, py::handle value, Call::Slot& slot) const;
  void settle_array(const Arg& a, py::handle value, Call& call, std::size_t index) const;
  bool overlaps_other(Call& call, std::size_t index) const;
  [[noreturn]] void refuse_inout(const Arg& a) const;
  static void flush_host_output();
  std::int64_t bound_value(const Bound& b, Call& call, bool settled) const;
  std::vector<std::int64_t> fit_extents(const Arg& a, const py::array& arr, Call& call) const;
  void settle_optional(const Arg& a, bool given, Call& call, Call::Slot& slot) const;
  void make_result_array(const Arg& a, Call& call, Call::Slot& slot) const;
  void run(Call& call) const;
  py::object results(Call& call) const;

  std::string qualified_;
  RoutineRow row_;
  Signature sig_;
  std::string doc_;
  py::object error_;
};

}  // namespace ruvo::module
