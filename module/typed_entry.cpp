// The package's typed engine entry `_ruvo._analyse`: private, outside the
// routine tables and the module summary. Keyword arguments in, a dict out;
// the keywords are rows (`analysis_rows`), the result dicts declared key by
// key (`result_keys`): the conversion, the error texts, the docstring and
// the stub `_ruvo.pyi` (`_ruvo._typed_declarations`) come from them.
#include "module/typed_entry.hpp"

#include <pybind11/numpy.h>

#include <array>
#include <cmath>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "driver/typed_run.hpp"
#include "model/laminate_column.hpp"
#include "model/variants.hpp"
#include "module/engine_lock.hpp"
#include "module/keyword_rows.hpp"

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

// `value` as a C-ordered numpy array of T with `columns` per row (0: flat).
template <class T>
using NumpyRows = py::array_t<T, py::array::c_style | py::array::forcecast>;

template <class T>
NumpyRows<T> rows_of(py::handle value, const std::string& name, py::ssize_t columns) {
  auto a = NumpyRows<T>::ensure(value);
  if (!a) throw py::value_error("_analyse: " + name + " is not an array of numbers");
  if (columns > 0 && a.ndim() == 1 && a.size() == columns) a = a.reshape({py::ssize_t(1), columns});
  if (columns > 0 && (a.ndim() != 2 || a.shape(1) != columns))
    throw py::value_error("_analyse: " + name + " needs " + std::to_string(columns) + " values per row");
  return a;
}

template <class T, std::size_t N>
std::vector<std::array<T, N>> fixed_rows(py::handle value, const std::string& name) {
  auto a = rows_of<T>(value, name, py::ssize_t(N));
  std::vector<std::array<T, N>> out(std::size_t(a.shape(0)));
  for (std::size_t r = 0; r < out.size(); ++r) std::copy_n(a.data(py::ssize_t(r), 0), N, out[r].begin());
  return out;
}

// The single row of a keyword that holds one.
template <class Row>
Row single_row(std::vector<Row>&& rows, const std::string& name) {
  if (rows.size() != 1) throw py::value_error("_analyse: " + name + " needs one row of values");
  return rows.front();
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

template <class T>
const char* dtype_name() {
  return std::is_same_v<T, float> ? "float32" : std::is_same_v<T, double> ? "float64" : "int32";
}

// The converters of the keyword rows: what each takes, and how the
// docstring and the stub name it.

template <class T>
struct Scalar {
  using type = T;
  static T from(py::handle v, const std::string& name) { return value_of<T>(v, name); }
  static std::string annotation() {
    return std::is_same_v<T, std::string> ? "str"
           : std::is_same_v<T, bool>      ? "bool"
           : std::is_integral_v<T>        ? "int"
                                          : "float";
  }
  static std::string form() { return std::is_same_v<T, std::string> ? "text" : annotation(); }
};

// One of a few names, each standing for a value of E (the table `Names`).
template <class Names>
struct Choice {
  using type = typename std::remove_cvref_t<decltype(Names::values)>::value_type::second_type;
  static type from(py::handle v, const std::string& name) {
    const std::string given = value_of<std::string>(v, name);
    for (const auto& [n, value] : Names::values)
      if (given == n) return value;
    throw py::value_error("_analyse: " + name + " is " + listed(" or "));
  }
  static std::string listed(const char* last) {
    std::string s;
    for (std::size_t k = 0; k < Names::values.size(); ++k)
      s += (k == 0 ? "" : k + 1 == Names::values.size() ? last : ", ") + std::string(Names::values[k].first);
    return s;
  }
  static std::string annotation() { return "str"; }
  static std::string form() { return listed(" or "); }
};

struct Kinds {
  static constexpr std::array<std::pair<std::string_view, AnalysisKind>, 2> values{
      {{"buckling", AnalysisKind::buckling}, {"vibration", AnalysisKind::vibration}}};
};

// The eigen-solution by name: "auto" the fastest, or one of the two.
struct EigenSolutions {
  static constexpr std::array<std::pair<std::string_view, EigenSolution>, 3> values{
      {{"auto", EigenSolution::fastest}, {"subspace", EigenSolution::subspace}, {"lanczos", EigenSolution::lanczos}}};
};

// The project names the run's files inside its directory: no path in it.
struct FileName {
  using type = std::string;
  static type from(py::handle v, const std::string& name) {
    const std::string text = value_of<std::string>(v, name);
    if (text.find_first_of(std::string("/\\\0", 3)) != std::string::npos || text.find("..") != std::string::npos)
      throw py::value_error("_analyse: " + name + " = " + std::string(py::repr(v)) +
                            " is a file name in the directory: no path separator, no '..'");
    return text;
  }
  static std::string annotation() { return "str"; }
  static std::string form() { return "a file name"; }
};

// The directory of the files: a text or a path (bytes decoded as the file system does).
struct Directory {
  using type = std::string;
  static type from(py::handle v, const std::string& name) {
    try {
      return py::module_::import("os").attr("fsdecode")(v).cast<std::string>();
    } catch (py::error_already_set& e) {
      if (!e.matches(PyExc_Exception)) throw;
      throw py::type_error("_analyse: " + name + " = " + std::string(py::repr(v)) + " is not a path");
    }
  }
  static std::string annotation() { return "str | bytes | os.PathLike[str] | os.PathLike[bytes]"; }
  static std::string form() { return "a path"; }
};

template <class T>
struct Flat {
  using type = std::vector<T>;
  static type from(py::handle v, const std::string& name) {
    auto a = rows_of<T>(v, name, 0);
    return type(a.data(), a.data() + a.size());
  }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return std::string("(n,) ") + dtype_name<T>(); }
};

