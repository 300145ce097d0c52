// Per-level asset loading: ground and theme, bonus models, player tanks, enemy
// templates, field blocks (ending with the level map), shells, sprites and the
// base. Every file is loaded fresh for each level and freed by the teardown.
#pragma once

#include "app/game.h"

namespace ifold {

enum class ThemeKind { standard, sand, snow };

struct Theme {
  ThemeKind kind;
  const char* ground_texture;
  float ground_speed;
  float ground_grip;
  bool winter;  // enemy textures with the "w" suffix
  const char* brick_texture;
  const char* bush_model;
  const char* debris_sprite;
};

// The theme of a level, from the last decimal digit of its number.
const Theme& level_theme(int level_number);

// Gives `entity` its colour texture on layer 1 and, when dot3 is on, the bump
// texture on layer 0 with the colour multiplied over it.
void apply_bump_layer(const Game& g, Handle entity, Handle color, Handle bump);

void load_ground(Game& g);
void load_bonus_models(Game& g);
void load_player_tanks(Game& g);
void load_enemy_models(Game& g);
void load_field_blocks(Game& g);  // ends with build_level
void load_combat_assets(Game& g);

}  // namespace ifold
