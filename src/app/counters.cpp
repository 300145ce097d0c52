#include "app/counters.h"

#include "combat/effects.h"
#include "tanks/player.h"
#include "world/level_map.h"

namespace ifold {

namespace {

void burn_and_respawn(Game& g, Handle tank, int& dying, int& death_timer, int lives,
                      int& spawn_guard, void (*spawn)(Game&)) {
  if (dying == 1) {
    death_timer += 1;
    const float x = eng::EntityX(tank), z = eng::EntityZ(tank);
    const int a = eng::Rand(-2, 2);
    const int b = eng::Rand(0, 1);
    const int c = eng::Rand(-2, 2);
    create_hell_fire(g, x + float(a), float(4 + b), z + float(c), g.fire_sprite);
    create_dym(g, x, 3, z, g.smoke_sprite);
  }
  if (death_timer == 200) {
    if (lives > 0) {
      spawn(g);
      dying = 0;
      death_timer = 0;
      spawn_guard = 0;
    } else {
      eng::HideEntity(tank);
      dying = 0;  // the timer stays at 200: a shared life brings the tank back at once
    }
  }
}

}  // namespace

void advance_counters(Game& g) {
  if (++g.p1_spawn_guard > 150) g.p1_spawn_guard = 151;
  if (++g.p2_spawn_guard > 150) g.p2_spawn_guard = 151;
  if (++g.enemy_spawn_timer > 300) g.enemy_spawn_timer = 0;
  if (--g.p1_reload < 0) g.p1_reload = 0;
  if (--g.p2_reload < 0) g.p2_reload = 0;

  if (g.level_over == 1) {
    if (g.end_counter == 249) g.play_done = 1;
    g.end_counter += 1;
  }

  if (g.freeze_timer > 0) {
    g.freeze_timer += 1;
    if (g.freeze_timer == 200) g.enemies_frozen = 1;
    if (g.freeze_timer == 1500) {
      g.freeze_timer = 0;
      g.enemies_frozen = 0;
    }
  }
  if (g.fortify_timer > 0) {
    g.fortify_timer += 1;
    if (g.fortify_timer == 1600) {
      g.fortify_timer = 0;
      unfortify_base(g);
      build_base_wall(g);
    }
  }
  if (g.p1_shield == 1 && ++g.p1_shield_timer == 1600) g.p1_shield = g.p1_shield_timer = 0;
  if (g.p2_shield == 1 && ++g.p2_shield_timer == 1600) g.p2_shield = g.p2_shield_timer = 0;
  if (g.life_marker_timer > 0) {
    g.life_marker_timer += 1.0f;
    if (g.life_marker_timer > 75.0f) g.life_marker_timer = 0;
  }
  if (g.star_marker_timer > 0) {
    g.star_marker_timer += 1.0f;
    if (g.star_marker_timer > 75.0f) g.star_marker_timer = 0;
  }

  burn_and_respawn(g, g.p1_tank, g.p1_dying, g.p1_death_timer, g.p1_lives, g.p1_spawn_guard,
                   &spawn_player1);
  burn_and_respawn(g, g.p2_tank, g.p2_dying, g.p2_death_timer, g.p2_lives, g.p2_spawn_guard,
                   &spawn_player2);
}

void update_spawn_markers(Game& g) {
  const struct {
    int guard;
    Handle marker;
  } players[] = {{g.p1_spawn_guard, g.p1_spawn_marker}, {g.p2_spawn_guard, g.p2_spawn_marker}};
  for (const auto& p : players) {
    if (!p.marker) continue;
    if (p.guard >= 150)
      eng::HideEntity(p.marker);
    else
      eng::TurnEntity(p.marker, 0, -2, 0);
  }
}

}  // namespace ifold
