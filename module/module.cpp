// The extension module `_ruvo`: routine containers, constant containers and
// shared-block objects, all set up by loops over the tables.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <limits>
#include <map>
#include <set>
#include <string>

#include "io/interrupt.hpp"
#include "model/blocks.hpp"
#include "model/laminate_column.hpp"
#include "model/variants.hpp"
#include "module/blocks_table.hpp"
#include "module/engine_lock.hpp"
#include "module/routine_object.hpp"
#include "module/tables.hpp"
#include "module/typed_entry.hpp"
#include "solver/condensation.hpp"
#include "kernels/blas_threads.hpp"

namespace ruvo::module {
namespace {

// Routine and constant containers: their routines and constants cannot be
// replaced; other attributes may be attached freely.
struct Container {
  std::string name;
  std::set<std::string> fixed;
};

// A shared block as the host sees it: members read as live views, assigned
// by conversion and copy.
struct BlockObject {
  const BlockRow* row;
  const MemberRow* find(const std::string& name) const {
    for (const auto& m : row->members)
      if (m.name == name) return &m;
    return nullptr;
  }
};

py::object generic_setattr(py::handle self, py::handle name, py::handle value) {
  if (PyObject_GenericSetAttr(self.ptr(), name.ptr(), value.ptr()) != 0) throw py::error_already_set();
  return py::none();
}

py::array member_view(const MemberRow& m, py::handle owner) {
  const py::dtype dt(m.dtype);
  std::vector<py::ssize_t> strides;
  py::ssize_t stride = dt.itemsize();
  for (auto e : m.shape) {
    strides.push_back(stride);
    stride *= e;
  }
  return py::array(dt, m.shape, strides, m.data, owner);
}

// Whether every number of `value` fits the 32-bit member: an integer member
// takes -2**31..2**31-1 (not NaN), a float member any value up to the largest
// 32-bit float in magnitude, or an infinity. Beyond that the copy would wrap
// or round to infinity.
bool fits_member(const MemberRow& m, py::handle value, py::module_& np) {
  py::object wide = np.attr("asarray")(value, "float64");
  if (m.dtype == "int32")
    return np
        .attr("all")(np.attr("logical_and")(np.attr("greater_equal")(wide, -2147483648.0),
                                            np.attr("less_equal")(wide, 2147483647.0)))
        .cast<bool>();
  py::object beyond = np.attr("logical_and")(
      np.attr("isfinite")(wide), np.attr("greater")(np.attr("abs")(wide), std::numeric_limits<float>::max()));
  return !np.attr("any")(beyond).cast<bool>();
}

// Converts `value` to the member's type and shape, then copies it in; a value
// that cannot take that shape or does not fit the member's 32-bit type raises
// and leaves the member unchanged.
void assign_member(const MemberRow& m, py::handle value, py::handle owner, py::handle error) {
  py::module_ np = py::module_::import("numpy");
  py::object source = py::reinterpret_borrow<py::object>(value);
  if (m.dtype == "S1" && (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value))) {
    std::string text =
        py::isinstance<py::str>(value) ? value.cast<std::string>() : std::string(py::bytes(source));
    text.resize(static_cast<std::size_t>(m.shape.at(0)), ' ');
    source = np.attr("frombuffer")(py::bytes(text), "S1");
  }
  auto refuse = [&](const std::string& why) {
    PyErr_SetString(error.ptr(), ("cannot assign to member " + m.name + ": " + why).c_str());
    throw py::error_already_set();
  };
  py::object converted;
  try {
    if (m.dtype != "S1" && !fits_member(m, source, np)) refuse("a value beyond the range of " + m.dtype);
    converted = np.attr("broadcast_to")(np.attr("asarray")(source, m.dtype), py::tuple(py::cast(m.shape)));
  } catch (py::error_already_set& e) {
    if (e.matches(error)) throw;
    refuse(std::string(py::str(e.value())));
  }
  // The copy into the model state waits for any analysis of another thread.
  const EngineLock lock;
  member_view(m, owner)[py::ellipsis()] = converted;
}

// Objects of the module's classes are made by the module alone, with their
// tables; one made from the host (`cls.__new__(cls)`, a copy, a subclass)
// would have none. Without a constructor slot Python refuses them all.
void forbid_host_creation(py::handle cls) {
  auto* type = reinterpret_cast<PyTypeObject*>(cls.ptr());
  type->tp_new = nullptr;
  PyType_Modified(type);
}

// The twelve size constants of a variant, in the order the containers list them.
template <class V>
std::vector<std::pair<std::string, std::int32_t>> size_constants() {
  return {{"p_rtnds", V::p_rtnds},   {"p_ngit", V::p_ngit},   {"p_ngrq", V::p_ngrq}, {"p_nsup", V::p_nsup},
          {"p_abdstf", V::p_abdstf}, {"p_nodes", V::p_nodes}, {"p_stf", V::p_stf},   {"p_elmts", V::p_elmts},
          {"p_nx", V::p_nx},         {"p_ny", V::p_ny},       {"p_ibdx", V::p_ibdx}, {"p_ibdy", V::p_ibdy}};
}

// Read-only 32-bit integer scalars of a container.
void add_constants(py::object target, Container& c,
                   const std::vector<std::pair<std::string, std::int32_t>>& constants) {
  py::object int32 = py::module_::import("numpy").attr("int32");
  for (const auto& [name, value] : constants) {
    generic_setattr(target, py::str(name), int32(value));
    c.fixed.insert(name);
  }
}

// The engine's conventions the package reads instead of repeating them:
// the flat radius, the variants and the default one, the variants the
// typed entry takes (the four and its own large one), the stringer types
// and the layout of a packed laminate column.
py::object conventions_container() {
  namespace lc = laminate_column;
  py::object obj = py::cast(Container{"conventions", {}});
  Container& c = obj.cast<Container&>();
  py::list packed;
  for (int p = 1; p <= lc::group_size; ++p)
    for (int j = 1; j <= 3; ++j)
      for (int i = 1; i <= j; ++i)
        if (lc::packed_position(i, j) == p) packed.append(py::make_tuple(i, j));
  py::list variants, typed_variants;
  for (const char* suffix : variant_suffixes) variants.append(suffix);
  for (const char* suffix : typed_variant_suffixes) typed_variants.append(suffix);
  const std::pair<const char*, py::object> values[] = {
      {"flat_radius", py::float_(flat_radius)},
      {"variants", py::tuple(variants)},
      {"default_variant", py::str(default_variant)},
      {"typed_variants", py::tuple(typed_variants)},
      {"t_profile", py::int_(stringer_type::t_profile)},
      {"omega_profile", py::int_(stringer_type::omega)},
      {"other_section", py::int_(stringer_type::other)},
      {"laminate_rows", py::int_(lc::stiffness_rows)},
      {"shear_rows", py::int_(lc::shear_rows)},
      {"packed_entries", py::tuple(packed)},
  };
  for (const auto& [name, value] : values) {
    generic_setattr(obj, py::str(name), value);
    c.fixed.insert(name);
  }
  return obj;
}

template <class V>
std::map<std::string, std::int64_t> bound_constants() {
  std::map<std::string, std::int64_t> m;
  for (const auto& [name, value] : size_constants<V>()) m[name] = value;
  return m;
}

void add_routines(py::object target, Container& c, std::vector<RoutineRow> rows,
                  const std::map<std::string, std::int64_t>& constants, py::object error) {
  for (auto& row : rows) {
    Signature sig = parse_signature(row.arguments, row.results, constants);
    const std::string name = row.name;
    generic_setattr(target, py::str(name), py::cast(Routine(c.name, std::move(row), std::move(sig), error)));
    c.fixed.insert(name);
  }
}

std::string container_summary(const std::string& name, py::handle obj) {
  std::string s = "  " + name + " --- ";
  std::string members;
  for (auto item : obj.attr("__dict__").cast<py::dict>())
    members += (members.empty() ? "" : ",") + item.first.cast<std::string>();
  return s + members + "\n";
}

std::string block_summary(const BlockRow& b) {
  std::string s = "  /" + b.name + "/ ";
  for (std::size_t i = 0; i < b.members.size(); ++i) {
    const auto& m = b.members[i];
    s += (i ? "," : "") + m.name;
    if (!m.shape.empty()) {
      s += "(";
      for (std::size_t d = 0; d < m.shape.size(); ++d) s += (d ? "," : "") + std::to_string(m.shape[d]);
      s += ")";
    }
  }
  return s + "\n";
}

// Read-only view over model-state storage, kept alive by `owner`.
py::array read_only_view(const py::dtype& dt, std::vector<py::ssize_t> shape, const void* data,
                         py::handle owner) {
  std::vector<py::ssize_t> strides;
  py::ssize_t stride = dt.itemsize();
  for (auto e : shape) {
    strides.push_back(stride);
    stride *= e;
  }
  py::array view(dt, shape, strides, data, owner);
  view.attr("setflags")(py::arg("write") = false);
  return view;
}

// The results an analysis leaves in blocks the host cannot see (eigenvalues,
// W eigenvectors in the layout of variant `suffix`, membrane and stiffener
// forces per eigenvalue), as read-only views at full precision. Private:
// outside the routine tables and the module summary.
py::dict analysis_results(const std::string& suffix, py::handle owner) {
  py::dict out;
  const py::dtype f8("float64");
  out["elam"] = read_only_view(f8, {ruvo31::p_ngit}, state::valus.elam.data, owner);
  out["membraneforces"] = read_only_view(f8, {ruvo31::p_ngit, 5}, state::pythres.membraneforces.data, owner);
  bool found = false;
  for_each_variant([&]<class V>() {
    if (suffix != V::suffix) return;
    found = true;
    out["x"] = read_only_view(f8, {V::p_nx, V::p_ngit}, state::vectrs<V>().x.data, owner);
  });
  if (!found) throw py::value_error("no size variant " + suffix);
  return out;
}

}  // namespace
}  // namespace ruvo::module

