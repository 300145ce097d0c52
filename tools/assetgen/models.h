// Every model of the data tree. Each is designed in world units for the size it
// appears at, then written with the game's applied scale (and turn) undone.
#pragma once

#include <string>

#include "engine/media/model.h"

namespace ag {

enum class TankKind { Player, Stug, Hetzer, Tiger, Elefant };
eng::Model model_tank(TankKind k);

eng::Model model_plane();
eng::Model model_fence();
eng::Model model_shell();
eng::Model model_iblock();
eng::Model model_concrete();
eng::Model model_bunker();
eng::Model model_bush(bool snowy);
eng::Model model_spawn_cross();
eng::Model model_spawn_glow();
eng::Model model_spawn_star();
enum class Bonus { Star, Time, Life, Bomb, Stab, God };
eng::Model model_bonus(Bonus b);
eng::Model model_points(int points);          // flat decal with its own texture "pts<points>.png"
eng::Model model_marker(bool life);           // pwup / life
eng::Model model_shield();
eng::Model model_banner(bool victory);
eng::Model model_compass_needle();
eng::Model model_help(int player);

}  // namespace ag
