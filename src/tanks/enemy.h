// The enemy pass over the tank list.
#pragma once

#include "app/game.h"

namespace ifold {

// Once per tick, after the effect passes. Enemy driving, aiming and firing are
// not built yet; for now the pass turns every tank at the kill marker into an
// explosion and a wreck and takes it off the list, so a destroyed tank never
// stays on the field.
void update_enemies(Game& g);

}  // namespace ifold
