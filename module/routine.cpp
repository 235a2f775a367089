// Calling a routine from the host: the arguments are matched by position or
// keyword, converted by the rules of their row, checked, and handed to the
// routine's entry; the results come back as a value, a tuple or None.
#include "module/routine_object.hpp"

#include <limits>
#include <stdexcept>

#include "io/interrupt.hpp"
#include "module/blocks_table.hpp"
#include "module/engine_lock.hpp"

namespace ruvo::module {
namespace {

py::module_ numpy() { return py::module_::import("numpy"); }

py::dtype dtype_of(Type t) {
  switch (t) {
    case Type::f4: return py::dtype("float32");
    case Type::f8: return py::dtype("float64");
    default: return py::dtype("int32");
  }
}

const char* dtype_name(Type t) {
  switch (t) {
    case Type::f4: return "float32";
    case Type::f8: return "float64";
    default: return "int32";
  }
}

[[noreturn]] void raise(py::handle type, const std::string& message) {
  PyErr_SetString(type.ptr(), message.c_str());
  throw py::error_already_set();
}

std::string shape_text(const py::array& a) {
  std::string s = "(";
  for (py::ssize_t d = 0; d < a.ndim(); ++d) s += (d ? "," : "") + std::to_string(a.shape(d));
  return s + (a.ndim() == 1 ? ",)" : ")");
}

// The bytes [first, last) an array spans; its storage is one contiguous run.
std::pair<const char*, const char*> byte_range(const py::array& a) {
  const char* first = static_cast<const char*>(a.data());
  return {first, first + a.nbytes()};
}

bool overlap(std::pair<const char*, const char*> x, std::pair<const char*, const char*> y) {
  return x.first < y.second && y.first < x.second;
}

// Whether the bytes overlap the storage of a shared-block member, which the
// host can reach through the members' views.
bool overlaps_model_state(std::pair<const char*, const char*> r) {
  for (const auto& b : visible_blocks())
    for (const auto& m : b.members) {
      const char* first = static_cast<const char*>(m.data);
      if (overlap(r, {first, first + m.nbytes()})) return true;
    }
  return false;
}

}  // namespace

Call::Call(const Signature& sig) {
  for (const auto& a : sig.args) slots_.push_back(Slot{.arg = &a});
  for (const auto& r : sig.results) slots_.push_back(Slot{.arg = &r});
}

Call::Slot& Call::slot(std::string_view name) {
  for (auto& s : slots_)
    if (s.arg->name == name) return s;
  throw std::logic_error("routine entry asks for an unknown argument " + std::string(name));
}

Routine::Routine(std::string container, RoutineRow row, Signature sig, py::object error)
    : qualified_(std::string("_ruvo.") + container + "." + row.name),
      row_(std::move(row)),
      sig_(std::move(sig)),
      doc_(routine_doc(row_.name, sig_)),
      error_(std::move(error)) {}

// "4th argument" or, for an optional size argument, "1st keyword".
std::string Routine::ordinal_words(const Arg& a) const {
  int required = 0, optional = 0;
  for (const auto& b : sig_.args) {
    (b.optional ? optional : required) += 1;
    if (&b == &a) break;
  }
  return a.optional ? ordinal(optional) + " keyword" : ordinal(required) + " argument";
}

// Whether array argument `index` overlaps an array argument settled before it
// (checked only when contiguous: a strided array is copied in any case).
bool Routine::overlaps_other(Call& call, std::size_t index) const {
  const py::array& arr = call.slots()[index].array;
  if (!(arr.flags() & py::array::f_style) || arr.nbytes() == 0) return false;
  const auto r = byte_range(arr);
  for (std::size_t j = 0; j < index; ++j)
    if (sig_.args[j].is_array() && overlap(r, byte_range(call.slots()[j].array))) return true;
  return overlaps_model_state(r);
}

std::string Routine::array_failure(const Arg& a) const {
  const std::string which = a.intent == Intent::result ? "hidden" : ordinal_words(a);
  return "failed in converting " + which + " `" + a.name + "' of " + qualified_ + " to an array";
}

void Routine::convert_scalar(const Arg& a, py::handle value, Call::Slot& slot) const {
  auto fail = [&](const char* kind) {
    PyErr_Clear();
    raise(error_, qualified_ + "() " + ordinal_words(a) + " (" + a.name + ") can't be converted to " + kind);
  };
  switch (a.type) {
    case Type::i4: {
      py::object n = py::reinterpret_steal<py::object>(PyNumber_Long(value.ptr()));
      if (!n) fail("int");
      int overflow = 0;
      const long long v = PyLong_AsLongLongAndOverflow(n.ptr(), &overflow);
      if (overflow != 0 || v < std::numeric_limits<std::int32_t>::min() ||
          v > std::numeric_limits<std::int32_t>::max())
        fail("int");
      slot.scalar.i4 = static_cast<std::int32_t>(v);
      break;
    }
    case Type::l4: {
      const int t = PyObject_IsTrue(value.ptr());
      if (t < 0) fail("int");
      slot.scalar.i4 = t;
      break;
    }
    case Type::f4:
    case Type::f8: {
      const double v = PyFloat_AsDouble(value.ptr());
      if (v == -1.0 && PyErr_Occurred()) fail("float");
      if (a.type == Type::f4)
        slot.scalar.f4 = static_cast<float>(v);
      else
        slot.scalar.f8 = v;
      break;
    }
    case Type::text: {
      std::string s;
      if (PyUnicode_Check(value.ptr())) {
        py::object ascii = py::reinterpret_steal<py::object>(PyUnicode_AsASCIIString(value.ptr()));
        if (ascii) s = py::bytes(ascii);
      } else if (PyBytes_Check(value.ptr())) {
        s = py::bytes(py::reinterpret_borrow<py::object>(value));
      } else {
        PyErr_SetString(PyExc_TypeError, "");
      }
      if (PyErr_Occurred()) {
        PyErr_Clear();
        raise(error_, "string_from_pyobj failed in converting " + ordinal_words(a) + "`" + a.name + "' of " +
                          qualified_ + ": text expected");
      }
      s.resize(static_cast<std::size_t>(a.text_length), ' ');
      slot.text = std::move(s);
      break;
    }
  }
}

// The value of a bound, or -1 when it is free: "*", or (until `settled`)
// an optional size argument, which is checked against the array afterwards.
std::int64_t Routine::bound_value(const Bound& b, Call& call, bool settled) const {
  if (b.free) return -1;
  std::int64_t v = 1;
  for (const auto& f : b.factors) {
    if (f.argument.empty()) {
      v *= f.number;
      continue;
    }
    const Call::Slot& s = call.slot(f.argument);
    if (s.arg->optional && !settled) return -1;
    v *= s.scalar.i4;
  }
  return v;
}

// Fits the array to the declared bounds: the same rank with matching fixed
// extents, or (rank 0 or 1, or a rank-1 argument) the right number of
// elements. Returns the extents, or throws the module's error.
std::vector<std::int64_t> Routine::fit_extents(const Arg& a, const py::array& arr, Call& call) const {
  const std::size_t rank = a.bounds.size();
  std::vector<std::int64_t> want(rank);
  std::int64_t fixed = 1;
  int free = 0;
  for (std::size_t d = 0; d < rank; ++d) {
    want[d] = bound_value(a.bounds[d], call, false);
    if (want[d] < 0)
      ++free;
    else
      fixed *= want[d];
  }
  auto fail = [&](const std::string& why) { raise(error_, array_failure(a) + ": " + why); };
  if (static_cast<std::size_t>(arr.ndim()) == rank) {
    std::vector<std::int64_t> ext(rank);
    for (std::size_t d = 0; d < rank; ++d) {
      ext[d] = arr.shape(static_cast<py::ssize_t>(d));
      if (want[d] >= 0 && ext[d] != want[d])
        fail(std::to_string(d) + "-th dimension must be fixed to " + std::to_string(want[d]) + " but got " +
             std::to_string(ext[d]));
    }
    return ext;
  }
  const std::int64_t size = arr.size();
  if (arr.ndim() <= 1 || rank == 1) {
    if (free == 0 && size == fixed) return want;
    if (free == 1 && fixed > 0 && size % fixed == 0) {
      for (auto& w : want)
        if (w < 0) w = size / fixed;
      return want;
    }
  }
  std::string need;
  for (std::size_t d = 0; d < rank; ++d)
    need += (d ? "," : "") + (want[d] < 0 ? std::string("*") : std::to_string(want[d]));
  raise(error_, array_failure(a) + ": expected rank-" + std::to_string(rank) + " array with bounds (" + need +
                    ") but got shape " + shape_text(arr));
}

// Takes the array of argument `a` from the host (this may run host code:
// `__array__`, sequence protocols). What the routine may be given is settled
// afterwards, in `settle_array`, when no host code runs any more.
void Routine::convert_array(const Arg& a, py::handle value, Call::Slot& slot) const {
  if (a.intent == Intent::inout) {
    // Always updated in place: only the exact array will do.
    if (!py::isinstance<py::array>(value)) refuse_inout(a);
    slot.array = py::reinterpret_borrow<py::array>(value);
    return;
  }
  try {
    slot.array = numpy().attr("asarray")(value, dtype_of(a.type), "F");
  } catch (py::error_already_set& e) {
    raise(e.type(), array_failure(a) + ": " + py::str(e.value()).cast<std::string>());
  }
}

void Routine::refuse_inout(const Arg& a) const {
  raise(error_, array_failure(a) + ": in/output array must be a contiguous, aligned, column-major " +
                    dtype_name(a.type) + " array sharing no memory with the other arguments");
}

// The routine reads and writes the array through plain pointers of its type:
// it must still have that type, be contiguous in column order, aligned and
// writeable, and share no memory with another argument or the model state
// (the routine's own writes would otherwise change what it reads and indexes).
// A plain array that is not so is replaced by a private copy (the caller's
// array is then not updated); an in/out array is refused.
void Routine::settle_array(const Arg& a, py::handle value, Call& call, std::size_t index) const {
  Call::Slot& slot = call.slots()[index];
  py::array& arr = slot.array;
  const bool own = arr.ptr() == value.ptr();
  const bool passable = arr.dtype().equal(dtype_of(a.type)) && (arr.flags() & py::array::f_style) &&
                        (arr.flags() & py::detail::npy_api::NPY_ARRAY_ALIGNED_) && arr.writeable() &&
                        (own || arr.owndata()) && !overlaps_other(call, index);
  if (!passable) {
    if (a.intent == Intent::inout) refuse_inout(a);
    arr = numpy().attr("array")(arr, dtype_of(a.type), py::arg("order") = "F", py::arg("copy") = true);
  }
  slot.extents = fit_extents(a, arr, call);
}

void Routine::make_result_array(const Arg& a, Call& call, Call::Slot& slot) const {
  std::vector<py::ssize_t> shape;
  for (const auto& b : a.bounds) {
    const std::int64_t v = bound_value(b, call, true);
    if (v < 0) raise(error_, array_failure(a) + ": negative dimension");
    shape.push_back(static_cast<py::ssize_t>(v));
    slot.extents.push_back(v);
  }
  slot.array = numpy().attr("zeros")(py::tuple(py::cast(shape)), dtype_of(a.type), "F");
}

// Optional size arguments default to an array extent; given, they must equal it.
void Routine::settle_optional(const Arg& a, bool given, Call& call, Call::Slot& slot) const {
  const std::int64_t extent = call.slot(a.default_array).extents.at(a.default_dim);
  if (!given) {
    slot.scalar.i4 = static_cast<std::int32_t>(extent);
    return;
  }
  if (slot.scalar.i4 != extent) {
    const std::string check = "(shape(" + a.default_array + ", " + std::to_string(a.default_dim) +
                              ") == " + a.name + ") failed for " + ordinal_words(a) + " " + a.name;
    raise(error_, check + ": " + row_.name + ":" + a.name + "=" + std::to_string(slot.scalar.i4));
  }
}

// Matches positional and keyword values to the arguments (nullptr: not given).
std::vector<py::handle> Routine::match(const py::args& args, const py::kwargs& kwargs) const {
  const auto& list = sig_.args;
  if (args.size() > list.size())
    throw py::type_error(row_.name + "() takes at most " + std::to_string(list.size()) + " arguments (" +
                         std::to_string(args.size()) + " given)");
  std::vector<py::handle> given(list.size());
  for (std::size_t i = 0; i < args.size(); ++i) given[i] = args[i];
  for (auto [key, value] : kwargs) {
    const std::string k = py::str(key);
    std::size_t i = 0;
    while (i < list.size() && list[i].name != k) ++i;
    if (i == list.size())
      throw py::type_error("'" + k + "' is an invalid keyword argument for " + row_.name + "()");
    if (given[i])
      throw py::type_error("argument for " + row_.name + "() given by name ('" + k + "') and position");
    given[i] = value;
  }
  for (std::size_t i = 0; i < list.size(); ++i)
    if (!given[i] && !list[i].optional)
      throw py::type_error(row_.name + "() missing required argument '" + list[i].name + "' (pos " +
                           std::to_string(i + 1) + ")");
  return given;
}

py::object Routine::operator()(const py::args& args, const py::kwargs& kwargs) const {
  const std::vector<py::handle> given = match(args, kwargs);
  flush_host_output();
  Call call(sig_);
  auto& slots = call.slots();
  const std::size_t nargs = sig_.args.size();
  for (std::size_t i = 0; i < nargs; ++i)
    if (given[i] && !sig_.args[i].is_array()) convert_scalar(sig_.args[i], given[i], slots[i]);
  for (std::size_t i = 0; i < nargs; ++i)
    if (sig_.args[i].is_array()) convert_array(sig_.args[i], given[i], slots[i]);
  // No host code runs from here on: the storage and extents settled below are
  // the ones the routine works on.
  for (std::size_t i = 0; i < nargs; ++i)
    if (sig_.args[i].is_array()) settle_array(sig_.args[i], given[i], call, i);
  for (std::size_t i = 0; i < nargs; ++i)
    if (sig_.args[i].optional) settle_optional(sig_.args[i], bool(given[i]), call, slots[i]);
  for (std::size_t i = nargs; i < slots.size(); ++i)
    if (slots[i].arg->is_array()) make_result_array(*slots[i].arg, call, slots[i]);
  {
    // The check reads the model state and the routine changes it.
    const EngineLock lock;
    if (row_.check) {
      const std::string refusal = row_.check(call);
      if (!refusal.empty()) raise(error_, qualified_ + ": " + refusal);
    }
    run(call);
  }
  return results(call);
}

// The routine writes to file descriptor 1: the host's own lines go first.
// Flushing may run host code, so it happens before any argument is taken.
void Routine::flush_host_output() {
  py::object out = py::module_::import("sys").attr("stdout");
  if (!out.is_none() && py::hasattr(out, "flush")) out.attr("flush")();
}

void Routine::run(Call& call) const {
  try {
    row_.entry(call);
  } catch (const io::Interrupted&) {
    // Abandoned like a failed analysis (the solution's scratch file went as
    // the interrupt unwound it); the host's KeyboardInterrupt (set by its
    // signal check) is raised.
    if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
  } catch (const std::exception& e) {
    raise(error_, qualified_ + ": " + e.what());
  }
  if (PyErr_Occurred()) throw py::error_already_set();
}

py::object Routine::results(Call& call) const {
  std::vector<py::object> values;
  for (const auto& r : sig_.results) {
    Call::Slot& s = call.slot(r.name);
    if (r.is_array())
      values.push_back(s.array);
    else if (r.type == Type::f4)
      values.push_back(py::float_(s.scalar.f4));
    else if (r.type == Type::f8)
      values.push_back(py::float_(s.scalar.f8));
    else
      values.push_back(py::int_(s.scalar.i4));
  }
  if (values.empty()) return py::none();
  if (values.size() == 1) return values.front();
  py::tuple t(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) t[i] = values[i];
  return t;
}

}  // namespace ruvo::module
