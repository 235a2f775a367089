// Times the largest buckling analysis: 31 x 31 node lines of the 31 variant,
// W, U and V, 20 requested modes, a T-stringer along the middle y-line and a
// frame on the middle x-line, through callruvo. Then runs the stages again on
// the model the run left, one by one, for the breakdown: assembly (incs2),
// A22 factorisation, condensation (with its factorisation), subspace
// iteration, listing. Prints seconds per stage and the peak resident memory.
// Run from a scratch directory: it writes "bench   .out" and "RCA25".
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

#include "driver/callruvo.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/buckling_listing.hpp"
#include "output/eigvpr.hpp"
#include "solver/buckling.hpp"
#include "solver/cholesky.hpp"
#include "solver/condensation.hpp"

namespace {

using namespace ruvo;
using V = ruvo31;

template <class F>
double seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run_panel() {
  std::array<float, 36> matabd{};
  for (int lam = 0; lam < 2; ++lam) {  // isotropic skin 1 mm, 1.5 mm under the foot
    const float t = lam == 0 ? 1.0f : 1.5f, a = 70000.0f * t / 0.91f, d = 70000.0f * t * t * t / (12.0f * 0.91f);
    float* m = matabd.data() + 18 * lam;
    m[0] = m[2] = a, m[1] = 0.3f * a, m[5] = 0.35f * a;
    m[12] = m[14] = d, m[13] = 0.3f * d, m[17] = 0.35f * d;
  }
  const std::array<float, 4> stringer{1.4e7f, 0.0f, 1.0e9f, 1.0e6f}, frame{1.4e8f, 0.0f, 1.0e11f, 1.0e8f};
  std::array<double, 55> elam{};
  std::array<double, 275> forces{};
  const std::array<std::int32_t, 5> ku{1, 2, 3, 0, 0};
  std::array<std::int32_t, V::p_stf> istx{}, isty{};
  istx[0] = 16;
  isty[0] = 16;
  std::array<std::int32_t, V::p_rtnds - 1> rows{};
  for (int j = 0; j < 30; ++j) rows[std::size_t(j)] = j >= 13 && j < 17 ? 2 : 1;
  const std::array<std::int32_t, 7> ss{0, 1, 2, 3, 0, 0, 0};
  std::vector<double> displ(std::size_t(V::p_nx) * 20);
  const PanelArguments<V> args{"bench", "LARGEST PANEL", 1e29f, 1e29f, 1e29f, matabd, stringer, frame,
                               600.0f, 200.0f, 1, 0.0f, 20.0f, 0.0f, 0.0f, 10.0f, 0.0f, 3.0f, 0.0f, 0.0f,
                               0.0f, 0.0f, 0.0f, elam, forces, 0, 25, 20, 1, 0, ku, istx, isty, rows,
                               ss, ss, ss, ss, 15, 2, 26, 1, displ};
  callruvo<V>(args);
  std::printf("first load factors: %.5g %.5g %.5g\n", elam[0], elam[1], elam[2]);
}

}  // namespace

int main() {
  const double total = seconds(run_panel);
  const Man& man = state::man;
  std::printf("grid 31 x 31, ix = %d, iy = %d, ibdx = %d, ibdy = %d, neigit = %d, neigrq = %d\n", man.ix, man.iy,
              state::f07ina<V>().ibdx, state::f07ina<V>().ibdy, man.neigit, man.neigrq);
  std::printf("whole analysis through callruvo        %8.2f s\n", total);

  // The stages again, on the model state the run left.
  io::open(9, "bench   .out");
  std::int32_t ier = 0;
  std::printf("assembly (incs2)                       %8.2f s\n", seconds([&] { incs2<V>(ier); }));
  auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const std::size_t stored = std::size_t(lv.lva22(man.iy)) + std::size_t(man.iy);
  std::vector<double> a22(m.a22.data, m.a22.data + stored);
  std::printf("A22 factorisation                      %8.2f s\n", seconds([&] {
                solver::cholesky_factor({a22.data(), lv.lva22.data, man.iy, state::f07ina<V>().ibdy});
              }));
  std::printf("condensation (with its factorisation)  %8.2f s\n", seconds([] { condense_tangential<V>(); }));
  CondensedSolution s;
  std::printf("subspace iteration                     %8.2f s\n", seconds([&] {
                s = solve_condensed<V>(std::span<const double>(m.b11.data), std::span<const std::int32_t>(lv.lvb.data),
                                       state::f07ina<V>().ibdx);
              }));
  std::printf("listing                                %8.2f s\n", seconds([&] {
                print_statistics(s.ip, s.jac, s.eps);
                print_eigenvalues<V>(man.neigrq, uniform_load<V>());
                for (int i = 1; i <= man.neigrq; ++i) print_forces_at<V>(i);
                eigvpr(9, ArrayRef<const double, 2>(state::vectrs<V>().x.data, {V::p_nx, V::p_ngit}), man.ix,
                       man.neigrq);
              }));
  io::close(9);
  io::close(condensation_unit, true);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory                   %8.1f MB\n", double(usage.ru_maxrss) / 1024.0);
  return 0;
}
