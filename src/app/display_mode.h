// Display mode: the resolution table, the widescreen flag and the play
// camera placement for each view mode.
#pragma once

#include "app/game.h"

namespace ifold {

struct Resolution {
  int width;
  int height;
};
// Entries 1..9 (index 0 unused).
inline constexpr Resolution kResolutions[10] = {{0, 0},     {1024, 640},  {1024, 768},
                                                {1280, 800}, {1280, 960},  {1280, 1024},
                                                {1600, 1200}, {1680, 1050}, {1920, 1200},
                                                {1920, 1440}};

// Sizes outside this range come from a damaged file and open as 800x600.
inline constexpr int kMinDisplaySide = 200;
inline constexpr int kMaxDisplaySide = 16384;

void derive_display_mode(Game& g);
void apply_resolution_choice(Game& g);
// F5-F7 and the play camera placement; once per tick.
void update_view_mode(Game& g);
// Places the play camera for the current view mode (nothing for modes outside 1..3).
void place_game_camera(Game& g);

}  // namespace ifold
