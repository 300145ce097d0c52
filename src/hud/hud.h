// HUD entry points the level calls: construction at level load and the
// freeing at teardown.
#pragma once

#include "app/game.h"

namespace ifold {

// Builds the victory and defeat banners (hidden until the end sequence). The
// HUD plates are not built yet: until then the level runs without them.
void build_hud(Game& g);
// Frees what build_hud made and zeroes its handles.
void free_hud(Game& g);

}  // namespace ifold
