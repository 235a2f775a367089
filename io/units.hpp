// File units: the numbered connections the routines read and write through.
//   6   standard output (file descriptor 1, flushed record by record)
//   8   namelist input, "fort.8" unless connected otherwise
//   9   the listing file, 25 the scratch file "RCA25", 26 the mode-shape file
// A write to an unconnected unit N connects it to "fort.N" in the working
// directory and it stays connected until the unit is opened again.
// Unit 6 is preconnected to file descriptor 1 (each record one write(2), so
// a host sees the lines in order with its own output); it falls back to it
// whenever no file is connected to it.
// Every output record goes to the file at once (no buffering). I/O errors
// never throw: a unit whose file cannot be opened or written is reported once
// on standard error and drops its output until it is opened again.
// Process-wide state: one analysis at a time (the host serialises callers).
// A typed run places its files through a `RunFiles` scope instead of the
// working directory.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "io/record.hpp"

namespace ruvo::io {

constexpr int stdout_unit = 6;

// Where the files of one typed run go while a `RunScope` is alive:
//   directory  relative file names are taken in it; empty: no file at all is
//              made (every unit but 6 drops its output and reads nothing)
//   listing    false: writes to unit `listing_unit` go nowhere
//   captured   standard output and the units' complaints are appended here
//              instead of reaching file descriptors 1 and 2
struct RunFiles {
  std::string directory;
  bool listing = true;
  int listing_unit = 9;
  std::string* captured = nullptr;
};

// Installs `files` for its lifetime; the scope closes every unit it saw
// opened when it ends, so no connection outlives the run.
class RunScope {
public:
  explicit RunScope(RunFiles files);
  ~RunScope();
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

// Whether `unit` is connected to nothing (its output goes nowhere).
bool is_discarded(int unit);

// A file name from a blank-padded name and a suffix: the two concatenated,
// with only the blanks at the very end dropped ("abc     " + ".out" gives
// "abc     .out"). `open` and `open_input` drop trailing blanks the same way.
std::string file_name(std::string_view name, std::string_view suffix = {});

// Formatted sequential output. Opening creates the file or empties an
// existing one; a unit already connected is closed first.
void open(int unit, const std::string& file_name);
// Closes a connected unit (no effect otherwise); `remove` deletes its file.
void close(int unit, bool remove = false);
bool is_connected(int unit);
// Whether the output written to a connected unit has all reached its file:
// false once its file could not be created or a write to it failed.
bool is_intact(int unit);
// Positions a unit at its start: later writes replace the old contents (the
// file ends after the last record written); an input unit reads again from
// its start.
void rewind(int unit);

// One formatted write: the records of `fmt` with `values`.
void write(int unit, const Format& fmt, std::span<const Value> values);
void write(int unit, const Format& fmt, std::initializer_list<Value> values = {});
// One list-directed write.
void write_list(int unit, std::span<const Value> values);
void write_list(int unit, std::initializer_list<Value> values);

// Unformatted sequential records (the scratch file), each framed by 4-byte
// little-endian record-length markers. `open_unformatted` keeps an already
// connected unit; otherwise it creates or empties the file. A record written
// to an unconnected unit connects it to "fort.N".
void open_unformatted(int unit, const std::string& file_name);
void write_record(int unit, std::span<const std::byte> bytes);
// Reads the next record into `bytes` (at most its size; the rest of a longer
// record is skipped); false at end of file, on a damaged record or when the
// unit holds no unformatted file.
bool read_record(int unit, std::span<std::byte> bytes);

// Namelist input: the whole text of the file connected to `unit` (read when
// first used: "fort.N" unless connected; a missing file is empty) and the
// position of the next read, which readers advance and `rewind` resets.
// The reference stays valid until the unit is closed or opened again.
struct TextInput {
  std::string text;
  std::size_t position = 0;
};
TextInput& input(int unit);
// Connects an input unit to a named file (read at once, missing is empty).
void open_input(int unit, const std::string& file_name);

}  // namespace ruvo::io
