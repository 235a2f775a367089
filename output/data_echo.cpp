// The sections of the data echo that the buckling and the vibration echo share.
#include "output/data_echo.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "io/listing.hpp"
#include "listing/patched_format.hpp"
#include "model/blocks.hpp"

namespace ruvo::echo {

using io::write_listing;

template <class V>
DataFault echo_fault(int strips, std::initializer_list<std::pair<std::string_view, Columns>> arrays) {
  if (DataFault f = grid_fault<V>(0)) return f;
  if (DataFault f = function_range_fault<V>()) return f;
  if (DataFault f = suppression_count_fault<V>(state::f07ind.numsup)) return f;
  if (state::f07ind.seiten)
    if (DataFault f = edge_code_fault()) return f;
  if (DataFault f = node_number_fault<V>()) return f;
  for (const auto& [name, a] : arrays)
    if (a.extent(1) < strips) {
      DataFault f;
      f.code = FaultCode::inconsistent;
      f.kind = FaultKind::below;
      f.name = name;
      f.value = a.extent(1);
      f.low = strips;
      return f;
    }
  return {};
}

// Edge lines: "0" fixed, "-" free, "*" a function the analysis does not carry.
template <class V>
void print_boundary_conditions() {
  static const io::Format heading(
      "(///1X,'BOUNDARY CONDITIONS, EDGE-WISE'//                          7X,'0 = FIXED'/7X,'- = FREE'/      "
      "                               7X,'* = NOT SPECIFIED'//                                          "
      "7X,'BOUNDARY !',5X,'W',5X,'U',5X,'V',                             3X,'BETA  GAMMA  W,X OR "
      "W,Y'/7X,9('-'),'+',44('-'))");
  static listing::PatchedFormat<5, 8> edgfmt("  (7X,' Y = 0   !',12X,'ANTI-SYMMETRY') ");
  static constexpr std::string_view edgbeg[4] = {"Y = 0   ", "X = 0   ", "Y = LY  ", "X = LX  "};
  static constexpr std::string_view edgcon[3] = {"!',15X,'SYMMETRY')      ", "!',5A6, A10)            ",
                                                 "!',12X,'ANTI-SYMMETRY') "};

  const auto& ki = state::f07ind.ki;
  const auto& ina = state::f07ina<V>();
  write_listing(heading);
  for (int i = 1; i <= 4; ++i) {
    edgfmt.patch(2, 1, edgbeg[i - 1]);
    const std::int32_t c = ki(1, i);
    if (c != 0) {
      write_listing(edgfmt.patch(3, 3, edgcon[c < 0 ? 0 : 2]).format());
      continue;
    }
    std::string_view kzei[6] = {"-", "-", "-", "-", "-", "-"};
    for (int j = 2; j <= 7; ++j)
      if (ki(j, i) > 0) kzei[ki(j, i) - 1] = "0";
    auto not_specified = [&](int from, int to) {
      for (int p = from; p <= to; ++p) kzei[p - 1] = "*";
    };
    if (ina.knfun == 1)
      not_specified(2, 5);
    else if (ina.knfun == 3)
      ina.ku(2) == 2 ? not_specified(4, 5) : not_specified(2, 3);
    write_listing(edgfmt.patch(3, 3, edgcon[1]).format(),
                  {kzei[0], kzei[1], kzei[2], kzei[3], kzei[4], kzei[5]});
  }
}

void print_suppressions() {
  static const io::Format heading(
      "(///1X,'NUMBER OF SUPPRESSED FREEDOMS:',I7//5X,'NODE',10X,         'FUNCTION CODE NUMBER',7X,'KIND OF "
      "DERIVATIVE'/2X,                'NODY  NODX',7X,'1=W,2=U,3=V,4=BETA,5=GAMMA',4X,                  "
      "'1=F,2=FX,3=FY,4=FXY')");
  static const io::Format row("(1H ,I4,I6,16X,I3,23X,I3)");
  const auto& ind = state::f07ind;
  write_listing(heading, {ind.numsup});
  for (int i = 1; i <= ind.numsup; ++i)
    write_listing(row, {ind.idesup(3, i), ind.idesup(4, i), ind.idesup(1, i), ind.idesup(2, i)});
}

template <class V>
void print_grid() {
  static const io::Format codes("(///1X,'CODE NUMBERS OF THE FUNCTIONAL DOFS INVOLVED:',5I3)");
  static const io::Format lines(
      "(///1X,'NUMBER OF SUBDIVISION LINES:   IN X-DIRECTION',I5/         32X,'IN Y-DIRECTION',I5)");
  static const io::Format lengths(
      "(//1X,'SUBDIVISION LENGTHS IN   X-DIRECTION',                      9X,'Y-DIRECTION')");
  static const io::Format both("(21X,F15.5,5X,F15.5)");
  static const io::Format x_only("(21X,F15.5)");
  static const io::Format y_only("(41X,F15.5)");
  static const io::Format rule("(24X,35('-'))");
  static const io::Format edges("(1X,'EDGE LENGTHS',8X,F15.5,5X,F15.5)");

  const auto& ina = state::f07ina<V>();
  std::vector<io::Value> ku;
  for (int k = 1; k <= ina.knfun; ++k) ku.emplace_back(ina.ku(k));
  write_listing(codes, ku);
  write_listing(lines, {ina.mx, ina.my});
  write_listing(lengths);
  // Subdivisions per direction; a grid of no lines has none.
  const int mxm = std::max(ina.mx - 1, 0), mym = std::max(ina.my - 1, 0);
  for (int i = 1; i <= std::min(mxm, mym); ++i) write_listing(both, {ina.a(i), ina.b(i)});
  for (int i = std::min(mxm, mym) + 1; i <= std::max(mxm, mym); ++i) {
    if (ina.mx > ina.my) write_listing(x_only, {ina.a(i)});
    if (ina.my > ina.mx) write_listing(y_only, {ina.b(i)});
  }
  write_listing(rule);
  float lx = 0, ly = 0;
  for (int i = 1; i <= mxm; ++i) lx += ina.a(i);
  for (int i = 1; i <= mym; ++i) ly += ina.b(i);
  write_listing(edges, {lx, ly});
}

// In degrees, as the block holds them.
void print_angles() {
  static const io::Format angles(
      "(///1X,'ANGLES OF OBLIQUENESS',6X,'X''-X:',F9.4/                   28X,'Y''-Y:',F9.4)");
  const auto& ang = state::f07ang;
  write_listing(angles, {ang.alfax, ang.alfay});
}

// A radius above 1.0E19 in magnitude prints as INFINITE.
void print_curvature() {
  static const io::Format heading("(///1X,'SHELL CURVATURE:')");
  static listing::PatchedFormat<4, 8> radfmt(" (7X,  'RX  = ',3X,'INFINITE')  ");
  static constexpr std::string_view radbeg[3] = {"RX  = ',", "RY  = ',", "RXY = ',"};
  static constexpr std::string_view radcon[2] = {"3X,'INFINITE')  ", "E14.7)"};
  write_listing(heading);
  for (int i = 1; i <= 3; ++i) {
    const float r = state::f07inb.radii(i);
    radfmt.patch(2, 1, radbeg[i - 1]);
    if (std::fabs(r) > 1.0e19f)
      write_listing(radfmt.patch(3, 2, radcon[0]).format());
    else
      write_listing(radfmt.patch(3, 2, radcon[1]).format(), {r});
  }
}

// A packed symmetric 3x3 matrix (M11, M12, M22, M13, M23, M33) by rows.
void print_matrix(Columns m, int column) {
  static const io::Format rows("(3(1X,3E20.7/)/)");
  static constexpr int idhh[9] = {1, 2, 4, 2, 3, 5, 4, 5, 6};
  std::vector<io::Value> hh;
  for (int k : idhh) hh.emplace_back(m(k, column));
  write_listing(rows, hh);
}

void print_strip_line(int l) {
  static const io::Format strip("(1H0,6X,'ELEMENT STRIP : ',I2)");
  write_listing(strip, {l});
}

void print_stiffness(int strips, bool strip_lines, bool shear, Columns bb, Columns dd, Columns bd, Columns rr,
                     Columns dr, Columns br, Columns ss) {
  static const io::Format heading("(////1X,'STIFFNESS COEFFICIENTS'//7X,'MEMBRANE')");
  static const io::Format bending("(1H0,6X,'BENDING')");
  static const io::Format coupling("(1H0,6X,'MEMBRANE-BENDING COUPLING')");
  static const io::Format adjustment("(1H0,6X,'BENDING ADJUSTMENT')");
  static const io::Format membrane_adjustment("(1H0,6X,'MEMBRANE-BENDING ADJUSTMENT COUPLING')");
  static const io::Format bending_adjustment("(1H0,6X,'BENDING-BENDING ADJUSTMENT COUPLING')");
  static const io::Format transverse("(1H0,6X,'TRANSVERSE SHEAR')");
  static const io::Format shear_rows("(2(1X,2E20.7/)/)");

  write_listing(heading);
  for (int l = 1; l <= strips; ++l) {
    if (strip_lines) print_strip_line(l);
    print_matrix(bb, l);
  }
  for (const auto& [title, m] : {std::pair{&bending, dd}, std::pair{&coupling, bd}})
    for (int l = 1; l <= strips; ++l) {
      write_listing(*title);
      if (strip_lines) print_strip_line(l);
      print_matrix(m, l);
    }
  if (!shear) return;
  // The adjustment matrices of the last strip only.
  for (const auto& [title, m] : {std::pair{&adjustment, rr}, std::pair{&membrane_adjustment, br},
                                 std::pair{&bending_adjustment, dr}}) {
    write_listing(*title);
    if (strips > 0) print_matrix(m, strips);
  }
  for (int l = 1; l <= strips; ++l) {
    write_listing(transverse);
    write_listing(shear_rows, {ss(1, l), ss(2, l), ss(2, l), ss(3, l)});
  }
}

// Stiffeners along x (on y-lines, piece " X''") or along y (" Y''").
template <int N>
void print_stiffeners(std::string_view direction, const Array<std::int32_t, N>& lines,
                      const Array<float, 4, N>& stiffness, int count) {
  static listing::PatchedFormat<12, 4> disfmt("(///,1X,'DISCRETE STIFFNESSES IN Y''-DIRECTION')");
  static const io::Format heading(
      "(//7X,'NO OF',6X,'!',34X,'STIFFNESSES:'/1X,                        'SUBDIVISION LINE "
      "!',9X,'AXIAL',13X,'COUPLING',                   11X,'BENDING',12X,'TORSION'/1X,17('-'),'+',75('-'))");
  static const io::Format row("(1H ,I9,8X,'!',4E19.7)");
  if (count == 0) return;
  write_listing(disfmt.patch(9, 1, direction).format());
  write_listing(heading);
  for (int i = 1; i <= count; ++i)
    write_listing(row, {lines(i), stiffness(1, i), stiffness(2, i), stiffness(3, i), stiffness(4, i)});
}

// Field k (1 NX, 2 NXY, 3 NY) of a node array, in blocks of six x-lines.
template <class V>
void print_force_field(const Array<float, V::p_nodes, 3>& f, int k) {
  static listing::PatchedFormat<4, 4> force(" (/30X,'NX')    ");
  static constexpr std::string_view forcec[3] = {"NX')    ", "NXY')   ", "NY')    "};
  static listing::PatchedFormat<7, 4> forfmt("(/11X,2(10X,'IX=',I2,4X))   ");
  static constexpr std::string_view forcon[6] = {"X,1(", "X,2(", "X,3(", "X,4(", "X,5(", "X,6("};
  static const io::Format row("(1H ,6X,'IY=',I2,6E19.7)");

  const auto& ina = state::f07ina<V>();
  write_listing(force.patch(3, 2, forcec[k - 1]).format());
  for (int ju = 1; ju <= ina.mx; ju += 6) {
    const int jo = std::min(ju + 5, ina.mx), n = jo - ju + 1;
    std::vector<io::Value> values;
    for (int ix = ju; ix <= jo; ++ix) values.emplace_back(ix);
    write_listing(forfmt.patch(2, 1, forcon[n - 1]).format(), values);
    for (int iy = 1; iy <= ina.my; ++iy) {
      values.assign({iy});
      for (int ix = ju; ix <= jo; ++ix) values.emplace_back(f(ina.leit(iy, ix), k));
      write_listing(row, values);
    }
  }
}

template <class V>
void print_prescribed_forces() {
  static const io::Format prescribed("(///1X,'PRESCRIBED MEMBRANE FORCES')");
  write_listing(prescribed);
  for (int k = 1; k <= 3; ++k) print_force_field<V>(state::cpfest<V>().pfest, k);
}

template <class V>
void print_variable_forces() {
  static const io::Format variable("(///1X,'DISTRIBUTION OF VARIABLE MEMBRANE FORCES')");
  write_listing(variable);
  for (int k = 1; k <= 3; ++k) print_force_field<V>(state::cpvar<V>().pvar, k);
}

template <class V>
void print_stiffener_tables(int nox, int noy) {
  const auto& dis = state::f07dis<V>();
  print_stiffeners(" X''", dis.istx, dis.steifx, nox);
  print_stiffeners(" Y''", dis.isty, dis.steify, noy);
}

template <class V>
void print_model() {
  if (state::f07ind.seiten) print_boundary_conditions<V>();
  if (state::f07ind.numsup > 0) print_suppressions();
  print_grid<V>();
  print_angles();
  print_curvature();
}

#define RUVO_INSTANTIATE(V)                                                                           \
  template DataFault echo_fault<V>(int, std::initializer_list<std::pair<std::string_view, Columns>>); \
  template void print_model<V>();                                                                     \
  template void print_stiffener_tables<V>(int, int);                                                  \
  template void print_prescribed_forces<V>();                                                         \
  template void print_variable_forces<V>();
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo::echo
