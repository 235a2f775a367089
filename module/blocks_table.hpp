// The shared blocks the host can see, one row per member: its name, element
// type, shape (of the largest variant's layout) and place in the model state.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <vector>

namespace ruvo::module {

struct MemberRow {
  std::string name;
  std::string dtype;                     // "int32", "float32" or "S1"
  std::vector<pybind11::ssize_t> shape;  // empty for a scalar
  void* data;

  // Bytes of its storage.
  std::size_t nbytes() const {
    std::size_t n = dtype == "S1" ? 1 : 4;
    for (auto e : shape) n *= static_cast<std::size_t>(e);
    return n;
  }
};

struct BlockRow {
  std::string name;
  std::vector<MemberRow> members;
};

const std::vector<BlockRow>& visible_blocks();

}  // namespace ruvo::module
