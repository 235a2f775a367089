#include "module/blocks_table.hpp"

#include <cstdint>

#include "model/blocks.hpp"

namespace ruvo::module {
namespace {

template <class T>
constexpr const char* dtype_of() {
  if constexpr (std::is_same_v<T, float>)
    return "float32";
  else if constexpr (std::is_same_v<T, char>)
    return "S1";
  else {
    static_assert(std::is_same_v<T, std::int32_t>);
    return "int32";
  }
}

template <class T>
MemberRow member(const char* name, T& scalar) {
  return {name, dtype_of<T>(), {}, &scalar};
}

template <class T, int... Extents>
MemberRow member(const char* name, Array<T, Extents...>& array) {
  return {name, dtype_of<T>(), {Extents...}, array.data};
}

template <int N>
MemberRow member(const char* name, Text<N>& text) {
  return {name, "S1", {N}, text.data};
}

// A run of n elements of a larger array, shown as a member of its own.
template <class T>
MemberRow run(const char* name, T* first, pybind11::ssize_t n) {
  return {name, dtype_of<T>(), {n}, first};
}

std::vector<BlockRow> make_rows() {
  using namespace state;
  auto& ina = f07ina<ruvo31>();
  auto& qua = f01qua<ruvo31>();
  return {
      {"antype",
       {member("temp", antype.temp), member("strs", antype.strs), member("buck", antype.buck),
        member("vibr", antype.vibr), member("inpb", antype.inpb), member("cripan", antype.cripan),
        member("glban", antype.glban)}},
      {"f07in1", {run("a1", f07in1.s1.data, 63), run("a2", f07in1.s1.data + 63, 81)}},
      {"f07in2", {run("b1", f07in2.s2.data, 59), run("b2", f07in2.s2.data + 59, 85)}},
      {"man",
       {member("ix", man.ix), member("iy", man.iy), member("iter", man.iter), member("neigit", man.neigit),
        member("itab", man.itab), member("neigrq", man.neigrq), member("mempri", man.mempri),
        member("x2pri", man.x2pri)}},
      {"title", {member("tit", title.tit)}},
      {"datran",
       {member("nread", datran.nread), member("nwrite", datran.nwrite), member("nstore", datran.nstore)}},
      {"test", {member("pax", test.pax)}},
      {"stringercom",
       {member("footth", stringercom.footth), member("webth", stringercom.webth),
        member("footwidth", stringercom.footwidth), member("webheight", stringercom.webheight),
        member("ddst", stringercom.ddst), member("chordwidth", stringercom.chordwidth),
        member("chordth", stringercom.chordth), member("alpha", stringercom.alpha)}},
      {"f07ina",
       {member("ku", ina.ku), member("mx", ina.mx), member("my", ina.my), member("a", ina.a),
        member("b", ina.b), member("leit", ina.leit), member("ibdx", ina.ibdx), member("ibdy", ina.ibdy),
        member("knfun", ina.knfun)}},
      {"f07inb", {member("rx", f07inb.rx()), member("ry", f07inb.ry()), member("rxy", f07inb.rxy())}},
      {"f07inc", {member("s", f07inc.s)}},
      {"f07ind",
       {member("seiten", f07ind.seiten), run("bndy0", &f07ind.ki(1, edge_y0), 7),
        run("bndx0", &f07ind.ki(1, edge_x0), 7), run("bndyl", &f07ind.ki(1, edge_yl), 7),
        run("bndxl", &f07ind.ki(1, edge_xl), 7), member("idesup", f07ind.idesup),
        member("numsup", f07ind.numsup)}},
      {"f01eps", {member("feps", f01eps.feps), member("keps", f01eps.keps)}},
      {"f01qua", {member("fquad", qua.fquad), member("kquad", qua.kquad), member("ikt", qua.ikt)}},
      {"plotin",
       {member("scal", plotin.scal), member("indplt", plotin.indplt), member("npx", plotin.npx),
        member("npy", plotin.npy), member("isymx", plotin.isymx), member("isymy", plotin.isymy),
        member("mdsplt", plotin.mdsplt), member("nmod", plotin.nmod)}},
  };
}

}  // namespace

const std::vector<BlockRow>& visible_blocks() {
  static const std::vector<BlockRow> rows = make_rows();
  return rows;
}

}  // namespace ruvo::module
