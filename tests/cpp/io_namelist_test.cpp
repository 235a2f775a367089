// Namelist groups: finding and skipping groups, item and value forms, end of
// file, and malformed groups that must leave every member untouched.
#include "io/namelist.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "test_data.hpp"

namespace ruvo::io {
namespace {

// A group "inert" with a member of every kind, preset to recognisable values.
class NamelistTest : public ::testing::Test {
protected:
  NamelistTest() { reset(); }
  float dom, ddst[6];
  std::int32_t n, buck;
  char proj[8];
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
  void reset() {
    dom = 1.0e-6f;
    std::fill(ddst, ddst + 6, 9.0f);
    n = 7;
    buck = 0;
    std::copy_n("OLD     ", 8, proj);
  }
  std::vector<float> ddst_values() const { return {ddst, ddst + 6}; }
  std::string proj_text() const { return {proj, 8}; }
  void expect_untouched() const {
    EXPECT_EQ((std::tuple{dom, n, buck, proj_text()}), (std::tuple{1.0e-6f, 7, 0, std::string("OLD     ")}));
    EXPECT_EQ(ddst_values(), std::vector<float>(6, 9.0f));
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

TEST_F(NamelistTest, ReadsContinueFromThePositionUntilEndOfFileAndLeaveTheMembersThere) {
  in = {"&inert n=1 /\n&inert n=2 &end\n&inert n=3 $END\n", 0};
  const NamelistGroup group{"inert", items};
  for (int expected : {1, 2, 3}) {
    ASSERT_EQ(read_group(in, group).status, ReadStatus::ok);
    EXPECT_EQ(n, expected);
  }
  EXPECT_EQ(read_group(in, group).status, ReadStatus::end_of_file);
  EXPECT_EQ(in.position, in.text.size());
  EXPECT_EQ(n, 3);

  // At the end of the file, or past it, a group not found leaves the members.
  reset();
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
  EXPECT_EQ((std::tuple{n, dom, buck, proj_text()}), (std::tuple{3, 2.5f, 1, std::string("OLD     ")}));
  EXPECT_EQ(ddst_values(), std::vector<float>(6, 9.0f));  // omitted: kept
  EXPECT_EQ(read("&inert /").status, ReadStatus::ok);
  EXPECT_EQ(n, 3);
}

// The table is data/namelist_values.txt.
TEST_F(NamelistTest, ValuesInEveryFormReachTheirMember) {
  const std::vector<std::string> rows = testing::data_rows("namelist_values.txt");
  EXPECT_EQ(rows.size(), 43u);
  for (const std::string& row : rows) {
    const std::size_t bar = row.find(" | "), bar2 = row.find(" | ", bar + 3);
    const std::string member = row.substr(bar + 3, bar2 - bar - 3), want = row.substr(bar2 + 3);
    reset();
    ASSERT_EQ(read("&inert " + row.substr(0, bar) + " /").status, ReadStatus::ok) << row;
    std::istringstream values(want);
    if (member == "ddst")
      EXPECT_EQ(ddst_values(), std::vector<float>(std::istream_iterator<float>(values), {})) << row;
    else if (member == "dom")
      EXPECT_EQ(dom, std::strtof(want.c_str(), nullptr)) << row;
    else if (member == "n")
      EXPECT_EQ(n, std::stoll(want)) << row;
    else if (member == "buck")
      EXPECT_EQ(buck, std::stoi(want)) << row;
    else
      EXPECT_EQ("[" + proj_text() + "]", want) << row;
  }
  // Line ends inside values and texts.
  reset();
  ASSERT_EQ(read("&inert ddst = 1\n 2, dom = 4 proj='line\nnext' /").status, ReadStatus::ok);
  EXPECT_EQ(ddst_values(), (std::vector<float>{1, 2, 9, 9, 9, 9}));
  EXPECT_EQ((std::tuple{dom, proj_text()}), (std::tuple{4.0f, std::string("linenext")}));
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

}  // namespace
}  // namespace ruvo::io
