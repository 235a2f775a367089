// Times the largest buckling analysis: 31 x 31 node lines of the 31 variant,
// W, U and V, 20 requested modes, a T-stringer along the middle y-line and a
// frame on the middle x-line, through callruvo. Then runs the stages again on
// the model the run left, one by one, for the breakdown: assembly (incs2),
// the parts of the condensation on copies (A22 factorisation, W = L⁻¹·A21,
// A11 −= Wᵀ·W, the records L⁻ᵀ·W), the condensation as the analysis runs it
// (with its factorisation and the scratch file), subspace iteration, listing.
// Prints seconds per stage and the peak resident memory.
//
// The flat panel's stringer has no stretching-bending coupling, so its A21 is
// zero and the condensation has nothing to take off; the same panel curved
// (radius 2000 in y) couples every W freedom to the tangential ones and
// shows the condensation's full cost. Both run, flat first.
//
//   buckling_bench [threads [flat|curved]]   BLAS threads (default the
//                                            engine's one), one panel only
//
// Run from a scratch directory: it writes "bench   .out" and "RCA25".
#include <cblas.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/callruvo.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "model/laminate_column.hpp"
#include "output/buckling_listing.hpp"
#include "output/eigvpr.hpp"
#include "kernels/blas_threads.hpp"
#include "solver/buckling.hpp"
#include "kernels/cholesky.hpp"
#include "solver/condensation.hpp"
#include "kernels/condensation_kernels.hpp"

