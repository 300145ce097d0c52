// State 1: level load (asset loaders, roster, HUD, sound bank, music).
#pragma once

#include "app/game.h"

namespace ifold {

// Loads everything the level needs and sets game_state = 2.
void load_level(Game& g);

}  // namespace ifold
