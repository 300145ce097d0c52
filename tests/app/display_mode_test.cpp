// Resolution table, widescreen flag, the options screen's stepping with its
// wrap-after-apply order, and the play camera placements.
#include <gtest/gtest.h>

#include <memory>

#include "app/display_mode.h"
#include "engine/engine.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

using ifold::Game;

namespace {

class DisplayModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto p = std::make_unique<eng::VirtualPlatform>(eng::VirtualConfig{});
    platform_ = p.get();
    eng::UsePlatform(std::move(p));
  }
  void TearDown() override { eng::ClearWorld(); }
  void hit(int vk) {
    platform_->input().press(vk);
    platform_->input().release(vk);
  }
  eng::VirtualPlatform* platform_ = nullptr;
};

TEST_F(DisplayModeTest, DeriveTable) {
  struct Case {
    int w, h, index, wide;
  };
  const Case cases[] = {
      {800, 600, 0, 0},    {1024, 640, 1, 1},  {1024, 768, 2, 0},  {1280, 800, 3, 1},
      {1280, 960, 4, 0},   {1280, 1024, 5, 0}, {1600, 1200, 6, 0}, {1680, 1050, 7, 1},
      {1920, 1200, 8, 1},  {1920, 1440, 9, 0}, {1500, 1000, 0, 0},  // exactly 1.5 is not wide
      {1366, 768, 0, 1},
  };
  for (const Case& c : cases) {
    Game g;
    g.screen_width = c.w;
    g.screen_height = c.h;
    ifold::derive_display_mode(g);
    EXPECT_EQ(g.resolution_index, c.index) << c.w << "x" << c.h;
    EXPECT_EQ(g.resolution_choice, c.index) << c.w << "x" << c.h;
    EXPECT_EQ(g.widescreen, c.wide) << c.w << "x" << c.h;
  }
}

TEST_F(DisplayModeTest, SizeNotInTableKeepsPreviousIndex) {
  Game g;
  g.resolution_index = 4;
  g.screen_width = 1366;
  g.screen_height = 768;
  ifold::derive_display_mode(g);
  EXPECT_EQ(g.resolution_index, 4);
  EXPECT_EQ(g.screen_width, 1366);
}

TEST_F(DisplayModeTest, ChoiceZeroWrapsToNineThenApplies) {
  Game g;
  g.screen_width = 800;
  g.screen_height = 600;
  ifold::derive_display_mode(g);
  ifold::apply_resolution_choice(g);
  EXPECT_EQ(g.resolution_choice, 9);
  EXPECT_EQ(g.screen_width, 800);  // the wrap applies on the next call
  EXPECT_EQ(g.settings_changed, 1);
  ifold::apply_resolution_choice(g);
  EXPECT_EQ(g.screen_width, 1920);
  EXPECT_EQ(g.screen_height, 1440);
}

TEST_F(DisplayModeTest, RightOnNineSetsFirstEntryOneCallLaterAndEnterLeavesFirst) {
  Game g;
  g.screen_width = 1920;
  g.screen_height = 1440;
  ifold::derive_display_mode(g);
  g.resolution_choice = 10;  // Right pressed on entry 9
  hit(eng::KEY_ENTER);
  ifold::apply_resolution_choice(g);
  EXPECT_EQ(g.options_done, 1);
  EXPECT_EQ(g.resolution_choice, 1);
  EXPECT_EQ(g.screen_width, 1920);  // what a save would store
  EXPECT_EQ(g.screen_height, 1440);
  ifold::apply_resolution_choice(g);
  EXPECT_EQ(g.screen_width, 1024);
  EXPECT_EQ(g.screen_height, 640);
}

TEST_F(DisplayModeTest, ViewKeysAndCameraPlacements) {
  Game g;
  g.game_camera = eng::CreateCamera();
  struct Case {
    int keys[3];  // F-key offsets hit in one tick (5 = F5), 0 = none
    int wide;
    int mode;
    float y, z, pitch;
  };
  const Case cases[] = {
      {{5, 0, 0}, 1, 1, 119, 0, 90},  {{5, 0, 0}, 0, 1, 100, 0, 90},
      {{6, 0, 0}, 1, 2, 103, -43, 73}, {{6, 0, 0}, 0, 2, 85, -40, 73},
      {{7, 0, 0}, 1, 3, 107, -65, 60}, {{7, 0, 0}, 0, 3, 87, -57, 60},
      {{5, 7, 0}, 0, 3, 87, -57, 60},  // F5 and F7 in one tick: the later one wins
  };
  for (const Case& c : cases) {
    g.widescreen = c.wide;
    for (int k : c.keys)
      if (k) hit(eng::KEY_F1 + k - 1);
    ifold::update_view_mode(g);
    EXPECT_EQ(g.view_mode, c.mode);
    EXPECT_FLOAT_EQ(eng::EntityY(g.game_camera), c.y);
    EXPECT_FLOAT_EQ(eng::EntityZ(g.game_camera), c.z);
    EXPECT_FLOAT_EQ(eng::EntityPitch(g.game_camera), c.pitch);
  }
  // A mode outside 1..3 leaves the camera where it is.
  g.view_mode = 0;
  eng::PositionEntity(g.game_camera, 1, 2, 3);
  ifold::update_view_mode(g);
  EXPECT_FLOAT_EQ(eng::EntityY(g.game_camera), 2);
}

}  // namespace
