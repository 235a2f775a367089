// Arrays of the model state: 1-based, column-major (first index fastest),
// as the analysis addresses them. `Array` owns fixed storage inside a shared
// block; `ArrayRef` views storage passed by a caller with run-time extents.
//
//   a(i, j) of an Array<T, M, N>  ->  data[(i-1) + M*(j-1)]
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace ruvo {

using Logical = std::int32_t;  // 0 false, 1 true

template <class T, int... Extents>
struct Array {
  static constexpr int rank = sizeof...(Extents);
  static constexpr std::array<int, rank> extents{Extents...};
  static constexpr std::size_t size = (std::size_t{1} * ... * Extents);
  using value_type = T;

  T data[size];

  template <class... I>
  constexpr T& operator()(I... index) {
    return data[offset(static_cast<int>(index)...)];
  }
  template <class... I>
  constexpr const T& operator()(I... index) const {
    return data[offset(static_cast<int>(index)...)];
  }
  constexpr T* begin() { return data; }
  constexpr T* end() { return data + size; }
  constexpr const T* begin() const { return data; }
  constexpr const T* end() const { return data + size; }

  template <class... I>
  static constexpr std::size_t offset(I... index) {
    static_assert(sizeof...(I) == rank, "wrong number of subscripts");
    const std::array<int, rank> ix{index...};
    std::size_t off = 0, stride = 1;
    for (int d = 0; d < rank; ++d) {
      assert(ix[d] >= 1 && ix[d] <= extents[d]);
      off += static_cast<std::size_t>(ix[d] - 1) * stride;
      stride *= static_cast<std::size_t>(extents[d]);
    }
    return off;
  }
};

// Fixed-length text, blank padded.
template <int N>
struct Text {
  static constexpr int length = N;
  char data[N];
  std::string_view view() const { return {data, N}; }
  void assign(std::string_view s) {
    for (int i = 0; i < N; ++i) data[i] = i < static_cast<int>(s.size()) ? s[i] : ' ';
  }
};

// A caller's array seen through 1-based column-major subscripts.
template <class T, int Rank>
class ArrayRef {
public:
  ArrayRef() = default;
  ArrayRef(T* data, std::array<std::int64_t, Rank> extents) : data_(data), extents_(extents) {}
  // A view that writes is also one that only reads.
  template <class U>
  requires std::is_same_v<const U, T> ArrayRef(const ArrayRef<U, Rank>& writable)
      : data_(writable.data_), extents_(writable.extents_) {}

  template <class... I>
  T& operator()(I... index) const {
    static_assert(sizeof...(I) == Rank, "wrong number of subscripts");
    const std::array<std::int64_t, Rank> ix{static_cast<std::int64_t>(index)...};
    std::int64_t off = 0, stride = 1;
    for (int d = 0; d < Rank; ++d) {
      assert(ix[d] >= 1 && ix[d] <= extents_[d]);
      off += (ix[d] - 1) * stride;
      stride *= extents_[d];
    }
    return data_[off];
  }
  T* data() const { return data_; }
  std::int64_t extent(int d) const { return extents_[d]; }
  std::int64_t size() const {
    std::int64_t n = 1;
    for (auto e : extents_) n *= e;
    return n;
  }

private:
  template <class, int>
  friend class ArrayRef;
  T* data_ = nullptr;
  std::array<std::int64_t, Rank> extents_{};
};

}  // namespace ruvo
