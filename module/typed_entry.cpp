// The package's typed engine entry `_ruvo._analyse`: private, outside the
// routine tables and the module summary. Keyword arguments in, a dict out
// (see module/README.md for the signature); new keywords can join without
// changing its shape.
#include "module/typed_entry.hpp"

#include <pybind11/numpy.h>

#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "driver/typed_run.hpp"
#include "model/laminate_column.hpp"
#include "model/variants.hpp"
#include "module/engine_lock.hpp"

namespace ruvo::module {

namespace {
// A fresh mutex replaces the lock in a forked child: there the lock taken
// before the fork is owned by a thread id the child no longer has.
std::recursive_mutex* engine_mutex_now = new std::recursive_mutex;
}  // namespace

std::recursive_mutex& engine_mutex() { return *engine_mutex_now; }

void hold_engine_across_fork() {
  const py::cpp_function before([] {
    if (engine_mutex().try_lock()) return;
    py::gil_scoped_release waiting;  // the analysis running meanwhile takes the interpreter lock briefly
    engine_mutex().lock();
  });
  const py::cpp_function after_in_parent([] { engine_mutex().unlock(); });
  const py::cpp_function after_in_child([] { engine_mutex_now = new std::recursive_mutex; });
  py::module_::import("os").attr("register_at_fork")(py::arg("before") = before,
                                                     py::arg("after_in_parent") = after_in_parent,
                                                     py::arg("after_in_child") = after_in_child);
}

namespace {

const std::set<std::string> keywords = {
    "variant", "kind", "title", "project", "directory", "listing", "modes", "iterate", "itab", "indplt",
    "mempri", "x_lengths", "y_lengths", "edges", "freedoms", "radii", "skew", "laminates", "shear",
    "element_rows", "stringers", "frames", "variable", "fixed", "density", "shift",
    // load cases and stringer checks
    "more_load_cases", "crippling", "global_buckling", "stringer_section", "stringer_pitch",
    // design sensitivities
    "matrices", "tangential", "projected", "directions", "forms",
    // the eigen-solution
    "eigensolver"};

// `value` as a scalar of type T, refused with the keyword's name when it is
// none (pybind11's own failure names no keyword).
template <class T>
T value_of(py::handle value, const std::string& name) {
  try {
    return value.cast<T>();
  } catch (const py::cast_error&) {
    const char* what = std::is_same_v<T, std::string> ? "a text"
                       : std::is_same_v<T, bool>      ? "true or false"
                       : std::is_integral_v<T>        ? "a 32-bit integer"
                                                      : "a number";
    throw py::type_error("_analyse: " + name + " = " + std::string(py::repr(value)) + " is not " + what);
  }
}

// The eigen-solution by name: "auto" the fastest, or one of the two.
EigenSolution eigen_solution(const py::handle& value) {
  const std::string name = value_of<std::string>(value, "eigensolver");
  if (name == "auto") return EigenSolution::fastest;
  if (name == "subspace") return EigenSolution::subspace;
  if (name == "lanczos") return EigenSolution::lanczos;
  throw py::value_error("_analyse: eigensolver is auto, subspace or lanczos");
}

// `value` as a C-ordered numpy array of T with `columns` per row (0: flat).
template <class T>
using Rows = py::array_t<T, py::array::c_style | py::array::forcecast>;

template <class T>
Rows<T> rows_of(py::handle value, const char* name, py::ssize_t columns) {
  auto a = Rows<T>::ensure(value);
  if (!a) throw py::value_error(std::string("_analyse: ") + name + " is not an array of numbers");
  if (columns > 0 && a.ndim() == 1 && a.size() == columns) a = a.reshape({py::ssize_t(1), columns});
  if (columns > 0 && (a.ndim() != 2 || a.shape(1) != columns))
    throw py::value_error(std::string("_analyse: ") + name + " needs " + std::to_string(columns) +
                          " values per row");
  return a;
}

template <class T, std::size_t N>
std::vector<std::array<T, N>> fixed_rows(py::handle value, const char* name) {
  auto a = rows_of<T>(value, name, py::ssize_t(N));
  std::vector<std::array<T, N>> out(std::size_t(a.shape(0)));
  for (std::size_t r = 0; r < out.size(); ++r) std::copy_n(a.data(py::ssize_t(r), 0), N, out[r].begin());
  return out;
}

template <class T>
std::vector<T> flat(py::handle value, const char* name) {
  auto a = rows_of<T>(value, name, 0);
  return std::vector<T>(a.data(), a.data() + a.size());
}

// `value` as a dict, refused when it is none (a dict view of another
// object would read it as a dict's storage).
py::dict dict_of(py::handle value, const std::string& name) {
  if (!py::isinstance<py::dict>(value)) throw py::type_error("_analyse: " + name + " is not a dict");
  return py::reinterpret_borrow<py::dict>(value);
}

// The items of a sequence as a list that owns them (a sequence may make its
// items on access and drop them again), refused when it is none.
py::list items_of(py::handle value, const std::string& name) {
  if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value))
    throw py::type_error("_analyse: " + name + " is not a sequence");
  try {
    return py::list(py::reinterpret_borrow<py::object>(value));
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_Exception)) throw;  // an interrupt stays one
    throw py::type_error("_analyse: " + name + " is not a sequence (" + std::string(py::str(e.value())) + ")");
  }
}