template <class T, std::size_t N>
struct Rows {
  using type = std::vector<std::array<T, N>>;
  static type from(py::handle v, const std::string& name) { return fixed_rows<T, N>(v, name); }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(n, " + std::to_string(N) + ") " + dtype_name<T>(); }
};

template <class T, std::size_t N>
struct Row {
  using type = std::array<T, N>;
  static type from(py::handle v, const std::string& name) { return single_row(fixed_rows<T, N>(v, name), name); }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(" + std::to_string(N) + ",) " + dtype_name<T>(); }
};

// Whole numbers within lo..hi: one row of N, or a list.
template <std::size_t N, double lo, double hi>
struct WholeRow {
  using type = std::array<std::int32_t, N>;
  static type from(py::handle v, const std::string& name) {
    const auto row = single_row(fixed_rows<double, N>(v, name), name);
    type out{};
    for (std::size_t k = 0; k < N; ++k) out[k] = whole(row[k], lo, hi, name);
    return out;
  }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(" + std::to_string(N) + ",) whole numbers"; }
};

template <double lo, double hi>
struct WholeList {
  using type = std::vector<std::int32_t>;
  static type from(py::handle v, const std::string& name) {
    type out;
    for (double x : Flat<double>::from(v, name)) out.push_back(whole(x, lo, hi, name));
    return out;
  }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(n,) whole numbers"; }
};

// The four edges' codes (x0, xl, y0, yl): the edge's mode first (0 explicit
// conditions, negative a symmetry plane, positive an antisymmetry plane; 1 or
// 2 about the far or the near edge), then six condition codes 0..6.
struct Edges {
  using type = std::array<std::array<std::int32_t, 7>, 4>;
  static type from(py::handle v, const std::string& name) {
    const auto rows = fixed_rows<double, 7>(v, name);
    if (rows.size() != 4) throw py::value_error("_analyse: " + name + " needs four rows (x0, xl, y0, yl)");
    type out{};
    for (std::size_t e = 0; e < 4; ++e) {
      out[e][0] = whole(rows[e][0], -2.0, 2.0, name + " mode");
      for (std::size_t k = 1; k < 7; ++k) out[e][k] = whole(rows[e][k], 0.0, 6.0, name);
    }
    return out;
  }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(4, 7) whole numbers"; }
};

