// Level compiler: the binary map format, the text grid, design checks, the
// shipped levels and rosters, and the command-line program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "levels.h"
#include "mapc.h"

namespace fs = std::filesystem;

namespace {

// Thirteen rows of empty cells with the given rows replaced, then extra lines.
std::string grid(const std::vector<std::pair<int, std::string>>& rows, const std::string& extras = "") {
  std::string s = "// test design\n";
  for (int r = 0; r < mapc::kGridSize; ++r) {
    std::string line(mapc::kGridSize, '.');
    for (const auto& [row, text] : rows)
      if (row == r) line = text;
    s += line + "\n";
  }
  return s + extras;
}

mapc::Design parse_ok(const std::string& text) {
  mapc::Design d;
  std::string error;
  EXPECT_TRUE(mapc::parse_text(text, "t", d, error)) << error;
  return d;
}

std::string check(const std::string& text, const std::string& name = "classic/level9") {
  mapc::Design d;
  std::string error;
  if (!mapc::parse_text(text, name, d, error)) return error;
  if (!mapc::validate(d, name, error)) return error;
  return "";
}

std::vector<std::uint8_t> file_bytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

const std::vector<std::uint8_t> kExample = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x70, 0xc2, 0x00, 0x00,
                                            0x70, 0x42, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x00,
                                            0x00, 0x00, 0x48, 0xc2, 0x00, 0x00, 0x00, 0x40};

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/ifold_mapc_XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path); }
};

}  // namespace

TEST(MapFormat, TheTwoEntryExampleCompilesToItsExactBytes) {
  // (-60, 60) is row 0, column 0; (0, -50) is row 11, column 6.
  const mapc::Design d = parse_ok(grid({{0, "#............"}, {11, "......@......"}}));
  EXPECT_EQ(mapc::encode_map(d.entries), kExample);
  // Written as extra entries it is the same file.
  EXPECT_EQ(mapc::encode_map(parse_ok(grid({}, "+ -60 60 #\n+ 0 -50 2\n")).entries), kExample);
}

TEST(MapFormat, DecodeReadsCountedEntriesAndRejectsShortFiles) {
  std::vector<mapc::Entry> e;
  std::string error;
  auto bytes = kExample;
  bytes.push_back(0xAB);  // trailing bytes are ignored
  ASSERT_TRUE(mapc::decode_map(bytes, "x.map", e, error)) << error;
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], (mapc::Entry{-60, 60, 1}));
  EXPECT_EQ(e[1], (mapc::Entry{0, -50, 2}));

  bytes = {0xFF, 0xFF, 0xFF, 0xFF};  // count -1: no entries
  ASSERT_TRUE(mapc::decode_map(bytes, "x.map", e, error));
  EXPECT_TRUE(e.empty());

  bytes.assign(kExample.begin(), kExample.end() - 1);
  EXPECT_FALSE(mapc::decode_map(bytes, "short.map", e, error));
  EXPECT_NE(error.find("short.map"), std::string::npos);
  EXPECT_FALSE(mapc::decode_map({1, 0}, "tiny.map", e, error));
}

TEST(MapFormat, AnyMapSurvivesDecompileAndCompile) {
  // Out-of-order cells, off-grid and far-away positions, fractional, unknown and absurd types.
  const std::vector<mapc::Entry> entries = {{10, 20, 1},     {-60, 60, 4}, {0, 0, 1.9f},    {12.5f, -7.25f, 5},
                                            {30, 30, -0.5f}, {0, 10, 13},  {-20, -20, 12},  {5e9f, 0, 1},
                                            {0, 0, 1e30f},   {0, 0, -3e38f}};
  const std::string text = mapc::to_text(entries, "odd map");
  mapc::Design d;
  std::string error;
  ASSERT_TRUE(mapc::parse_text(text, "odd", d, error)) << error << "\n" << text;
  EXPECT_EQ(mapc::encode_map(d.entries), mapc::encode_map(entries)) << text;
}

TEST(MapText, HalfBricksAndConcreteVariantsHaveTheirTypes) {
  const mapc::Design d = parse_ok(grid({{3, "^_[]KLMN#@~%."}}));
  ASSERT_EQ(d.entries.size(), 12u);
  const float want[] = {5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3, 4};
  for (size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(d.entries[i].type, want[i]) << i;
    EXPECT_EQ(d.entries[i].x, -60.0f + 10.0f * static_cast<float>(i));
    EXPECT_EQ(d.entries[i].z, 30.0f);
  }
}

TEST(MapText, WindowsLineEndsAndAByteOrderMarkReadTheSame) {
  std::string text = grid({{3, "..#..@..~..%."}}, "+ 2.5 -35 ^\n");
  std::string crlf = "\xEF\xBB\xBF";
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(mapc::encode_map(parse_ok(crlf).entries), mapc::encode_map(parse_ok(text).entries));
}

