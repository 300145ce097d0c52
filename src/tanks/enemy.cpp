#include "tanks/enemy.h"

#include "combat/effects.h"

namespace ifold {

void update_enemies(Game& g) {
  g.tank_list.walk([&g](TankT& t) {
    if (t.Life != kKillMarker) return Walk::keep;
    wreck_enemy_tank(g, t);
    return Walk::remove;
  });
}

}  // namespace ifold