// Stiffeners as rows (line, EA, ES, EI, GJ, mass).
struct Stiffeners {
  using type = std::vector<TypedStiffener>;
  static type from(py::handle v, const std::string& name) {
    type out;
    for (const auto& row : fixed_rows<double, 6>(v, name)) {
      TypedStiffener s;
      s.line = whole(row[0], 1.0, 1.0e6, name + " line");
      for (std::size_t k = 0; k < 4; ++k) s.stiffness[k] = float(row[k + 1]);
      s.mass = float(row[5]);
      out.push_back(s);
    }
    return out;
  }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(k, 6): line, EA, ES, EI, GJ, mass"; }
};

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

// Further load cases: a list of (variable, fixed) pairs.
struct LoadCaseList {
  using type = std::vector<TypedLoads>;
  static type from(py::handle v, const std::string& name) {
    type out;
    for (const py::handle item : items_of(v, name)) {
      const py::list pair = items_of(item, "a load case of " + name);
      if (py::len(pair) != 2) throw py::value_error("_analyse: " + name + " holds (variable, fixed) pairs");
      out.push_back({fixed_rows<float, 3>(pair[0], name + " variable"), fixed_rows<float, 3>(pair[1], name + " fixed")});
    }
    return out;
  }
  static std::string annotation() { return "Sequence[tuple[ArrayLike, ArrayLike]]"; }
  static std::string form() { return "[(variable, fixed), ...]"; }
};

// The full modes of `matrices`' forms: rows (ix + iy) by modes, stored by columns.
struct Projected {
  using type = ProjectedModes;
  static type from(py::handle v, const std::string& name) {
    const auto a = rows_of<double>(v, name, 0);
    if (a.ndim() != 2 || a.shape(1) < 1)
      throw py::value_error("_analyse: " + name + " needs the modes as the columns of a 2-dimensional array");
    const auto rows = a.shape(0), modes = a.shape(1);
    type out{std::vector<double>(std::size_t(a.size())), std::int32_t(modes)};
    for (py::ssize_t k = 0; k < modes; ++k)
      for (py::ssize_t i = 0; i < rows; ++i) out.values[std::size_t(k * rows + i)] = *a.data(i, k);
    return out;
  }
  static std::string annotation() { return "ArrayLike"; }
  static std::string form() { return "(ix + iy, m) float64"; }
};

// `value` as a dict, refused when it is none (a dict view of another
// object would read it as a dict's storage).
py::dict dict_of(py::handle value, const std::string& name) {
  if (!py::isinstance<py::dict>(value)) throw py::type_error("_analyse: " + name + " is not a dict");
  return py::reinterpret_borrow<py::dict>(value);
}

// A dict filled into a struct by its own keyword rows (`Declared::rows`),
// declared in the stub as the TypedDict `Declared::name`.
template <class Declared>
struct Fields {
  using type = typename Declared::owner;
  static type from(py::handle v, const std::string& name) {
    return fields_from<typename Declared::owner>(dict_of(v, name), Declared::rows, name);
  }
  static std::string annotation() { return Declared::name; }
  static std::string form() { return "a dict"; }
};

template <class C>
struct Optional {
  using type = std::optional<typename C::type>;
  static type from(py::handle v, const std::string& name) { return C::from(v, name); }
  static std::string annotation() { return C::annotation(); }
  static std::string form() { return C::form(); }
};

template <class C>
struct List {
  using type = std::vector<typename C::type>;
  static type from(py::handle v, const std::string& name) {
    type out;
    for (const py::handle one : items_of(v, name)) out.push_back(C::from(one, C::item_name));
    return out;
  }
  static std::string annotation() { return "Sequence[" + C::annotation() + "]"; }
  static std::string form() { return "[" + C::form() + ", ...]"; }
};

// The stringer section of the crippling routines (shared block stringercom).
struct StringerSectionRows {
  using owner = TypedStringerSection;
  static constexpr const char* name = "StringerSection";
  static constexpr auto rows = std::make_tuple(
      keyword<Scalar<std::int32_t>>("type", &owner::type, "1 the T profile, 2 the omega"),
      keyword<Scalar<float>>("footth", &owner::footth, "the foot's thickness"),
      keyword<Scalar<float>>("webth", &owner::webth, "the web's thickness"),
      keyword<Scalar<float>>("footwidth", &owner::footwidth, "the foot's width"),
      keyword<Scalar<float>>("webheight", &owner::webheight, "the web's height"),
      keyword<Row<float, 6>>("ddst", &owner::ddst, "the web's bending stiffness D11, D12, D22, D16, D26, D66"),
      keyword<Scalar<float>>("chordwidth", &owner::chordwidth, "the omega chord's width"),
      keyword<Scalar<float>>("chordth", &owner::chordth, "the omega chord's thickness"),
      keyword<Scalar<float>>("alpha", &owner::alpha, "the omega web's angle, degrees"),
      keyword<Optional<Row<float, 6>>>("chord_ddst", &owner::chord_ddst,
                                       "the omega chord's own bending stiffness (none: the web's)"));
};
static_assert(every_member_has_one_row<TypedStringerSection>(StringerSectionRows::rows));