TEST(MapText, SyntaxErrorsNameTheRowAndColumn) {
  struct Case {
    std::string text, want;
  };
  const Case cases[] = {
      {grid({{4, "....X........"}}), "row 4, column 4"},
      {grid({{7, "......"}}), "row 7"},
      {"// short\n.............\n", "after 1 of 13 rows"},
      {grid({}, "+ 1 2\n"), "line 15"},
      {grid({}, "+ 1 two #\n"), "line 15"},
  };
  for (const Case& c : cases) {
    mapc::Design d;
    std::string error;
    EXPECT_FALSE(mapc::parse_text(c.text, "extended/level4", d, error)) << c.want;
    EXPECT_NE(error.find("extended/level4"), std::string::npos) << error;
    EXPECT_NE(error.find(c.want), std::string::npos) << error;
  }
}

TEST(MapCheck, RejectsDesignsThatBlockASpawnOrTheBase) {
  struct Case {
    std::string text, want;
  };
  const std::string water_row(13, '~');
  const Case cases[] = {
      {grid({{0, "......@......"}}), "row 0, column 6"},            // on an enemy spawn
      {grid({{12, "....#........"}}), "row 12, column 4"},          // on a player spawn
      {grid({{11, ".....#......."}}), "row 11, column 5"},          // on the base wall
      {grid({}, "+ 0 -60 %\n"), "row 12, column 6"},                 // a bush on the base
      {grid({}, "+ -55 55 @\n"), "row 0, column 0"},                 // off-grid, touching a spawn
      {grid({{5, water_row}}), "row 0, column 0"},                   // the field cut in two
      {grid({{5, "KKKKKKLLLLLLL"}}), "cannot reach"},                // concrete variants are walls too
      {grid({{0, "...........@."}, {1, "............@"}}), "row 0, column 12"},  // one corner sealed
      {grid({}, "+ 62.5 0 #\n"), "outside the field"},
      {grid({}, "+ 0 0 0\n"), "builds nothing"},
  };
  for (const Case& c : cases) {
    const std::string error = check(c.text);
    EXPECT_NE(error.find("classic/level9"), std::string::npos) << c.want << ": " << error;
    EXPECT_NE(error.find(c.want), std::string::npos) << error;
  }
}

TEST(MapCheck, BricksBushesAndHalfCellGapsKeepPathsOpen) {
  const std::string brick_row(13, '#');
  EXPECT_EQ(check(grid({{5, brick_row}})), "");  // bricks can be shot away
  EXPECT_EQ(check(grid({{5, "%%%%%%%%%%%%%"}})), "");
  // A tank fits through a one-cell gap in a concrete wall.
  EXPECT_EQ(check(grid({{5, "@@@@@@.@@@@@@"}})), "");
  // Two concrete blocks offset by half a cell leave a gap of only half a cell.
  EXPECT_NE(check(grid({{5, "@@@@@@.@@@@@@"}}, "+ 5 10 @\n")).find("cannot reach"), std::string::npos);
}

TEST(MapCheck, HalfBrickFootprintsFollowTheirSide) {
  // The base wall cell (row 11, column 5) spans x -15..-5, z -55..-45.
  struct Case {
    const char* extra;
    bool ok;
  };
  const Case cases[] = {
      {"+ -10 -45 ^\n", true},   // upper half of a cell centred on its top edge: above it
      {"+ -10 -45 _\n", false},  // lower half: inside it
      {"+ -15 -50 [\n", true},   // left half: west of its left edge
      {"+ -15 -50 ]\n", false},  // right half: inside it
      {"+ -15 -50 #\n", false},  // a full cell half over it
  };
  for (const Case& c : cases) {
    const std::string error = check(grid({}, c.extra));
    EXPECT_EQ(error.empty(), c.ok) << c.extra << error;
    if (!c.ok) {
      EXPECT_NE(error.find("row 11, column 5"), std::string::npos) << error;
    }
  }
}

TEST(ShippedLevels, EveryDesignPassesAndRoundTripsThroughTheMapFormat) {
  int count = 0;
  for (const char* set : {"classic", "extended"}) {
    for (int n = 1; n <= 35; ++n) {
      const fs::path p = fs::path(IFOLD_SOURCE_DIR) / "content/levels" / set / ("level" + std::to_string(n) + ".txt");
      const std::string name = std::string(set) + "/level" + std::to_string(n);
      SCOPED_TRACE(name);
      std::string text, error;
      ASSERT_TRUE(mapc::read_file(p.string(), text, error)) << error;
      mapc::Design d;
      ASSERT_TRUE(mapc::parse_text(text, name, d, error)) << error;
      ASSERT_TRUE(mapc::validate(d, name, error)) << error;
      EXPECT_GT(d.entries.size(), 20u) << "an almost empty field";
      const auto bytes = mapc::encode_map(d.entries);
      std::vector<mapc::Entry> back;
      ASSERT_TRUE(mapc::decode_map(bytes, name, back, error)) << error;
      EXPECT_EQ(back, d.entries);
      mapc::Design again;
      ASSERT_TRUE(mapc::parse_text(mapc::to_text(back, name), name, again, error)) << error;
      EXPECT_EQ(mapc::encode_map(again.entries), bytes);
      ++count;
    }
  }
  EXPECT_EQ(count, 70);
}

