// Level compiler: text grid designs <-> binary .map files, and design checks.
//
// A .map file is a little-endian int32 count followed by `count` entries of
// three float32 values (x, z, type). The text form is a 13 x 13 grid of one
// character per 10-unit cell (row 0 at z = 60, column 0 at x = -60) followed by
// optional extra entries placed at any position; content/levels/README.md
// documents it. Everything here is pure: no files are touched except by the
// *_file helpers at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mapc {

constexpr int kGridSize = 13;
constexpr float kCell = 10.0f;

// One placed item of a map: a position on the ground plane and its type as
// stored in the file (a float; the game truncates it toward zero).
struct Entry {
  float x = 0;
  float z = 0;
  float type = 0;
  bool operator==(const Entry&) const = default;
};

// Where an entry came from in a text design: a grid cell, or an extra line.
struct Origin {
  int row = -1;     // grid row, -1 for an extra entry
  int column = -1;  // grid column, -1 for an extra entry
  int line = 0;     // 1-based line of the text file
};

struct Design {
  std::vector<Entry> entries;
  std::vector<Origin> origins;  // parallel to entries
};

// Legend character for a whole-number type 1..12, or 0 when it has none.
char legend_char(int type);
// Type for a legend character, or 0 when the character is not in the legend
// ('.' is empty and also gives 0).
int legend_type(char c);

// Cell centre of grid row/column: x = -60 + 10 * column, z = 60 - 10 * row.
inline float cell_x(int column) { return -60.0f + kCell * static_cast<float>(column); }
inline float cell_z(int row) { return 60.0f - kCell * static_cast<float>(row); }

// Parses a text design. `name` is used in messages ("classic/level3: row 4,
// column 7: ..."). Returns false with `error` set on any syntax problem.
bool parse_text(const std::string& text, const std::string& name, Design& out, std::string& error);

// Checks a parsed design: items inside the field, the spawn cells, the base
// cell and the base wall's cells free, and every spawn able to reach the base.
bool validate(const Design& design, const std::string& name, std::string& error);

// Binary form.
std::vector<std::uint8_t> encode_map(const std::vector<Entry>& entries);
// Reads a .map image. Trailing bytes after the counted entries are ignored;
// a negative count reads as no entries; a count that runs past the end of the
// data is an error.
bool decode_map(const std::vector<std::uint8_t>& bytes, const std::string& name,
                std::vector<Entry>& out, std::string& error);

// Text form of a map. Entries that sit on distinct cell centres in row-major
// order with a legend type go into the grid; from the first one that does not,
// everything is written as extra entries, so compiling the text gives back the
// same entries in the same order.
std::string to_text(const std::vector<Entry>& entries, const std::string& title);

// File helpers. `name` in messages is the path given.
bool read_file(const std::string& path, std::string& out, std::string& error);
bool write_file(const std::string& path, const void* data, std::size_t size, std::string& error);
// Parses, validates and writes `out_path`; the level name in messages is `name`.
bool compile_file(const std::string& in_path, const std::string& out_path, const std::string& name,
                  std::string& error);

}  // namespace mapc
