// Listing records worked out by hand, column by column: formats and their
// records in data/record_formats.txt, one value in each descriptor in
// data/record_fields.txt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/record.hpp"
#include "test_data.hpp"

namespace ruvo::io {
namespace {

// A value of the tables: i integer, f 32-bit real, d 64-bit real, s text
// (a view of `text`, which must outlive the write).
Value value(char kind, std::string_view text) {
  const std::string number(text);
  switch (kind) {
    case 'i': return Value(std::stoll(number));
    case 'f': return Value(std::strtof(number.c_str(), nullptr));
    case 'd': return Value(std::strtod(number.c_str(), nullptr));
    default: return Value(text);
  }
}

TEST(RecordFormat, EveryFormatWritesItsRecords) {
  const std::vector<testing::DataSection> cases = testing::data_sections("record_formats.txt");
  EXPECT_EQ(cases.size(), 40u);  // a table read short fails here
  for (const testing::DataSection& c : cases) {
    std::vector<Value> values;
    std::vector<std::string> records;
    for (const std::string& line : c.lines)
      if (line.starts_with("< "))
        values.push_back(value(line[2], std::string_view(line).substr(4)));
      else
        records.push_back(line);
    EXPECT_EQ(Format(c.heading).records(values), records) << c.heading;
  }
}

TEST(RecordFormat, MalformedTextsAreRejected) {
  for (const char* bad : {"1X", "(1X", "(Q5)", "(I0)", "(E10.0)", "('abc)", "(3H12)", "(F8)", "(X)", "(2T5)",
                          "(0(1X))", "(1P,E12.4)", "(I99999)", ""})
    EXPECT_THROW(Format{bad}, std::invalid_argument) << bad;
}

TEST(RecordFields, EveryKindOfValueInEveryDescriptor) {
  const std::vector<std::string> rows = testing::data_rows("record_fields.txt");
  EXPECT_EQ(rows.size(), 61u);
  for (const std::string& row : rows) {
    std::istringstream in(row.substr(0, row.find('|')));
    std::string descriptor, kind, text;
    in >> descriptor >> kind >> text;
    const std::string expected = row.substr(row.find('|') + 1, row.rfind('|') - row.find('|') - 1);
    EXPECT_EQ(Format("(" + descriptor + ")").records({value(kind[0], text)}), std::vector{expected}) << row;
  }
}

TEST(RecordList, OneBlankThenTheItems) {
  const auto list = [](std::initializer_list<Value> v) {
    return list_directed(std::span<const Value>(v.begin(), v.size()));
  };
  EXPECT_EQ(list({" Analysis started"}), "  Analysis started");
  EXPECT_EQ(list({"N =", 12, 2.5}), " N = 12 2.5");
  EXPECT_EQ(list({"A", "B"}), " AB");
  EXPECT_EQ(list({3, -4}), " 3 -4");
  EXPECT_EQ(list({0.1f, 0.1}), " 0.1 0.1");
  EXPECT_EQ(list({}), " ");
}

}  // namespace
}  // namespace ruvo::io
