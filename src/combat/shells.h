// Shells and everything they hit: bricks, concrete, the base, the fence,
// player tanks, other shells, enemy tanks and wrecks; kill counting and the
// sharing of lives between two players.
#pragma once

#include "app/game.h"

namespace ifold {

void launch_fire(Game& g, float x, float y, float z, Handle shell_template);
void launch_fire2(Game& g, float x, float y, float z, Handle shell_template);
void launch_efire(Game& g, float x, float y, float z, Handle shell_template);

void update_fire(Game& g);
void update_fire2(Game& g);
void update_efire(Game& g);
void resolve_shell_contacts(Game& g);
void resolve_tank_hits(Game& g);

// Damage of a player shell at a star level: 100, 140, then 160 from level 2.
int shell_damage(int star_level);

}  // namespace ifold
