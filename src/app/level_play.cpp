#include "app/level_play.h"

namespace ifold {

void play_level(Game& g) { g.game_state = 3; }

}  // namespace ifold
