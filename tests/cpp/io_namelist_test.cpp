// Namelist groups: finding and skipping groups, item and value forms, end of
// file, and malformed groups that must leave every member untouched.
#include "io/namelist.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "test_data.hpp"

namespace ruvo::io {
namespace {

// A group "inert" with a member of every kind, preset to recognisable values.
class NamelistTest : public ::testing::Test {
protected:
  float dom = 1.0e-6f;
  float ddst[6] = {9, 9, 9, 9, 9, 9};
  std::int32_t n = 7;
  std::int32_t buck = 0;
  char proj[8] = {'O', 'L', 'D', ' ', ' ', ' ', ' ', ' '};
  const NamelistItem items[5] = {{"dom", ItemKind::real, &dom},
                                 {"ddst", ItemKind::real, ddst, 6},
                                 {"n", ItemKind::integer, &n},
                                 {"buck", ItemKind::logical, &buck},
                                 {"proj", ItemKind::text, proj, 8}};
  TextInput in;

  ReadResult read(std::string text, std::string_view group = "inert") {
    in = {std::move(text), 0};
    return read_group(in, {group, items});
  }
  std::vector<float> ddst_values() const { return {ddst, ddst + 6}; }
  std::string proj_text() const { return {proj, 8}; }
  void expect_untouched() const {
    EXPECT_EQ(dom, 1.0e-6f);
    EXPECT_EQ(ddst_values(), std::vector<float>(6, 9.0f));
    EXPECT_EQ(n, 7);
    EXPECT_EQ(buck, 0);
    EXPECT_EQ(proj_text(), "OLD     ");
  }
};

TEST_F(NamelistTest, SkipsTextAndOtherGroupsUpToTheNamedOne) {
  const std::string text =
      "free text & more\n"
      "&inertia dom=1 /\n"                   // a longer name is another group
      "&title tit='a/b &inert dom=2 /' /\n"  // quotes hide "/" and "&inert"
      "&antype buck=T, ! comment / &inert\n/\n"
      "&inert dom=4 /tail";
  EXPECT_EQ(read(text).status, ReadStatus::ok);
  EXPECT_EQ(dom, 4.0f);
  EXPECT_EQ(buck, 0);
  EXPECT_EQ(in.position, text.size() - 4);
}

TEST_F(NamelistTest, ReadsContinueFromThePositionUntilEndOfFile) {
  in = {"&inert n=1 /\n&inert n=2 &end\n&inert n=3 $END\n", 0};
  const NamelistGroup group{"inert", items};
  for (int expected : {1, 2, 3}) {
    ASSERT_EQ(read_group(in, group).status, ReadStatus::ok);
    EXPECT_EQ(n, expected);
  }
  EXPECT_EQ(read_group(in, group).status, ReadStatus::end_of_file);
  EXPECT_EQ(in.position, in.text.size());
  EXPECT_EQ(n, 3);
}

TEST_F(NamelistTest, EndOfFileLeavesMembersAndEndsAtTheEnd) {
  for (std::string text : {"", "&antype buck=T /", "&inert dom=2", "inert dom=2 /"}) {
    ReadResult r = read(text, "tstringer");
    EXPECT_EQ(r.status, ReadStatus::end_of_file) << text;
    EXPECT_EQ(in.position, text.size());
  }
  in = {"&inert n=1 /", 99};
  EXPECT_EQ(read_group(in, {"inert", items}).status, ReadStatus::end_of_file);
  EXPECT_EQ(in.position, in.text.size());
  expect_untouched();
}

TEST_F(NamelistTest, NamesAreNotCaseSensitiveItemsComeInAnyOrder) {
  ASSERT_EQ(read("&INERT\nN = 3, Dom=2.5\n  bUcK=t/", "Inert").status, ReadStatus::ok);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(dom, 2.5f);
  EXPECT_EQ(buck, 1);
  EXPECT_EQ(ddst_values(), std::vector<float>(6, 9.0f));  // omitted: kept
  EXPECT_EQ(proj_text(), "OLD     ");
  EXPECT_EQ(read("&inert /").status, ReadStatus::ok);
  EXPECT_EQ(n, 3);
}

TEST_F(NamelistTest, ArraysFillFromFirstOrIndexWithRepeatsAndNulls) {
  struct Case {
    const char* items;
    std::vector<float> ddst;
  };
  const Case cases[] = {
      {"ddst = 1, 2, 3", {1, 2, 3, 9, 9, 9}},         {"ddst(3) = 0.5", {9, 9, 0.5, 9, 9, 9}},
      {"ddst( 5 ) = 1 2", {9, 9, 9, 9, 1, 2}},        {"ddst = 2*0.5, 3", {0.5, 0.5, 3, 9, 9, 9}},
      {"ddst = 1,,3 , , 5", {1, 9, 3, 9, 5, 9}},      {"ddst = ,2", {9, 2, 9, 9, 9, 9}},
      {"ddst = 2*, 7 3*1", {9, 9, 7, 1, 1, 1}},       {"ddst = 1\n 2, dom = 4", {1, 2, 9, 9, 9, 9}},
      {"ddst = 6*1 ddst(2) = 3", {1, 3, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    std::fill(ddst, ddst + 6, 9.0f);
    ASSERT_EQ(read(std::string("&inert ") + c.items + " /").status, ReadStatus::ok) << c.items;
    EXPECT_EQ(ddst_values(), c.ddst) << c.items;
  }
  EXPECT_EQ(dom, 4.0f);
}

TEST_F(NamelistTest, LogicalForms) {
  for (const char* yes : {"T", "t", ".TRUE.", ".true.", ".T.", ".t.", "TRUE"}) {
    buck = 0;
    ASSERT_EQ(read(std::string("&inert buck=") + yes + "/").status, ReadStatus::ok) << yes;
    EXPECT_EQ(buck, 1) << yes;
  }
  for (const char* no : {"F", "f", ".FALSE.", ".False.", ".F.", "false"}) {
    buck = 1;
    ASSERT_EQ(read(std::string("&inert buck=") + no + "/").status, ReadStatus::ok) << no;
    EXPECT_EQ(buck, 0) << no;
  }
}

TEST_F(NamelistTest, TextsInEitherQuotePaddedOrCut) {
  const std::pair<const char*, const char*> cases[] = {
      {"'AB'", "AB      "},          {"\"ab\"\"c\"", "ab\"c    "}, {"'It''s'", "It's    "},
      {"'a/b, &inert'", "a/b, &in"}, {"\"x'y\"", "x'y     "},      {"''", "        "},
      {"'line\nnext'", "linenext"},
  };
  for (const auto& [value, stored] : cases) {
    ASSERT_EQ(read(std::string("&inert proj=") + value + " /").status, ReadStatus::ok) << value;
    EXPECT_EQ(proj_text(), stored) << value;
  }
}

TEST_F(NamelistTest, NumbersInEveryForm) {
  const std::pair<const char*, float> reals[] = {
      {"1", 1.0f},
      {"-2.5", -2.5f},
      {"+.5", 0.5f},
      {"5.", 5.0f},
      {"1e3", 1000.0f},
      {"1.5D-2", 1.5e-2f},
      {"2.5d+1", 25.0f},
      {"-1E-3", -1.0e-3f},
      {"0.1", 0.1f},
      {"1e-50", 0.0f},
      // Just above the midpoint of two floats: rounding through double first
      // would land on the midpoint and round to even (1.0f).
      {"1.0000000596046447753906250001", 1.00000012f},
  };
  for (const auto& [text, value] : reals) {
    ASSERT_EQ(read(std::string("&inert dom=") + text + " /").status, ReadStatus::ok) << text;
    EXPECT_EQ(dom, value) << text;
  }
  const std::pair<const char*, std::int32_t> integers[] = {
      {"+5", 5}, {"-12", -12}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"007", 7}};
  for (const auto& [text, value] : integers) {
    ASSERT_EQ(read(std::string("&inert n=") + text + " /").status, ReadStatus::ok) << text;
    EXPECT_EQ(n, value) << text;
  }
}

TEST_F(NamelistTest, MalformedGroupStoresNothingAndNamesTheItem) {
  const auto check = [this](const std::string& text, std::string_view message) {
    ReadResult r = read(text + " / &inert n=5 /");
    EXPECT_EQ(r.status, ReadStatus::malformed) << text;
    EXPECT_EQ(r.message, "NAMELIST INERT: " + std::string(message));
    expect_untouched();
    EXPECT_EQ(in.text.substr(in.position), " &inert n=5 /") << text;  // after its "/"
  };
  // Sound items come first: they must not be stored either.
  const std::vector<std::string> rows = testing::data_rows("namelist_malformed.txt");
  EXPECT_EQ(rows.size(), 28u);
  for (const std::string& row : rows)
    check("&inert n=1 proj='NEW' " + row.substr(0, row.find(" | ")), row.substr(row.find(" | ") + 3));
  // Where a value may follow, "dom 2" and "=" would be read as values.
  check("&inert dom 2 n=1", "= EXPECTED AFTER DOM");
  check("&inert = 2", "UNEXPECTED =");
  check("&inert ddst=1, 'x'=2", "REAL EXPECTED FOR DDST, GOT 'x'=2");
}

TEST_F(NamelistTest, MalformedGroupWithoutItsEndStopsAtNextGroupOrEnd) {
  ReadResult r = read("&inert n=1 &antype buck=T /");
  EXPECT_EQ(r.message, "NAMELIST INERT: GROUP NOT ENDED BY /");
  EXPECT_EQ(in.text.substr(in.position), "&antype buck=T /");
  for (const char* text : {"&inert n=1", "&inert proj='abc /", "&inert n=1 ddst(3"}) {
    r = read(text);
    EXPECT_EQ(r.status, ReadStatus::malformed) << text;
    EXPECT_EQ(in.position, in.text.size()) << text;
  }
  EXPECT_EQ(r.message, "NAMELIST INERT: BAD INDEX FOR DDST(3)");
  EXPECT_EQ(read("&inert proj='abc /").message, "NAMELIST INERT: UNTERMINATED TEXT FOR PROJ");
  expect_untouched();
}

TEST(NamelistStorage, MemberWithoutStorageTakesNoValues) {
  const NamelistItem items[] = {{"x", ItemKind::real, nullptr, 3}, {"t", ItemKind::text, nullptr, 0}};
  for (const char* text : {"&g x=1 /", "&g t='a' /", "&g x(1)=1 /"}) {
    TextInput in{text, 0};
    EXPECT_EQ(read_group(in, {"g", items}).status, ReadStatus::malformed) << text;
  }
  TextInput in{"&g /", 0};
  EXPECT_EQ(read_group(in, {"g", items}).status, ReadStatus::ok);
}

}  // namespace
}  // namespace ruvo::io