TEST(ShippedLevels, GeneratorWritesEveryMapAndRoster) {
  TempDir out;
  std::string error;
  ASSERT_TRUE(generate_levels(std::string(IFOLD_SOURCE_DIR) + "/content", out.path.string(), error)) << error;
  for (const char* set : {"classic", "extended"})
    for (int n = 1; n <= 35; ++n) {
      const std::string file = "level" + std::to_string(n);
      std::string text;
      ASSERT_TRUE(mapc::read_file(std::string(IFOLD_SOURCE_DIR) + "/content/levels/" + set + "/" + file + ".txt",
                                  text, error));
      mapc::Design d;
      ASSERT_TRUE(mapc::parse_text(text, file, d, error)) << error;
      EXPECT_EQ(file_bytes(out.path / "level" / set / (file + ".map")), mapc::encode_map(d.entries)) << set << file;
    }
  // Rosters: twenty kind codes each, the first mostly light tanks, the last
  // of the cycle (levels 10, 20, 30) heavier than the first.
  auto heaviness = [&](int digit) {
    std::ifstream f(out.path / "level" / ("level" + std::to_string(digit) + ".rsp"));
    std::string line;
    int lines = 0, sum = 0, light = 0;
    while (std::getline(f, line)) {
      EXPECT_EQ(line.size(), 1u);
      ++lines;
      sum += line[0] - '0';
      light += line == "0";
    }
    EXPECT_EQ(lines, 20) << digit;
    return std::pair{sum, light};
  };
  const auto first = heaviness(1);
  EXPECT_GE(first.second, 11) << "level 1 should be mostly the light kind";
  int prev = first.first;
  for (int digit : {2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    const int h = heaviness(digit).first;
    EXPECT_GE(h, prev) << "roster " << digit << " is lighter than the one before";
    prev = h;
  }
}

TEST(ShippedLevels, GeneratorStopsOnABadRosterNamingIt) {
  TempDir tmp;
  const fs::path content = tmp.path / "content";
  fs::create_directories(content / "rosters");
  fs::create_directory_symlink(fs::path(IFOLD_SOURCE_DIR) / "content/levels", content / "levels");
  for (int d = 0; d <= 9; ++d)
    fs::copy_file(fs::path(IFOLD_SOURCE_DIR) / "content/rosters" / ("level" + std::to_string(d) + ".rsp"),
                  content / "rosters" / ("level" + std::to_string(d) + ".rsp"));
  {
    std::ofstream f(content / "rosters/level4.rsp", std::ios::app);
    f << "2\n";  // a 21st line
  }
  std::string error;
  EXPECT_FALSE(generate_levels(content.string(), (tmp.path / "out").string(), error));
  EXPECT_NE(error.find("level4.rsp"), std::string::npos) << error;
  EXPECT_NE(error.find("21"), std::string::npos) << error;
  {
    std::ofstream f(content / "rosters/level4.rsp", std::ios::trunc);
    for (int i = 0; i < 20; ++i) f << (i == 6 ? "4\n" : "0\n");
  }
  EXPECT_FALSE(generate_levels(content.string(), (tmp.path / "out").string(), error));
  EXPECT_NE(error.find("line 7"), std::string::npos) << error;
}

TEST(MapcProgram, CompileDecompileAndCheck) {
  TempDir tmp;
  const std::string bin = std::string(IFOLD_BIN_DIR) + "/ironfold-mapc";
  const fs::path good = tmp.path / "good.txt", bad = tmp.path / "bad.txt";
  {
    std::ofstream(good) << grid({{3, "..##.@.@.##.."}}, "+ -55 15 ^\n");
    std::ofstream(bad) << grid({{0, "@............"}});
  }
  const fs::path map = tmp.path / "good.map", back = tmp.path / "back.txt", map2 = tmp.path / "back.map";
  ASSERT_EQ(std::system((bin + " compile " + good.string() + " " + map.string()).c_str()), 0);
  ASSERT_EQ(std::system((bin + " decompile " + map.string() + " " + back.string()).c_str()), 0);
  ASSERT_EQ(std::system((bin + " compile " + back.string() + " " + map2.string()).c_str()), 0);
  EXPECT_EQ(file_bytes(map), file_bytes(map2));
  EXPECT_EQ(file_bytes(map).size(), 4u + 12u * 7u);

  const fs::path err = tmp.path / "err.txt";
  EXPECT_NE(std::system((bin + " check " + good.string() + " " + bad.string() + " 2>" + err.string()).c_str()), 0);
  std::ifstream f(err);
  const std::string msg((std::istreambuf_iterator<char>(f)), {});
  EXPECT_NE(msg.find("bad.txt: row 0, column 0"), std::string::npos) << msg;
  EXPECT_EQ(msg.find("good.txt"), std::string::npos) << msg;
  // A failed compile leaves no output behind.
  EXPECT_NE(std::system((bin + " compile " + bad.string() + " " + (tmp.path / "no.map").string() + " 2>/dev/null").c_str()), 0);
  EXPECT_FALSE(fs::exists(tmp.path / "no.map"));
}
