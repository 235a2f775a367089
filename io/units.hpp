// File units: the numbered connections the routines read and write through.
//   6   standard output (file descriptor 1, flushed record by record)
//   8   namelist input, "fort.8" unless connected otherwise
//   9   the listing file, 25 the scratch file "RCA25", 26 the mode-shape file
// A write to an unconnected unit N connects it to "fort.N" in the working
// directory and it stays connected until the unit is opened again.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>

#include "io/record.hpp"

namespace ruvo::io {

constexpr int stdout_unit = 6;

// Formatted sequential output. Opening creates the file or writes an existing
// one again from its start; a unit already connected is closed first.
void open(int unit, const std::string& file_name);
// Closes a connected unit (no effect otherwise); `remove` deletes its file.
void close(int unit, bool remove = false);
bool is_connected(int unit);
// Positions a unit at its start: later writes replace the old contents.
void rewind(int unit);

// One formatted write: the records of `fmt` with `values`.
void write(int unit, const Format& fmt, std::span<const Value> values);
void write(int unit, const Format& fmt, std::initializer_list<Value> values = {});
// One list-directed write.
void write_list(int unit, std::initializer_list<Value> values);

// Unformatted sequential records (the scratch file), each framed by 4-byte
// record-length markers. `open_unformatted` keeps an already connected unit.
void open_unformatted(int unit, const std::string& file_name);
void write_record(int unit, std::span<const std::byte> bytes);
// Reads the next record into `bytes` (at most its size); false at end of file.
bool read_record(int unit, std::span<std::byte> bytes);

// Namelist input: the whole text of the file connected to `unit` (read when
// first used: "fort.N" unless connected; a missing file is empty) and the
// position of the next read, which readers advance and `rewind` resets.
struct TextInput {
  std::string text;
  std::size_t position = 0;
};
TextInput& input(int unit);
// Connects an input unit to a named file (read at once, missing is empty).
void open_input(int unit, const std::string& file_name);

}  // namespace ruvo::io
