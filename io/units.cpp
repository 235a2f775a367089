// File units on POSIX file descriptors: one write(2) per record, so every
// record reaches its file at once and standard output interleaves with the
// host's own output.
#include "io/units.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

namespace ruvo::io {

namespace {

enum class Access { formatted, unformatted, input };

struct Unit {
  Access access = Access::formatted;
  std::string name;      // empty for standard output
  int fd = -1;           // -1: the file could not be opened or written; output is dropped
  bool discard = false;  // connected to nothing by the run's scope: output dropped, nothing read
  bool owns_fd = true;
  bool reported = false;      // a failure of this connection went to standard error
  bool cut_on_write = false;  // after a rewind or a read the next write ends the file
  TextInput in;
};

std::map<int, Unit>& units() {
  static std::map<int, Unit> table;
  return table;
}

const RunFiles* scope = nullptr;  // the typed run's files, while one is alive

void close_all() {
  while (!units().empty()) close(units().begin()->first, units().begin()->first == 25);
}

// One line on standard error (or the run's capture) per connection; `err`
// is an errno value or 0.
void complain(int unit, Unit& u, const char* what, int err) {
  if (u.reported) return;
  u.reported = true;
  std::string msg = "ruvo: unit " + std::to_string(unit) + " (" +
                    (u.name.empty() ? std::string("standard output") : "\"" + u.name + "\"") + "): " + what +
                    (err ? std::string(": ") + std::strerror(err) : "") + "\n";
  if (scope && scope->captured) {
    *scope->captured += msg;
    return;
  }
  [[maybe_unused]] auto n = ::write(2, msg.data(), msg.size());
}

// The path of a file name under the run's scope: in its directory, or none.
bool place(int unit, std::string& name) {
  if (!scope) return true;
  if (scope->directory.empty() || (unit == scope->listing_unit && !scope->listing)) return false;
  if (!name.empty() && name.front() != '/') name = scope->directory + "/" + name;
  return true;
}

bool write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t k = ::write(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= std::size_t(k);
  }
  return true;
}

bool read_all(int fd, void* to, std::size_t n) {
  auto* p = static_cast<char*>(to);
  while (n > 0) {
    const ssize_t k = ::read(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= std::size_t(k);
  }
  return true;
}

std::string whole_file(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::ostringstream s;
  if (f) s << f.rdbuf();
  return s.str();
}

void release(Unit& u) {
  if (u.owns_fd && u.fd >= 0) ::close(u.fd);
  u.fd = -1;
}

Unit& connect(int unit, Access access, std::string name) {
  close(unit);
  Unit& u = units()[unit];
  u.access = access;
  u.discard = !place(unit, name);
  u.name = name;
  if (u.discard) return u;
  if (access == Access::input) {
    u.in.text = whole_file(name);
    return u;
  }
  const int mode = access == Access::formatted ? O_WRONLY : O_RDWR;
  u.fd = ::open(name.c_str(), mode | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (u.fd < 0) complain(unit, u, "cannot open", errno);
  return u;
}

// The unit for a transfer of kind `access`; an unconnected one is connected
// to "fort.N" (unit 6 to standard output). Null when the unit holds a file
// of another kind.
Unit* unit_for(int unit, Access access) {
  auto it = units().find(unit);
  if (it == units().end()) {
    if (unit == stdout_unit && access == Access::formatted) {
      Unit& u = units()[unit];
      u.fd = STDOUT_FILENO;
      u.owns_fd = false;
      return &u;
    }
    return &connect(unit, access, "fort." + std::to_string(unit));
  }
  if (it->second.access != access) {
    complain(unit, it->second, "transfer does not match the kind of file", 0);
    return nullptr;
  }
  return &it->second;
}

// Writes one record's bytes; a failed write disconnects the file.
void put(int unit, Unit& u, std::string_view bytes) {
  if (u.fd < 0) return;
  if (u.cut_on_write) {
    const off_t at = ::lseek(u.fd, 0, SEEK_CUR);
    if (at >= 0 && ::ftruncate(u.fd, at) != 0) complain(unit, u, "cannot shorten", errno);
    u.cut_on_write = false;
  }
  if (!write_all(u.fd, bytes.data(), bytes.size())) {
    complain(unit, u, "write failed", errno);
    release(u);
  }
}

void put_records(int unit, std::vector<std::string> records) {
  const auto connected = units().find(unit);
  if (unit == stdout_unit && scope && scope->captured &&
      (connected == units().end() || connected->second.name.empty())) {
    for (const std::string& r : records) *scope->captured += r + '\n';
    return;
  }
  Unit* u = unit_for(unit, Access::formatted);
  if (!u) return;
  for (std::string& r : records) {
    r += '\n';
    put(unit, *u, r);
  }
}

void put_marker(std::string& buf, std::uint32_t n) {
  for (int k = 0; k < 4; ++k) buf += char((n >> (8 * k)) & 0xff);
}

std::uint32_t get_marker(const unsigned char (&b)[4]) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
         std::uint32_t(b[3]) << 24;
}

}  // namespace

std::string file_name(std::string_view name, std::string_view suffix) {
  std::string s(name);
  s += suffix;
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

void open(int unit, const std::string& name) { connect(unit, Access::formatted, file_name(name)); }

RunScope::RunScope(RunFiles files) {
  close_all();
  scope = new RunFiles(std::move(files));
}

RunScope::~RunScope() {
  close_all();
  delete scope;
  scope = nullptr;
}

bool is_discarded(int unit) {
  auto it = units().find(unit);
  return it != units().end() && it->second.discard;
}

void close(int unit, bool remove) {
  auto it = units().find(unit);
  if (it == units().end()) return;
  release(it->second);
  if (remove && !it->second.discard && !it->second.name.empty()) ::unlink(it->second.name.c_str());
  units().erase(it);
}

bool is_connected(int unit) { return unit == stdout_unit || units().contains(unit); }

bool is_intact(int unit) {
  auto it = units().find(unit);
  return it == units().end() || !it->second.reported;
}

void rewind(int unit) {
  auto it = units().find(unit);
  if (it == units().end()) return;
  Unit& u = it->second;
  if (u.discard) return;
  if (u.access == Access::input) {
    // read again, so that a file rewritten since the last read is seen
    u.in.text = whole_file(u.name);
    u.in.position = 0;
  } else if (u.owns_fd && u.fd >= 0 && ::lseek(u.fd, 0, SEEK_SET) == 0) {
    u.cut_on_write = true;
  }
}

void write(int unit, const Format& fmt, std::span<const Value> values) {
  if (is_discarded(unit)) return;  // nothing to format for a unit whose output goes nowhere
  put_records(unit, fmt.records(values));
}

void write(int unit, const Format& fmt, std::initializer_list<Value> values) {
  write(unit, fmt, std::span<const Value>(values.begin(), values.size()));
}

void write_list(int unit, std::span<const Value> values) {
  if (is_discarded(unit)) return;
  put_records(unit, {list_directed(values)});
}

void write_list(int unit, std::initializer_list<Value> values) {
  write_list(unit, std::span<const Value>(values.begin(), values.size()));
}

void open_unformatted(int unit, const std::string& name) {
  auto it = units().find(unit);
  if (it != units().end() && it->second.access == Access::unformatted) return;
  connect(unit, Access::unformatted, file_name(name));
}

void write_record(int unit, std::span<const std::byte> bytes) {
  Unit* u = unit_for(unit, Access::unformatted);
  if (!u) return;
  if (bytes.size() > std::numeric_limits<std::int32_t>::max()) {
    complain(unit, *u, "record too long", 0);
    return;
  }
  const auto n = std::uint32_t(bytes.size());
  std::string buf;
  buf.reserve(bytes.size() + 8);
  put_marker(buf, n);
  buf.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  put_marker(buf, n);
  put(unit, *u, buf);
}

bool read_record(int unit, std::span<std::byte> bytes) {
  auto it = units().find(unit);
  if (it == units().end() || it->second.access != Access::unformatted || it->second.fd < 0) return false;
  Unit& u = it->second;
  u.cut_on_write = true;
  unsigned char head[4], tail[4];
  if (!read_all(u.fd, head, 4)) return false;
  const std::uint32_t n = get_marker(head);
  const std::size_t take = std::min<std::size_t>(n, bytes.size());
  if (!read_all(u.fd, bytes.data(), take)) return false;
  if (n > take && ::lseek(u.fd, off_t(n - take), SEEK_CUR) < 0) return false;
  return read_all(u.fd, tail, 4) && get_marker(tail) == n;
}

TextInput& input(int unit) {
  auto it = units().find(unit);
  if (it == units().end()) return connect(unit, Access::input, "fort." + std::to_string(unit)).in;
  if (it->second.access != Access::input) {
    complain(unit, it->second, "read from an output file", 0);
    static TextInput nothing;
    nothing = {};
    return nothing;
  }
  return it->second.in;
}

void open_input(int unit, const std::string& name) { connect(unit, Access::input, file_name(name)); }

}  // namespace ruvo::io
