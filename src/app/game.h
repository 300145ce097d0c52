// The game context: every game variable, global entity handle and record list,
// grouped by owner. A test builds a fresh one; there are no hidden globals.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "engine/system.h"
#include "world/records.h"

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
  // world/assets: ground, fence, help plates and the level theme
  Handle terrain_mesh = 0, terrain_texture = 0, fence_mesh = 0;
  Handle help_model_1 = 0, help_model_2 = 0, help_sign = 0, help_texture = 0;
  float ground_speed = 1.0f;  // distance factor of every tank on this ground
  float ground_grip = 1.0f;   // how fast a player tank's drive budget drains
  // world/assets: bonus models and markers
  Handle bonus_star_model = 0, bonus_time_model = 0, bonus_life_model = 0;
  Handle bonus_bomb_model = 0, bonus_stab_model = 0, bonus_god_model = 0;
  Handle star_marker = 0, life_marker = 0;
  // world/assets: player tanks
  Handle p1_tank_texture = 0, p2_tank_texture = 0, tank_bump_texture = 0;
  Handle p1_tank = 0, p2_tank = 0;
  Handle p1_muzzle = 0, p1_flash_pivot = 0, p2_muzzle = 0, p2_flash_pivot = 0;
  Handle p1_shield_pivot = 0, p2_shield_pivot = 0, p1_shield_model = 0, p2_shield_model = 0;
  // world/assets: enemy templates
  Handle elefant_model = 0, hetzer_model = 0, tiger_model = 0, stug_model = 0;
  Handle elefant_texture = 0, hetzer_texture = 0, tiger_texture = 0, stug_texture = 0;
  Handle elefant_bump = 0, hetzer_bump = 0, tiger_bump = 0, stug_bump = 0;
  // world/assets: field blocks
  Handle wall_texture = 0, wall_bump = 0, brick_template = 0, block_template = 0;
  Handle concrete_texture = 0, concrete_worn_texture = 0, concrete_bump = 0, concrete_worn_bump = 0;
  Handle concrete_template = 0, bunker_mesh = 0, bush_template = 0;
  Handle spawn_flash_a = 0, spawn_flash_b = 0, p1_spawn_marker = 0, p2_spawn_marker = 0;
  // world/assets: shells, points models, sprites, the base
  Handle p1_shell_template = 0, p2_shell_template = 0, enemy_shell_template = 0;
  Handle points_model_1 = 0, points_model_2 = 0, points_model_3 = 0, points_model_4 = 0;
  Handle debris_sprite = 0, concrete_debris_sprite = 0, flash_sprite = 0, smoke_sprite = 0;
  Handle fire_sprite = 0, explosion_sprite = 0, muzzle_sprite = 0;
  Handle base_entity = 0, base_texture = 0;
  // world/level_map
  std::string map_file_name;
  // world/collisions: the play light (the play camera is game_camera above)
  Handle sun_light = 0;
  // world records and lists
  RecordList<TankT> tank_list;
  RecordList<kirp_box> brick_list;
  RecordList<bbox> concrete_list;
  RecordList<Tblock> block_list;
  RecordList<Tcamu> bush_list;
  RecordList<Fire> fire_list;
  RecordList<Fire2> fire2_list;
  RecordList<EFire> efire_list;
  RecordList<tank_type_select> roster_list;
  std::array<tank_type_select, 25> roster_array{};  // entries 1..20 used
  RecordList<ostov> wreck_list;
  RecordList<red_kirp> red_kirp_list;
  RecordList<babah> babah_list;
  RecordList<spark> spark_list;
  RecordList<flame> flame_list;
  RecordList<dym> dym_list;
  RecordList<hell_fire> hell_fire_list;
  // combat: firepower, kills, the bomb
  int p1_star_level = 0, p2_star_level = 0;
  int p1_kills = 0, p2_kills = 0, bomb_kills = 0, bomb_pending = 0;
  int p1_kills_t1 = 0, p1_kills_t2 = 0, p1_kills_t3 = 0, p1_kills_t4 = 0;
  int p2_kills_t1 = 0, p2_kills_t2 = 0, p2_kills_t3 = 0, p2_kills_t4 = 0;
  int enemies_on_field = 0;
  // tanks: drive budgets (kept across levels)
  float p1_coast = 0, p2_coast = 0;
  // app/counters: level timers, respawn, spawning
  int p1_spawn_guard = 0, p2_spawn_guard = 0, enemy_spawn_timer = 0;
  int p1_reload = 0, p2_reload = 0;
  int freeze_timer = 0, enemies_frozen = 0, fortify_timer = 0;
  int p1_shield = 0, p1_shield_timer = 0, p2_shield = 0, p2_shield_timer = 0;
  float life_marker_timer = 0, star_marker_timer = 0;
  int p1_dying = 0, p2_dying = 0, p1_death_timer = 0, p2_death_timer = 0;
  int spawn_slot = 0, spawn_x = 0, enemies_spawned = 0, next_enemy_type = 0;
  // hud: banners and level scores
  Handle victory_banner = 0, defeat_banner = 0;
  int p1_level_score = 0, p2_level_score = 0;
  // app/sound_bank: the level's sounds and channels
  eng::SoundHandle engine_sound = 0, shot_sound = 0, enemy_shot_sound = 0, blast_sound = 0;
  eng::SoundHandle pickup_sound = 0, bonus_sound = 0, impact_sound = 0, armour_sound = 0;
  eng::SoundHandle air_sound = 0, freeze_sound = 0, rumble_sound = 0, music_sound = 0;
  eng::ChannelHandle p1_engine_channel = 0, p2_engine_channel = 0, rumble_channel = 0;
  eng::ChannelHandle fire_channel = 0, enemy_fire_channel = 0, impact_channel = 0;
  eng::ChannelHandle blast_channel = 0, hit_channel = 0, bonus_channel = 0;
  eng::ChannelHandle level_music_channel = 0;
  int music_loaded = 0;
};

}  // namespace ifold
