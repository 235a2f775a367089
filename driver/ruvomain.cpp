#include "driver/ruvomain.hpp"

#include <algorithm>

#include "driver/analysis_type.hpp"
#include "driver/initlz.hpp"
#include "io/interrupt.hpp"
#include "io/listing.hpp"
#include "io/units.hpp"
#include "model/blocks.hpp"
#include "output/mode_file.hpp"
#include "output/modes.hpp"
#include "output/plot_grid.hpp"
#include "solver/buvi.hpp"
#include "solver/level_vector.hpp"

namespace ruvo {
namespace {

constexpr int input_unit = 8, listing_unit = 9;
// The mode-shape step's code for a file that could not be created or written.
constexpr std::int32_t mode_file_not_written = -1;

// The ways a run can end, by what failed; each error exit has its records.
enum class Outcome { finished, no_triangle_levels, analysis_type_unclear, analysis_failed, no_mode_shapes };

void report(Outcome outcome) {
  static const io::Format stopped("( 4X,'MAIN PROGRAM:   EXECUTION STOPPED.')");
  static const io::Format lvtri(
      "(16X,'ERROR ENCOUNTERED WHEN TRYING TO MAKE ARRAY LVTRI'/        16X,'IN SUBROUTINE MKLVBD')");
  static const io::Format type(
      "(16X,'ERROR ENCOUNTERED WHEN CHECKING ANALYSIS TYPE'/        16X,'IN SUBROUTINE CKTYPE')");
  static const io::Format buvi("(16X,'ERROR REPORT FROM SUBROUTINE BUVI')");
  static const io::Format modes("(16X,'ERROR WHEN COMPUTING/PRINTING MODE SHAPES')");
  switch (outcome) {
    case Outcome::no_triangle_levels:
      io::write_both(stopped);
      io::write_both(lvtri);
      break;
    case Outcome::analysis_type_unclear:
      io::write_both(stopped);
      io::write_both(type);
      break;
    case Outcome::analysis_failed:
      io::write_both(stopped);
      io::write_both(buvi);
      break;
    case Outcome::no_mode_shapes: io::write_both(modes); break;
    case Outcome::finished: break;
  }
}

template <class T, std::size_t N>
void copy_into(std::span<const T, N> from, T* to) {
  std::copy(from.begin(), from.end(), to);
}

// The arguments into the shared blocks.
template <class V>
void store_arguments(const RunArguments<V>& in) {
  using namespace state;
  title.tit.assign(in.titp);
  antype.buck = in.buckp;
  man.itab = in.itabp;
  man.neigit = in.neigitp;
  man.neigrq = in.neigrqp;
  man.mempri = in.memprip;
  plotin.indplt = in.indpltp;

  auto& ina = f07ina<V>();
  copy_into(in.kup, ina.ku.data);
  copy_into(in.ap, ina.a.data);
  copy_into(in.bp, ina.b.data);
  copy_into(in.bndy0p, &f07ind.ki(1, edge_y0));
  copy_into(in.bndx0p, &f07ind.ki(1, edge_x0));
  copy_into(in.bndylp, &f07ind.ki(1, edge_yl));
  copy_into(in.bndxlp, &f07ind.ki(1, edge_xl));

  ina.knfun =
      static_cast<std::int32_t>(std::count_if(ina.ku.begin(), ina.ku.end(), [](auto k) { return k > 0; }));
  compact_freedoms(ina.ku, ina.knfun);
  // W alone, or W with BETA and GAMMA, has no membrane freedoms: the radii keep their values.
  const bool plate_only = ina.knfun == 1 || (ina.knfun == 3 && ina.ku(2) == 4);
  if (!plate_only) f07inb.radii = {{in.rxp, in.ryp, in.rxyp}};

  auto& dis = f07dis<V>();
  copy_into(in.istxp, dis.istx.data);
  copy_into(in.istyp, dis.isty.data);
  copy_into(in.elmstfp, stiffcom<V>().elmstf.data);
  copy_into(in.steifxp, dis.steifx.data);
  copy_into(in.steifyp, dis.steify.data);
  f07ang.alfax = in.alfaxp;
  f07ang.alfay = in.alfayp;

  datran.nread = input_unit;
  datran.nwrite = listing_unit;
}

// The error exit of a failed stage.
Outcome exit_for(const RunStatus& status) {
  switch (status.stage) {
    case Stage::none: return Outcome::finished;
    case Stage::triangle_levels: return Outcome::no_triangle_levels;
    case Stage::analysis_type: return Outcome::analysis_type_unclear;
    case Stage::mode_file: return Outcome::no_mode_shapes;
    default: return Outcome::analysis_failed;
  }
}

template <class V>
void store_masses(const Masses& masses) {
  auto& dis = state::f07dis<V>();
  state::densit.dom = masses.skin;
  std::copy_n(masses.stringers.begin(), std::min<std::size_t>(masses.stringers.size(), V::p_stf),
              dis.domx.data);
  std::copy_n(masses.frames.begin(), std::min<std::size_t>(masses.frames.size(), V::p_stf), dis.domy.data);
}

// The level vector of the full triangle, the type check, then buvi's stages.
template <class V>
RunStatus analyse(const RunOptions& options) {
  std::int32_t ier = 0;
  auto& lvtri = state::comlv<V>().lvtri;
  mklvbd(ArrayRef<std::int32_t, 1>(lvtri.data, {V::p_nx}), V::p_nx, V::p_nx, ier);
  if (ier != 0) return {Stage::triangle_levels, ier};
  cktype(ier);
  if (ier != 0) return {Stage::analysis_type, ier};
  prtype();
  io::write_list(io::stdout_unit, {" Analysis started"});
  return buvi_stages<V>(options);
}

// An interrupt from the host abandons the run as a failed analysis does.
template <class V>
RunStatus analyse_unless_interrupted(const RunOptions& options) {
  try {
    return analyse<V>(options);
  } catch (const io::Interrupted&) {
    return {Stage::interrupted, 0};
  }
}

// The mode-shape file, written whole and closed before the listing.
template <class V>
RunStatus write_mode_file(std::string_view proj) {
  std::int32_t ier = 0;
  io::open(mode_file_unit, io::file_name(proj, "MODES.txt"));
  io::rewind(mode_file_unit);
  pltmsh<V>();
  cntour();
  modes<V>(ier);
  // A file that could not be created or written (the reason is on standard
  // error) fails the step as the routines' own failures do.
  const bool written = io::is_intact(mode_file_unit);
  io::close(mode_file_unit);
  if (ier != 0) return {Stage::mode_file, ier};
  return written ? RunStatus{} : RunStatus{Stage::mode_file, mode_file_not_written};
}

}  // namespace

void compact_freedoms(Array<std::int32_t, 5>& ku, std::int32_t knfun) {
  int n = 5;
  for (int i = 1; i <= knfun; ++i) {
    while (ku(i) == 0 && n > i) {
      for (int k = i; k < n; ++k) ku(k) = ku(k + 1);
      ku(n) = 0;
      --n;
    }
  }
  for (int i = 1; i < knfun; ++i) {
    int m = 0;
    for (int k = i + 1; k <= knfun; ++k)
      if (ku(k) < (m ? ku(m) : ku(i))) m = k;
    if (m != 0) std::swap(ku(i), ku(m));
  }
}

template <class V>
RunStatus run_analysis(const RunArguments<V>& args, const RunOptions& options) {
  initlz<V>();
  store_arguments(args);
  if (options.masses) store_masses<V>(*options.masses);
  // A listing left connected by an earlier error exit is started afresh.
  io::open(listing_unit, io::file_name(args.proj, ".out"));
  // A listing that cannot be created or written (its reason is on standard
  // error) stops the run as a failed analysis does: no results without it.
  RunStatus status =
      io::is_intact(listing_unit) ? analyse_unless_interrupted<V>(options) : RunStatus{Stage::listing};
  if (status.finished() && !io::is_intact(listing_unit)) status = {Stage::listing};
  if (status.finished() && state::plotin.indplt != 0) status = write_mode_file<V>(args.proj);
  if (status.finished()) {
    if (!options.keep_listing) io::close(listing_unit);
    io::write_list(io::stdout_unit, {" Buckling/Vibration analysis finished"});
  } else {
    report(exit_for(status));
  }
  return status;
}

template <class V>
void ruvomain(const RunArguments<V>& args) {
  run_analysis<V>(args, {});
}

#define RUVO_INSTANTIATE(V)                          \
  template void ruvomain<V>(const RunArguments<V>&); \
  template RunStatus run_analysis<V>(const RunArguments<V>&, const RunOptions&);
RUVO_FOR_EACH_TYPED_VARIANT(RUVO_INSTANTIATE)
#undef RUVO_INSTANTIATE

}  // namespace ruvo