// Rates of the linear inputs along one direction; any key left out: unchanged.
struct DirectionRows {
  using owner = LinearDirection;
  static constexpr const char* name = "Direction";
  static constexpr auto rows = std::make_tuple(
      keyword<Rows<float, 4>>("stringers", &owner::stringers, "rates of EA, ES, EI, GJ per stringer"),
      keyword<Rows<float, 4>>("frames", &owner::frames, "rates of EA, ES, EI, GJ per frame"),
      keyword<Rows<float, laminate_column::stiffness_rows>>("laminates", &owner::laminates, "rates of the packed laminates"),
      keyword<Rows<float, laminate_column::shear_rows>>("shear", &owner::shear, "rates of the shear sets"),
      keyword<Rows<float, 3>>("variable", &owner::variable, "rates of the variable Nx, Nxy, Ny"),
      keyword<Rows<float, 3>>("fixed", &owner::fixed, "rates of the fixed Nx, Nxy, Ny"),
      keyword<Flat<float>>("density", &owner::density, "rate of the skin mass per area (one value)"),
      keyword<Flat<float>>("stringer_masses", &owner::stringer_masses, "rates of the stringer masses"),
      keyword<Flat<float>>("frame_masses", &owner::frame_masses, "rates of the frame masses"));
};
static_assert(every_member_has_one_row<LinearDirection>(DirectionRows::rows));

struct Direction : Fields<DirectionRows> {
  static constexpr const char* item_name = "direction";
};

