// Tables and listings kept as text in data/ beside these tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ruvo::testing {

// Every line of data/<name>, as it stands: a listing, one record a line.
inline std::vector<std::string> data_lines(const std::string& name) {
  std::ifstream f(std::filesystem::path(__FILE__).parent_path() / "data" / name);
  EXPECT_TRUE(f) << "data/" << name;
  std::vector<std::string> lines;
  for (std::string line; std::getline(f, line);) lines.push_back(line);
  return lines;
}

// The rows of a table in data/<name>: its lines without blank ones and
// without the comments that start with '#'.
inline std::vector<std::string> data_rows(const std::string& name) {
  std::vector<std::string> rows;
  for (std::string& line : data_lines(name))
    if (!line.empty() && line[0] != '#') rows.push_back(std::move(line));
  return rows;
}

}  // namespace ruvo::testing
