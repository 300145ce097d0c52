// State 2: level play with its fixed-tick frame loop.
#pragma once

#include "app/game.h"

namespace ifold {

// Plays the loaded level to its end, tallies, tears down, sets game_state = 3.
void play_level(Game& g);

}  // namespace ifold