// `x` as a whole number within lo..hi, refused naming `what` (read as
// doubles first, so that 1.5 or 1e10 is not cast silently).
std::int32_t whole(double x, double lo, double hi, const std::string& what) {
  if (!(x >= lo && x <= hi && x == std::floor(x)))
    throw py::value_error("_analyse: " + what + " = " + std::string(py::repr(py::float_(x))) +
                          " is not a whole number in " + std::to_string(std::int64_t(lo)) + ".." +
                          std::to_string(std::int64_t(hi)));
  return std::int32_t(x);
}

// Rows of N whole numbers within lo..hi.
template <std::size_t N>
std::vector<std::array<std::int32_t, N>> whole_rows(py::handle value, const char* name, double lo, double hi) {
  std::vector<std::array<std::int32_t, N>> out;
  for (const auto& row : fixed_rows<double, N>(value, name)) {
    std::array<std::int32_t, N> r{};
    for (std::size_t k = 0; k < N; ++k) r[k] = whole(row[k], lo, hi, name);
    out.push_back(r);
  }
  return out;
}

// The four edges' codes (x0, xl, y0, yl): the edge's mode first (0 explicit
// conditions, negative a symmetry plane, positive an antisymmetry plane; 1 or
// 2 about the far or the near edge), then six condition codes 0..6.
std::array<std::array<std::int32_t, 7>, 4> edge_rows(py::handle value) {
  const auto rows = fixed_rows<double, 7>(value, "edges");
  if (rows.size() != 4) throw py::value_error("_analyse: edges needs four rows (x0, xl, y0, yl)");
  std::array<std::array<std::int32_t, 7>, 4> out{};
  for (std::size_t e = 0; e < 4; ++e) {
    out[e][0] = whole(rows[e][0], -2.0, 2.0, "edges mode");
    for (std::size_t k = 1; k < 7; ++k) out[e][k] = whole(rows[e][k], 0.0, 6.0, "edges");
  }
  return out;
}

// The single row of a keyword that holds one (freedoms, radii, skew).
template <class Row>
Row single_row(std::vector<Row>&& rows, const char* name) {
  if (rows.size() != 1) throw py::value_error(std::string("_analyse: ") + name + " needs one row of values");
  return rows.front();
}

// Stiffeners as rows (line, EA, ES, EI, GJ, mass).
std::vector<TypedStiffener> stiffeners(py::handle value, const char* name) {
  std::vector<TypedStiffener> out;
  for (const auto& row : fixed_rows<double, 6>(value, name)) {
    whole(row[0], 1.0, 1.0e6, std::string(name) + " line");
    TypedStiffener s;
    s.line = std::int32_t(row[0]);
    for (int k = 0; k < 4; ++k) s.stiffness[std::size_t(k)] = float(row[std::size_t(k) + 1]);
    s.mass = float(row[5]);
    out.push_back(s);
  }
  return out;
}

// Further load cases: a list of (variable, fixed) pairs, each as `variable` and `fixed`.
std::vector<TypedLoads> load_cases(py::handle value) {
  std::vector<TypedLoads> out;
  for (const py::handle item : items_of(value, "more_load_cases")) {
    const py::list pair = items_of(item, "a load case of more_load_cases");
    if (py::len(pair) != 2) throw py::value_error("_analyse: more_load_cases holds (variable, fixed) pairs");
    out.push_back({fixed_rows<float, 3>(pair[0], "more_load_cases variable"),
                   fixed_rows<float, 3>(pair[1], "more_load_cases fixed")});
  }
  return out;
}

