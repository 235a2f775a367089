#include "io/number_fields.hpp"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace ruvo::io {

namespace {

std::string stars(int w) { return std::string(std::size_t(w), '*'); }

// Right-justifies sign and body in w columns; a body "0.xxx" one column too
// wide loses its leading 0, but only when a digit follows the point.
std::string fit(bool negative, std::string body, int w) {
  const std::size_t room = std::size_t(w);
  std::size_t need = body.size() + (negative ? 1 : 0);
  if (need == room + 1 && body.starts_with("0.") && body.size() > 2) {
    body.erase(0, 1);
    --need;
  }
  if (need > room) return stars(w);
  return std::string(room - need, ' ') + (negative ? "-" : "") + body;
}

// NaN as "NaN"; infinities as "Infinity" when the field has room, else "Inf".
std::string nonfinite_field(double x, int w) {
  std::string t = "NaN";
  if (std::isinf(x)) {
    const bool negative = x < 0;
    t = (w >= (negative ? 9 : 8)) ? "Infinity" : "Inf";
    if (negative) t.insert(0, 1, '-');
  }
  if (t.size() > std::size_t(w)) return stars(w);
  return std::string(std::size_t(w) - t.size(), ' ') + t;
}

// The exact decimal expansion of x >= 0 rounded to `precision` digits after the point.
std::string to_text(double x, std::chars_format format, int precision) {
  // Room for 309 integer digits, the point, the decimals and an exponent.
  std::string buf(400 + std::size_t(precision), '\0');
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x, format, precision);
  buf.resize(std::size_t(r.ptr - buf.data()));
  return buf;
}

}  // namespace

std::string integer_field(std::int64_t n, int w) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  const std::size_t len = std::size_t(r.ptr - buf);
  if (len > std::size_t(w)) return stars(w);
  return std::string(std::size_t(w) - len, ' ') + std::string(buf, len);
}

std::string fixed_field(double x, int w, int d) {
  if (!std::isfinite(x)) return nonfinite_field(x, w);
  std::string body = to_text(std::fabs(x), std::chars_format::fixed, d);
  if (d == 0) body += '.';
  return fit(std::signbit(x), std::move(body), w);
}

std::string exponent_field(double x, int w, int d, char letter) {
  if (!std::isfinite(x)) return nonfinite_field(x, w);
  std::string digits(std::size_t(d), '0');
  int e = 0;
  if (x != 0) {
    // d.ddde+xx holds the d significant digits of 0.dddd * 10^(xx+1)
    const std::string s = to_text(std::fabs(x), std::chars_format::scientific, d - 1);
    const std::size_t epos = s.find('e');
    digits = s.substr(0, 1) + (d > 1 ? s.substr(2, epos - 2) : "");
    e = std::atoi(s.c_str() + epos + 1) + 1;
  }
  const int ae = std::abs(e);
  std::string exp(1, e < 0 ? '-' : '+');
  if (ae <= 99)
    exp.insert(0, 1, letter);
  else
    exp += char('0' + ae / 100);
  exp += char('0' + ae / 10 % 10);
  exp += char('0' + ae % 10);
  return fit(std::signbit(x), "0." + digits + exp, w);
}

std::string text_field(std::string_view t, int w) {
  if (w == 0) return std::string(t);
  const std::size_t width = std::size_t(w);
  if (t.size() >= width) return std::string(t.substr(0, width));
  return std::string(width - t.size(), ' ') + std::string(t);
}

std::string list_number(const Value& v) {
  if (const auto* n = v.integer()) return std::to_string(*n);
  const double x = *v.real();
  char buf[32];
  const bool is_float = std::fabs(x) <= FLT_MAX && double(float(x)) == x;
  auto r =
      is_float ? std::to_chars(buf, buf + sizeof buf, float(x)) : std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, r.ptr);
}

}  // namespace ruvo::io
