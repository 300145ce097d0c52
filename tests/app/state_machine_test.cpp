// The screen state machine's own states: level result (3), display close (7)
// and display open (8), on the virtual backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/state_machine.h"
#include "engine/engine.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace fs = std::filesystem;
using ifold::Game;

namespace {

class StateMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("ifold_states_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
    auto p = std::make_unique<eng::VirtualPlatform>(eng::VirtualConfig{});
    platform_ = p.get();
    eng::UsePlatform(std::move(p));
  }
  void TearDown() override {
    eng::EndGraphics();
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  fs::path old_, dir_;
  eng::VirtualPlatform* platform_ = nullptr;
};

TEST_F(StateMachineTest, LevelResult) {
  struct Case {
    int level_won;
    int next_state, level, p1_lives, p2_lives, p1_score;
  };
  const Case cases[] = {
      {1, 1, 5, 2, 0, 700},  // won: the next level loads, lives and scores carry over
      {0, 0, 1, 3, 3, 0},    // lost (or left): a new game never inherits the old one
  };
  for (const Case& c : cases) {
    Game g;
    g.game_state = 3;
    g.level_won = c.level_won;
    g.level_number = 5;
    g.p1_lives = 2;
    g.p2_lives = 0;
    g.p1_score = 700;
    g.p2_score = 300;
    ifold::level_result(g);
    EXPECT_EQ(g.game_state, c.next_state);
    EXPECT_EQ(g.level_won, 0);
    EXPECT_EQ(g.level_number, c.level);
    EXPECT_EQ(g.p1_lives, c.p1_lives);
    EXPECT_EQ(g.p2_lives, c.p2_lives);
    EXPECT_EQ(g.p1_score, c.p1_score);
  }
}

TEST_F(StateMachineTest, StartUpOpensTheConfiguredDisplayAndWritesDefaults) {
  Game g;
  ifold::startup(g);
  EXPECT_EQ(platform_->title(), "Ironfold - Linux version 1.10");
  EXPECT_TRUE(platform_->pointer_hidden());
  EXPECT_EQ(g.game_state, 8);
  ifold::run_state(g);
  EXPECT_TRUE(fs::exists("config.cfg"));
  EXPECT_EQ(g.game_state, 0);
  EXPECT_TRUE(platform_->display_open());
  EXPECT_EQ(platform_->last_request().width, 800);
  EXPECT_EQ(platform_->last_request().height, 600);
  EXPECT_EQ(platform_->last_request().mode, 2);
  EXPECT_EQ(platform_->last_request().rate, 60);
  EXPECT_EQ(g.view_mode, 2);
}

TEST_F(StateMachineTest, RestartReadsTheFileNotTheMemory) {
  std::ofstream("config.cfg", std::ios::binary)
      << "WightScr=1280\r\nHighScr=0800\r\nColorbits=32\r\nFullScr=2\r\nVmode=3\r\n"
         "Antialias=0\r\nDot3=1\r\nSvol=20\r\nMvol=20\r\nShowhelp=1\r\nShowFPS=0\r\n";
  Game g;
  ifold::startup(g);
  for (int cycle = 0; cycle < 5; ++cycle) {
    ifold::run_state(g);  // 8: open
    ASSERT_EQ(g.game_state, 0);
    EXPECT_EQ(platform_->last_request().width, 1280);
    EXPECT_EQ(g.widescreen, 1);
    EXPECT_EQ(g.resolution_index, 3);
    g.screen_width = 1024;  // toggled in the options screen, never saved
    g.fullscreen_mode = 1;
    g.game_state = 7;
    ifold::run_state(g);  // 7: close
    EXPECT_EQ(g.game_state, 8);
    EXPECT_FALSE(platform_->display_open());
  }
  EXPECT_EQ(platform_->displays_opened(), 5);
}

}  // namespace