// The keywords of the typed entry, one row each. None stands for the
// member's default; x_lengths, y_lengths and laminates are required.
constexpr auto analysis_rows = std::make_tuple(
    keyword<Scalar<std::string>>("variant", &TypedAnalysis::variant, "the size variant: 19, 21, 25, 31 or 49"),
    keyword<Choice<Kinds>>("kind", &TypedAnalysis::kind, "the analysis"),
    keyword<Scalar<std::string>>("title", &TypedAnalysis::title, "the listing's title"),
    keyword<FileName>("project", &TypedAnalysis::project, "names the run's files in the directory"),
    keyword<Directory>("directory", &TypedAnalysis::directory, "where the run's files go (none: no file at all)"),
    keyword<Scalar<bool>>("listing", &TypedAnalysis::listing, "write the listing (needs a directory)"),
    keyword<Scalar<std::int32_t>>("modes", &TypedAnalysis::modes, "the modes asked (neigrq)"),
    keyword<Scalar<std::int32_t>>("iterate", &TypedAnalysis::iterate,
                                  "the subspace's vectors (neigit; 0: max(2 modes, modes + 8) within p_ngit)"),
    keyword<Scalar<std::int32_t>>("itab", &TypedAnalysis::itab, "the listing's tables"),
    keyword<Scalar<std::int32_t>>("indplt", &TypedAnalysis::indplt, "write the mode-shape file (not 0)"),
    keyword<Scalar<bool>>("mempri", &TypedAnalysis::mempri, "list the memory used"),
    keyword<Flat<float>>("x_lengths", &TypedAnalysis::x_lengths, "the x-subdivision lengths (mx - 1)", true),
    keyword<Flat<float>>("y_lengths", &TypedAnalysis::y_lengths, "the y-subdivision lengths (my - 1)", true),
    keyword<Edges>("edges", &TypedAnalysis::edges, "the engine's codes of the edges x0, xl, y0, yl"),
    keyword<WholeRow<5, 0.0, 5.0>>("freedoms", &TypedAnalysis::freedoms, "ku: W, U, V, BETA, GAMMA (0..5)"),
    keyword<Row<float, 3>>("radii", &TypedAnalysis::radii, "rx, ry, rxy (1e29: flat)"),
    keyword<Row<float, 2>>("skew", &TypedAnalysis::skew, "the angles of obliqueness alfax, alfay, degrees"),
    keyword<Rows<float, laminate_column::stiffness_rows>>("laminates", &TypedAnalysis::laminates,
                             "A, -B, D packed 11, 12, 22, 13, 23, 33 per laminate (by rows: at most p_abdstf)", true),
    keyword<Rows<float, laminate_column::shear_rows>>("shear", &TypedAnalysis::shear, "the transverse-shear and adjustment sets (matsw)"),
    keyword<WholeList<1.0, 1.0e6>>("element_rows", &TypedAnalysis::element_rows,
                                   "the laminate (1-based) of each element row (none: all 1)"),
    keyword<WholeList<1.0, 1.0e6>>("element_laminates", &TypedAnalysis::element_laminates,
                                   "the laminate (1-based) of each element, element rows fastest "
                                   "(none: by rows)"),
    keyword<Stiffeners>("stringers", &TypedAnalysis::stringers, "the stringers on y-lines"),
    keyword<Stiffeners>("frames", &TypedAnalysis::frames, "the frames on x-lines"),
    keyword<Rows<float, 3>>("variable", &TypedAnalysis::variable,
                            "Nx, Nxy, Ny scaled by the load factor: one row, or one per node "
                            "(each element takes its first node's)"),
    keyword<Rows<float, 3>>("fixed", &TypedAnalysis::fixed, "Nx, Nxy, Ny carried unscaled: likewise"),
    keyword<Scalar<float>>("density", &TypedAnalysis::density, "the skin mass per unit area (vibration)"),
    keyword<Scalar<double>>("shift", &TypedAnalysis::shift, "vibration: solve K + shift M, less the shift"),
    keyword<LoadCaseList>("more_load_cases", &TypedAnalysis::more_load_cases,
                          "buckling: further cases on the same stiffness"),
    keyword<Scalar<bool>>("crippling", &TypedAnalysis::crippling, "buckling: the stringer walls' crippling"),
    keyword<Scalar<bool>>("global_buckling", &TypedAnalysis::global_buckling,
                          "buckling: the column buckling (needs the crippling of a T stringer)"),
    keyword<Optional<Fields<StringerSectionRows>>>("stringer_section", &TypedAnalysis::stringer_section,
                                                   "the stringer section of the checks"),
    keyword<Scalar<float>>("stringer_pitch", &TypedAnalysis::stringer_pitch, "the column buckling's pitch"),
    keyword<Scalar<bool>>("matrices", &TypedAnalysis::matrices, "the assembly alone: the matrices, no solution"),
    keyword<Scalar<bool>>("tangential", &TypedAnalysis::tangential, "the tangential parts of the modes too"),
    keyword<Projected>("projected", &TypedAnalysis::projected, "with matrices: their forms for these full modes"),
    keyword<List<Direction>>("directions", &TypedAnalysis::directions, "the forms' rates along these"),
    keyword<Scalar<bool>>("forms", &TypedAnalysis::forms, "the forms of the solution's own full modes"),
    keyword<Choice<EigenSolutions>>("eigensolver", &TypedAnalysis::eigen,
                                    "without a listing: the fastest, or one of the two"));
static_assert(every_member_has_one_row<TypedAnalysis>(analysis_rows),
              "every member of TypedAnalysis needs one keyword row, and every row its own member");

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

// The dicts the entry returns, declared key by key: the stub's TypedDicts.
// A key the code sets must be declared here (checked when the module is
// built); the package's tests compare every result with the declarations.
enum class Dict { result, load_case, critical, crippling, matrices, profile, forms };

constexpr std::array<std::string_view, 7> dict_names = {"AnalyseResult", "LoadCase", "Critical", "Crippling",
                                                        "Matrices",      "Profile",  "Forms"};

struct ResultKey {
  Dict dict;
  std::string_view key, annotation;
  bool always = true;  // false: only with the keywords that ask for it
};

