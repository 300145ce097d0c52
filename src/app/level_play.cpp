#include "app/level_play.h"

#include <string>

#include "app/config.h"
#include "app/counters.h"
#include "app/display_mode.h"
#include "app/sound_bank.h"
#include "combat/effects.h"
#include "combat/shells.h"
#include "tanks/enemy.h"
#include "tanks/player.h"
#include "world/collisions.h"
#include "world/level_map.h"

namespace ifold {

namespace {

constexpr float kFramePeriod = 13.333f;

// The level start card and the tally screen are not built yet; the level
// opens straight into play and closes straight into the teardown.
void show_level_start_card(Game& g) { (void)g; }
void level_tally(Game& g) { (void)g; }

void developer_keys(Game& g) {
  if (!eng::KeyDown(eng::KEY_LALT)) return;
  // Left Alt with T (random bonus), H (fortify), B (bomb) and G (shields) arrive with the bonuses.
  if (eng::KeyHit('V')) {
    g.level_won = 1;
    g.level_over = 1;
  }
  if (eng::KeyHit('P')) {
    g.level_won = 0;
    g.level_over = 1;
  }
  if (eng::KeyHit('U')) {
    if (g.p1_lives > 0) g.p1_star_level = 2;
    if (g.p2_lives > 0) g.p2_star_level = 2;
  }
}

void burning_base(Game& g) {
  if (!(g.level_won == 0 && g.level_over == 1) || !g.base_entity) return;
  const float bx = eng::EntityX(g.base_entity), bz = eng::EntityZ(g.base_entity);
  int a = eng::Rand(-7, 7), b = eng::Rand(1, 3), c = eng::Rand(-7, 7);
  create_hell_fire(g, bx + float(a), float(5 + b), bz + float(c), g.fire_sprite);
  a = eng::Rand(-6, 6), b = eng::Rand(2, 4), c = eng::Rand(-6, 6);
  create_hell_fire(g, bx + float(a), float(5 + b), bz + float(c), g.fire_sprite);
}

void end_banner(Game& g) {
  if (g.end_counter <= 100) return;
  g.show_help = 0;  // in memory only
  const float s = float(g.end_counter) / 350.0f;
  const Handle banner = g.level_won == 1 ? g.victory_banner : g.defeat_banner;
  if (!banner) return;
  eng::ShowEntity(banner);
  eng::ScaleEntity(banner, 0.25f * s, 0.25f * s, 0.15f);
}

void place_help_plates(Game& g) {
  const Handle plates[3] = {g.help_model_1, g.help_model_2, g.help_sign};
  if (g.show_help != 1) {
    for (Handle h : plates)
      if (h) eng::HideEntity(h);
    return;
  }
  struct Spot {
    float x, y, z;
  };
  struct Row {
    Spot one;
    bool two_shown;
    Spot two, sign;
  };
  static constexpr Row kOnePlayerTop{{0, 20, 0}, false, {}, {0, 20, -17}};
  static constexpr Row kOnePlayer{{0, 20, -10}, false, {}, {0, 20, -27}};
  static constexpr Row kTwoPlayersTop{{33, 20, -10}, true, {-34, 20, 0}, {0, 20, 25}};
  static constexpr Row kTwoPlayers{{32, 15, -30}, true, {-35, 15, -20}, {0, 20, 0}};
  const Row& r = g.player_count == 1 ? (g.view_mode == 1 ? kOnePlayerTop : kOnePlayer)
                                     : (g.view_mode == 1 ? kTwoPlayersTop : kTwoPlayers);
  auto place = [](Handle h, const Spot& p) {
    if (!h) return;
    eng::PositionEntity(h, p.x, p.y, p.z);
    eng::ShowEntity(h);
  };
  place(g.help_model_1, r.one);
  if (r.two_shown)
    place(g.help_model_2, r.two);
  else if (g.help_model_2)
    eng::HideEntity(g.help_model_2);
  place(g.help_sign, r.sign);
}

}  // namespace

int ticks_due(std::int32_t elapsed, float frame_period) {
  return static_cast<int>(static_cast<double>(elapsed) / static_cast<double>(frame_period));
}

std::int32_t advance_tick_clock(std::int32_t frame_clock, float frame_period) {
  // Double rather than single precision: the same 13 ms per tick, without
  // losing whole milliseconds once the clock passes 2^24 ms (4.6 hours).
  return static_cast<std::int32_t>(static_cast<double>(frame_clock) +
                                   static_cast<double>(frame_period));
}

void run_tick(Game& g) {
  g.frame_clock = advance_tick_clock(g.frame_clock, g.frame_period);
  g.ticks_run += 1;
  volume_step(g);
  update_view_mode(g);
  developer_keys(g);
  if (g.level_kills == 20) {
    g.level_won = 1;
    g.level_over = 1;
  }
  if (g.p1_lives == 0 && g.p2_lives == 0) {
    g.level_won = 0;
    g.level_over = 1;
  }
  burning_base(g);
  end_banner(g);
  if (g.level_over == 0)
    resume_channel(g.rumble_channel);
  else
    pause_channel(g.rumble_channel);
  if (eng::KeyHit(eng::KEY_F1)) {
    g.show_help = g.show_help ? 0 : 1;
    save_config(g);
  }
  place_help_plates(g);

  if (eng::Suspended()) {
    pause_channel(g.rumble_channel);
    pause_channel(g.p1_engine_channel);
    pause_channel(g.p2_engine_channel);
    pause_channel(g.level_music_channel);
    return;
  }

  // The HUD update arrives with the HUD plates.
  advance_counters(g);
  // The enemy spawn cycle arrives with the enemy tanks.
  update_spawn_markers(g);
  if (g.p1_lives > 0 && g.p1_spawn_guard > 150 && g.p1_dying == 0) update_player1(g);
  if (g.player_count == 2 && g.p2_lives > 0 && g.p2_spawn_guard > 150 && g.p2_dying == 0)
    update_player2(g);
  update_fire(g);
  update_fire2(g);
  update_efire(g);
  resolve_shell_contacts(g);
  resolve_tank_hits(g);
  update_wrecks(g);
  update_concrete(g);
  update_red_kirp(g);
  update_babah(g);
  update_spark(g);
  update_flame(g);
  update_dym(g);
  update_hell_fire(g);
  update_enemies(g);
  // The bonus pass arrives with the bonuses.
  eng::UpdateWorld(1);
  resume_channel(g.level_music_channel);
}

void frame_loop(Game& g) {
  int frames = 0;
  while (g.play_done == 0) {
    if (eng::KeyHit(eng::KEY_ESC)) {
      // The pause menu is not built yet; Esc does nothing during play.
    }
    if (eng::KeyHit(eng::KEY_F12)) eng::End();
    if (eng::CloseRequested()) eng::End();

    std::int32_t elapsed = eng::MilliSecs() - g.frame_clock;
    // Read the clock again while no time has passed (a 1 ms sleep rather than
    // a busy spin; a clock that only moves on sleeps needs it).
    while (elapsed == 0) {
      eng::Delay(1);
      elapsed = eng::MilliSecs() - g.frame_clock;
    }
    const int due = ticks_due(elapsed, g.frame_period);
    for (int i = 0; i < due; ++i) run_tick(g);

    eng::RenderWorld();
    eng::Delay(1);
    ++frames;
    if (eng::MilliSecs() - g.fps_time >= 1000) {
      g.fps_value = frames;
      frames = 0;
      g.fps_time = eng::MilliSecs();
    }
    if (eng::KeyHit(eng::KEY_F1 + 1)) g.show_fps = g.show_fps ? 0 : 1;
    if (g.show_fps == 1) eng::Text(20, 10, "FPS: " + std::to_string(g.fps_value));
    eng::Flip(0);
    eng::Delay(1);
  }
}

void start_level_play(Game& g) {
  if (g.music_loaded == 1 && g.music_sound) g.level_music_channel = eng::PlaySound(g.music_sound);
  volume_step(g);
  show_level_start_card(g);
  setup_collisions(g);
  spawn_player1(g);
  if (g.player_count == 2) spawn_player2(g);
  build_base_wall(g);
  eng::FlushKeys();
  g.frame_period = kFramePeriod;
  g.frame_clock = static_cast<std::int32_t>(static_cast<double>(eng::MilliSecs()) -
                                            static_cast<double>(g.frame_period));
}

void finish_level_play(Game& g) {
  if (g.level_won > 0) g.level_number += 1;
  level_tally(g);
  teardown_world(g);
  g.game_state = 3;
}

void play_level(Game& g) {
  start_level_play(g);
  frame_loop(g);
  finish_level_play(g);
}

}  // namespace ifold
