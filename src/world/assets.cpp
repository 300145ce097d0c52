#include "world/assets.h"

#include <string>

#include "world/data_check.h"
#include "world/level_map.h"

namespace ifold {

namespace {

constexpr Theme kStandard{ThemeKind::standard, "tex\\tmost.jpg", 1.0f, 1.0f, false,
                          "tex\\wall64.tga", "models\\kust00.b3d", "tex\\firespriter16.bmp"};
constexpr Theme kSand{ThemeKind::sand, "tex\\sand.bmp", 0.75f, 0.75f, false,
                      "tex\\ewall64.tga", "models\\kust00.b3d", "tex\\firespritee16.bmp"};
constexpr Theme kSnow{ThemeKind::snow, "tex\\snow.bmp", 0.9f, 0.275f, true,
                      "tex\\swall64.tga", "models\\kust01.b3d", "tex\\firespriteb16.bmp"};

// Loads a model, scales it uniformly or not, hides it.
Handle hidden_model(const std::string& file, float sx, float sy, float sz) {
  const Handle h = load_mesh_checked(file);
  eng::ScaleEntity(h, sx, sy, sz);
  eng::HideEntity(h);
  return h;
}

Handle hidden_sprite(const std::string& file, int flags) {
  const Handle h = load_sprite_checked(file, flags);
  eng::HideEntity(h);
  return h;
}

}  // namespace

const Theme& level_theme(int level_number) {
  const std::string digits = std::to_string(level_number);
  switch (digits.back()) {
    case '1': case '2': case '3': case '4': return kStandard;
    case '5': case '6': case '7': return kSand;
    default: return kSnow;  // 8, 9, 0
  }
}

void apply_bump_layer(const Game& g, Handle entity, Handle color, Handle bump) {
  if (g.dot3_enabled == 1) {
    eng::TextureBlend(color, 2);
    eng::TextureBlend(bump, 4);
    eng::EntityTexture(entity, bump, 0, 0);
  }
  eng::EntityTexture(entity, color, 0, 1);
}

void load_ground(Game& g) {
  const Theme& theme = level_theme(g.level_number);
  g.ground_speed = theme.ground_speed;
  g.ground_grip = theme.ground_grip;

  g.terrain_mesh = load_mesh_checked("models\\plane.b3d");
  eng::PositionEntity(g.terrain_mesh, 0, 0, 0);
  g.terrain_texture = load_texture_checked(theme.ground_texture, 1);
  eng::EntityTexture(g.terrain_mesh, g.terrain_texture, 0, 0);
  eng::ScaleTexture(g.terrain_texture, 0.09f, 0.09f);

  g.fence_mesh = load_mesh_checked("models\\ograda3.b3d");
  eng::PositionEntity(g.fence_mesh, 0, -1, 0);
  eng::EntityType(g.fence_mesh, 3);
  eng::UpdateNormals(g.fence_mesh);

  g.help_model_1 = hidden_model("models\\help1b.b3d", 0.1f, 0.1f, 0.1f);
  g.help_model_2 = hidden_model("models\\help2b.b3d", 0.1f, 0.1f, 0.1f);
  g.help_sign = load_mesh_checked("models\\plane.b3d");
  eng::ScaleEntity(g.help_sign, 0.45f, 0.0001f, 0.05f);
  g.help_texture = load_texture_checked("gui\\help.png", 1);
  eng::EntityTexture(g.help_sign, g.help_texture, 0, 0);
  eng::HideEntity(g.help_sign);
}

void load_bonus_models(Game& g) {
  auto bonus = [](const char* file) {
    const Handle h = load_mesh_checked(file);
    eng::ScaleEntity(h, 0.08f, 0.08f, 0.08f);
    eng::UpdateNormals(h);
    eng::HideEntity(h);
    eng::PositionEntity(h, 0, -100, 0);
    return h;
  };
  g.bonus_star_model = bonus("models\\bonusstar.b3d");
  g.bonus_time_model = bonus("models\\bonustime.b3d");
  g.bonus_life_model = bonus("models\\bonuslife.b3d");
  g.bonus_bomb_model = bonus("models\\bonusbomb.b3d");
  g.bonus_stab_model = bonus("models\\bonusstab.b3d");
  g.bonus_god_model = bonus("models\\bonusgod.b3d");
}

void load_player_tanks(Game& g) {
  g.p1_tank_texture = load_texture_checked("models\\t34-08-128-3.tga", 1);
  g.p2_tank_texture = load_texture_checked("models\\t34-08-128-3r.tga", 1);
  g.tank_bump_texture = load_texture_checked("models\\t34-08-128-1dot3.tga", 1);

  auto tank = [&](int type, Handle texture, Handle& muzzle, Handle& flash) {
    const Handle t = load_mesh_checked("models\\t-34c.b3d");
    eng::ScaleEntity(t, 0.08f, 0.081f, 0.081f);
    eng::RotateMesh(t, 0, 180, 0);  // the model's front becomes +z
    eng::EntityRadius(t, 4.5f);
    eng::EntityType(t, type);
    apply_bump_layer(g, t, texture, g.tank_bump_texture);
    muzzle = eng::CreatePivot(t);
    eng::PositionEntity(muzzle, 0, 30, 20);  // in the tank's scaled space
    flash = eng::CreatePivot(t);
    eng::PositionEntity(flash, 0, 40, 50);
    eng::UpdateNormals(t);
    return t;
  };
  g.p1_tank = tank(1, g.p1_tank_texture, g.p1_muzzle, g.p1_flash_pivot);
  g.p2_tank = tank(2, g.p2_tank_texture, g.p2_muzzle, g.p2_flash_pivot);
  eng::HideEntity(g.p2_tank);

  g.p1_shield_pivot = eng::CreatePivot(g.p1_tank);
  eng::PositionEntity(g.p1_shield_pivot, 0, 4, 0);
  g.p2_shield_pivot = eng::CreatePivot(g.p2_tank);
  eng::PositionEntity(g.p2_shield_pivot, 0, 4, 0);
  eng::EntityColor(g.p1_tank, 220, 220, 220);
  eng::EntityColor(g.p2_tank, 220, 220, 220);

  auto shield = []() {
    const Handle h = load_mesh_checked("models\\ecran7e.b3d");
    eng::ScaleEntity(h, 0.043f, 0.042f, -0.04f);
    eng::UpdateNormals(h);
    eng::EntityColor(h, 210, 210, 210);
    eng::HideEntity(h);
    return h;
  };
  g.p1_shield_model = shield();
  g.p2_shield_model = shield();
}

void load_enemy_models(Game& g) {
  struct Kind {
    Handle Game::*model;
    Handle Game::*texture;
    Handle Game::*bump;
    const char* mesh;
    const char* plain;
    const char* winter;
    const char* bump_file;
    float sx, sy, sz, radius;
  };
  static const Kind kKinds[4] = {
      {&Game::elefant_model, &Game::elefant_texture, &Game::elefant_bump,
       "models\\elefant-08-01.b3d", "models\\elephant-128.tga", "models\\elephant-128w.tga",
       "models\\elephant-128dot3.tga", 0.11f, 0.08f, 0.085f, 4.8f},
      {&Game::hetzer_model, &Game::hetzer_texture, &Game::hetzer_bump, "models\\hetcer-08.b3d",
       "models\\hetcer-128.tga", "models\\hetcer-128w.tga", "models\\hetcer-128dot3.tga", 0.067f,
       0.07f, 0.053f, 4.5f},
      {&Game::tiger_model, &Game::tiger_texture, &Game::tiger_bump, "models\\tiger-08b.b3d",
       "models\\tigr-08-1.tga", "models\\tigr-08-1w.tga", "models\\tigr-08-1dot3.tga", 0.095f,
       0.07f, 0.073f, 4.6f},
      {&Game::stug_model, &Game::stug_texture, &Game::stug_bump, "models\\stug-081.b3d",
       "models\\stug-08-01.tga", "models\\stug-08-01w.tga", "models\\stug-08-01dot3.tga", 0.047f,
       0.047f, 0.037f, 4.5f},
  };
  const bool winter = level_theme(g.level_number).winter;
  for (const Kind& k : kKinds) {
    g.*k.texture = load_texture_checked(winter ? k.winter : k.plain, 1);
    g.*k.bump = load_texture_checked(k.bump_file, 1);
    const Handle m = load_mesh_checked(k.mesh);
    eng::ScaleEntity(m, k.sx, k.sy, k.sz);
    eng::UpdateNormals(m);
    eng::HideEntity(m);
    eng::EntityTexture(m, g.*k.texture, 0, 1);
    eng::EntityRadius(m, k.radius);
    eng::EntityType(m, 4);
    g.*k.model = m;
  }
  if (g.dot3_enabled == 1) {
    for (int i = 3; i >= 0; --i)  // StuG, Tiger, Hetzer, Elefant
      apply_bump_layer(g, g.*kKinds[i].model, g.*kKinds[i].texture, g.*kKinds[i].bump);
  }
}

void load_field_blocks(Game& g) {
  const Theme& theme = level_theme(g.level_number);
  g.wall_texture = load_texture_checked(theme.brick_texture, 1);
  g.wall_bump = load_texture_checked("tex\\wall64dot3.tga", 1);

  g.brick_template = eng::CreateCube();
  eng::ScaleEntity(g.brick_template, 2.5f, 2.5f, 2.5f);
  apply_bump_layer(g, g.brick_template, g.wall_texture, g.wall_bump);
  eng::EntityColor(g.brick_template, 175, 175, 175);
  eng::EntityRadius(g.brick_template, 2.5f);
  eng::EntityType(g.brick_template, 5);
  eng::HideEntity(g.brick_template);

  g.block_template = load_mesh_checked("models\\iblock.b3d");
  eng::ScaleMesh(g.block_template, 0.03f, 0.02f, 0.03f);
  eng::HideEntity(g.block_template);
  eng::EntityRadius(g.block_template, 5);
  eng::EntityType(g.block_template, 8);

  g.concrete_texture = load_texture_checked("models\\dot.tga", 1);
  g.concrete_worn_texture = load_texture_checked("models\\dotd.tga", 1);
  g.concrete_bump = load_texture_checked("models\\dotdot3.tga", 1);
  g.concrete_worn_bump = load_texture_checked("models\\dotddot3.tga", 1);

  g.concrete_template = load_mesh_checked("models\\dot.b3d");
  eng::ScaleEntity(g.concrete_template, 0.21f, 0.21f, 0.21f);
  eng::TextureBlend(g.concrete_texture, 2);
  eng::TextureBlend(g.concrete_worn_texture, 2);
  eng::TextureBlend(g.concrete_bump, 4);
  eng::TextureBlend(g.concrete_worn_bump, 4);
  eng::EntityRadius(g.concrete_template, 5);
  eng::UpdateNormals(g.concrete_template);
  eng::EntityType(g.concrete_template, 7);
  eng::HideEntity(g.concrete_template);

  g.bunker_mesh = hidden_model("models\\bunker.b3d", 0.2f, 0.2f, 0.2f);
  g.bush_template = hidden_model(theme.bush_model, 0.2f, 0.2f, 0.2f);

  g.spawn_flash_a = hidden_model("models\\cross.b3d", 0.05f, 0.05f, 0.05f);
  eng::UpdateNormals(g.spawn_flash_a);
  g.spawn_flash_b = hidden_model("models\\sv.b3d", 0.1f, 0.1f, 0.1f);

  g.p1_spawn_marker = hidden_model("models\\rstar2.b3d", 0.075f, 0.055f, 0.075f);
  eng::UpdateNormals(g.p1_spawn_marker);
  g.p2_spawn_marker = hidden_model("models\\rstar2.b3d", 0.075f, 0.055f, 0.075f);
  eng::UpdateNormals(g.p2_spawn_marker);

  build_level(g);
}

void load_combat_assets(Game& g) {
  auto shell = []() {
    const Handle h = load_mesh_checked("models\\shell.b3d");
    eng::ScaleEntity(h, 0.04f, 0.04f, 0.05f);
    eng::EntityColor(h, 55, 55, 55);
    eng::HideEntity(h);
    eng::UpdateNormals(h);
    eng::EntityRadius(h, 1);
    eng::EntityType(h, 6);
    return h;
  };
  g.p1_shell_template = shell();
  g.p2_shell_template = shell();
  g.enemy_shell_template = shell();

  g.points_model_1 = hidden_model("models\\101.b3d", 0.05f, 0.05f, 0.05f);
  g.points_model_2 = hidden_model("models\\201.b3d", 0.05f, 0.05f, 0.05f);
  g.points_model_3 = hidden_model("models\\301.b3d", 0.05f, 0.05f, 0.05f);
  g.points_model_4 = hidden_model("models\\501.b3d", 0.05f, 0.05f, 0.05f);

  g.star_marker = hidden_model("models\\pwup.b3d", 0.05f, 0.05f, 0.05f);
  g.life_marker = hidden_model("models\\life.b3d", 0.05f, 0.05f, 0.05f);

  // The debris theme follows level_number as it stands now: a missing map has
  // already sent the game back to level 1.
  g.debris_sprite = hidden_sprite(level_theme(g.level_number).debris_sprite, 6);
  g.concrete_debris_sprite = hidden_sprite("tex\\beton16.bmp", 2);
  g.flash_sprite = hidden_sprite("tex\\firesprite16n.bmp", 7);
  g.smoke_sprite = hidden_sprite("tex\\firespriteg16.bmp", 2);
  g.fire_sprite = hidden_sprite("tex\\firesprite16.bmp", 2);
  g.explosion_sprite = hidden_sprite("tex\\firesprite.bmp", 2);
  g.muzzle_sprite = hidden_sprite("tex\\bax.png", 1);

  g.base_entity = eng::CreateCube();
  eng::PositionEntity(g.base_entity, 0, 3, -60);
  g.base_texture = load_texture_checked("gui\\serp128.png", 1);
  eng::ScaleMesh(g.base_entity, 5, 2, 5);
  eng::UpdateNormals(g.base_entity);
  eng::EntityTexture(g.base_entity, g.base_texture, 0, 0);
  eng::EntityRadius(g.base_entity, 5);
  eng::EntityType(g.base_entity, 9);
}

}  // namespace ifold
