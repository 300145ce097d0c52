// The level's tick counters: spawn guards, the enemy spawn cycle clock,
// reloads, the end sequence, the bonus timers, and the burning and respawn of
// destroyed player tanks; plus the spin of the player spawn markers.
#pragma once

#include "app/game.h"

namespace ifold {

void advance_counters(Game& g);
void update_spawn_markers(Game& g);

}  // namespace ifold
