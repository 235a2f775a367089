// A test of a routine that writes the listing: runs in a fresh temporary
// directory with the listing on unit 9, from a model state reset to a plain
// flat panel with W alone and no conditions.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/units.hpp"
#include "model/blocks.hpp"
#include "test_data.hpp"

namespace ruvo::testing {

inline std::string sp(int n) { return std::string(std::size_t(n), ' '); }

class ListingTest : public ::testing::Test {
protected:
  void SetUp() override {
    home_ = std::filesystem::current_path();
    char dir[] = "/tmp/ruvo_input_XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    dir_ = dir;
    std::filesystem::current_path(dir_);
    io::open(9, "listing.out");
    reset_state();
  }
  void TearDown() override {
    io::close(9);
    io::close(8);
    std::filesystem::current_path(home_);
    std::filesystem::remove_all(dir_);
  }

  // The records of a file of the test's directory.
  std::vector<std::string> lines_of(const std::string& name) const {
    std::ifstream f(dir_ / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(f, line);) lines.push_back(line);
    return lines;
  }
  // The listing records written so far.
  std::vector<std::string> listing() const { return lines_of("listing.out"); }

  // The listing records from the first equal to `first` up to, not
  // including, the next equal to `last`.
  std::vector<std::string> section(const std::string& first, const std::string& last) const {
    const std::vector<std::string> all = listing();
    auto at = std::find(all.begin(), all.end(), first);
    return {at, at == all.end() ? at : std::find(at + 1, all.end(), last)};
  }
  // The listing records from the first equal to `first`, `n` of them.
  std::vector<std::string> from(const std::string& first, int n) const {
    const std::vector<std::string> all = listing();
    auto at = std::find(all.begin(), all.end(), first);
    return {at, at + std::min<std::ptrdiff_t>(n, all.end() - at)};
  }
  // How often `record` stands in the listing.
  long count(const std::string& record) const {
    const std::vector<std::string> all = listing();
    return std::count(all.begin(), all.end(), record);
  }

  template <class V = ruvo31>
  void grid(int mx, int my, float length = 1.0f) {
    auto& ina = state::f07ina<V>();
    ina.mx = mx, ina.my = my;
    for (int i = 1; i < V::p_rtnds; ++i) {
      ina.a(i) = i < mx ? length : 0.0f;
      ina.b(i) = i < my ? length : 0.0f;
    }
    for (int i = 1; i <= mx; ++i)
      for (int j = 1; j <= my; ++j) ina.leit(j, i) = (i - 1) * my + j;
  }

  template <class V = ruvo31>
  static void functions(std::initializer_list<int> ku) {
    auto& ina = state::f07ina<V>();
    ina.ku = {};
    int k = 0;
    for (int f : ku) ina.ku(++k) = f;
    ina.knfun = k;
  }

  // Column k of idesup: function, derivative kind, y-line, x-line.
  static void suppress(int k, int f, int d, int i, int j) {
    auto& s = state::f07ind.idesup;
    s(1, k) = f, s(2, k) = d, s(3, k) = i, s(4, k) = j;
  }

  static void edge(Edge e, std::initializer_list<int> codes) {
    int j = 0;
    for (int c : codes) state::f07ind.ki(++j, e) = c;
    state::f07ind.seiten = 1;
  }

private:
  // The largest layout covers the whole storage of a block.
  static void reset_state() {
    state::f07ina<ruvo31>() = {};
    state::f07dis<ruvo31>() = {};
    state::stiffcom<ruvo31>() = {};
    state::cpfest<ruvo31>() = {};
    state::cpvar<ruvo31>() = {};
    std::memset(&state::f07mat<ruvo31>(), 0, sizeof(F07mat<ruvo31>));
    functions<ruvo31>({1});
    state::f07ind = {};
    state::man = {};
    state::plotin = {};
    state::skstf = {};
    state::f07inb = {};
    state::f07ang = {};
    state::antype = {};
    state::densit = {};
    state::stringercom = {};
    state::datran.nread = 8;
    state::datran.nwrite = 9;
  }

  std::filesystem::path home_, dir_;
};

}  // namespace ruvo::testing