// The stringer section: a dict with "type" and the members of stringercom.
TypedStringerSection stringer_section(py::handle value) {
  const auto d = dict_of(value, "stringer_section");
  const std::set<std::string> names = {"type", "footth",     "webth",   "footwidth", "webheight",
                                       "ddst", "chordwidth", "chordth", "alpha", "chord_ddst"};
  for (auto item : d)
    if (!names.count(py::str(item.first)))
      throw py::type_error("_analyse: stringer_section has no " + std::string(py::str(item.first)));
  auto real = [&](const char* k) { return d.contains(k) ? value_of<float>(d[k], std::string("stringer_section ") + k) : 0.0f; };
  TypedStringerSection s;
  s.type = d.contains("type") ? value_of<std::int32_t>(d["type"], "stringer_section type") : 0;
  s.footth = real("footth"), s.webth = real("webth"), s.footwidth = real("footwidth");
  s.webheight = real("webheight"), s.chordwidth = real("chordwidth"), s.chordth = real("chordth");
  s.alpha = real("alpha");
  if (d.contains("ddst"))
    s.ddst = single_row(fixed_rows<float, 6>(d["ddst"], "stringer_section ddst"), "stringer_section ddst");
  if (d.contains("chord_ddst"))
    s.chord_ddst =
        single_row(fixed_rows<float, 6>(d["chord_ddst"], "stringer_section chord_ddst"), "stringer_section chord_ddst");
  return s;
}

// The full modes of `matrices`' forms: rows (ix + iy) by modes, stored by columns.
void projected_modes(py::handle value, TypedAnalysis& in) {
  const auto a = rows_of<double>(value, "projected", 0);
  if (a.ndim() != 2 || a.shape(1) < 1)
    throw py::value_error("_analyse: projected needs the modes as the columns of a 2-dimensional array");
  const auto rows = a.shape(0), modes = a.shape(1);
  in.modes_projected = std::int32_t(modes);
  in.projected.resize(std::size_t(a.size()));
  for (py::ssize_t k = 0; k < modes; ++k)
    for (py::ssize_t i = 0; i < rows; ++i) in.projected[std::size_t(k * rows + i)] = *a.data(i, k);
}

// Rates of the linear inputs: a list of dicts with any of "stringers",
// "frames" (rows EA, ES, EI, GJ), "variable", "fixed" (rows Nx, Nxy, Ny),
// "laminates", "shear" (rows as the keywords'), "density" (one value),
// "stringer_masses", "frame_masses" (one per stiffener).
std::vector<LinearDirection> directions(py::handle value) {
  std::vector<LinearDirection> out;
  const std::set<std::string> names = {"stringers", "frames",  "variable",        "fixed",       "laminates",
                                       "shear",     "density", "stringer_masses", "frame_masses"};
  for (const py::handle item : items_of(value, "directions")) {
    const auto d = dict_of(item, "a direction");
    for (auto entry : d)
      if (!names.count(py::str(entry.first)))
        throw py::type_error("_analyse: a direction has no " + std::string(py::str(entry.first)));
    LinearDirection r;
    if (d.contains("stringers")) r.stringers = fixed_rows<float, 4>(d["stringers"], "direction stringers");
    if (d.contains("frames")) r.frames = fixed_rows<float, 4>(d["frames"], "direction frames");
    if (d.contains("variable")) r.variable = fixed_rows<float, 3>(d["variable"], "direction variable");
    if (d.contains("fixed")) r.fixed = fixed_rows<float, 3>(d["fixed"], "direction fixed");
    namespace lc = laminate_column;
    if (d.contains("laminates"))
      r.laminates = fixed_rows<float, lc::stiffness_rows>(d["laminates"], "direction laminates");
    if (d.contains("shear")) r.shear = fixed_rows<float, lc::shear_rows>(d["shear"], "direction shear");
    if (d.contains("density")) r.density = flat<float>(d["density"], "direction density");
    if (d.contains("stringer_masses")) r.stringer_masses = flat<float>(d["stringer_masses"], "direction stringer_masses");
    if (d.contains("frame_masses")) r.frame_masses = flat<float>(d["frame_masses"], "direction frame_masses");
    out.push_back(std::move(r));
  }
  return out;
}

