// The game context: every game variable, global entity handle and record list,
// grouped by owner. A test builds a fresh one; there are no hidden globals.
#pragma once

#include <cstdint>

#include "engine/engine.h"

namespace ifold {

using eng::Handle;

struct Game {
  // ---- settings ("config.cfg") -------------------------------------------
  int screen_width = 0;
  int screen_height = 0;
  int color_depth = 0;
  int fullscreen_mode = 0;
  int view_mode = 0;
  int antialias = 0;
  int dot3_enabled = 0;
  int sound_volume = 0;
  int music_volume = 0;
  int show_help = 0;
  int show_fps = 0;

  // ---- display mode --------------------------------------------------------
  int resolution_index = 0;
  int resolution_choice = 0;
  int widescreen = 0;
  int settings_changed = 0;
  int options_done = 0;
  Handle game_camera = 0;  // the play camera (created by the collision set-up)

  // ---- screen state machine ----------------------------------------------------
  int game_state = 8;

  // ---- game variables (live through a whole game) -------------------------------
  int level_number = 1;
  int level_won = 0;
  int player_count = 0;
  int p1_lives = 3;
  int p2_lives = 3;
  int p1_score = 0;
  int p2_score = 0;
  int level_set = 1;  // 1 classic, 2 extended (mission screen)

  // ---- level variables (cleared by the teardown) ------------------------------
  int level_over = 0;
  int play_done = 0;
  int end_counter = 0;
  int level_kills = 0;

  // ---- tick clock and frame counter --------------------------------------------
  float frame_period = 13.333f;
  std::int32_t frame_clock = 0;
  int fps_value = 0;
  std::int32_t fps_time = 0;
  std::int64_t ticks_run = 0;  // every tick body run since start-up (harness, tests)

  // ---- battlefield: level assets, records and lists (world, tanks, combat) -----
  // (added by the battlefield modules)
};

}  // namespace ifold
