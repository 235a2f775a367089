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

// The fields of a table row, split at " | ".
inline std::vector<std::string> data_fields(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  for (std::size_t bar; (bar = row.find(" | ", at)) != std::string::npos; at = bar + 3)
    fields.push_back(row.substr(at, bar - at));
  fields.push_back(row.substr(at));
  return fields;
}

// The name of a test on a table row: the row's first field.
inline std::string row_name(const ::testing::TestParamInfo<std::string>& row) {
  return data_fields(row.param)[0];
}

// A data file in sections: each starts with a heading line "== <heading>"
// and holds the lines up to the next heading, as they stand, but for comment
// lines starting with "## ". Lines before the first heading are comments.
struct DataSection {
  std::string heading;
  std::vector<std::string> lines;
};

inline std::vector<DataSection> data_sections(const std::string& name) {
  std::vector<DataSection> sections;
  for (std::string& line : data_lines(name))
    if (line.starts_with("## "))
      continue;
    else if (line.starts_with("== "))
      sections.push_back({line.substr(3), {}});
    else if (!sections.empty())
      sections.back().lines.push_back(std::move(line));
  return sections;
}

// The lines of the section of data/<name> headed `heading`.
inline std::vector<std::string> data_section(const std::string& name, const std::string& heading) {
  for (DataSection& s : data_sections(name))
    if (s.heading == heading) return std::move(s.lines);
  ADD_FAILURE() << "data/" << name << " has no section " << heading;
  return {};
}

}  // namespace ruvo::testing
