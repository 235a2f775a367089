// The model state: the shared blocks every routine of the analysis reads and
// writes. Members are listed in storage order; each block is packed without
// gaps (all members of a block share one element size).
//
// A block whose layout depends on the size variant is a template over the
// variant; its storage is one union of the four layouts, so each block exists
// once and members before the first variant-dependent array lie at the same
// place in every variant. Blocks independent of the variant are plain structs.
// All storage is static; blocks without initial values start as zeros (and
// their pages are not touched until an analysis uses them). The typed
// entry's own variant (ruvo49) keeps its blocks apart, each reserved as zero
// pages when an analysis first reaches it: its matrices alone span 3.8 GiB,
// more than the 2 GiB within which the module's code addresses its static
// data directly.
#pragma once

#include <cstdint>
#include <type_traits>

#include "model/array.hpp"
#include "model/hermite_integrals.hpp"
#include "model/laminate_column.hpp"
#include "model/reserved_storage.hpp"
#include "model/variants.hpp"

namespace ruvo {

// ---- 1. Run control --------------------------------------------------------

struct Antype {  // requested analysis types
  Logical temp, strs, buck, vibr, inpb, cripan, glban;
};

struct Title {
  Text<80> tit;
};

struct Datran {  // unit numbers
  std::int32_t nread, nwrite, nstore;
};

struct Man {  // problem dimensions and solution controls
  std::int32_t ix = 0, iy = 0, iter = 0, neigit = 4, itab = 0, neigrq = 2;
  Logical mempri = 1, x2pri = 0;
};

struct Plotin {  // plot and mode-file controls
  float scal = 1.0f;
  std::int32_t indplt = 0, npx = 50, npy = 50, isymx = 0, isymy = 0;
  Array<std::int32_t, ruvo31::p_ngrq> mdsplt = all_ones();
  std::int32_t nmod = 0;

private:
  static constexpr Array<std::int32_t, ruvo31::p_ngrq> all_ones() {
    Array<std::int32_t, ruvo31::p_ngrq> m{};
    for (auto& v : m) v = 1;
    return m;
  }
};

// ---- 2. Grid, boundary conditions and freedoms -----------------------------

template <class V>
struct F07ina {  // grid and freedom control
  Array<std::int32_t, 5> ku;
  std::int32_t mx, my;
  Array<float, V::p_rtnds - 1> a, b;
  Array<std::int32_t, V::p_rtnds, V::p_rtnds> leit;
  std::int32_t ibdx, ibdy, knfun;
};

// Edges in the order of the edge table ki(7,4).
enum Edge { edge_y0 = 1, edge_x0 = 2, edge_yl = 3, edge_xl = 4 };

struct F07ind {  // boundary conditions
  Logical seiten;
  Array<std::int32_t, 7, 4> ki;  // columns bndy0, bndx0, bndyl, bndxl
  Array<std::int32_t, 4, ruvo31::p_nsup> idesup;
  std::int32_t numsup;
};

template <class V>
struct F07mat {  // key matrix
  Array<std::int32_t, 5, 4, V::p_nodes> lm;
};

template <class V>
struct Comlv {  // level vectors of the profile matrices
  Array<std::int32_t, V::p_nx> lvtri;
  Array<std::int32_t, V::p_ny> lva22;
  Array<std::int32_t, V::p_nx> lvb;
};

template <class V>
struct F01qua {  // per-element term lists
  Array<float, V::p_itrm, V::p_elmts> fquad;
  Array<std::int32_t, V::p_itrm, 3, V::p_elmts> kquad;
  Array<std::int32_t, V::p_elmts> ikt;
};

// ---- 3. Geometry, material and stiffeners ----------------------------------

// The radius of a flat direction: one of this magnitude or more has no
// curvature (in 32 bits the same bound as float(flat_radius): no float lies
// between them).
inline constexpr double flat_radius = 1.0e29;

struct F07inb {  // radii of curvature
  Array<float, 3> radii{{float(flat_radius), float(flat_radius), float(flat_radius)}};
  float& rx() { return radii(1); }
  float& ry() { return radii(2); }
  float& rxy() { return radii(3); }
};

struct F07ang {  // angles of obliqueness
  float alfax, alfay;
};

// The stringer cross-sections of F07dis::stype: the crippling checks know
// the T and the omega profile; each of the three subdivides the skin by the
// stringer's section.
namespace stringer_type {
inline constexpr std::int32_t t_profile = 1, omega = 2, other = 3;
}  // namespace stringer_type

template <class V>
struct F07dis {  // discrete stiffeners
  Array<float, 4, V::p_stf> steifx;
  Array<std::int32_t, V::p_stf> istx;
  std::int32_t nox;
  Array<float, V::p_stf> domx;
  Array<float, 4, V::p_stf> steify;
  Array<std::int32_t, V::p_stf> isty;
  std::int32_t noy;
  Array<float, V::p_stf> domy;
  std::int32_t stype;
};

template <class V>
struct Stiffcom {
  Array<std::int32_t, V::p_rtnds - 1> elmstf;
};

struct Skstf {  // skin laminate stiffness sets, one packed laminate column each
  Array<float, laminate_column::stiffness_rows, ruvo31::p_abdstf> matabd;
  Array<float, laminate_column::shear_rows, ruvo31::p_abdstf> matsw;
};

struct Densit {
  float dom, pdom;
};

struct Stringercom {  // stringer cross-section
  float footth, webth, footwidth, webheight;
  Array<float, 6> ddst;
  float chordwidth, chordth, alpha;
};

struct Glbuckcom {
  float skinth, stpitch;
};

struct Test {
  Array<float, 2> pax;
  float stiffx, epsweb, sigmweb;
};

struct F07aij {  // membrane compliance of the skin
  Array<float, 3, 3> aij;
};

// ---- 4. Loads ---------------------------------------------------------------

template <class V>
struct Cpfest {  // constant membrane forces per node: Nx, Nxy, Ny
  Array<float, V::p_nodes, 3> pfest;
};

template <class V>
struct Cpvar {  // membrane forces scaled by the load factor
  Array<float, V::p_nodes, 3> pvar;
};

struct F01eps {  // constant strain table of the element stiffness terms
  Array<float, 11, 3> feps{{1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0}};
  Array<std::int32_t, 11, 3> keps{{210, 301, 201, 120, 102, 111, 410, 501, 401, 400, 500,
                                   100, 100, 310, 0,   0,   0,   0,   0,   510, 0,   0,
                                   0,   0,   100, 0,   0,   0,   0,   0,   0,   0,   0}};
};

// ---- 5. Matrices and results (doubles) ---------------------------------------

template <class V>
struct Matrix {
  Array<double, V::p_la22> a22;
  Array<double, V::p_la11> a11;
  Array<double, V::p_lb11> b11;
  Array<double, V::p_ny, V::p_nx> a21;
};

template <class V>
struct Vectrs {
  Array<double, V::p_nx, V::p_ngit> x;
};

struct Valus {
  Array<double, ruvo31::p_ngit> elam;
};

struct Pythres {
  Array<double, ruvo31::p_ngit, 5> membraneforces;
};

struct Plotfls {  // the contour grid
  Array<float, 81> xplt, yplt;
  float lx, ly, dx, dy;
  Array<float, 81, 81> cntr;
};

// ---- 6. Element work areas and integration tables ---------------------------

struct F07pd {  // scale factors of the assembly
  float sa, sb, fa;
  Array<float, 4, 4> b1;
  float fs;
};

struct F07hil {
  Logical drvek;
  std::int32_t izu;
};

struct F07in1 {
  Array<float, 3, 4, 3, 4> s1 = hermite::table(false);
};

struct F07in2 {
  Array<float, 3, 4, 3, 4> s2 = hermite::table(true);
};

struct F07inc {
  Array<float, 21> s;
};

// The variant-independent blocks must not depend on sizes that differ.
static_assert(ruvo19::p_ngrq == ruvo31::p_ngrq && ruvo19::p_nsup == ruvo31::p_nsup &&
              ruvo19::p_abdstf == ruvo31::p_abdstf && ruvo19::p_ngit == ruvo31::p_ngit);

// Block B of the typed entry's own variant V: none until an analysis first
// reaches it, then its zero pages, kept.
template <template <class> class B, class V>
inline constinit B<V>* reserved_block = nullptr;

template <template <class> class B, class V>
B<V>& reserved() {
  static_assert(std::is_trivially_default_constructible_v<B<V>> && std::is_trivially_destructible_v<B<V>>,
                "a reserved block is its zero pages: no initial values, nothing to destroy");
  if (!reserved_block<B, V>) reserved_block<B, V> = static_cast<B<V>*>(reserve_zero_pages(sizeof(B<V>)));
  return *reserved_block<B, V>;
}

// One storage for the four layouts of a variant-dependent block (the typed
// entry's own variant: reserved apart).
template <template <class> class B>
union SharedBlock {
  B<ruvo19> v19;
  B<ruvo21> v21;
  B<ruvo25> v25;
  B<ruvo31> v31;

