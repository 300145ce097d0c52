// GUI images (menus, HUD, tally) and the decal textures some models carry.
// One military style throughout: olive plates with bevels and rivets, stencil-
// like bold capitals in gold.
#pragma once

#include <string>

#include "common.h"

namespace ag {

// Paints the image for a path relative to the data tree ("gui/main2.png",
// "models/pts100.png", ...). Returns false for an unknown name.
bool paint_gui(const std::string& rel, Canvas& out);

// Enemy side-view picture, also used for the poster.
enum class Profile { Stug, Hetzer, Tiger, Elefant, Player };
void draw_profile(Canvas& c, Profile p, float x, float y, float scale, bool silhouette);

}  // namespace ag
