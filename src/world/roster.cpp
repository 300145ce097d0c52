#include "world/roster.h"

#include "world/data_check.h"
#include "world/file_bytes.h"

namespace ifold {

std::string roster_path(int level_number) {
  int d = level_number % 10;
  if (d < 0) d = -d;
  return "level\\level" + std::to_string(d) + ".rsp";
}

std::array<std::string, 20> split_roster_lines(const std::vector<std::uint8_t>& bytes) {
  std::array<std::string, 20> lines;
  std::size_t pos = 0;
  for (std::string& line : lines) {
    while (pos < bytes.size()) {
      const std::uint8_t c = bytes[pos++];
      if (c == 10 || c == 0) break;
      if (c != 13) line.push_back(static_cast<char>(c));
    }
  }
  return lines;
}

int roster_value(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\v' ||
                             line[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  unsigned base = 10;
  if (i < line.size() && line[i] == '%') {
    base = 2;
    ++i;
  } else if (i < line.size() && line[i] == '$') {
    base = 16;
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < line.size(); ++i) {
    const char c = line[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = unsigned(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = unsigned(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = unsigned(c - 'A' + 10);
    else
      break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

void read_roster(Game& g) {
  const std::string path = roster_path(g.level_number);
  const auto bytes = read_file_bytes(path);
  if (!bytes) fail_data("cannot find the enemy roster \"" + eng::NativePath(path) + "\"");
  const auto lines = split_roster_lines(*bytes);
  for (int k = 1; k <= 20; ++k) {
    tank_type_select rec;
    rec.type_tank_resp = lines[k - 1];
    rec.t_tank_resp = roster_value(rec.type_tank_resp);
    g.roster_array[k] = rec;
    g.roster_list.add(rec);
  }
}

}  // namespace ifold
