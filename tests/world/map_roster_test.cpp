// Level map and roster readers, level themes, the record list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "world/assets.h"
#include "world/level_map.h"
#include "world/records.h"
#include "world/roster.h"

namespace ifold {
namespace {

std::vector<std::uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> map_image(std::int32_t count, const std::vector<float>& floats) {
  std::vector<std::uint8_t> out(4 + floats.size() * 4);
  std::memcpy(out.data(), &count, 4);  // the test machine is little-endian like the file
  std::memcpy(out.data() + 4, floats.data(), floats.size() * 4);
  return out;
}

TEST(LevelMap, ParsesTheDocumentedTwentyEightByteExample) {
  const std::vector<std::uint8_t> file = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x70, 0xc2, 0x00, 0x00,
                                          0x70, 0x42, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x48, 0xc2, 0x00, 0x00, 0x00, 0x40};
  const auto entries = parse_map(file);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FLOAT_EQ(entries[0].x, -60);
  EXPECT_FLOAT_EQ(entries[0].z, 60);
  EXPECT_EQ(entries[0].type, 1);
  EXPECT_FLOAT_EQ(entries[1].x, 0);
  EXPECT_FLOAT_EQ(entries[1].z, -50);
  EXPECT_EQ(entries[1].type, 2);
}

TEST(LevelMap, EdgeCasesOfCountAndType) {
  // Types are truncated toward zero.
  auto e = parse_map(map_image(3, {0, 0, 1.9f, 0, 0, -0.5f, 0, 0, -1.9f}));
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].type, 1);
  EXPECT_EQ(e[1].type, 0);
  EXPECT_EQ(e[2].type, -1);

  EXPECT_TRUE(parse_map(map_image(0, {1, 2, 3})).empty()) << "count 0: nothing, extra bytes ignored";
  EXPECT_TRUE(parse_map(map_image(-5, {1, 2, 3})).empty()) << "negative count";
  EXPECT_TRUE(parse_map({}).empty()) << "empty file";
  EXPECT_TRUE(parse_map({1, 0}).empty()) << "shorter than the count";

  // A count larger than the entries stops at the end of the file; a partial
  // trailing entry is not read.
  auto img = map_image(1000, {10, 20, 2, 30, 40, 3});
  img.push_back(0);
  img.push_back(0);
  e = parse_map(img);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[1].type, 3);

  // Bytes after the counted entries are ignored.
  EXPECT_EQ(parse_map(map_image(1, {10, 20, 2, 30, 40, 3})).size(), 1u);

  // NaN and huge types build nothing instead of overflowing.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  e = parse_map(map_image(2, {0, 0, nan, 0, 0, 1e20f}));
  EXPECT_EQ(e[0].type, 0);
  EXPECT_EQ(e[1].type, 0);
}

TEST(LevelMap, FileNames) {
  EXPECT_EQ(map_path(1, 3), "level\\classic\\level3.map");
  EXPECT_EQ(map_path(2, 12), "level\\extended\\level12.map");
  EXPECT_EQ(map_path(7, 4), "level\\classic\\level4.map") << "unknown sets read the classic set";
}

TEST(Roster, FileNameFollowsTheLastDigit) {
  EXPECT_EQ(roster_path(10), "level\\level0.rsp");
  EXPECT_EQ(roster_path(23), "level\\level3.rsp");
  EXPECT_EQ(roster_path(1), "level\\level1.rsp");
}

TEST(Roster, LineSplitting) {
  // CRLF and LF read the same; a zero byte ends a line; missing lines are empty.
  auto lines = split_roster_lines(bytes_of(std::string("3\r\n2\r\n1", 7)));
  EXPECT_EQ(lines[0], "3");
  EXPECT_EQ(lines[1], "2");
  EXPECT_EQ(lines[2], "1");
  for (int k = 3; k < 20; ++k) EXPECT_EQ(lines[k], "");

  lines = split_roster_lines(bytes_of(std::string("1\0002\n\r3\n", 7)));
  EXPECT_EQ(lines[0], "1");
  EXPECT_EQ(lines[1], "2");
  EXPECT_EQ(lines[2], "3") << "a carriage return anywhere is dropped";

  std::string many;
  for (int k = 1; k <= 25; ++k) many += std::to_string(k % 4) + "\n";
  lines = split_roster_lines(bytes_of(many));
  EXPECT_EQ(lines[19], std::to_string(20 % 4)) << "lines 21..25 are ignored";
}

TEST(Roster, LineValues) {
  const struct {
    const char* line;
    int value;
  } cases[] = {{" 2abc", 2}, {"x1", 0},  {"-1", -1},     {"", 0},      {"+3", 3},   {"\t 1", 1},
               {"%11", 3},   {"$1f", 31}, {"$G", 0},      {"12 7", 12}, {"-", 0},    {"3\x80", 3},
               {"4294967297", 1}};
  for (const auto& c : cases) EXPECT_EQ(roster_value(c.line), c.value) << '"' << c.line << '"';
}

TEST(Themes, LastDigitChoosesTheTheme) {
  const struct {
    int level;
    ThemeKind kind;
  } cases[] = {{1, ThemeKind::standard}, {4, ThemeKind::standard}, {11, ThemeKind::standard},
               {5, ThemeKind::sand},     {7, ThemeKind::sand},     {15, ThemeKind::sand},
               {8, ThemeKind::snow},     {10, ThemeKind::snow},    {20, ThemeKind::snow},
               {36, ThemeKind::sand},    {39, ThemeKind::snow}};
  for (const auto& c : cases) EXPECT_EQ(level_theme(c.level).kind, c.kind) << c.level;
  const Theme& snow = level_theme(10);
  EXPECT_STREQ(snow.ground_texture, "tex\\snow.bmp");
  EXPECT_FLOAT_EQ(snow.ground_grip, 0.275f);
  EXPECT_TRUE(snow.winter);
  EXPECT_STREQ(snow.bush_model, "models\\kust01.b3d");
  EXPECT_STREQ(level_theme(5).debris_sprite, "tex\\firespritee16.bmp");
  EXPECT_FLOAT_EQ(level_theme(6).ground_speed, 0.75f);
}

TEST(RecordList, RemovingTheVisitedRecordKeepsTheWalkGoing) {
  RecordList<kirp_box> list;
  for (int i = 1; i <= 5; ++i) list.add(kirp_box{i, 0, 0});
  std::vector<int> seen;
  list.walk([&](kirp_box& b) {
    seen.push_back(b.entity);
    if (b.entity == 2) list.add(kirp_box{6, 0, 0});  // appended during the walk: visited too
    return b.entity % 2 == 0 ? Walk::remove : Walk::keep;
  });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  std::vector<int> left;
  for (kirp_box* b : list.records()) left.push_back(b->entity);
  EXPECT_EQ(left, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(list.size(), 3u);

  // Nested walks over the same list: a removal in the inner one is seen by the outer one.
  int outer_visits = 0;
  list.walk([&](kirp_box& b) {
    ++outer_visits;
    if (b.entity == 1)
      list.walk([&](kirp_box& c) { return c.entity == 3 ? Walk::remove : Walk::keep; });
  });
  EXPECT_EQ(outer_visits, 2) << "record 3 was removed before the outer walk reached it";
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace
}  // namespace ifold
