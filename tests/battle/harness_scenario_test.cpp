// Whole levels through the harness (the real program loop on the virtual
// backend, headless) with the generated data tree.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string run_harness(const std::string& args) {
  const std::string cmd = std::string(IFOLD_BIN_DIR) + "/ironfold-harness --no-render " + args;
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  ::pclose(p);
  return out;
}

// An integer field of the JSON summary; -99999 when it is missing.
int field(const std::string& summary, const std::string& name) {
  const std::string key = "\"" + name + "\": ";
  const size_t at = summary.find(key);
  if (at == std::string::npos) return -99999;
  return std::atoi(summary.c_str() + at + key.size());
}

bool have_tools() {
  return fs::exists(std::string(IFOLD_BIN_DIR) + "/ironfold-harness") &&
         fs::exists(std::string(IFOLD_DATA_DIR) + "/level/classic/level1.map");
}

#define NEED_TOOLS()                                                                  \
  if (!have_tools()) GTEST_SKIP() << "build the ironfold-harness and data targets first"

TEST(HarnessLevels, LosingWithAltPEndsTheLevel250TicksLaterAndReturnsToTheMenu) {
  NEED_TOOLS();
  const std::string s = run_harness(
      "--data " IFOLD_DATA_DIR " --state 1 --level 1 --players 1 --frames 0 --time 8000"
      " --event 't3000 down LALT' --event 't3100 hit P' --event 't3200 up LALT'");
  EXPECT_EQ(field(s, "game_state"), 0) << s;
  EXPECT_EQ(field(s, "level_number"), 1) << s;
  // The hit waits for the first tick after 3100 ms; the level then runs 250 ticks.
  EXPECT_NEAR(field(s, "ticks"), 3100 / 13 + 250, 3) << s;
}

TEST(HarnessLevels, WinningWithAltVLoadsTheNextLevel) {
  NEED_TOOLS();
  const std::string s = run_harness(
      "--data " IFOLD_DATA_DIR " --state 1 --level 9 --set 2 --players 2 --frames 0 --time 8000"
      " --event 't3000 down LALT' --event 't3100 hit V' --event 't3200 up LALT'");
  EXPECT_EQ(field(s, "game_state"), 2) << s;
  EXPECT_EQ(field(s, "level_number"), 10) << s;
  EXPECT_GT(field(s, "live_entities"), 100) << "level 10 is on the field: " << s;
}

TEST(HarnessLevels, AMissingModelEndsWithAMessageNamingIt) {
  NEED_TOOLS();
  const fs::path dir = fs::temp_directory_path() / ("ifold_battle_missing_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "models");
  for (const auto& e : fs::directory_iterator(IFOLD_DATA_DIR)) {
    if (e.path().filename() != "models") fs::create_directory_symlink(e.path(), dir / e.path().filename());
  }
  for (const auto& e : fs::directory_iterator(fs::path(IFOLD_DATA_DIR) / "models")) {
    if (e.path().filename() != "ograda3.b3d") fs::create_symlink(e.path(), dir / "models" / e.path().filename());
  }
  const std::string s = run_harness("--data " + dir.string() + " --state 1 --level 1 --frames 0 --time 3000");
  EXPECT_NE(s.find("\"exit_reason\": \"data-error\""), std::string::npos) << s;
  EXPECT_NE(s.find("models/ograda3.b3d"), std::string::npos) << s;
  fs::remove_all(dir);
}

}  // namespace
