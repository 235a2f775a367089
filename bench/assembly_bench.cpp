// Times the element terms and the assembly of the largest grid: 31 x 31 node
// lines, W, U and V carried, an isotropic skin, one stringer and one frame,
// uniform Nx, no boundary conditions. Prints one line per stage (seconds)
// and the total; the listing of the set-up goes to /dev/null.
#include <chrono>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "elements/element_terms.hpp"
#include "elements/freedom_scales.hpp"
#include "elements/geometric_stiffness.hpp"
#include "elements/plate_matrices.hpp"
#include "input/redfkq.hpp"
#include "input/setkey.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "solver/level_vector.hpp"

namespace {

using namespace ruvo;
using V = ruvo31;

// The panel: 30 x 30 elements of 10 x 12, stiffeners on the middle lines.
void build_model() {
  auto& ina = state::f07ina<V>();
  ina.mx = ina.my = V::p_rtnds;
  ina.ku = {};
  ina.ku(1) = 1, ina.ku(2) = 2, ina.ku(3) = 3;
  ina.knfun = 3;
  for (int i = 1; i < V::p_rtnds; ++i) ina.a(i) = 10.0f, ina.b(i) = 12.0f;
  for (int i = 1; i <= ina.mx; ++i)
    for (int j = 1; j <= ina.my; ++j) ina.leit(j, i) = (i - 1) * ina.my + j;
  auto& dis = state::f07dis<V>();
  dis.nox = dis.noy = 1;
  dis.istx(1) = dis.isty(1) = 16;
  for (int k = 1; k <= 4; ++k) dis.steifx(k, 1) = dis.steify(k, 1) = float(1.0e5 * k);
  for (int n = 1; n <= V::p_nodes; ++n) state::cpvar<V>().pvar(n, 1) = -1.0f;
  state::f07aij.aij(1, 1) = state::f07aij.aij(2, 2) = 1.0e-5f;
  setkey<V>(state::man.ix, state::man.iy);
  std::int32_t ier = 0;
  auto& lv = state::comlv<V>();
  mklvbd(ArrayRef<std::int32_t, 1>(lv.lvtri.data, {V::p_nx}), V::p_nx, V::p_nx, ier);
  mklvbd(ArrayRef<std::int32_t, 1>(lv.lva22.data, {V::p_ny}), state::man.iy, ina.ibdy, ier);
  mklvbd(ArrayRef<std::int32_t, 1>(lv.lvb.data, {V::p_nx}), state::man.ix, ina.ibdx, ier);
  set_freedom_scales<V>();
}

double seconds(const std::function<void()>& stage) {
  const auto start = std::chrono::steady_clock::now();
  stage();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  state::datran.nwrite = 9;
  io::open(9, "/dev/null");
  build_model();
  // Isotropic skin, E t = 7e4, D = 7e4 t^2 / 12 (t = 2), nu = 0.3, per element.
  std::vector<float> storage(7 * 6 * V::p_elmts, 0.0f), c(45 * V::p_elmts), ch(3 * V::p_elmts);
  auto column_block = [&](int k, int rows) {
    return ArrayRef<float, 2>(&storage[k * 6 * V::p_elmts], {rows, V::p_elmts});
  };
  auto bb = column_block(0, 6), dd = column_block(1, 6);
  for (int e = 1; e <= V::p_elmts; ++e) {
    const float packed[6] = {1.0f, 0.3f, 1.0f, 0.0f, 0.0f, 0.35f};
    for (int k = 0; k < 6; ++k) bb(k + 1, e) = 7.7e4f * packed[k], dd(k + 1, e) = 2.6e4f * packed[k];
  }
  ArrayRef<float, 2> cc(c.data(), {45, V::p_elmts}), cch(ch.data(), {3, V::p_elmts});
  auto& m = state::matrix<V>();
  std::int32_t ier = 0;
  ArrayRef<float, 2> pvar(state::cpvar<V>().pvar.data, {V::p_nodes, 3});
  const struct {
    const char* name;
    std::function<void()> run;
  } stages[] = {
      {"tfmstf",
       [&] {
         tfmstf<V>(cc, cch, bb, dd, column_block(2, 6), column_block(3, 6), column_block(4, 6),
                   column_block(5, 6), column_block(6, 3), ier);
       }},
      {"f01kbf", [&] { f01kbf<V>(cc, cch, state::f01qua<V>()); }},
      {"redfkq", [&] { redfkq<V>(); }},
      {"cmpa22", [&] { cmpa22<V>(std::span<double>(m.a22.data, V::p_la22), shared_inputs<V>(), ier); }},
      {"cmpa21",
       [&] {
         cmpa21<V>(ArrayRef<double, 2>(m.a21.data, {V::p_ny, V::p_nx}), state::man.iy, shared_inputs<V>(),
                   ier);
       }},
      {"cmpa11", [&] { cmpa11<V>(std::span<double>(m.a11.data, V::p_la11), shared_inputs<V>(), ier); }},
      {"cmpbmt",
       [&] {
         std::fill_n(m.b11.data, V::p_lb11, 0.0);
         cmpbmt<V>(std::span<double>(m.b11.data, V::p_lb11),
                   std::span<const std::int32_t>(state::comlv<V>().lvb.data, V::p_nx), pvar, 1.0f,
                   shared_inputs<V>(), ier);
       }},
  };
  std::printf(
      "assembly of a 31 x 31 grid (W, U, V; %d W and %d tangential equations; one stringer, one frame)\n",
      state::man.ix, state::man.iy);
  double total = 0;
  for (const auto& stage : stages) {
    const double s = seconds(stage.run);
    total += s;
    std::printf("  %-8s %8.3f s%s\n", stage.name, s, ier != 0 ? "  (failed)" : "");
  }
  std::printf("  %-8s %8.3f s\n", "total", total);
}
