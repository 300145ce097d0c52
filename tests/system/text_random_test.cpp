// Text conversions and the seeded random generator.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "engine/system.h"

namespace {

TEST(ToInt, FollowsTheTextRules) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"42", 42},          {"  42", 42},        {"\t 7", 7},        {"-15", -15},
      {"+15", 15},         {"12abc", 12},       {"3.9", 3},         {"800x600", 800},
      {"", 0},             {"abc", 0},          {"-", 0},           {"  ", 0},
      {"%101", 5},         {"%102", 2},         {"-%11", -3},       {"$ff", 255},
      {"$1F", 31},         {"$fg", 15},         {"$", 0},           {"%", 0},
      {"- 5", 0},          {"4 2", 4},          {"\n5", 0},         {"007", 7},
      {"2147483647", 2147483647},               {"-2147483648", INT_MIN},
      {"2147483648", INT_MIN},                  {"4294967297", 1},  // wraps as 32 bits
      {"$FFFFFFFF", -1},   {"99999999999999999999", 1661992959},
  };
  for (const auto& c : cases) EXPECT_EQ(eng::ToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(Text, StrLeftRight) {
  EXPECT_EQ(eng::Str(0), "0");
  EXPECT_EQ(eng::Str(-120), "-120");
  EXPECT_EQ(eng::Str(INT_MIN), "-2147483648");
  EXPECT_EQ(eng::Left("Ironfold", 4), "Iron");
  EXPECT_EQ(eng::Right("Ironfold", 4), "fold");
  EXPECT_EQ(eng::Left("ab", 10), "ab");
  EXPECT_EQ(eng::Right("ab", 10), "ab");
  EXPECT_EQ(eng::Left("ab", 0), "");
  EXPECT_EQ(eng::Right("ab", -3), "");
  EXPECT_EQ(eng::Right("", 2), "");
}

TEST(Random, SameSeedSameSequence) {
  std::vector<int> a, b;
  eng::SeedRnd(1234);
  for (int i = 0; i < 50; ++i) a.push_back(eng::Rand(0, 1000000));
  eng::SeedRnd(1234);
  for (int i = 0; i < 50; ++i) b.push_back(eng::Rand(0, 1000000));
  EXPECT_EQ(a, b);
  eng::SeedRnd(1235);
  std::vector<int> c;
  for (int i = 0; i < 50; ++i) c.push_back(eng::Rand(0, 1000000));
  EXPECT_NE(a, c);
}

TEST(Random, RandCoversTheInclusiveRange) {
  eng::SeedRnd(7);
  for (auto [a, b] : {std::pair{1, 6}, std::pair{6, 1}, std::pair{-3, 3}}) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
      const int v = eng::Rand(a, b);
      ASSERT_GE(v, std::min(a, b));
      ASSERT_LE(v, std::max(a, b));
      seen.insert(v);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(std::abs(b - a) + 1)) << a << ".." << b;
  }
  EXPECT_EQ(eng::Rand(5, 5), 5);
  // The widest range must not overflow.
  bool neg = false, pos = false;
  for (int i = 0; i < 200; ++i) {
    const int v = eng::Rand(INT_MIN, INT_MAX);
    neg |= v < 0;
    pos |= v > 0;
  }
  EXPECT_TRUE(neg && pos);
}

TEST(Random, RandIsRoughlyUniform) {
  eng::SeedRnd(99);
  int counts[4] = {};
  for (int i = 0; i < 40000; ++i) ++counts[eng::Rand(0, 3)];
  for (int c : counts) EXPECT_NEAR(c, 10000, 600);
}

TEST(Random, RndStaysInTheHalfOpenRange) {
  eng::SeedRnd(3);
  float lo = 1e9f, hi = -1e9f;
  for (int i = 0; i < 20000; ++i) {
    const float v = eng::Rnd(-2.0f, 3.0f);
    ASSERT_GE(v, -2.0f);
    ASSERT_LT(v, 3.0f);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  EXPECT_LT(lo, -1.9f);
  EXPECT_GT(hi, 2.9f);
  // A span far below the float step at b still never returns b.
  for (int i = 0; i < 1000; ++i) EXPECT_LT(eng::Rnd(1e8f, 1e8f + 8.0f), 1e8f + 8.0f);
  EXPECT_EQ(eng::Rnd(2.0f, 2.0f), 2.0f);
}

}  // namespace