// The directory of the files: a text or a path (bytes decoded as the file system does).
std::string directory_of(py::handle value) {
  try {
    return py::module_::import("os").attr("fsdecode")(value).cast<std::string>();
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_Exception)) throw;
    throw py::type_error("_analyse: directory = " + std::string(py::repr(value)) + " is not a path");
  }
}

// The project names the run's files inside its directory: no path in it.
std::string project_of(py::handle value) {
  const std::string name = value_of<std::string>(value, "project");
  if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos || name.find("..") != std::string::npos)
    throw py::value_error("_analyse: project = " + std::string(py::repr(value)) +
                          " is a file name in the directory: no path separator, no '..'");
  return name;
}

TypedAnalysis analysis_from(const py::kwargs& kw) {
  for (auto item : kw)
    if (!keywords.count(py::str(item.first)))
      throw py::type_error("_analyse: unknown keyword " + std::string(py::str(item.first)));
  for (const char* k : {"x_lengths", "y_lengths", "laminates"})
    if (!kw.contains(k)) throw py::type_error(std::string("_analyse: missing keyword ") + k);
  auto has = [&](const char* k) { return kw.contains(k) && !kw[k].is_none(); };
  TypedAnalysis in;
  const std::string kind = has("kind") ? value_of<std::string>(kw["kind"], "kind") : "buckling";
  if (kind != "buckling" && kind != "vibration")
    throw py::value_error("_analyse: kind is buckling or vibration");
  in.kind = kind == "vibration" ? AnalysisKind::vibration : AnalysisKind::buckling;
  if (has("title")) in.title = value_of<std::string>(kw["title"], "title");
  if (has("project")) in.project = project_of(kw["project"]);
  if (has("directory")) in.directory = directory_of(kw["directory"]);
  if (has("listing")) in.listing = value_of<bool>(kw["listing"], "listing");
  if (has("modes")) in.modes = value_of<std::int32_t>(kw["modes"], "modes");
  if (has("iterate")) in.iterate = value_of<std::int32_t>(kw["iterate"], "iterate");
  if (has("itab")) in.itab = value_of<std::int32_t>(kw["itab"], "itab");
  if (has("indplt")) in.indplt = value_of<std::int32_t>(kw["indplt"], "indplt");
  if (has("mempri")) in.mempri = value_of<bool>(kw["mempri"], "mempri");
  in.x_lengths = flat<float>(kw["x_lengths"], "x_lengths");
  in.y_lengths = flat<float>(kw["y_lengths"], "y_lengths");
  if (has("edges")) in.edges = edge_rows(kw["edges"]);
  if (has("freedoms")) in.freedoms = single_row(whole_rows<5>(kw["freedoms"], "freedoms", 0.0, 5.0), "freedoms");
  if (has("radii")) {
    const auto r = single_row(fixed_rows<float, 3>(kw["radii"], "radii"), "radii");
    in.rx = r[0], in.ry = r[1], in.rxy = r[2];
  }
  if (has("skew")) {
    const auto s = single_row(fixed_rows<float, 2>(kw["skew"], "skew"), "skew");
    in.skew_x = s[0], in.skew_y = s[1];
  }
  in.laminates = fixed_rows<float, laminate_column::stiffness_rows>(kw["laminates"], "laminates");
  if (has("shear")) in.shear = fixed_rows<float, laminate_column::shear_rows>(kw["shear"], "shear");
  if (has("element_rows"))
    for (double lam : flat<double>(kw["element_rows"], "element_rows"))
      in.element_rows.push_back(whole(lam, 1.0, 1.0e6, "element_rows"));
  if (has("stringers")) in.stringers = stiffeners(kw["stringers"], "stringers");
  if (has("frames")) in.frames = stiffeners(kw["frames"], "frames");
  in.variable = has("variable") ? fixed_rows<float, 3>(kw["variable"], "variable")
                                : std::vector<std::array<float, 3>>{{0.0f, 0.0f, 0.0f}};
  in.fixed = has("fixed") ? fixed_rows<float, 3>(kw["fixed"], "fixed")
                          : std::vector<std::array<float, 3>>{{0.0f, 0.0f, 0.0f}};
  if (has("more_load_cases")) in.more_load_cases = load_cases(kw["more_load_cases"]);
  if (has("crippling")) in.crippling = value_of<bool>(kw["crippling"], "crippling");
  if (has("global_buckling")) in.global_buckling = value_of<bool>(kw["global_buckling"], "global_buckling");
  if (has("stringer_section")) in.stringer_section = stringer_section(kw["stringer_section"]);
  if (has("stringer_pitch")) in.stringer_pitch = value_of<float>(kw["stringer_pitch"], "stringer_pitch");
  if (has("density")) in.density = value_of<float>(kw["density"], "density");
  if (has("shift")) in.shift = value_of<double>(kw["shift"], "shift");
  if (has("matrices")) in.matrices = value_of<bool>(kw["matrices"], "matrices");
  if (has("tangential")) in.tangential = value_of<bool>(kw["tangential"], "tangential");
  if (has("projected")) projected_modes(kw["projected"], in);
  if (has("directions")) in.directions = directions(kw["directions"]);
  if (has("forms")) in.forms = value_of<bool>(kw["forms"], "forms");
  if (has("eigensolver")) in.eigen = eigen_solution(kw["eigensolver"]);
  return in;
}

