// Listing records worked out by hand, column by column.
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

using Records = std::vector<std::string>;

std::string blanks(int n) { return std::string(std::size_t(n), ' '); }

// The single record of one value in a one-descriptor format.
std::string one(const char* descriptor, Value v) {
  Records r = Format(std::string("(") + descriptor + ")").records({v});
  EXPECT_EQ(r.size(), 1u);
  return r.empty() ? std::string() : r.front();
}

TEST(RecordText, QuotesHollerithAndCarriageControl) {
  EXPECT_EQ(Format("(1H0,6X,'BENDING')").records({}), Records{"0      BENDING"});
  EXPECT_EQ(Format("(1H ,' LINE')").records({}), Records{"  LINE"});
  EXPECT_EQ(Format("('1')").records({}), Records{"1"});
  EXPECT_EQ(Format("(\"1\"//'A''B',\"C\"\"D\")").records({}), (Records{"1", "", "A'BC\"D"}));
  // 2H takes the 0 and the blank after it; the blanks before the text do not count
  EXPECT_EQ(Format("(2H0 ,       'EIGENVALUES :')").records({}), Records{"0 EIGENVALUES :"});
  // lower-case descriptors, blanks around the parentheses and between items
  EXPECT_EQ(Format("  (//1x ,' CRIPPLING FORCE:')   ").records({}), (Records{"", "", "  CRIPPLING FORCE:"}));
}

TEST(RecordText, SlashesMakeEmptyRecords) {
  EXPECT_EQ(Format("(///)").records({}), (Records{"", "", "", ""}));
  EXPECT_EQ(Format("(///,1X,'A')").records({}), (Records{"", "", "", " A"}));
  EXPECT_EQ(Format("('X'/)").records({}), (Records{"X", ""}));
  EXPECT_EQ(Format("(/,' B'/' C')").records({}), (Records{"", " B", " C"}));
  EXPECT_EQ(Format("('A',3/'B')").records({}), (Records{"A", "", "", "B"}));
}

TEST(RecordText, BlanksOfXAtTheRecordEndAreNotWritten) {
  // A leading X still writes the carriage-control blank of its record.
  EXPECT_EQ(Format("(1X/1X,'MESSAGE FROM SUBROUTINE RDTYPE:')").records({}),
            (Records{" ", " MESSAGE FROM SUBROUTINE RDTYPE:"}));
  EXPECT_EQ(Format("(4X)").records({}), Records{" "});
  EXPECT_EQ(Format("('A',5X)").records({}), Records{"A"});
  EXPECT_EQ(Format("('A',5X,'B')").records({}), Records{"A     B"});
  EXPECT_EQ(Format("(24X,35('-'))").records({}), Records{blanks(24) + std::string(35, '-')});
}

TEST(RecordText, TabMovesToAColumn) {
  EXPECT_EQ(Format("(1X,T36,'UPDATED MATRIX A11')").records({}), Records{blanks(35) + "UPDATED MATRIX A11"});
  // moving left overwrites what is there; the record keeps its length
  EXPECT_EQ(Format("(1X,'ABCDEF',T3,'xy')").records({}), Records{" AxyDEF"});
  EXPECT_EQ(Format("('A',T10)").records({}), Records{"A"});
}

TEST(RecordText, ListingHeadings) {
  const std::string title = "PANEL 7" + blanks(73);
  EXPECT_EQ(Format("(\"1\"////8X,A80)").records({title}), (Records{"1", "", "", "", blanks(8) + title}));
  EXPECT_EQ(
      Format("(///1X,'ANGLES OF OBLIQUENESS',6X,'X''-X:',F9.4/                   "
             "28X,'Y''-Y:',F9.4)")
          .records({30.0f, -45.5f}),
      (Records{"", "", "", " ANGLES OF OBLIQUENESS      X'-X:  30.0000", blanks(28) + "Y'-Y: -45.5000"}));
  // edge line with the six boundary codes under their column titles
  EXPECT_EQ(Format("  (7X,' Y = 0   !',5A6, A10)            ").records({"0", "-", "*", "*", "*", "0"}),
            Records{blanks(7) + " Y = 0   !     0     -     *     *     *         0"});
  EXPECT_EQ(Format(" (/30X,'NX')    ").records({}), (Records{"", blanks(30) + "NX"}));
  EXPECT_EQ(Format(" (7X,  'RX  = ',E14.7)          ").records({1.0e19f}),
            Records{blanks(7) + "RX  =  0.1000000E+20"});
  EXPECT_EQ(Format("(1X,'NAMELIST ',A6,' NOT FOUND')").records({" INERT"}),
            Records{" NAMELIST  INERT NOT FOUND"});
}

TEST(RecordGroups, RepeatedGroupLosesItsTrailingBlanks) {
  // block size 6 patched into character 7; the empty item before ")" is allowed
  const Format header("(/11X,6(10X,'IX=',I2,4X),)");
  const std::string col = blanks(10) + "IX=";
  EXPECT_EQ(header.records({1, 2, 3, 4, 5, 6}),
            (Records{"", blanks(11) + col + " 1" + blanks(4) + col + " 2" + blanks(4) + col + " 3" +
                             blanks(4) + col + " 4" + blanks(4) + col + " 5" + blanks(4) + col + " 6"}));
  EXPECT_EQ(Format("(/11X,1(10X,'IX=',I2,4X),)").records({7}), (Records{"", blanks(11) + col + " 7"}));
}

