// The frame loop and the tick body: tick arithmetic, win and loss, the burning
// base, the end banner and the end sequence, developer keys, help plates, F1,
// F2, focus loss.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "battle/fixture.h"
#include "combat/shells.h"
#include "engine/scene/scene_internal.h"

namespace ifold {
namespace {

using testing_fixture::BattleTest;
namespace fs = std::filesystem;

// Ends the frame loop after a number of presented frames.
class FrameLimit : public eng::VirtualPlatform {
 public:
  FrameLimit(Game& g, int frames) : g_(g), left_(frames) {}
  void present(int sync) override {
    eng::VirtualPlatform::present(sync);
    if (--left_ <= 0) g_.play_done = 1;
  }
  void allow(int frames) { left_ = frames; }

 private:
  Game& g_;
  int left_;
};

TEST(TickClock, DueTicksAndClockSteps) {
  const struct {
    int elapsed, due;
  } cases[] = {{0, 0}, {13, 0}, {14, 1}, {15, 1}, {26, 1}, {27, 2}, {40, 3}, {1000, 75}, {-5, 0}};
  for (const auto& c : cases) EXPECT_EQ(ticks_due(c.elapsed, 13.333f), c.due) << c.elapsed;
  std::int32_t clock = 1000;
  for (int i = 0; i < 3; ++i) clock = advance_tick_clock(clock, 13.333f);
  EXPECT_EQ(clock, 1039);
  // Far from zero the clock still steps by 13 (single precision would step by 16 here).
  EXPECT_EQ(advance_tick_clock(100'000'000, 13.333f), 100'000'013);
}

class Loop : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    eng::UsePlatform(std::make_unique<FrameLimit>(g, 1));
    ASSERT_TRUE(eng::Graphics3D(640, 480, 0, 2, 60)) << "a display (without GL) so frames present";
    eng::Delay(20'000);  // keep the clock positive through the stall below
  }
  FrameLimit& limit() { return static_cast<FrameLimit&>(eng::CurrentPlatform()); }
  // Runs `frames` frames of the loop; returns the ticks they ran.
  std::int64_t frames(int n) {
    const std::int64_t before = g.ticks_run;
    g.play_done = 0;
    limit().allow(n);
    frame_loop(g);
    return g.ticks_run - before;
  }
};

TEST_F(Loop, FirstFrameRunsOneTickThenTimeDecides) {
  load_and_start();
  EXPECT_EQ(frames(1), 1) << "exactly one tick is due at the first frame";
  g.frame_clock = eng::MilliSecs() - 15;
  std::int32_t clock = g.frame_clock;
  EXPECT_EQ(frames(1), 1);
  EXPECT_EQ(g.frame_clock, clock + 13);
  g.frame_clock = eng::MilliSecs() - 40;
  clock = g.frame_clock;
  EXPECT_EQ(frames(1), 3);
  EXPECT_EQ(g.frame_clock, clock + 39);
  g.frame_clock = eng::MilliSecs() - 5;
  EXPECT_EQ(frames(1), 0) << "under one period: a frame without a tick";
  // A long stall is caught up in full before the next frame is drawn.
  g.frame_clock = eng::MilliSecs() - 13'334;
  EXPECT_EQ(frames(1), 1000);
  // About 76.9 ticks per second of clock.
  const std::int64_t before = g.ticks_run;
  const std::int32_t start = eng::MilliSecs();
  frames(500);  // 2 ms of sleep per frame: one second
  EXPECT_EQ(eng::MilliSecs() - start, 1000);
  EXPECT_NEAR(double(g.ticks_run - before), 76.9 + 334 / 13.0, 2) << "plus the stall's residue";
}

TEST_F(Loop, F1SavesTheHelpSettingAndF2TogglesTheCounterWithoutSaving) {
  load_and_start();
  g.show_help = 1;
  keys().press(eng::KEY_F1 + 1);
  keys().release(eng::KEY_F1 + 1);
  frames(2);
  EXPECT_EQ(g.show_fps, 1);
  EXPECT_FALSE(fs::exists("config.cfg")) << "F2 writes nothing";
  EXPECT_TRUE(eng::EntityHidden(g.help_sign) == false) << "help shown";

  keys().press(eng::KEY_F1);
  keys().release(eng::KEY_F1);
  frames(20);  // the hit waits for the next tick
  EXPECT_EQ(g.show_help, 0);
  ASSERT_TRUE(fs::exists("config.cfg")) << "F1 writes at once";
  std::ifstream in("config.cfg");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Showhelp=0"), std::string::npos) << text.str();
  EXPECT_TRUE(eng::EntityHidden(g.help_model_1));
  EXPECT_TRUE(eng::EntityHidden(g.help_sign));
}

TEST_F(Loop, AltVWinsAndTheLoopEnds250TicksLater) {
  load_and_start();
  const std::int64_t start = g.ticks_run;
  keys().press(eng::KEY_LALT);
  keys().press('V');
  keys().release('V');
  limit().allow(1'000'000);
  frame_loop(g);
  keys().release(eng::KEY_LALT);
  EXPECT_EQ(g.level_won, 1);
  EXPECT_EQ(g.end_counter, 250);
  // Decided on the first tick, which also counts the first tick of the end
  // sequence; play_done set on the 250th; a burst may run a tick or two more.
  EXPECT_GE(g.ticks_run - start, 250);
  EXPECT_LE(g.ticks_run - start, 252);
  finish_level_play(g);
  EXPECT_EQ(g.level_number, 2);
  EXPECT_EQ(g.game_state, 3);
  EXPECT_EQ(eng::LiveEntityCount(), 0);
}

using Ticks = BattleTest;

TEST_F(Ticks, BaseHitLosesTheBaseBurnsAndTheDefeatBannerShowsFromTick102) {
  load_and_start();
  g.defeat_banner = eng::CreateCube();
  g.victory_banner = eng::CreateCube();
  eng::HideEntity(g.defeat_banner);
  eng::HideEntity(g.victory_banner);
  g.show_help = 1;
  eng::RotateEntity(g.p1_shell_template, 0, 180, 0, true);
  launch_fire(g, 0, 3, -54.5f, g.p1_shell_template);
  run_tick(g);  // tick 1: the shell reaches the base
  ASSERT_EQ(g.level_over, 1);
  EXPECT_EQ(g.level_won, 0);
  int first_banner = 0, done_at = 0;
  for (int tick = 2; tick <= 300 && !done_at; ++tick) {
    run_tick(g);
    if (!first_banner && !eng::EntityHidden(g.defeat_banner)) first_banner = tick;
    if (g.play_done) done_at = tick;
  }
  // Counting the hit's tick as tick 1: the banner shows on the 102nd tick after
  // it and the loop ends on the 250th.
  EXPECT_EQ(first_banner, 1 + 102);
  EXPECT_EQ(done_at, 1 + 250);
  EXPECT_TRUE(eng::EntityHidden(g.victory_banner));
  EXPECT_EQ(g.show_help, 0);
  EXPECT_FALSE(g.hell_fire_list.empty()) << "the base burns";
  // The banner grows with the end counter: s = 250 / 350.
  EXPECT_NEAR(eng::scene::find(g.defeat_banner)->scale.x, 0.25f * 249 / 350, 1e-4);
}

TEST_F(Ticks, WinAndLossTests) {
  const struct {
    int players, p1, p2, kills;
    int over, won;
  } cases[] = {{1, 0, 0, 0, 1, 0}, {2, 0, 1, 0, 0, 0}, {2, 0, 0, 5, 1, 0},
               {1, 2, 0, 20, 1, 1}, {1, 2, 0, 19, 0, 0}, {1, 0, 0, 20, 1, 0}};
  load_and_start();
  for (const auto& c : cases) {
    g.player_count = c.players;
    g.p1_lives = c.p1;
    g.p2_lives = c.p2;
    g.level_kills = c.kills;
    g.p1_kills = c.kills;  // the tank-hit pass recomputes level_kills
    g.level_over = 0;
    g.level_won = 0;
    run_tick(g);
    EXPECT_EQ(g.level_over, c.over) << c.players << " " << c.p1 << " " << c.p2 << " " << c.kills;
    EXPECT_EQ(g.level_won, c.won) << c.players << " " << c.p1 << " " << c.p2 << " " << c.kills;
  }
}

TEST_F(Ticks, DeveloperKeysNeedLeftAlt) {
  g.p2_lives = 0;  // a one-player game
  load_and_start();
  keys().press('P');
  keys().release('P');
  run_tick(g);
  EXPECT_EQ(g.level_over, 0) << "without Left Alt";
  keys().press(eng::KEY_LALT);
  keys().press('U');
  keys().release('U');
  keys().press('P');
  keys().release('P');
  run_tick(g);
  keys().release(eng::KEY_LALT);
  EXPECT_EQ(g.p1_star_level, 2);
  EXPECT_EQ(g.p2_star_level, 0) << "player 2 has no lives";
  EXPECT_EQ(g.level_over, 1);
  EXPECT_EQ(g.level_won, 0);
  EXPECT_FALSE(g.hell_fire_list.empty()) << "the base burns at once";
}

TEST_F(Ticks, VolumeKeysMoveBothVolumesClampedAndUnsaved) {
  load_and_start();
  g.sound_volume = 80;
  g.music_volume = 20;
  for (int i = 0; i < 5; ++i) {
    keys().press(eng::KEY_PLUS);
    keys().release(eng::KEY_PLUS);
    run_tick(g);
  }
  EXPECT_EQ(g.sound_volume, 100);
  EXPECT_EQ(g.music_volume, 70);
  for (int i = 0; i < 12; ++i) {
    keys().press(eng::KEY_MINUS);
    keys().release(eng::KEY_MINUS);
    run_tick(g);
  }
  EXPECT_EQ(g.sound_volume, 0);
  EXPECT_EQ(g.music_volume, 0);
  EXPECT_FALSE(fs::exists("config.cfg"));
}

TEST_F(Ticks, FocusLossSkipsThePassesButTheClockRuns) {
  load_and_start();
  activate_players();
  g.p1_reload = 10;
  keys().press(eng::KEY_UP);
  keys().suspended = true;
  const std::int32_t clock = g.frame_clock;
  const float z = eng::EntityZ(g.p1_tank);
  run_tick(g);
  EXPECT_EQ(g.frame_clock, clock + 13);
  EXPECT_EQ(g.p1_reload, 10);
  EXPECT_FLOAT_EQ(eng::EntityZ(g.p1_tank), z);
  keys().suspended = false;
  run_tick(g);
  EXPECT_EQ(g.p1_reload, 9);
  EXPECT_GT(eng::EntityZ(g.p1_tank), z);
  keys().release(eng::KEY_UP);
}

TEST_F(Ticks, HelpPlatesFollowPlayersAndView) {
  load_and_start();
  g.show_help = 1;
  const struct {
    int players, view;
    float one_x, one_z, sign_z;
    bool two_shown;
  } cases[] = {{1, 1, 0, 0, -17, false},
               {1, 3, 0, -10, -27, false},
               {2, 1, 33, -10, 25, true},
               {2, 2, 32, -30, 0, true}};
  for (const auto& c : cases) {
    g.player_count = c.players;
    g.view_mode = c.view;
    run_tick(g);
    EXPECT_FLOAT_EQ(eng::EntityX(g.help_model_1), c.one_x) << c.players << c.view;
    EXPECT_FLOAT_EQ(eng::EntityZ(g.help_model_1), c.one_z) << c.players << c.view;
    EXPECT_FLOAT_EQ(eng::EntityZ(g.help_sign), c.sign_z) << c.players << c.view;
    EXPECT_EQ(!eng::EntityHidden(g.help_model_2), c.two_shown) << c.players << c.view;
    EXPECT_FALSE(eng::EntityHidden(g.help_model_1));
  }
}

}  // namespace
}  // namespace ifold
