// The size variants: the same analysis, bounded for grids of at most 19, 21,
// 25 or 31 node lines per direction (the four of the routine surface), or 49
// (the typed entry's alone). A variant is a tag type holding its limits;
// every routine that depends on them is a template over the tag.
#pragma once

#include <cstdint>
#include <type_traits>

namespace ruvo {

template <int Rtnds, int La11, int La22, int Lb11>
struct SizeVariant {
  static constexpr std::int32_t p_rtnds = Rtnds;  // node lines per direction
  static constexpr std::int32_t p_nodes = Rtnds * Rtnds;
  static constexpr std::int32_t p_elmts = (Rtnds - 1) * (Rtnds - 1);
  static constexpr std::int32_t p_stf = Rtnds - 2;    // stiffeners per direction
  static constexpr std::int32_t p_nx = 4 * p_nodes;   // W freedoms
  static constexpr std::int32_t p_ny = 16 * p_nodes;  // tangential freedoms
  static constexpr std::int32_t p_ibdx = 12 * Rtnds + 24;
  static constexpr std::int32_t p_ibdy = 4 * p_ibdx;
  static constexpr std::int32_t p_ngit = 55;
  static constexpr std::int32_t p_ngrq = 50;
  static constexpr std::int32_t p_nsup = 250;
  static constexpr std::int32_t p_abdstf = 2;
  static constexpr std::int32_t p_la11 = La11;  // full triangle of order p_nx
  static constexpr std::int32_t p_la22 = La22;  // band p_ibdy, order p_ny
  static constexpr std::int32_t p_lb11 = Lb11;  // band p_ibdx, order p_nx
  static constexpr std::int32_t p_itrm = 340;
  static constexpr std::int32_t help = p_itrm * p_elmts;
  static constexpr std::int32_t help2 = 3 * help;
};

// The profile lengths are listed as figures and checked against their rules.
struct ruvo19 : SizeVariant<19, 1043290, 5314680, 332262> {
  static constexpr const char* suffix = "19";
};
struct ruvo21 : SizeVariant<21, 1556730, 7180968, 448914> {
  static constexpr const char* suffix = "21";
};
struct ruvo25 : SizeVariant<25, 3126250, 12120840, 757674> {
  static constexpr const char* suffix = "25";
};
struct ruvo31 : SizeVariant<31, 7390090, 23101848, 1444014> {
  static constexpr const char* suffix = "31";
};
// The typed entry's large grids (48 x 48 elements): no routine container
// holds it, and its blocks live in storage of their own, reserved when an
// analysis first uses them (model/reserved_storage.hpp), not in the shared
// storage of the four.
struct ruvo49 : SizeVariant<49, 46123210, 91047240, 5690682> {
  static constexpr const char* suffix = "49";
};

// Whether the variant is the typed entry's alone.
template <class V>
inline constexpr bool typed_only = std::is_same_v<V, ruvo49>;

// The variants' suffixes, smallest first, and the one an analysis runs in
// when it names none (the largest).
inline constexpr const char* variant_suffixes[] = {ruvo19::suffix, ruvo21::suffix, ruvo25::suffix,
                                                   ruvo31::suffix};
inline constexpr const char* default_variant = ruvo31::suffix;
// The variants the typed entry takes, smallest first: the four and its own.
inline constexpr const char* typed_variant_suffixes[] = {ruvo19::suffix, ruvo21::suffix, ruvo25::suffix,
                                                         ruvo31::suffix, ruvo49::suffix};

// Number of stored entries of a band profile of order n and band width ibd.
constexpr std::int64_t band_profile_length(std::int64_t n, std::int64_t ibd) {
  return n * ibd - ibd * (ibd - 1) / 2;
}

template <class V>
constexpr bool obeys_size_rules() {
  return V::p_nodes == V::p_rtnds * V::p_rtnds && V::p_elmts == (V::p_rtnds - 1) * (V::p_rtnds - 1) &&
         V::p_stf == V::p_rtnds - 2 && V::p_nx == 4 * V::p_nodes && V::p_ny == 16 * V::p_nodes &&
         V::p_ibdx == 12 * V::p_rtnds + 24 && V::p_ibdy == 4 * V::p_ibdx &&
         V::p_la11 == std::int64_t{V::p_nx} * (V::p_nx + 1) / 2 &&
         V::p_la22 == band_profile_length(V::p_ny, V::p_ibdy) &&
         V::p_lb11 == band_profile_length(V::p_nx, V::p_ibdx) && V::help == V::p_itrm * V::p_elmts &&
         V::help2 == 3 * V::help;
}
static_assert(obeys_size_rules<ruvo19>() && obeys_size_rules<ruvo21>() && obeys_size_rules<ruvo25>() &&
              obeys_size_rules<ruvo31>() && obeys_size_rules<ruvo49>());
// The largest array (A21, p_ny by p_nx) is addressed by 32-bit subscripts.
static_assert(std::int64_t{ruvo49::p_ny} * ruvo49::p_nx < std::int64_t{1} << 31);

// Applies f.template operator()<V>() to each variant in turn.
template <class F>
void for_each_variant(F&& f) {
  f.template operator()<ruvo19>();
  f.template operator()<ruvo21>();
  f.template operator()<ruvo25>();
  f.template operator()<ruvo31>();
}

// Applies f.template operator()<V>() to each variant the typed entry takes.
template <class F>
void for_each_typed_variant(F&& f) {
  for_each_variant(f);
  f.template operator()<ruvo49>();
}

// Explicit instantiation of a routine template for the four variants, and
// for those with the typed entry's own.
#define RUVO_FOR_EACH_VARIANT(M) M(ruvo19) M(ruvo21) M(ruvo25) M(ruvo31)
#define RUVO_FOR_EACH_TYPED_VARIANT(M) RUVO_FOR_EACH_VARIANT(M) M(ruvo49)

}  // namespace ruvo
