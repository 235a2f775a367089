#include "output/buckling_listing.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "io/listing.hpp"
#include "listing/patched_format.hpp"
#include "model/blocks.hpp"
#include "model/zero_thresholds.hpp"

namespace ruvo {

namespace {

using io::write_listing;

// Forces of node 1 at load factor h, in the order Nx, Nxy, Ny.
template <class V>
std::array<float, 3> node_one_forces(float h) {
  const auto& pvar = state::cpvar<V>().pvar;
  const auto& pfest = state::cpfest<V>().pfest;
  return {pvar(1, 1) * h + pfest(1, 1), pvar(1, 2) * h + pfest(1, 2), pvar(1, 3) * h + pfest(1, 3)};
}

// The column header of a block of lines: n groups "IX=" with the line numbers.
void print_column_header(const std::vector<io::Value>& lines) {
  static listing::PatchedFormat<26, 1> header("(/11X, (10X,'IX=',I2,4X),)");
  static const io::Format digit("(I1)");
  const int n = int(lines.size());
  write_listing(header.patch(7, 1, digit.records({n}).front()).format(), lines);
}

void print_row(int r, const std::vector<float>& values) {
  static const io::Format row("(1H ,7X,'IY=',I1,6E19.7)");
  std::vector<io::Value> list{r};
  list.insert(list.end(), values.begin(), values.end());
  write_listing(row, list);
}

std::vector<io::Value> numbers(int first, int last) {
  std::vector<io::Value> v;
  for (int k = first; k <= last; ++k) v.emplace_back(k);
  return v;
}

// The skin's strains along x and y at node 1 under load factor h, from
// the membrane compliance: a stiffener's axial force is its axial stiffness
// times the strain along it.
template <class V>
std::array<float, 2> skin_strains(float h) {
  const auto& aij = state::f07aij.aij;
  const auto [nx, nxy, ny] = node_one_forces<V>(h);
  return {aij(1, 1) * nx + aij(2, 1) * ny + aij(3, 1) * nxy, aij(1, 2) * nx + aij(2, 2) * ny + aij(3, 2) * nxy};
}

template <class V>
void print_membrane_forces(float h) {
  static listing::PatchedFormat<28, 1> title("(/10X,'MEMBRANE FORCES NX ')");
  static const io::Format gap("(///)");
  static constexpr const char* component[3] = {"X ", "XY", "Y "};
  const auto& ina = state::f07ina<V>();
  const auto& pvar = state::cpvar<V>().pvar;
  const auto& pfest = state::cpfest<V>().pfest;
  for (int c = 1; c <= 3; ++c) {
    write_listing(title.patch(24, 2, component[c - 1]).format());
    for (int k = 1; k <= ina.mx; k += 6) {
      const int last = std::min(k + 5, ina.mx);
      print_column_header(numbers(k, last));
      std::vector<float> row;
      for (int r = 1; r <= ina.my; ++r) {
        row.clear();
        for (int l = k; l <= last; ++l) {
          const int n = ina.leit(r, l);
          row.push_back(pvar(n, c) * h + pfest(n, c));
        }
        print_row(r, row);
      }
      write_listing(gap);
    }
  }
}

template <class V>
void print_stiffener_forces(std::int32_t i, float h) {
  static const io::Format heading("(/1H0,'FORCES IN STIFENERS AT THE',I5,' . EIGENVALUE')");
  static const io::Format in_x("(1H0,10X,'STIFFENERS IN X-DIRECTION')");
  static const io::Format in_y("(1H0,10X,'STIFFENERS IN Y-DIRECTION')");
  const auto& dis = state::f07dis<V>();
  const auto& ina = state::f07ina<V>();
  if (dis.nox == 0 && dis.noy == 0) return;
  write_listing(heading, {i});
  const auto [strain_x, strain_y] = skin_strains<V>(h);
  if (dis.nox != 0) {
    write_listing(in_x);
    for (int k = 1; k <= ina.mx; k += 6) {
      const int last = std::min(k + 5, ina.mx);
      print_column_header(numbers(k, last));
      for (int s = 1; s <= dis.nox; ++s)
        print_row(dis.istx(s), std::vector<float>(std::size_t(last - k + 1), dis.steifx(1, s) * strain_x));
    }
  }
  if (dis.noy != 0) {
    write_listing(in_y);
    for (int kk = 1; kk <= dis.noy; kk += 6) {
      const int last = std::min(kk + 5, int(dis.noy));
      std::vector<io::Value> lines;
      std::vector<float> forces;
      for (int l = kk; l <= last; ++l) {
        lines.emplace_back(dis.isty(l));
        forces.push_back(dis.steify(1, l) * strain_y);
      }
      print_column_header(lines);
      for (int r = 1; r <= ina.my; ++r) print_row(r, forces);
    }
  }
}

}  // namespace

void print_statistics(std::int32_t ip, std::int32_t jac, double eps) {
  static const io::Format statistics(
      "(///'1',' STATISTICS OF INVERSE POWER METHOD:'//,       5X,'IP=',I3,', JAC =',I3/,       5X,'MAXIMUM "
      "CONTAMINATION OF HIGHER EIGENVECTORS BY LOWER',       ' ONES: EPSILN =',E12.4//)");
  static const io::Format computed("(' COMPUTED EIGENVALUES:'/)");
  write_listing(statistics, {ip, jac, eps});
  write_listing(computed);
}

template <class V>
bool uniform_load() {
  const auto& ina = state::f07ina<V>();
  const auto& pvar = state::cpvar<V>().pvar;
  const auto& pfest = state::cpfest<V>().pfest;
  const int nodes = ina.mx * ina.my;
  for (int c = 1; c <= 3; ++c)
    for (int n = 2; n <= nodes; ++n)
      if (!(std::fabs(pvar(n, c) - pvar(1, c)) < negligible_force) ||
          !(std::fabs(pfest(n, c) - pfest(1, c)) < negligible_force))
        return false;
  return true;
}

template <class V>
void print_eigenvalues(std::int32_t neigrq, bool uniform) {
  static const io::Format lambda(
      "(1X,I3,'.   LAMBDA=',6E19.6,',     NX=',6E19.6,                       ', NXY=',6E19.6,', "
      "NY=',6E19.6)");
  static const io::Format eigenvalue("(1X,I5,'. EIGENVALUE =',6E19.6)");
  const auto& pvar = state::cpvar<V>().pvar;
  const auto& pfest = state::cpfest<V>().pfest;
  for (int i = 1; i <= neigrq; ++i) {
    const double e = state::valus.elam(i);
    if (uniform)
      write_listing(lambda, {i, e, pvar(1, 1) * e + pfest(1, 1), pvar(1, 2) * e + pfest(1, 2),
                             pvar(1, 3) * e + pfest(1, 3)});
    else
      write_listing(eigenvalue, {i, e});
  }
}

template <class V>
std::array<double, 5> result_forces(float h) {
  const auto& ina = state::f07ina<V>();
  const auto& dis = state::f07dis<V>();
  const auto& pvar = state::cpvar<V>().pvar;
  const auto& pfest = state::cpfest<V>().pfest;
  // the first x-line of the last block of six, on the last y-line
  const int n = ina.leit(ina.my, 1 + 6 * ((ina.mx - 1) / 6));
  std::array<double, 5> f{};
  for (int c = 1; c <= 3; ++c) f[std::size_t(c - 1)] = pvar(n, c) * h + pfest(n, c);
  const auto [strain_x, strain_y] = skin_strains<V>(h);
  if (dis.nox != 0) f[3] = dis.steifx(1, dis.nox) * strain_x;
  if (dis.noy != 0) f[4] = dis.steify(1, 1 + 6 * ((dis.noy - 1) / 6)) * strain_y;
  return f;
}

template <class V>
void print_forces_at(std::int32_t i) {
  static const io::Format heading("(/1H0,'MEMBRANE FORCES AT THE ',I5,' . EIGENVALUE')");
  static const io::Format gap("(///)");
  const float h = float(state::valus.elam(i));
  // A panel without stringers or frames has no force in them, whatever an
  // earlier analysis left.
  write_listing(heading, {i});
  print_membrane_forces<V>(h);
  print_stiffener_forces<V>(i, h);
  write_listing(gap);
  const std::array<double, 5> f = result_forces<V>(h);
  for (int k = 1; k <= 5; ++k) state::pythres.membraneforces(i, k) = f[std::size_t(k - 1)];
}

#define RUVO_INSTANTIATE(V)                               \
  template bool uniform_load<V>();                        \
  template void print_eigenvalues<V>(std::int32_t, bool); \
  template std::array<double, 5> result_forces<V>(float); \
  template void print_forces_at<V>(std::int32_t);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
