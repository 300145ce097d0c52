#include "app/level_load.h"

#include "app/sound_bank.h"
#include "hud/hud.h"
#include "world/assets.h"
#include "world/roster.h"

namespace ifold {

void load_level(Game& g) {
  load_ground(g);
  load_bonus_models(g);
  load_player_tanks(g);
  load_enemy_models(g);
  load_field_blocks(g);  // builds the level from its map
  load_combat_assets(g);
  read_roster(g);
  build_hud(g);
  load_sound_bank(g);
  load_level_music(g);
  g.game_state = 2;
}

}  // namespace ifold
