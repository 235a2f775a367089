// Crippling of the stringer walls: local buckling of a long orthotropic strip,
// for the web of a T-profile and for the web and chord of an omega profile.
// Cross-section from shared block stringercom; results on the listing.
#pragma once

#include <array>
#include <cstdint>

namespace ruvo {

struct TProfileCrippling {
  float force;   // Fw: crippling force of the web
  float stress;  // sigmweb: crippling stress of the web
  float strain;  // epsweb: crippling strain of the web
};
struct OmegaCrippling {
  float web_length;  // slanted web length that replaces webheight
  float web_force, chord_force;
};

// The web of height h and thickness t with wall bending stiffness ddst,
// on a stringer of axial stiffness stiffx.
TProfileCrippling t_profile_crippling(float h, float t, const float (&ddst)[6], float stiffx, float footwidth,
                                      float footth);
// The omega's slanted webs and its chord, each with its own wall bending stiffness.
OmegaCrippling omega_crippling(float webheight, float chordwidth, float alpha, const float (&web_ddst)[6],
                               const float (&chord_ddst)[6]);

// Fw on the listing; sigmweb and epsweb into shared block test. ier is
// neither set nor read.
void cripplingt(std::int32_t& ier);
// Fw and Fc on the listing; webheight becomes the slanted web length.
void cripplingo(std::int32_t& ier);

// cripplingt and cripplingo, returning what they printed; the omega's chord
// with its own bending stiffness `chord_bending` where the host gives it
// (the shared block holds the web's alone, which cripplingo takes for both).
TProfileCrippling cripple_t_profile();
OmegaCrippling cripple_omega_profile(const std::array<float, 6>* chord_bending = nullptr);

}  // namespace ruvo
