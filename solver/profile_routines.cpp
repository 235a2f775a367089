#include "solver/profile_routines.hpp"

#include "io/units.hpp"
#include "kernels/cholesky.hpp"
#include "kernels/profile.hpp"
#include "kernels/profile_product.hpp"

namespace ruvo {

namespace {

std::string num(std::int64_t v) { return std::to_string(v); }

ArgumentFault array_fault(int code, std::string text) {
  return {ArgumentFault::array, code, std::move(text)};
}
ArgumentFault argument_fault(int code, std::string text) {
  return {ArgumentFault::argument, code, std::move(text)};
}

}  // namespace

ArgumentFault profile_fault(std::span<const double> a, std::int32_t n, std::int32_t ibd,
                            std::span<const std::int32_t> lv, int min_order, ProfileNames names) {
  const std::string A(names.a), IBD(names.ibd), LV(names.lv);
  if (n < min_order) return argument_fault(-2, "order n = " + num(n) + " is below " + num(min_order));
  if (std::size_t(n) > lv.size())
    return array_fault(
        -4, "level vector " + LV + " has " + num(lv.size()) + " entries, fewer than the order n = " + num(n));
  const kernels::ProfileCheck c = kernels::check_profile(lv, n, ibd, a.size(), min_order);
  switch (c.fault) {
    case kernels::ProfileFault::band:
      return argument_fault(-3, "band width " + IBD + " = " + num(ibd) + " is outside 1..n = " + num(n));
    case kernels::ProfileFault::level_start:
      return argument_fault(-4, LV + "(1) = " + num(lv[0]) + " is not 0: " + LV + " is no level vector");
    case kernels::ProfileFault::level_step: {
      const int r = c.row;
      return argument_fault(-4, LV + "(" + num(r) + ") - " + LV + "(" + num(r - 1) + ") = " +
                                    num(std::int64_t{lv[r - 1]} - lv[r - 2]) + " is not min(" + num(r - 1) +
                                    ", " + IBD + "-1) = " + num(std::min(r - 1, ibd - 1)) + ": " + LV +
                                    " does not describe a band of width " + IBD + " = " + num(ibd));
    }
    case kernels::ProfileFault::storage:
      return array_fault(-1, A + " holds " + num(a.size()) + " entries, fewer than the " + LV +
                                 "(n)+n = " + num(std::int64_t{lv[n - 1]} + n) + " of the profile");
    default: return {};
  }
}

void report_argument_fault(std::string_view routine, const ArgumentFault& fault) {
  static const io::Format line("(1X,A,': INVALID ARGUMENTS: ',A)");
  io::write(io::stdout_unit, line, {routine, std::string_view(fault.text)});
}

void chodec(std::span<double> a, std::int32_t n, std::int32_t ibd, std::span<const std::int32_t> lv,
            std::int32_t& ier) {
  if (const ArgumentFault fault = profile_fault(a, n, ibd, lv)) {
    ier = fault.code;
    report_argument_fault("CHODEC", fault);
    return;
  }
  ier = kernels::cholesky_factor({a.data(), lv.data(), n, ibd});
}

ArgumentFault chosol_fault(std::span<const double> a, std::int32_t n, std::int32_t ibd,
                           std::span<const std::int32_t> lv, std::span<const double> x, std::int32_t m,
                           std::span<const double> y) {
  if (ArgumentFault fault = profile_fault(a, n, ibd, lv)) return fault;
  if (m < 0) return argument_fault(-6, "number of columns m = " + num(m) + " is negative");
  if (x.size() < std::size_t(n) * std::size_t(m))
    return array_fault(-5,
                       "x holds " + num(x.size()) + " entries, fewer than n*m = " + num(std::int64_t{n} * m));
  if (y.size() < std::size_t(n))
    return array_fault(-7, "work vector y holds " + num(y.size()) + " entries, fewer than n = " + num(n));
  return {};
}

void chosol(std::span<const double> a, std::int32_t n, std::int32_t ibd, std::span<const std::int32_t> lv,
            std::span<double> x, std::int32_t m, std::span<double> y) {
  if (chosol_fault(a, n, ibd, lv, x, m, y)) return;
  kernels::cholesky_solve({a.data(), lv.data(), n, ibd}, x.data(), m);  // y: the kernel keeps its own work
}

ArgumentFault probtm_fault(std::span<const double> a, std::int32_t n, std::int32_t ibd,
                           std::span<const std::int32_t> lv, std::span<const double> b, std::int32_t m1,
                           std::int32_t m, std::span<const double> c) {
  if (n < 1 || m < m1) return {};  // nothing will be touched
  if (ArgumentFault fault = profile_fault(a, n, ibd, lv)) return fault;
  if (m1 < 1) return argument_fault(-6, "first column m1 = " + num(m1) + " is below 1");
  const std::size_t needed = std::size_t(n) * std::size_t(m);
  if (b.size() < needed)
    return array_fault(-5, "b holds " + num(b.size()) + " entries, fewer than n*m = " + num(needed));
  if (c.size() < needed)
    return array_fault(-8, "c holds " + num(c.size()) + " entries, fewer than n*m = " + num(needed));
  return {};
}

void probtm(std::span<const double> a, std::int32_t n, std::int32_t ibd, std::span<const std::int32_t> lv,
            std::span<const double> b, std::int32_t m1, std::int32_t m, std::span<double> c) {
  if (n < 1 || m < m1 || probtm_fault(a, n, ibd, lv, b, m1, m, c)) return;
  kernels::profile_multiply({a.data(), lv.data(), n, ibd}, b.data(), m1, m, c.data());
}

}  // namespace ruvo
