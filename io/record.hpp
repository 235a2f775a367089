// Record formats of the listing: one interpreter for every formatted line the
// system writes. A format is parsed once from its text, exactly as the listing
// routine holds it, and then turns lists of values into records (lines).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ruvo::io {

// One item of an output list: an integer (I), a real (F, E, D; a 32-bit float
// is passed exactly as a double) or a text (A).
class Value {
public:
  Value(int v) : v_(std::int64_t{v}) {}
  Value(long v) : v_(std::int64_t{v}) {}
  Value(long long v) : v_(std::int64_t{v}) {}
  Value(float v) : v_(double{v}) {}
  Value(double v) : v_(v) {}
  Value(std::string_view v) : v_(v) {}
  Value(const char* v) : v_(std::string_view{v}) {}
  // Texts are held as views: the text must outlive the write.
  Value(const std::string& v) : v_(std::string_view{v}) {}

  const std::int64_t* integer() const { return std::get_if<std::int64_t>(&v_); }
  const double* real() const { return std::get_if<double>(&v_); }
  const std::string_view* text() const { return std::get_if<std::string_view>(&v_); }

private:
  std::variant<std::int64_t, double, std::string_view> v_;
};

// A parsed format such as "(1X,I5,'. EIGENVALUE =',6E19.6)": texts ('..',
// "..", nH), nX, Tn, /, Iw, Fw.d, Ew.d, Dw.d, Aw, A, repeat counts and groups.
// Blanks outside texts, also before "(" and after ")", carry no meaning.
// Throws std::invalid_argument when the text is not such a format.
class Format {
public:
  explicit Format(std::string_view text);
  ~Format();
  Format(Format&&) noexcept;
  Format& operator=(Format&&) noexcept;

  // The records that one write of `values` produces, without line ends.
  // A value of the wrong kind for its descriptor (a real for I, an integer
  // for F/E/D, a number for A, a text for a number) fills the field with
  // asterisks.
  std::vector<std::string> records(std::span<const Value> values) const;
  std::vector<std::string> records(std::initializer_list<Value> values) const {
    return records(std::span<const Value>(values.begin(), values.size()));
  }

  struct Program;

private:
  std::unique_ptr<const Program> program_;
};

// The record of a list-directed write: one blank, then the items. Texts are
// written as they are, adjacent texts joined; a number is set off from its
// neighbours by one blank (integers in decimal digits, reals in their
// shortest exact-reading form, e.g. " N = 12 2.5").
std::string list_directed(std::span<const Value> values);

}  // namespace ruvo::io
