#include "world/collisions.h"

#include "app/sound_bank.h"
#include "hud/hud.h"

namespace ifold {

const CollisionPair kCollisionPairs[23] = {
    {1, 3, 2}, {2, 3, 2}, {1, 2, 2}, {2, 1, 2}, {1, 5, 2}, {2, 5, 2}, {1, 4, 1}, {2, 4, 1},
    {1, 7, 2}, {2, 7, 2}, {1, 8, 2}, {2, 8, 2}, {4, 8, 2}, {4, 7, 2}, {4, 1, 1}, {4, 2, 1},
    {4, 3, 2}, {4, 5, 2}, {4, 4, 1}, {6, 3, 2}, {1, 9, 1}, {2, 9, 1}, {4, 9, 1},
};

void setup_collisions(Game& g) {
  g.sun_light = eng::CreateLight(1);
  eng::PositionEntity(g.sun_light, 0, 30, -3);
  eng::RotateEntity(g.sun_light, 45, 5, 0);
  for (const CollisionPair& p : kCollisionPairs) eng::Collisions(p.mover, p.target, 2, p.response);
  g.game_camera = eng::CreateCamera();
  eng::PositionEntity(g.game_camera, 0, 100, 0);
  eng::RotateEntity(g.game_camera, 90, 0, 0);
  eng::ShowEntity(g.game_camera);
}

namespace {

template <class T, class H>
void empty_list(RecordList<T>& list, H T::*handle) {
  list.walk([&](T& r) {
    free_handle(r.*handle);
    return Walk::remove;
  });
}

void free_texture(Handle& h) {
  if (h) eng::FreeTexture(h);
  h = 0;
}

}  // namespace

void teardown_world(Game& g) {
  // 1. Records, by the removal rule. A wreck's hidden points model goes with ClearWorld.
  g.tank_list.walk([](TankT& t) {
    free_handle(t.Entity);  // its muzzle pivot is a child and goes with it
    t.pivot = 0;
    return Walk::remove;
  });
  empty_list(g.brick_list, &kirp_box::entity);
  empty_list(g.concrete_list, &bbox::entity);
  empty_list(g.block_list, &Tblock::entity);
  empty_list(g.bush_list, &Tcamu::entity);
  empty_list(g.fire_list, &Fire::entity);
  empty_list(g.efire_list, &EFire::entity);
  empty_list(g.fire2_list, &Fire2::entity);
  g.roster_list.clear();
  empty_list(g.wreck_list, &ostov::entity);
  empty_list(g.red_kirp_list, &red_kirp::entity);
  empty_list(g.flame_list, &flame::entity);
  empty_list(g.dym_list, &dym::entity);
  empty_list(g.hell_fire_list, &hell_fire::entity);
  empty_list(g.babah_list, &babah::entity);
  empty_list(g.spark_list, &spark::entity);

  // 2. Textures.
  for (Handle* t : {&g.p1_tank_texture, &g.p2_tank_texture, &g.tank_bump_texture,
                    &g.terrain_texture, &g.concrete_texture, &g.concrete_worn_texture,
                    &g.concrete_bump, &g.concrete_worn_bump, &g.elefant_texture,
                    &g.hetzer_texture, &g.tiger_texture, &g.stug_texture, &g.tiger_bump,
                    &g.stug_bump, &g.base_texture})
    free_texture(*t);
  free_texture(g.help_texture);

  // 3. Entities held in globals (children such as the muzzle pivots go with their tank).
  for (Handle* e : {&g.game_camera, &g.sun_light, &g.p1_tank, &g.p2_tank, &g.p1_shield_model,
                    &g.p2_shield_model, &g.base_entity, &g.bunker_mesh, &g.terrain_mesh,
                    &g.fence_mesh, &g.spawn_flash_a, &g.spawn_flash_b, &g.p1_spawn_marker,
                    &g.p2_spawn_marker, &g.bonus_star_model, &g.bonus_time_model,
                    &g.bonus_life_model, &g.bonus_bomb_model, &g.bonus_stab_model,
                    &g.bonus_god_model, &g.points_model_1, &g.points_model_2, &g.points_model_3,
                    &g.points_model_4, &g.star_marker,
                    &g.life_marker, &g.help_model_1, &g.help_model_2, &g.help_sign})
    free_handle(*e);
  g.p1_muzzle = g.p1_flash_pivot = g.p2_muzzle = g.p2_flash_pivot = 0;
  g.p1_shield_pivot = g.p2_shield_pivot = 0;
  free_hud(g);  // HUD plates, their textures and the banners

  // 4. Level state.
  for (int* v : {&g.p1_kills, &g.p2_kills, &g.level_kills, &g.bomb_kills, &g.bomb_pending,
                 &g.enemies_spawned, &g.enemies_on_field, &g.next_enemy_type,
                 &g.enemy_spawn_timer, &g.spawn_slot, &g.spawn_x, &g.p1_spawn_guard,
                 &g.p2_spawn_guard, &g.p1_reload, &g.p2_reload, &g.p1_dying, &g.p2_dying,
                 &g.p1_death_timer, &g.p2_death_timer, &g.p1_shield, &g.p1_shield_timer,
                 &g.p2_shield, &g.p2_shield_timer, &g.freeze_timer, &g.enemies_frozen,
                 &g.fortify_timer, &g.level_over, &g.end_counter, &g.play_done,
                 &g.p1_kills_t1, &g.p1_kills_t2, &g.p1_kills_t3, &g.p1_kills_t4,
                 &g.p2_kills_t1, &g.p2_kills_t2, &g.p2_kills_t3, &g.p2_kills_t4,
                 &g.p1_level_score, &g.p2_level_score, &g.fps_value})
    *v = 0;
  g.fps_time = 0;

  // 5. Firepower survives only a won level.
  if (g.level_won == 0) {
    g.p1_star_level = 0;
    g.p2_star_level = 0;
  }

  // 6. Sounds and channels.
  release_sound_bank(g);

  // 7. Both buffers blank.
  eng::Cls();
  eng::Flip(0);
  eng::Cls();

  // 8. Templates, sprites and whatever else is left; no handle of the level stays named.
  eng::ClearWorld(true, true);
  for (Handle* h : {&g.elefant_model, &g.hetzer_model, &g.tiger_model, &g.stug_model,
                    &g.elefant_bump, &g.hetzer_bump, &g.wall_texture, &g.wall_bump,
                    &g.brick_template, &g.block_template, &g.concrete_template,
                    &g.bush_template, &g.p1_shell_template, &g.p2_shell_template,
                    &g.enemy_shell_template, &g.debris_sprite, &g.concrete_debris_sprite,
                    &g.flash_sprite, &g.smoke_sprite, &g.fire_sprite, &g.explosion_sprite,
                    &g.muzzle_sprite})
    *h = 0;
}

}  // namespace ifold