// A numpy array of `shape` holding `v`, whose size must be the shape's
// (a result that disagrees is refused, not copied past its end).
template <class T>
py::array_t<T> array_of(const std::vector<T>& v, std::vector<py::ssize_t> shape) {
  py::ssize_t size = 1;
  for (py::ssize_t n : shape) size *= n;
  if (size != py::ssize_t(v.size()))
    throw std::logic_error("_analyse: a result of " + std::to_string(v.size()) + " values for " +
                           std::to_string(size) + " places");
  py::array_t<T> a(shape);
  std::copy(v.begin(), v.end(), a.mutable_data());
  return a;
}

// A numpy array that takes over the storage of `v` (no copy: the matrices
// are large next to the assembly that made them).
template <class T>
py::array_t<T> array_taking(std::vector<T>&& v, std::vector<py::ssize_t> shape) {
  auto* owned = new std::vector<T>(std::move(v));
  py::capsule free_when_done(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  return py::array_t<T>(shape, owned->data(), free_when_done);
}

py::dict profile_dict(ProfileMatrix&& p) {
  py::dict d;
  const auto stored = py::ssize_t(p.values.size()), order = py::ssize_t(p.levels.size());
  d["values"] = array_taking(std::move(p.values), {stored});
  d["levels"] = array_taking(std::move(p.levels), {order});
  d["band"] = p.band;
  return d;
}

// The forms of m modes and their rates along the directions.
py::dict forms_dict(const ModalForms& at, const std::vector<ModalForms>& along, py::ssize_t m) {
  py::dict forms(py::arg("stiffness") = array_of(at.stiffness, {m, m}).attr("T"),
                 py::arg("load") = array_of(at.load, {m, m}).attr("T"));
  const auto rates = py::ssize_t(along.size());
  std::vector<double> stiffness, load;  // rate k, then column, then row: each matrix transposed
  for (const ModalForms& f : along) {
    stiffness.insert(stiffness.end(), f.stiffness.begin(), f.stiffness.end());
    load.insert(load.end(), f.load.begin(), f.load.end());
  }
  forms["stiffness_rates"] = array_of(stiffness, {rates, m, m}).attr("transpose")(0, 2, 1);
  forms["load_rates"] = array_of(load, {rates, m, m}).attr("transpose")(0, 2, 1);
  return forms;
}

// The assembled full system (matrices=True), the tangential mode parts
// (tangential=True) and the forms (projected modes, or forms=True), beside
// the entries every analysis returns.
void add_sensitivity_results(py::dict& out, const TypedAnalysis& in, TypedResult& r) {
  if (in.forms && r.status.finished()) {
    out["forms"] = forms_dict(*r.forms, r.rates, py::ssize_t(r.eigenvalues.size()));
  } else if (in.matrices && in.modes_projected > 0 && r.status.finished()) {
    const auto rows = py::ssize_t(in.projected.size()) / in.modes_projected;
    if (!r.forms)
      throw py::value_error("_analyse: projected has " + std::to_string(rows) + " rows, the assembled system " +
                            std::to_string(r.ix + r.iy) + " freedoms");
    out["forms"] = forms_dict(*r.forms, r.rates, in.modes_projected);
  } else if (in.matrices && r.status.finished()) {
    TypedMatrices& m = r.matrices;
    py::dict d;
    const py::ssize_t coupled = m.a21.empty() ? 0 : r.iy;
    d["a21"] = array_taking(std::move(m.a21), {py::ssize_t(r.ix), coupled}).attr("T");
    d["a11"] = profile_dict(std::move(m.a11));
    d["a22"] = profile_dict(std::move(m.a22));
    d["b11"] = profile_dict(std::move(m.b11));
    d["fixed"] = profile_dict(std::move(m.fixed));
    out["matrices"] = d;
  }
  if ((in.tangential || in.forms) && r.status.finished())
    out["tangential"] = array_of(r.x2, {py::ssize_t(r.eigenvalues.size()), py::ssize_t(r.iy)}).attr("T");
}

// Where a case's critical load factor was found: "modes" (among those
// asked), "appended" (beyond them, as the last mode), "none below bound",
// "not converged"; its mode (1-based, 0: none), the bound and the products
// of the search beyond the modes.
py::dict critical_dict(const CriticalMode& c) {
  static constexpr const char* outcome[] = {"modes", "appended", "none below bound", "not converged"};
  return py::dict(py::arg("outcome") = outcome[int(c.outcome)], py::arg("mode") = c.mode,
                  py::arg("bound") = c.bound, py::arg("products") = c.products);
}

py::dict result_dict(const TypedResult& r, std::size_t mx, std::size_t my) {
  py::dict out;
  out["stage"] = stage_routine(r.status.stage);
  out["code"] = r.status.code;
  py::list lines;
  std::size_t start = 0;
  while (start < r.messages.size()) {
    const std::size_t end = r.messages.find('\n', start);
    lines.append(r.messages.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? r.messages.size() : end + 1;
  }
  out["messages"] = lines;
  out["ix"] = r.ix;
  out["iy"] = r.iy;
  const auto modes = py::ssize_t(r.eigenvalues.size());
  out["eigenvalues"] = array_of(r.eigenvalues, {modes});
  out["w"] = array_of(r.w, {modes, py::ssize_t(r.ix)}).attr("T");  // column k: mode k+1
  out["forces"] = array_of(r.forces, {modes, 5});
  py::list cases;
  for (const TypedCaseResult& c : r.cases) {
    py::dict d;
    const auto n = py::ssize_t(c.eigenvalues.size());
    d["eigenvalues"] = array_of(c.eigenvalues, {n});
    d["w"] = array_of(c.w, {n, py::ssize_t(r.ix)}).attr("T");
    d["forces"] = array_of(c.forces, {n, 5});
    d["critical"] = critical_dict(c.critical);
    d["global_load"] = c.global_load;
    d["global_converged"] = c.global_converged;
    d["global_passes"] = c.global_passes;
    d["critical_skin_force"] = c.critical_skin_force;
    cases.append(d);
  }
  out["cases"] = cases;
  out["crippling"] =
      py::dict(py::arg("force") = r.checks.crippling_force, py::arg("stress") = r.checks.crippling_stress,
               py::arg("chord_force") = r.checks.chord_force);
  out["w_freedoms"] = r.w_freedoms.empty() ? array_of(r.w_freedoms, {0, 0, 2, 2})
                                           : array_of(r.w_freedoms, {py::ssize_t(my), py::ssize_t(mx), 2, 2});
  return out;
}

py::dict analyse(const py::kwargs& kw) {
  const std::string variant =
      kw.contains("variant") ? py::str(kw["variant"]).cast<std::string>() : std::string(default_variant);
  const TypedAnalysis in = analysis_from(kw);
  py::dict out;
  bool found = false;
  for_each_variant([&]<class V>() {
    if (variant != V::suffix) return;
    found = true;
    const std::string fault = typed_fault<V>(in);
    if (!fault.empty()) throw py::value_error("_analyse: " + fault);
    TypedResult r;
    {
      const EngineLock lock;
      // The engine's own work: other Python threads run meanwhile.
      py::gil_scoped_release engine_work;
      r = run_typed<V>(in);
    }
    if (PyErr_Occurred()) throw py::error_already_set();  // the host's KeyboardInterrupt
    out = result_dict(r, in.x_lengths.size() + 1, in.y_lengths.size() + 1);
    add_sensitivity_results(out, in, r);
  });
  if (!found) throw py::value_error("_analyse: no size variant " + variant);
  return out;
}

}  // namespace

void add_typed_entry(py::module_& m) {
  m.def("_analyse", [](const py::kwargs& kw) { return analyse(kw); });
}

}  // namespace ruvo::module
