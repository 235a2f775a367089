// File units, each test in a fresh temporary working directory.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "io/units.hpp"

namespace ruvo::io {
namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void make_file(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

class Units : public ::testing::Test {
protected:
  void SetUp() override {
    home_ = fs::current_path();
    char dir[] = "/tmp/ruvo_units_XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    dir_ = dir;
    fs::current_path(dir_);
  }
  void TearDown() override {
    for (int unit : {6, 8, 9, 25, 26, 31}) close(unit);
    fs::current_path(home_);
    fs::remove_all(dir_);
  }

  const Format line_{"(1X,'LINE',I2)"};

private:
  fs::path home_, dir_;
};

TEST_F(Units, StandardOutputIsWrittenAtDescriptorLevelRecordByRecord) {
  ::testing::internal::CaptureStdout();  // at descriptor level
  write(stdout_unit, line_, {1});
  ASSERT_EQ(::write(STDOUT_FILENO, "host\n", 5), 5);  // the host's own output in between
  write_list(stdout_unit, {" Analysis started"});
  write(stdout_unit, Format("(16X,'A'/16X,'B')"));
  EXPECT_EQ(
      ::testing::internal::GetCapturedStdout(),
      " LINE 1\nhost\n  Analysis started\n" + std::string(16, ' ') + "A\n" + std::string(16, ' ') + "B\n");
  EXPECT_TRUE(is_connected(stdout_unit));
}

// An unconnected unit writes to fort.N; open empties a file and takes a unit
// over; rewind makes later writes replace the contents.
TEST_F(Units, FormattedUnitsOpenRewindAndFallBackToFortN) {
  EXPECT_FALSE(is_connected(31));
  write(31, line_, {1});
  EXPECT_TRUE(is_connected(31));
  EXPECT_EQ(contents("fort.31"), " LINE 1\n");  // on disk at once, while connected
  write(31, line_, {2});
  EXPECT_EQ(contents("fort.31"), " LINE 1\n LINE 2\n");
  open(31, "named.txt");  // a later open takes the unit over
  write(31, line_, {3});
  EXPECT_EQ(contents("fort.31"), " LINE 1\n LINE 2\n");
  EXPECT_EQ(contents("named.txt"), " LINE 3\n");

  make_file("run.out", "old listing\n");
  open(9, "run.out");
  EXPECT_EQ(contents("run.out"), "");
  write(9, line_, {1});
  // a new run while the listing is still connected starts it afresh
  open(9, "run.out");
  write(9, line_, {2});
  EXPECT_EQ(contents("run.out"), " LINE 2\n");
  close(9);
  EXPECT_FALSE(is_connected(9));
  EXPECT_EQ(contents("run.out"), " LINE 2\n");
  close(9);                  // not connected: nothing happens
  open(26, "modes.txt   ");  // names lose their trailing blanks only
  close(26, true);
  EXPECT_FALSE(fs::exists("modes.txt"));
  EXPECT_EQ(file_name("  a b   ", ".out"), "  a b   .out");
  EXPECT_EQ(file_name("  a b   ", ""), "  a b");

  open(26, "modes.txt");
  for (int k = 1; k <= 3; ++k) write(26, line_, {k});
  rewind(26);
  EXPECT_EQ(contents("modes.txt"), " LINE 1\n LINE 2\n LINE 3\n");  // until written again
  write(26, line_, {9});
  EXPECT_EQ(contents("modes.txt"), " LINE 9\n");
  write(26, line_, {8});
  EXPECT_EQ(contents("modes.txt"), " LINE 9\n LINE 8\n");
}

std::vector<std::byte> bytes_of(const std::vector<double>& v) {
  std::vector<std::byte> b(v.size() * sizeof(double));
  std::memcpy(b.data(), v.data(), b.size());
  return b;
}

// The head of the next record in n doubles (-1 beyond its end), or nothing
// when no record can be read.
std::optional<std::vector<double>> read_doubles(int unit, std::size_t n) {
  std::vector<double> v(n, -1.0);
  if (!read_record(unit, std::as_writable_bytes(std::span(v)))) return std::nullopt;
  return v;
}

// Unformatted records framed by length markers, read whole or by their head,
// rewritten, reconnected, deleted, and a damaged record; the formatted and
// the unformatted units refuse the other kind. (A file that cannot be opened
// is reported once and the run goes on: test_file_faults.py.)
TEST_F(Units, UnformattedRecordsAreFramedByLengthMarkers) {
  open_unformatted(25, "RCA25");
  write_record(25, bytes_of({1.0, 2.0, 3.0}));
  write_record(25, bytes_of({4.0}));
  // length as 4 little-endian bytes, the values, the length again
  const auto framed = [](char length, std::vector<double> v) {
    const std::string marker{length, '\0', '\0', '\0'};
    return marker + std::string(reinterpret_cast<const char*>(v.data()), 8 * v.size()) + marker;
  };
  EXPECT_EQ(contents("RCA25"), framed(24, {1.0, 2.0, 3.0}) + framed(8, {4.0}));

  rewind(25);
  EXPECT_EQ(read_doubles(25, 3), (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(read_doubles(25, 1), (std::vector<double>{4.0}));
  EXPECT_FALSE(read_doubles(25, 1));  // end of file

  // a short buffer takes the head of a record; the next read starts at the next record
  rewind(25);
  EXPECT_EQ(read_doubles(25, 2), (std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(read_doubles(25, 2), (std::vector<double>{4.0, -1.0}));

  open_unformatted(25, "other");  // already connected: kept, position unchanged
  EXPECT_FALSE(fs::exists("other"));
  write_record(25, bytes_of({5.0, 6.0}));
  EXPECT_EQ(contents("RCA25").size(), 32u + 16 + 24);
  rewind(25);
  write_record(25, bytes_of({7.0}));
  EXPECT_EQ(contents("RCA25").size(), 16u);  // the file ends after the record written
  close(25, true);
  EXPECT_FALSE(fs::exists("RCA25"));
  EXPECT_FALSE(read_doubles(25, 1));  // not connected

  write_record(25, bytes_of({1.0}));  // connects fort.25
  write_record(25, bytes_of({2.0, 3.0}));
  ASSERT_EQ(::truncate("fort.25", 16 + 20), 0);  // the second record cut short
  rewind(25);
  EXPECT_EQ(read_doubles(25, 1), std::vector<double>{1.0});
  EXPECT_FALSE(read_doubles(25, 2));  // a damaged record reads as the end
  write(25, line_, {4});              // a unit of the other kind writes nothing
  EXPECT_EQ(contents("fort.25").size(), 36u);
  EXPECT_FALSE(read_doubles(9, 1));
}

TEST_F(Units, InputTextOfFortNOrANamedFile) {
  TextInput& missing = input(8);
  EXPECT_EQ(missing.text, "");
  EXPECT_EQ(missing.position, 0u);
  make_file("fort.8", "&antype buck=T /\n");
  rewind(8);  // reads the file again
  EXPECT_EQ(input(8).text, "&antype buck=T /\n");
  input(8).position = 9;
  rewind(8);
  EXPECT_EQ(input(8).position, 0u);

  make_file("panel.nml", "&inert dom=2.0 /\n");
  open_input(8, "panel.nml  ");
  EXPECT_EQ(input(8).text, "&inert dom=2.0 /\n");
  open_input(8, "absent.nml");
  EXPECT_EQ(input(8).text, "");
}

// A typed run's scope: files in its directory (none without one), standard
// output and complaints captured, every unit closed when it ends.
TEST_F(Units, RunScopePlacesCapturesAndClosesItsFiles) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  fs::create_directory("run");
  std::string captured;
  {
    RunScope scope({"run", true, 9, &captured});
    open(9, "analysis.out");
    write(9, line_, {1});
    write(stdout_unit, line_, {2});
    open_unformatted(25, "RCA25");
    write_record(25, std::as_bytes(std::span("abc")));
    open(26, "no/such/dir.txt");
  }
  EXPECT_EQ(contents("run/analysis.out"), " LINE 1\n");
  EXPECT_FALSE(fs::exists("run/RCA25"));  // the scratch file goes with the scope
  EXPECT_EQ(captured.substr(0, 8), " LINE 2\n");
  EXPECT_NE(captured.find("run/no/such/dir.txt"), std::string::npos);
  EXPECT_FALSE(is_connected(9));
  {
    RunScope scope({"", false, 9, &captured});  // no directory: nothing is made
    open(9, "analysis.out");
    write(9, line_, {3});
    open_unformatted(25, "RCA25");
    EXPECT_TRUE(is_discarded(9) && is_discarded(25) && is_intact(9));
    std::byte b[4];
    EXPECT_FALSE(read_record(25, b));
    make_file("fort.8", "&inert dom=2.0 /\n");
    EXPECT_EQ(input(8).text, "");  // not the working directory's file
  }
  EXPECT_FALSE(fs::exists("analysis.out") || fs::exists("RCA25"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace ruvo::io