constexpr auto f8_array = "NDArray[np.float64]";
constexpr ResultKey result_keys[] = {
    {Dict::result, "stage", "str"},  // the failing stage's routine ("" finished)
    {Dict::result, "code", "int"},   // that stage's own code
    {Dict::result, "outcome", "Literal[\"finished\", \"failed\", \"no eigenvalues\"]"},
    {Dict::result, "messages", "list[str]"},  // the engine's standard-output lines
    {Dict::result, "ix", "int"},
    {Dict::result, "iy", "int"},
    {Dict::result, "eigenvalues", f8_array},  // (modes,)
    {Dict::result, "w", f8_array},            // (ix, modes)
    {Dict::result, "forces", f8_array},       // (modes, 5): Nx, Nxy, Ny at node 1, stringer and frame force
    {Dict::result, "cases", "list[LoadCase]"},
    {Dict::result, "crippling", "Crippling"},
    {Dict::result, "w_freedoms", "NDArray[np.int32]"},  // (my, mx, 2, 2)
    {Dict::result, "matrices", "Matrices", false},
    {Dict::result, "forms", "Forms", false},
    {Dict::result, "tangential", f8_array, false},  // (iy, modes)
    {Dict::load_case, "eigenvalues", f8_array},
    {Dict::load_case, "w", f8_array},
    {Dict::load_case, "forces", f8_array},
    {Dict::load_case, "critical", "Critical"},
    {Dict::load_case, "global_load", "float"},
    {Dict::load_case, "global_converged", "bool"},
    {Dict::load_case, "global_passes", "int"},
    {Dict::load_case, "critical_skin_force", "float"},
    {Dict::critical, "outcome", "Literal[\"modes\", \"appended\", \"none below bound\", \"not converged\"]"},
    {Dict::critical, "mode", "int"},
    {Dict::critical, "bound", "float"},
    {Dict::critical, "products", "int"},
    {Dict::crippling, "force", "float"},
    {Dict::crippling, "stress", "float"},
    {Dict::crippling, "chord_force", "float"},
    {Dict::matrices, "a11", "Profile"},
    {Dict::matrices, "a22", "Profile"},
    {Dict::matrices, "b11", "Profile"},
    {Dict::matrices, "fixed", "Profile"},
    {Dict::matrices, "a21", f8_array},  // (iy, ix)
    {Dict::profile, "values", f8_array},
    {Dict::profile, "levels", "NDArray[np.int32]"},
    {Dict::profile, "band", "int"},
    {Dict::forms, "stiffness", f8_array},  // (m, m)
    {Dict::forms, "load", f8_array},
    {Dict::forms, "stiffness_rates", f8_array},  // (directions, m, m)
    {Dict::forms, "load_rates", f8_array},
};

consteval bool declared(Dict dict, std::string_view key) {
  for (const ResultKey& k : result_keys)
    if (k.dict == dict && k.key == key) return true;
  return false;
}

// Not constexpr: reaching it while the module is compiled stops the build.
inline void the_result_dict_declares_no_such_key() {}

// A key of result dict D, checked against the declarations when compiled.
template <Dict D>
struct Key {
  std::string_view text;
  consteval Key(const char* k) : text(k) {
    if (!declared(D, text)) the_result_dict_declares_no_such_key();
  }
};

// A result dict whose keys are the declared ones of D.
template <Dict D>
struct Result {
  py::dict dict;
  template <class T>
  void set(Key<D> key, T&& value) {
    dict[py::str(key.text.data(), key.text.size())] = std::forward<T>(value);
  }
};

py::dict profile_dict(ProfileMatrix&& p) {
  Result<Dict::profile> d;
  const auto stored = py::ssize_t(p.values.size()), order = py::ssize_t(p.levels.size());
  d.set("values", array_taking(std::move(p.values), {stored}));
  d.set("levels", array_taking(std::move(p.levels), {order}));
  d.set("band", p.band);
  return d.dict;
}