TEST(RecordGroups, TextAfterTheLastValueIsWritten) {
  EXPECT_EQ(Format("(1X,82(E12.4,' '))").records({1.0, 2.0}), Records{"   0.1000E+01   0.2000E+01 "});
  EXPECT_EQ(Format("(2(1X,2E20.7/)/)").records({1.0f, 2.0f, 2.0f, 3.0f}),
            (Records{blanks(8) + "0.1000000E+01" + blanks(7) + "0.2000000E+01",
                     blanks(8) + "0.2000000E+01" + blanks(7) + "0.3000000E+01", "", ""}));
}

TEST(RecordGroups, OutputStopsAtTheFirstDescriptorWithoutValue) {
  const Format f("(1X,'A',I2,'B',I2)");
  EXPECT_EQ(f.records({}), Records{" A"});
  EXPECT_EQ(f.records({5}), Records{" A 5B"});
  // the four real items fill the first group: NX= and the rest never appear
  const Format lambda(
      "(1X,I3,'.   LAMBDA=',6E19.6,',     NX=',6E19.6,                       "
      "', NXY=',6E19.6,', NY=',6E19.6)");
  const std::string e = blanks(7) + "0.100000E+01";
  EXPECT_EQ(lambda.records({1, 1.0, 1.0, 1.0, 1.0}), Records{"   1.   LAMBDA=" + e + e + e + e});
  // no coefficients: the second record still holds its text
  const Format lqfit("(1H ,' LQFIT: SPALTE',I4,' IST LINEAR ABHAENGIG'/          ('       KOEFF=',8E15.4))");
  EXPECT_EQ(lqfit.records({1}), (Records{"  LQFIT: SPALTE   1 IST LINEAR ABHAENGIG", "       KOEFF="}));
}

TEST(RecordGroups, ReversionToTheLastOuterGroup) {
  const Format lqfit("(1H ,' LQFIT: SPALTE',I4,' IST LINEAR ABHAENGIG'/          ('       KOEFF=',8E15.4))");
  std::vector<Value> v{11};
  for (int k = 0; k < 10; ++k) v.emplace_back(0.5);
  const std::string e = "     0.5000E+00";
  std::string eight;
  for (int k = 0; k < 8; ++k) eight += e;
  EXPECT_EQ(lqfit.records(v), (Records{"  LQFIT: SPALTE  11 IST LINEAR ABHAENGIG", "       KOEFF=" + eight,
                                       "       KOEFF=" + e + e}));
  // the group's repeat count applies again after reversion
  EXPECT_EQ(Format("(1X,I2,2(1X,I1))").records({1, 2, 3, 4, 5, 6, 7}), (Records{"  1 2 3", " 4 5", " 6 7"}));
  // without a group the whole format starts again
  EXPECT_EQ(Format("(1X,I2)").records({1, 2, 3}), (Records{"  1", "  2", "  3"}));
  // exactly as many values as the format takes: no extra record
  EXPECT_EQ(Format("(1X,T36,'A11'/(1X,2D17.6))").records({1.0, 2.0}),
            (Records{blanks(35) + "A11", blanks(6) + "0.100000D+01     0.200000D+01"}));
}

TEST(RecordGroups, ValuesLeftWithoutDescriptorsEndTheWrite) {
  EXPECT_EQ(Format("('1')").records({1, 2}), Records{"1"});
  EXPECT_EQ(Format("(1X,I1,('X'))").records({1, 2}), (Records{" 1X"}));
}

TEST(RecordFormat, TextAfterTheClosingParenthesisIsIgnored) {
  EXPECT_EQ(Format("(E20.5)//").records({2.5}), Format("(E20.5)").records({2.5}));
  EXPECT_EQ(Format("(E20.5)//").records({2.5}), Records{blanks(9) + "0.25000E+01"});
}

TEST(RecordFormat, MalformedTextsAreRejected) {
  for (const char* bad : {"1X", "(1X", "(Q5)", "(I0)", "(E10.0)", "('abc)", "(3H12)", "(F8)", "(X)", "(2T5)",
                          "(0(1X))", "(1P,E12.4)", "(I99999)", ""})
    EXPECT_THROW(Format{bad}, std::invalid_argument) << bad;
}

// One value in a one-descriptor format: the table is data/record_fields.txt.
TEST(RecordFields, EveryKindOfValueInEveryDescriptor) {
  const std::vector<std::string> rows = testing::data_rows("record_fields.txt");
  EXPECT_EQ(rows.size(), 61u);  // a table read short fails here
  for (const std::string& row : rows) {
    std::istringstream in(row.substr(0, row.find('|')));
    std::string descriptor, kind, text;
    in >> descriptor >> kind >> text;
    const std::string expected = row.substr(row.find('|') + 1, row.rfind('|') - row.find('|') - 1);
    const Value v = kind == "i"   ? Value(std::stoll(text))
                    : kind == "f" ? Value(std::strtof(text.c_str(), nullptr))
                    : kind == "d" ? Value(std::strtod(text.c_str(), nullptr))
                                  : Value(text);
    EXPECT_EQ(one(descriptor.c_str(), v), expected) << row;
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