  template <class V>
  B<V>& get() {
    if constexpr (typed_only<V>)
      return reserved<B, V>();
    else if constexpr (std::is_same_v<V, ruvo19>)
      return v19;
    else if constexpr (std::is_same_v<V, ruvo21>)
      return v21;
    else if constexpr (std::is_same_v<V, ruvo25>)
      return v25;
    else
      return v31;
  }
};

namespace state {

inline constinit Antype antype{};
inline constinit Title title{};
inline constinit Datran datran{};
inline constinit Man man{};
inline constinit Plotin plotin{};
inline constinit F07ind f07ind{};
inline constinit F07inb f07inb{};
inline constinit F07ang f07ang{};
inline constinit Skstf skstf{};
inline constinit Densit densit{};
inline constinit Stringercom stringercom{};
inline constinit Glbuckcom glbuckcom{};
inline constinit Test test{};
inline constinit F07aij f07aij{};
inline constinit F01eps f01eps{};
inline constinit Valus valus{};
inline constinit Pythres pythres{};
inline constinit Plotfls plotfls{};
inline constinit F07pd f07pd{};
inline constinit F07hil f07hil{};
inline constinit F07in1 f07in1{};
inline constinit F07in2 f07in2{};
inline constinit F07inc f07inc{};

// W is the one functional freedom of a fresh model.
constexpr F07ina<ruvo31> initial_f07ina() {
  F07ina<ruvo31> b{};
  b.ku(1) = 1;
  return b;
}

namespace storage {
inline constinit SharedBlock<F07ina> f07ina{.v31 = initial_f07ina()};
inline constinit SharedBlock<F07mat> f07mat{};
inline constinit SharedBlock<Comlv> comlv{};
inline constinit SharedBlock<F01qua> f01qua{};
inline constinit SharedBlock<F07dis> f07dis{};
inline constinit SharedBlock<Stiffcom> stiffcom{};
inline constinit SharedBlock<Cpfest> cpfest{};
inline constinit SharedBlock<Cpvar> cpvar{};
inline constinit SharedBlock<Matrix> matrix{};
inline constinit SharedBlock<Vectrs> vectrs{};
}  // namespace storage

template <class V>
F07ina<V>& f07ina() {
  return storage::f07ina.get<V>();
}
template <class V>
F07mat<V>& f07mat() {
  return storage::f07mat.get<V>();
}
template <class V>
Comlv<V>& comlv() {
  return storage::comlv.get<V>();
}
template <class V>
F01qua<V>& f01qua() {
  return storage::f01qua.get<V>();
}
template <class V>
F07dis<V>& f07dis() {
  return storage::f07dis.get<V>();
}
template <class V>
Stiffcom<V>& stiffcom() {
  return storage::stiffcom.get<V>();
}
template <class V>
Cpfest<V>& cpfest() {
  return storage::cpfest.get<V>();
}
template <class V>
Cpvar<V>& cpvar() {
  return storage::cpvar.get<V>();
}
template <class V>
Matrix<V>& matrix() {
  return storage::matrix.get<V>();
}
template <class V>
Vectrs<V>& vectrs() {
  return storage::vectrs.get<V>();
}

}  // namespace state
}  // namespace ruvo