// The forms of m modes and their rates along the directions.
py::dict forms_dict(const ModalForms& at, const std::vector<ModalForms>& along, py::ssize_t m) {
  Result<Dict::forms> forms;
  forms.set("stiffness", array_of(at.stiffness, {m, m}).attr("T"));
  forms.set("load", array_of(at.load, {m, m}).attr("T"));
  const auto rates = py::ssize_t(along.size());
  std::vector<double> stiffness, load;  // rate k, then column, then row: each matrix transposed
  for (const ModalForms& f : along) {
    stiffness.insert(stiffness.end(), f.stiffness.begin(), f.stiffness.end());
    load.insert(load.end(), f.load.begin(), f.load.end());
  }
  forms.set("stiffness_rates", array_of(stiffness, {rates, m, m}).attr("transpose")(0, 2, 1));
  forms.set("load_rates", array_of(load, {rates, m, m}).attr("transpose")(0, 2, 1));
  return forms.dict;
}

// The assembled full system (matrices=True), the tangential mode parts
// (tangential=True) and the forms (projected modes, or forms=True), beside
// the entries every analysis returns.
void add_sensitivity_results(Result<Dict::result>& out, const TypedAnalysis& in, TypedResult& r) {
  if (in.forms && r.status.finished()) {
    out.set("forms", forms_dict(*r.forms, r.rates, py::ssize_t(r.eigenvalues.size())));
  } else if (in.matrices && in.projected.modes > 0 && r.status.finished()) {
    const auto rows = py::ssize_t(in.projected.values.size()) / in.projected.modes;
    if (!r.forms)
      throw py::value_error("_analyse: projected has " + std::to_string(rows) + " rows, the assembled system " +
                            std::to_string(r.ix + r.iy) + " freedoms");
    out.set("forms", forms_dict(*r.forms, r.rates, in.projected.modes));
  } else if (in.matrices && r.status.finished()) {
    TypedMatrices& m = r.matrices;
    Result<Dict::matrices> d;
    const py::ssize_t coupled = m.a21.empty() ? 0 : r.iy;
    d.set("a21", array_taking(std::move(m.a21), {py::ssize_t(r.ix), coupled}).attr("T"));
    d.set("a11", profile_dict(std::move(m.a11)));
    d.set("a22", profile_dict(std::move(m.a22)));
    d.set("b11", profile_dict(std::move(m.b11)));
    d.set("fixed", profile_dict(std::move(m.fixed)));
    out.set("matrices", d.dict);
  }
  if ((in.tangential || in.forms) && r.status.finished())
    out.set("tangential", array_of(r.x2, {py::ssize_t(r.eigenvalues.size()), py::ssize_t(r.iy)}).attr("T"));
}

// Where a case's critical load factor was found: "modes" (among those
// asked), "appended" (beyond them, as the last mode), "none below bound",
// "not converged"; its mode (1-based, 0: none), the bound and the products
// of the search beyond the modes.
py::dict critical_dict(const CriticalMode& c) {
  static constexpr const char* outcome[] = {"modes", "appended", "none below bound", "not converged"};
  Result<Dict::critical> d;
  d.set("outcome", outcome[int(c.outcome)]);
  d.set("mode", c.mode);
  d.set("bound", c.bound);
  d.set("products", c.products);
  return d.dict;
}

