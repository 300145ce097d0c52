// The player tanks: spawning and the per-tick control pass (grid-bound
// driving, turning in 3-degree steps, coasting, firing).
#pragma once

#include "app/game.h"

namespace ifold {

// The nearest multiple of 5, an exact half going toward zero.
float snap_to_grid(float v);

// The 3-degree step a tank at `heading` turns by toward target T (0, 90, 180, 270).
float turn_step(float heading, int target);
// True when `heading` lies in one of T's snap windows (strict bounds).
bool in_snap_window(float heading, int target);
// One 3-degree turn step toward target heading T (0, 90, 180 or 270), then the
// snap to T inside T's windows. Returns the new heading.
float turn_toward(float heading, int target);

void spawn_player1(Game& g);
void spawn_player2(Game& g);
void update_player1(Game& g);
void update_player2(Game& g);

}  // namespace ifold
