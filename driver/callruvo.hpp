// The stiffened-panel entry: one skin field between frames (on x-lines) and
// stringers (on y-lines) under in-plane membrane forces. Builds the grid,
// the stiffener tables and the force field from design values, runs the
// buckling analysis and returns eigenvalues, forces and W modes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/array.hpp"
#include "model/laminate_column.hpp"

namespace ruvo {

// The arguments of `callruvo`, in order; arrays bounded by the variant.
template <class V>
struct PanelArguments {
  std::string_view filenamep, titp;  // 8 and 80 characters
  float rxp, ryp, rxyp;
  std::span<const float, laminate_column::stiffness_rows * 2> matabdf;  // 1 plain skin, 2 under a foot
  std::span<const float, 4> steifxf, steifyf;
  float framepitch, stringerpitch;
  std::int32_t stypep;
  float chordwdth, sfootwdth, alpha, height;
  float loadvxp, loadvyp, loadvxyp, fnxp, fnxyp, fnyp;
  float alfaxp, alfayp;
  std::span<double, V::p_ngit> elamp;
  std::span<double, V::p_ngit * 5> membraneforcesp;  // (p_ngit, 5) as pythres.membraneforces
  std::int32_t itab, neigit, neigrq;
  Logical mempri;
  std::int32_t indplt;
  std::span<const std::int32_t, 5> ku;
  std::span<const std::int32_t, V::p_stf> istx, isty;
  std::span<const std::int32_t, V::p_rtnds - 1> elmstf;
  std::span<const std::int32_t, 7> bndy0, bndyl, bndx0, bndxl;
  std::int32_t anzelzwframes, anzelprohalbfoot, anzelzwstr, anzelbelowstr;
  std::span<double> displ;  // p_nx·neigrq
};

// Membrane forces of one node: variable (times λ) and constant, each Nx, Nxy, Ny.
struct NodeForces {
  std::array<float, 3> variable, constant;
};

// The model callruvo derives before it touches the model state.
template <class V>
struct PanelModel {
  Array<float, V::p_rtnds - 1> ap, bp;         // subdivision lengths
  Array<float, 4, V::p_stf> steifxp, steifyp;  // stiffener tables
  int x_subdivisions = 0;                      // n of the x-subdivision
  std::int32_t mx = 0, my = 0;                 // 0: no length found, the model state's value stays
  Array<NodeForces, V::p_rtnds> y_line;        // forces of each y-line 1..my
};

template <class V>
PanelModel<V> plan_panel(const PanelArguments<V>& in);

// Why callruvo refuses these arguments (before anything is written), or "".
template <class V>
std::string callruvo_fault(const PanelArguments<V>& in);

// Runs the analysis. Needs arguments that callruvo_fault accepts.
template <class V>
void callruvo(const PanelArguments<V>& in);

}  // namespace ruvo
