// The harness binary end to end: a scripted start-up, its summary and its
// screenshots, and the same seed and script giving the same run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/media/image.h"

namespace fs = std::filesystem;

namespace {

struct HarnessRun {
  int status = -1;
  std::string summary;
};

HarnessRun run_harness(const std::string& args) {
  std::string cmd = std::string(IFOLD_BIN_DIR) + "/ironfold-harness " + args;
  HarnessRun r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) r.summary += buf;
  r.status = ::pclose(p);
  return r;
}

fs::path temp_dir(const std::string& name) {
  fs::path d = fs::temp_directory_path() / ("ifold_harness_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

TEST(Harness, ScriptedStartUpWritesSummaryAndScreenshot) {
  fs::path dir = temp_dir("startup");
  HarnessRun r = run_harness("--data " + dir.string() + " --frames 60 --event 'f12 hit E' --event 'f30 hit ESC'" +
                      " --shots " + (dir / "shots").string() + " --shot-frames 5" +
                      " --summary " + (dir / "summary.json").string());
  ASSERT_EQ(r.status, 0) << r.summary;
  EXPECT_NE(r.summary.find("\"exit_reason\": \"end\""), std::string::npos) << r.summary;
  EXPECT_NE(r.summary.find("\"game_state\": 0"), std::string::npos) << r.summary;
  EXPECT_NE(r.summary.find("\"frames\": 30"), std::string::npos) << r.summary;
  std::ifstream in(dir / "summary.json");
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), r.summary);

  eng::Image shot;
  std::string error;
  ASSERT_TRUE(eng::load_image_file((dir / "shots" / "frame_000005.png").string(), shot, error)) << error;
  EXPECT_EQ(shot.width, 800);
  EXPECT_EQ(shot.height, 600);
  int lit = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) lit += shot.pixel(x, y)[0] > 128;
  EXPECT_GT(lit, 200) << "the start screen's text should be visible";
  fs::remove_all(dir);
}

TEST(Harness, FrameLimitAndCloseRequest) {
  fs::path dir = temp_dir("limits");
  HarnessRun limit = run_harness("--data " + dir.string() + " --no-render --frames 25");
  EXPECT_EQ(limit.status, 0);
  EXPECT_NE(limit.summary.find("\"exit_reason\": \"frame-limit\""), std::string::npos) << limit.summary;
  EXPECT_NE(limit.summary.find("\"frames\": 25"), std::string::npos) << limit.summary;

  HarnessRun closed = run_harness("--data " + dir.string() + " --no-render --frames 100 --event 'f7 close'");
  EXPECT_EQ(closed.status, 0);
  EXPECT_NE(closed.summary.find("\"exit_reason\": \"end\""), std::string::npos) << closed.summary;

  HarnessRun bad = run_harness("--data " + dir.string() + " --event 'f7 press NOSUCHKEY'");
  EXPECT_NE(bad.status, 0);
  fs::remove_all(dir);
}

}  // namespace
