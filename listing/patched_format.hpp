// Headings whose format text is patched at run time (edge and radius names,
// repeat counts of column groups) before it is parsed and written.
#pragma once

#include <string>
#include <string_view>

#include "io/record.hpp"

namespace ruvo::listing {

// A format text held in writable storage and patched piece by piece at run
// time: `Pieces` pieces of `Width` characters. A patch keeps its content
// until the next patch of the same pieces.
template <int Pieces, int Width>
class PatchedFormat {
public:
  // `initial` must fill the text exactly.
  explicit PatchedFormat(std::string_view initial) : text_(initial) {}

  // Writes `s` blank-padded over `count` pieces from piece `first` (1-based).
  PatchedFormat& patch(int first, int count, std::string_view s) {
    const std::size_t at = std::size_t(first - 1) * Width, n = std::size_t(count) * Width;
    std::string piece(s.substr(0, n));
    piece.resize(n, ' ');
    text_.replace(at, n, piece);
    return *this;
  }
  std::string_view text() const { return text_; }
  io::Format format() const { return io::Format(text_); }

private:
  std::string text_;
};

}  // namespace ruvo::listing