namespace {

using namespace ruvo;
using V = ruvo31;

template <class F>
double seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run_panel(float ryp) {
  namespace lc = laminate_column;
  std::array<float, 2 * lc::stiffness_rows> matabd{};
  for (int lam = 0; lam < 2; ++lam) {  // isotropic skin 1 mm, 1.5 mm under the foot
    const float t = lam == 0 ? 1.0f : 1.5f, a = 70000.0f * t / 0.91f,
                d = 70000.0f * t * t * t / (12.0f * 0.91f);
    float* column = matabd.data() + lc::stiffness_rows * lam;
    const auto m = [column](int group, int i, int j) -> float& { return column[lc::row(group, i, j) - 1]; };
    m(lc::membrane, 1, 1) = m(lc::membrane, 2, 2) = a, m(lc::membrane, 1, 2) = 0.3f * a;
    m(lc::membrane, 3, 3) = 0.35f * a;
    m(lc::bending, 1, 1) = m(lc::bending, 2, 2) = d, m(lc::bending, 1, 2) = 0.3f * d;
    m(lc::bending, 3, 3) = 0.35f * d;
  }
  const std::array<float, 4> stringer{1.4e7f, 0.0f, 1.0e9f, 1.0e6f}, frame{1.4e8f, 0.0f, 1.0e11f, 1.0e8f};
  std::array<double, V::p_ngit> elam{};
  std::array<double, V::p_ngit * 5> forces{};
  const std::array<std::int32_t, 5> ku{1, 2, 3, 0, 0};
  std::array<std::int32_t, V::p_stf> istx{}, isty{};
  istx[0] = 16;
  isty[0] = 16;
  std::array<std::int32_t, V::p_rtnds - 1> rows{};
  for (int j = 0; j < 30; ++j) rows[std::size_t(j)] = j >= 13 && j < 17 ? 2 : 1;
  const std::array<std::int32_t, 7> ss{0, 1, 2, 3, 0, 0, 0};
  std::vector<double> displ(std::size_t(V::p_nx) * 20);
  const float flat = float(flat_radius);
  const PanelArguments<V> args{"bench",  "LARGEST PANEL",
                               flat,     ryp,
                               flat,     matabd,
                               stringer, frame,
                               600.0f,   200.0f,
                               1,        0.0f,
                               20.0f,    0.0f,
                               0.0f,     10.0f,
                               0.0f,     3.0f,
                               0.0f,     0.0f,
                               0.0f,     0.0f,
                               0.0f,     elam,
                               forces,   0,
                               25,       20,
                               1,        0,
                               ku,       istx,
                               isty,     rows,
                               ss,       ss,
                               ss,       ss,
                               15,       2,
                               26,       1,
                               displ};
  callruvo<V>(args);
  std::printf("load factors 1, 2, 20: %.15g %.15g %.15g\n", elam[0], elam[1], elam[19]);
}

// The parts of the condensation, each on copies of the assembled matrices.
void time_condensation_parts() {
  const Man& man = state::man;
  const auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  const int ix = man.ix, iy = man.iy;
  std::vector<double> a22(m.a22.data, m.a22.data + std::size_t(lv.lva22(iy)) + std::size_t(iy));
  const kernels::Profile<double> l22{a22.data(), lv.lva22.data, iy, state::f07ina<V>().ibdy};
  std::printf("  A22 factorisation                    %8.2f s\n",
              seconds([&] { kernels::cholesky_factor(l22); }));
  std::vector<double> a21(std::size_t(iy) * std::size_t(ix));  // W is formed in its place
  for (int j = 1; j <= ix; ++j) std::copy_n(&m.a21(1, j), iy, a21.data() + std::size_t(j - 1) * iy);
  kernels::Coupling w;
  std::printf("  W = L⁻¹·A21                          %8.2f s\n",
              seconds([&] { w = kernels::forward_coupling(l22, a21.data(), iy, ix); }));
  std::vector<double> a11(m.a11.data, m.a11.data + std::size_t(ix) * (ix + 1) / 2);
  std::printf("  A11 −= Wᵀ·W                          %8.2f s\n", seconds([&] {
                kernels::subtract_gram({a11.data(), lv.lvtri.data, ix, ix}, w);
              }));
  std::vector<double> z(std::size_t(iy) * kernels::coupling_block);
  std::printf("  records L⁻ᵀ·W (not written)          %8.2f s\n", seconds([&] {
                for (int first = 1; first <= ix; first += kernels::coupling_block)
                  kernels::solve_records(l22, w, first, std::min(kernels::coupling_block, ix - first + 1),
                                        z.data());
              }));
}

void analyse(float ryp) {
  std::printf("\n%s panel\n", ryp < 1e28f ? "curved" : "flat");
  const double total = seconds([&] { run_panel(ryp); });
  const Man& man = state::man;
  std::printf("grid 31 x 31, ix = %d, iy = %d, ibdx = %d, ibdy = %d, neigit = %d, neigrq = %d\n", man.ix,
              man.iy, state::f07ina<V>().ibdx, state::f07ina<V>().ibdy, man.neigit, man.neigrq);
  std::printf("whole analysis through callruvo        %8.2f s\n", total);

  // The stages again, on the model state the run left.
  io::open(9, "bench   .out");
  std::int32_t ier = 0;
  std::printf("assembly (incs2)                       %8.2f s\n", seconds([&] { incs2<V>(ier); }));
  time_condensation_parts();
  auto& m = state::matrix<V>();
  const auto& lv = state::comlv<V>();
  std::printf("condensation (with its factorisation)  %8.2f s\n", seconds([] { condense_tangential<V>(); }));
  CondensedSolution s;
  std::printf("subspace iteration                     %8.2f s\n", seconds([&] {
                s = solve_condensed<V>(std::span<const double>(m.b11.data),
                                       std::span<const std::int32_t>(lv.lvb.data), state::f07ina<V>().ibdx);
              }));
  std::printf("listing                                %8.2f s\n", seconds([&] {
                print_statistics(s.ip, s.jac, s.eps);
                print_eigenvalues<V>(man.neigrq, uniform_load<V>());
                for (int i = 1; i <= man.neigrq; ++i) print_forces_at<V>(i);
                eigvpr(9, ArrayRef<const double, 2>(state::vectrs<V>().x.data, {V::p_nx, V::p_ngit}), man.ix,
                       man.neigrq);
              }));
  io::close(9);
  std::printf("  IP = %d, JAC = %d\n", s.ip, s.jac);
  io::close(condensation_unit, true);
}

}  // namespace

int main(int argc, char** argv) {
  ruvo::kernels::set_default_blas_threads();
  if (argc > 1) openblas_set_num_threads(std::atoi(argv[1]));
  std::printf("OpenBLAS %s, %d thread(s)\n", openblas_get_config(), openblas_get_num_threads());
  const std::string only = argc > 2 ? argv[2] : "";
  if (only != "curved") analyse(float(flat_radius));
  if (only != "flat") analyse(2000.0f);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("\npeak resident memory                   %8.1f MiB\n", double(usage.ru_maxrss) / 1024.0);
  return 0;
}
