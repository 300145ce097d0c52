// HUD entry points the level calls: construction at level load and the
// freeing at teardown.
#pragma once

#include "app/game.h"

namespace ifold {

// Builds the HUD plates and the victory and defeat banners. The plates and
// banners are not built yet: until then the level runs without a HUD and the
// end banner step skips a banner that does not exist.
void build_hud(Game& g);
// Frees what build_hud made and zeroes its handles.
void free_hud(Game& g);

}  // namespace ifold
