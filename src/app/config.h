// "config.cfg": the eleven settings, read at every display opening and
// written whenever a change must survive a display restart.
#pragma once

#include <string>

#include "app/game.h"

namespace ifold {

inline constexpr const char* kConfigFile = "config.cfg";

// View mode written into a fresh default file: the tilted view from the south
// shows the tanks' shapes and still reads the whole field.
inline constexpr int kDefaultViewMode = 2;

void read_config(Game& g);
// False when the file could not be written (the settings stay in memory).
bool save_config(Game& g);
bool write_default_config(Game& g);

// The eleven lines save_config writes, without line ends (tests, tools).
std::string config_line(const Game& g, int line);

}  // namespace ifold