PYBIND11_MODULE(_ruvo, m) {
  using namespace ruvo;
  using namespace ruvo::module;
  try {
    py::module_::import("numpy");
    py::module_::import("numpy.core.multiarray");
  } catch (py::error_already_set&) {
    PyErr_Clear();
    throw py::import_error("can't initialize module _ruvo (failed to import numpy)");
  }
  py::object error =
      py::reinterpret_steal<py::object>(PyErr_NewException("_ruvo.error", PyExc_Exception, nullptr));
  m.attr("__ruvo_error") = error;
  // Ctrl-C reaches a long analysis through the interpreter's signal check,
  // taken with the interpreter lock (a typed analysis runs without it).
  io::set_interrupt_check([] {
    py::gil_scoped_acquire host;
    return PyErr_CheckSignals() != 0;
  });
  kernels::set_default_blas_threads();
  hold_engine_across_fork();

  py::class_<Routine> routine_class(m, "routine", py::is_final());
  routine_class.def("__call__", &Routine::operator())
      .def_property_readonly("__doc__", &Routine::doc)
      .def("__repr__", [](const Routine& r) { return "<routine " + r.qualified_name() + ">"; });

  py::class_<Container> container_class(m, "container", py::dynamic_attr(), py::is_final());
  container_class
      .def("__setattr__",
           [](py::object self, py::str name, py::object value) {
             const Container& c = self.cast<const Container&>();
             if (c.fixed.count(name))
               throw py::attribute_error("cannot replace " + c.name + "." + std::string(name));
             return generic_setattr(self, name, value);
           })
      .def("__delattr__",
           [](py::object self, py::str name) {
             const Container& c = self.cast<const Container&>();
             if (c.fixed.count(name))
               throw py::attribute_error("cannot delete " + c.name + "." + std::string(name));
             if (PyObject_GenericSetAttr(self.ptr(), name.ptr(), nullptr) != 0) throw py::error_already_set();
           })
      .def("__repr__", [](const Container& c) { return "<container " + c.name + ">"; });

  py::class_<BlockObject> block_class(m, "shared_block", py::dynamic_attr(), py::is_final());
  block_class
      .def("__getattr__",
           [](py::object self, const std::string& name) -> py::object {
             if (const MemberRow* mr = self.cast<const BlockObject&>().find(name))
               return member_view(*mr, self);
             throw py::attribute_error(name);
           })
      .def("__setattr__",
           [error](py::object self, py::str name, py::object value) {
             if (const MemberRow* mr = self.cast<const BlockObject&>().find(name)) {
               assign_member(*mr, value, self, error);
               return py::object(py::none());
             }
             return generic_setattr(self, name, value);
           })
      .def("__dir__",
           [](const BlockObject& b) {
             py::list names;
             for (const auto& mr : b.row->members) names.append(mr.name);
             return names;
           })
      .def("__repr__", [](const BlockObject& b) { return "<shared block /" + b.row->name + "/>"; });

  for (py::handle cls : {py::handle(routine_class), py::handle(container_class), py::handle(block_class)})
    forbid_host_creation(cls);

  std::string doc =
      "Linear buckling and vibration analysis of stiffened, laminated skin panels.\n\n"
      "Routine containers (members):\n";
  std::string constants_doc = "Constant containers:\n";
  for_each_variant([&]<class V>() {
    const std::string suffix = V::suffix;
    py::object prt_obj = py::cast(Container{"prtnds" + suffix, {}});
    Container& prt_ref = prt_obj.cast<Container&>();
    add_constants(prt_obj, prt_ref, {{"p_la11", V::p_la11}, {"p_la22", V::p_la22}, {"p_lb11", V::p_lb11}});
    add_constants(prt_obj, prt_ref, size_constants<V>());
    add_routines(prt_obj, prt_ref, variant_rows<V>(), bound_constants<V>(), error);
    m.attr(("prtnds" + suffix).c_str()) = prt_obj;
    doc += container_summary(prt_ref.name, prt_obj);

    py::object consts = py::cast(Container{"ruvo" + suffix, {}});
    add_constants(consts, consts.cast<Container&>(), size_constants<V>());
    m.attr(("ruvo" + suffix).c_str()) = consts;
    constants_doc += container_summary("ruvo" + suffix, consts);
  });
  py::object utils = py::cast(Container{"ruvoutils", {}});
  add_routines(utils, utils.cast<Container&>(), utility_rows(), bound_constants<ruvo31>(), error);
  m.attr("ruvoutils") = utils;
  py::object conventions = conventions_container();
  m.attr("conventions") = conventions;
  constants_doc += container_summary("conventions", conventions);
  doc += container_summary("ruvoutils", utils) + "\n" + constants_doc +
         "\nShared blocks (members and dimensions):\n";

  for (const auto& b : visible_blocks()) {
    m.attr(b.name.c_str()) = py::cast(BlockObject{&b});
    doc += block_summary(b);
  }
  m.doc() = doc;
  m.def("_results", [m](const std::string& suffix) {
    const EngineLock lock;
    return analysis_results(suffix, m);
  });
  m.def(
      "release_memory",
      [] {
        const EngineLock lock;
        release_kept_memory();
      },
      "Hands back to the system the pages the engine keeps resident between analyses (the coupling "
      "storage a large analysis wrote, up to 256 MiB for each variant, and every matrix of the typed "
      "entry's own large variant); the next analysis faults in what it needs again.");
  m.def(
      "_variant_limits",
      [](const std::string& suffix) {
        py::dict limits;
        for_each_typed_variant([&]<class V>() {
          if (suffix == V::suffix)
            for (const auto& [name, value] : size_constants<V>()) limits[py::str(name)] = value;
        });
        if (limits.empty()) throw py::value_error("_variant_limits: no size variant " + suffix);
        return limits;
      },
      "The size constants of a variant the typed entry takes (conventions.typed_variants), by name.");
  add_typed_entry(m);
}
