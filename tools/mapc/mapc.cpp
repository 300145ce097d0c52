#include "mapc.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <system_error>

#include "engine/media/file_write.h"

namespace mapc {

namespace {

// Legend: index = type. '\0' marks types without a character.
constexpr std::array<char, 13> kLegend = {'\0', '#', '@', '~', '%', '^', '_', '[', ']', 'K', 'L', 'M', 'N'};

std::string trim_right(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

bool parse_float(const std::string& tok, float& v) {
  const char* b = tok.data();
  const char* e = b + tok.size();
  if (b != e && *b == '+') ++b;
  auto r = std::from_chars(b, e, v);
  return r.ec == std::errc() && r.ptr == e && std::isfinite(v);
}

std::string format_float(float v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string where(const std::string& name, const Origin& o) {
  std::string s = name + ": ";
  if (o.row >= 0) return s + "row " + std::to_string(o.row) + ", column " + std::to_string(o.column) + ": ";
  return s + "line " + std::to_string(o.line) + ": ";
}

// The type as the game reads it (truncated toward zero), or -1 for a value
// no whole type could come from (also keeps the cast defined for NaN and huge values).
int truncated_type(float t) {
  if (!(t > -1.0f && t < 1000.0f)) return -1;
  return static_cast<int>(t);
}

// Axis-aligned footprint of an item on the ground, in world units.
struct Rect {
  float x0, z0, x1, z1;
};

// Footprint of a built item; false for types that build nothing.
bool footprint(const Entry& e, Rect& r) {
  const int t = truncated_type(e.type);
  const float x = e.x, z = e.z;
  switch (t) {
    case 1: case 2: case 3: case 4: case 9: case 10: case 11: case 12:
      r = {x - 5, z - 5, x + 5, z + 5};
      return true;
    case 5: r = {x - 5, z, x + 5, z + 5}; return true;
    case 6: r = {x - 5, z - 5, x + 5, z}; return true;
    case 7: r = {x - 5, z - 5, x, z + 5}; return true;
    case 8: r = {x, z - 5, x + 5, z + 5}; return true;
    default: return false;
  }
}

bool is_wall(const Entry& e) {
  const int t = truncated_type(e.type);
  return t == 2 || t == 3 || (t >= 9 && t <= 12);
}

bool overlaps(const Rect& a, const Rect& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.z0 < b.z1 && b.z0 < a.z1;
}

Rect cell_rect(int row, int column) {
  const float x = cell_x(column), z = cell_z(row);
  return {x - 5, z - 5, x + 5, z + 5};
}

struct FreeCell {
  int row, column;
  const char* what;
};

constexpr FreeCell kFreeCells[] = {
    {0, 0, "an enemy spawn cell"},   {0, 6, "an enemy spawn cell"},   {0, 12, "an enemy spawn cell"},
    {12, 4, "a player spawn cell"},  {12, 8, "a player spawn cell"},  {12, 6, "the base cell"},
    {11, 5, "a base wall cell"},     {11, 6, "a base wall cell"},     {11, 7, "a base wall cell"},
    {12, 5, "a base wall cell"},     {12, 7, "a base wall cell"},
};

const char* type_name(int t) {
  switch (t) {
    case 1: return "brick";
    case 2: case 9: case 10: case 11: case 12: return "concrete";
    case 3: return "water block";
    case 4: return "bush";
    case 5: case 6: case 7: case 8: return "half brick";
    default: return "item";
  }
}

}  // namespace

char legend_char(int type) {
  if (type < 1 || type >= static_cast<int>(kLegend.size())) return 0;
  return kLegend[type];
}

int legend_type(char c) {
  if (c == '\0') return 0;
  for (size_t t = 1; t < kLegend.size(); ++t)
    if (kLegend[t] == c) return static_cast<int>(t);
  return 0;
}

bool parse_text(const std::string& text, const std::string& name, Design& out, std::string& error) {
  out = {};
  // Editors on some systems put a byte-order mark at the top; it is not part of the design.
  const bool bom = text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  std::istringstream in(bom ? text.substr(3) : text);
  std::string raw;
  int line_no = 0;
  int row = 0;
  while (std::getline(in, raw)) {
    ++line_no;
    const std::string t = trim(raw);
    if (t.empty() || t.rfind("//", 0) == 0) continue;
    if (row < kGridSize) {
      const std::string line = trim_right(raw);
      if (line.size() != static_cast<size_t>(kGridSize)) {
        error = name + ": row " + std::to_string(row) + " (line " + std::to_string(line_no) + "): expected " +
                std::to_string(kGridSize) + " cells, found " + std::to_string(line.size());
        return false;
      }
      for (int c = 0; c < kGridSize; ++c) {
        const char ch = line[static_cast<size_t>(c)];
        if (ch == '.') continue;
        const int type = legend_type(ch);
        if (type == 0) {
          error = name + ": row " + std::to_string(row) + ", column " + std::to_string(c) +
                  ": unknown cell character '" + std::string(1, ch) + "'";
          return false;
        }
        out.entries.push_back({cell_x(c), cell_z(row), static_cast<float>(type)});
        out.origins.push_back({row, c, line_no});
      }
      ++row;
      continue;
    }
    // Extra entry: "+ X Z T", T a legend character or a number.
    std::istringstream ls(t);
    std::string plus, xs, zs, ts, rest;
    ls >> plus >> xs >> zs >> ts;
    const bool junk = static_cast<bool>(ls >> rest);
    Entry e;
    bool ok = plus == "+" && !ts.empty() && !junk && parse_float(xs, e.x) && parse_float(zs, e.z);
    if (ok) {
      if (ts.size() == 1 && legend_type(ts[0]) != 0) {
        e.type = static_cast<float>(legend_type(ts[0]));
      } else {
        ok = parse_float(ts, e.type);
      }
    }
    if (!ok) {
      error = name + ": line " + std::to_string(line_no) + ": expected an extra entry \"+ X Z TYPE\", found \"" + t +
              "\"";
      return false;
    }
    out.entries.push_back(e);
    out.origins.push_back({-1, -1, line_no});
  }
  if (row < kGridSize) {
    error = name + ": the grid ends after " + std::to_string(row) + " of " + std::to_string(kGridSize) + " rows";
    return false;
  }
  return true;
}

bool validate(const Design& design, const std::string& name, std::string& error) {
  const Rect field{-65, -65, 65, 65};
  // Half-cell squares (5 units) that hold a wall a tank cannot break through.
  constexpr int kHalf = 2 * kGridSize;
  bool wall[kHalf][kHalf] = {};  // [i: x index][j: z index], square i spans -65+5i .. -60+5i

  for (size_t k = 0; k < design.entries.size(); ++k) {
    const Entry& e = design.entries[k];
    const Origin o = k < design.origins.size() ? design.origins[k] : Origin{};
    const int t = truncated_type(e.type);
    Rect r;
    if (!footprint(e, r)) {
      error = where(name, o) + "type " + format_float(e.type) + " builds nothing";
      return false;
    }
    if (r.x0 < field.x0 || r.z0 < field.z0 || r.x1 > field.x1 || r.z1 > field.z1) {
      error = where(name, o) + "the " + type_name(t) + " at (" + format_float(e.x) + ", " + format_float(e.z) +
              ") reaches outside the field";
      return false;
    }
    for (const FreeCell& f : kFreeCells) {
      if (overlaps(r, cell_rect(f.row, f.column))) {
        error = name + ": row " + std::to_string(f.row) + ", column " + std::to_string(f.column) + ": " + f.what +
                " must stay free, but a " + type_name(t) + " covers it (";
        error += o.row >= 0 ? "grid row " + std::to_string(o.row) + ", column " + std::to_string(o.column)
                            : "extra entry on line " + std::to_string(o.line);
        error += ")";
        return false;
      }
    }
    if (is_wall(e)) {
      for (int i = 0; i < kHalf; ++i)
        for (int j = 0; j < kHalf; ++j) {
          const Rect sq{-65.0f + 5.0f * i, -65.0f + 5.0f * j, -60.0f + 5.0f * i, -60.0f + 5.0f * j};
          if (overlaps(r, sq)) wall[i][j] = true;
        }
    }
  }

  // A tank stands on the 5-unit grid (centres -60..60) and covers the four
  // half-cell squares around its centre. Bricks can be shot away, so only
  // concrete, water blocks and the fence stop it. Flood from the base.
  constexpr int kPos = kHalf - 1;  // 25 positions per axis
  auto open = [&](int a, int b) {
    return !wall[a][b] && !wall[a + 1][b] && !wall[a][b + 1] && !wall[a + 1][b + 1];
  };
  bool seen[kPos][kPos] = {};
  std::deque<std::pair<int, int>> queue;
  const int base_a = 12, base_b = 0;
  if (open(base_a, base_b)) {
    seen[base_a][base_b] = true;
    queue.push_back({base_a, base_b});
  }
  while (!queue.empty()) {
    auto [a, b] = queue.front();
    queue.pop_front();
    const int da[] = {1, -1, 0, 0}, db[] = {0, 0, 1, -1};
    for (int d = 0; d < 4; ++d) {
      const int na = a + da[d], nb = b + db[d];
      if (na < 0 || nb < 0 || na >= kPos || nb >= kPos || seen[na][nb] || !open(na, nb)) continue;
      seen[na][nb] = true;
      queue.push_back({na, nb});
    }
  }
  struct Spawn {
    int row, column;
    const char* what;
  };
  constexpr Spawn spawns[] = {{0, 0, "enemy spawn"},   {0, 6, "enemy spawn"},   {0, 12, "enemy spawn"},
                              {12, 4, "player spawn"}, {12, 8, "player spawn"}};
  for (const Spawn& s : spawns) {
    const int a = 2 * s.column, b = 2 * (kGridSize - 1 - s.row);
    if (!seen[a][b]) {
      error = name + ": row " + std::to_string(s.row) + ", column " + std::to_string(s.column) + ": the " + s.what +
              " cannot reach the base (concrete and water blocks close every path; bricks count as passable)";
      return false;
    }
  }
  return true;
}

std::vector<std::uint8_t> encode_map(const std::vector<Entry>& entries) {
  std::vector<std::uint8_t> out;
  out.reserve(4 + 12 * entries.size());
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<std::uint32_t>(static_cast<std::int32_t>(entries.size())));
  for (const Entry& e : entries) {
    put32(std::bit_cast<std::uint32_t>(e.x));
    put32(std::bit_cast<std::uint32_t>(e.z));
    put32(std::bit_cast<std::uint32_t>(e.type));
  }
  return out;
}

bool decode_map(const std::vector<std::uint8_t>& bytes, const std::string& name, std::vector<Entry>& out,
                std::string& error) {
  out.clear();
  auto get32 = [&](size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return v;
  };
  if (bytes.size() < 4) {
    error = name + ": too short for a map file (" + std::to_string(bytes.size()) + " bytes)";
    return false;
  }
  const auto count = static_cast<std::int32_t>(get32(0));
  if (count <= 0) return true;
  const size_t need = 4 + 12 * static_cast<size_t>(count);
  if (bytes.size() < need) {
    error = name + ": the count says " + std::to_string(count) + " entries but the file holds only " +
            std::to_string((bytes.size() - 4) / 12);
    return false;
  }
  out.reserve(static_cast<size_t>(count));
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    const size_t at = 4 + 12 * i;
    out.push_back({std::bit_cast<float>(get32(at)), std::bit_cast<float>(get32(at + 4)),
                   std::bit_cast<float>(get32(at + 8))});
  }
  return true;
}

std::string to_text(const std::vector<Entry>& entries, const std::string& title) {
  std::array<std::string, kGridSize> grid;
  grid.fill(std::string(kGridSize, '.'));
  size_t k = 0;
  int last_cell = -1;
  for (; k < entries.size(); ++k) {
    const Entry& e = entries[k];
    const int t = truncated_type(e.type);
    if (static_cast<float>(t) != e.type || legend_char(t) == 0) break;
    if (!std::isfinite(e.x) || !std::isfinite(e.z) || std::fabs(e.x) > 100 || std::fabs(e.z) > 100) break;
    const float cf = (e.x + 60.0f) / kCell, rf = (60.0f - e.z) / kCell;
    const int c = static_cast<int>(std::lround(cf)), r = static_cast<int>(std::lround(rf));
    if (c < 0 || c >= kGridSize || r < 0 || r >= kGridSize || cell_x(c) != e.x || cell_z(r) != e.z) break;
    // Keep the file order: the grid compiles row by row, so only increasing cells fit.
    const int cell = r * kGridSize + c;
    if (cell <= last_cell) break;
    last_cell = cell;
    grid[static_cast<size_t>(r)][static_cast<size_t>(c)] = legend_char(t);
  }
  std::string s = "// " + title + "\n";
  s += "// Legend: . empty  # brick  @ concrete  ~ water block  % bush\n";
  s += "//         ^ upper  _ lower  [ left  ] right half brick  K L M N concrete (types 9-12)\n";
  s += "// Extra entries: + X Z TYPE (TYPE a legend character or a number)\n";
  for (const std::string& row : grid) s += row + "\n";
  for (; k < entries.size(); ++k) {
    const Entry& e = entries[k];
    const int t = truncated_type(e.type);
    std::string ts = (static_cast<float>(t) == e.type && legend_char(t)) ? std::string(1, legend_char(t))
                                                                          : format_float(e.type);
    s += "+ " + format_float(e.x) + " " + format_float(e.z) + " " + ts + "\n";
  }
  return s;
}

bool read_file(const std::string& path, std::string& out, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = path + ": cannot open for reading";
    return false;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  if (f.bad()) {
    error = path + ": read error";
    return false;
  }
  out = ss.str();
  return true;
}

bool write_file(const std::string& path, const void* data, std::size_t size, std::string& error) {
  return eng::replace_file(path, data, size, error);
}

bool compile_file(const std::string& in_path, const std::string& out_path, const std::string& name,
                  std::string& error) {
  std::string text;
  if (!read_file(in_path, text, error)) return false;
  Design d;
  if (!parse_text(text, name, d, error) || !validate(d, name, error)) return false;
  const auto bytes = encode_map(d.entries);
  return write_file(out_path, bytes.data(), bytes.size(), error);
}

}  // namespace mapc
