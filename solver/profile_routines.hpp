// The profile-matrix routines as the analysis and the host call them:
// argument checks, then the kernels of kernels/cholesky.hpp and
// kernels/profile_product.hpp. Arrays are passed as flat storage: a block of
// m columns of order n is addressed with leading dimension n, whatever shape
// the caller's array has, so only its length counts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ruvo {

// Why a call cannot run as given. `array`: an array is too short for what the
// routine would index (the module surface refuses such a call before it
// runs). `argument`: another argument is out of range (the routine reports it
// through its error code, or refuses to act when it has none).
struct ArgumentFault {
  enum Kind { none, array, argument };
  Kind kind = none;
  int code = 0;      // the routine's error code for an argument fault
  std::string text;  // what is wrong, naming the arguments
  explicit operator bool() const { return kind != none; }
};

// The names a routine gives to the matrix, its band width and level vector.
struct ProfileNames {
  std::string_view a = "a", ibd = "ibd", lv = "lv";
};

// The profile of order n, band ibd, level vector lv in the entries of a.
// Argument codes are -(position of the faulty argument) in (a, n, ibd, lv).
ArgumentFault profile_fault(std::span<const double> a, std::int32_t n, std::int32_t ibd,
                            std::span<const std::int32_t> lv, int min_order = 1, ProfileNames names = {});

// Cholesky factor in place. ier = 0; the row whose pivot was not above kernels::pivot_threshold
// (1 for order 1); or -2, -3, -4 when n, ibd or lv is invalid (a untouched,
// and a line on standard output names the fault).
void chodec(std::span<double> a, std::int32_t n, std::int32_t ibd, std::span<const std::int32_t> lv,
            std::int32_t& ier);

// Solves A·z = x(:, j) for j = 1..m with the factor from chodec; x holds n by m
// entries. y is work storage of n entries. Does nothing when chosol_fault
// reports a fault.
void chosol(std::span<const double> a, std::int32_t n, std::int32_t ibd, std::span<const std::int32_t> lv,
            std::span<double> x, std::int32_t m, std::span<double> y);
ArgumentFault chosol_fault(std::span<const double> a, std::int32_t n, std::int32_t ibd,
                           std::span<const std::int32_t> lv, std::span<const double> x, std::int32_t m,
                           std::span<const double> y);

// c(:, m1..m) = A·b(:, m1..m), b and c of n rows; other columns of c untouched,
// nothing done for n < 1 or m < m1. Does nothing when probtm_fault reports one.
void probtm(std::span<const double> a, std::int32_t n, std::int32_t ibd, std::span<const std::int32_t> lv,
            std::span<const double> b, std::int32_t m1, std::int32_t m, std::span<double> c);
ArgumentFault probtm_fault(std::span<const double> a, std::int32_t n, std::int32_t ibd,
                           std::span<const std::int32_t> lv, std::span<const double> b, std::int32_t m1,
                           std::int32_t m, std::span<const double> c);

// One line on standard output: "<ROUTINE>: INVALID ARGUMENTS: <text>".
void report_argument_fault(std::string_view routine, const ArgumentFault& fault);

}  // namespace ruvo