Result<Dict::result> result_dict(const TypedResult& r, std::size_t mx, std::size_t my) {
  static constexpr const char* outcome[] = {"finished", "failed", "no eigenvalues"};
  Result<Dict::result> out;
  out.set("stage", stage_routine(r.status.stage));
  out.set("code", r.status.code);
  out.set("outcome", outcome[int(r.outcome)]);
  py::list lines;
  std::size_t start = 0;
  while (start < r.messages.size()) {
    const std::size_t end = r.messages.find('\n', start);
    lines.append(r.messages.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? r.messages.size() : end + 1;
  }
  out.set("messages", lines);
  out.set("ix", r.ix);
  out.set("iy", r.iy);
  const auto modes = py::ssize_t(r.eigenvalues.size());
  out.set("eigenvalues", array_of(r.eigenvalues, {modes}));
  out.set("w", array_of(r.w, {modes, py::ssize_t(r.ix)}).attr("T"));  // column k: mode k+1
  out.set("forces", array_of(r.forces, {modes, 5}));
  py::list cases;
  for (const TypedCaseResult& c : r.cases) {
    Result<Dict::load_case> d;
    const auto n = py::ssize_t(c.eigenvalues.size());
    d.set("eigenvalues", array_of(c.eigenvalues, {n}));
    d.set("w", array_of(c.w, {n, py::ssize_t(r.ix)}).attr("T"));
    d.set("forces", array_of(c.forces, {n, 5}));
    d.set("critical", critical_dict(c.critical));
    d.set("global_load", c.global_load);
    d.set("global_converged", c.global_converged);
    d.set("global_passes", c.global_passes);
    d.set("critical_skin_force", c.critical_skin_force);
    cases.append(d.dict);
  }
  out.set("cases", cases);
  Result<Dict::crippling> crippling;
  crippling.set("force", r.checks.crippling_force);
  crippling.set("stress", r.checks.crippling_stress);
  crippling.set("chord_force", r.checks.chord_force);
  out.set("crippling", crippling.dict);
  out.set("w_freedoms", r.w_freedoms.empty() ? array_of(r.w_freedoms, {0, 0, 2, 2})
                                             : array_of(r.w_freedoms, {py::ssize_t(my), py::ssize_t(mx), 2, 2}));
  return out;
}

py::dict analyse(const py::kwargs& kw) {
  const TypedAnalysis in = fields_from<TypedAnalysis>(kw, analysis_rows, "");
  Result<Dict::result> out;
  bool found = false;
  for_each_typed_variant([&]<class V>() {
    if (in.variant != V::suffix) return;
    found = true;
    const std::string fault = typed_fault<V>(in);
    if (!fault.empty()) throw py::value_error("_analyse: " + fault);
    TypedResult r;
    try {
      const EngineLock lock;
      // The engine's own work: other Python threads run meanwhile.
      py::gil_scoped_release engine_work;
      r = run_typed<V>(in);
    } catch (const std::bad_alloc&) {
      PyErr_SetString(PyExc_MemoryError, ("_analyse: the system gives too little memory for the analysis of " +
                                          std::to_string(in.x_lengths.size()) + " x " +
                                          std::to_string(in.y_lengths.size()) + " elements (variant " +
                                          in.variant + ")")
                                             .c_str());
      throw py::error_already_set();
    }
    if (PyErr_Occurred()) throw py::error_already_set();  // the host's KeyboardInterrupt
    out = result_dict(r, in.x_lengths.size() + 1, in.y_lengths.size() + 1);
    add_sensitivity_results(out, in, r);
  });
  if (!found) throw py::value_error("_analyse: no size variant " + in.variant);
  return out.dict;
}

// The declarations of the stub: the keywords, and each TypedDict as
// (name, [(key, Python type, required, doc)]).
py::dict declarations() {
  py::list dicts;
  dicts.append(py::make_tuple(StringerSectionRows::name, rows_declared(StringerSectionRows::rows)));
  dicts.append(py::make_tuple(DirectionRows::name, rows_declared(DirectionRows::rows)));
  for (std::size_t d = 0; d < dict_names.size(); ++d) {
    py::list keys;
    for (const ResultKey& k : result_keys)
      if (std::size_t(k.dict) == d) keys.append(py::make_tuple(k.key, k.annotation, k.always, ""));
    dicts.append(py::make_tuple(dict_names[d], keys));
  }
  return py::dict(py::arg("keywords") = rows_declared(analysis_rows), py::arg("dicts") = dicts);
}

std::string entry_doc() {
  return "One whole analysis from keyword arguments, its outcome and results in a dict\n"
         "(module/README.md). None for a keyword stands for its default.\n\nKeywords:\n" +
         rows_doc(analysis_rows) + "\nstringer_section keys:\n" + rows_doc(StringerSectionRows::rows) +
         "\nKeys of each of the directions:\n" + rows_doc(DirectionRows::rows);
}

}  // namespace

void add_typed_entry(py::module_& m) {
  static const std::string doc = entry_doc();
  m.def("_analyse", [](const py::kwargs& kw) { return analyse(kw); }, doc.c_str());
  m.def("_typed_declarations", &declarations,
        "The typed entry's keywords and result dicts as the stub _ruvo.pyi declares them.");
}

}  // namespace ruvo::module
