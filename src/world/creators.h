// The record creators: each copies its template (no parent) and fills the
// record. None appends to a list; the caller does.
#pragma once

#include "app/game.h"

namespace ifold {

// Template of an enemy type 1..4 (StuG, Hetzer, Tiger, Elefant); 0 otherwise.
Handle enemy_template(const Game& g, int type);
// Points model of an enemy type 1..4; 0 otherwise.
Handle points_model(const Game& g, int type);

TankT CreateTank(const Game& g, int type, int life, int attack, float speed, int ticket);
kirp_box CreateBox(const Game& g);
bbox CreateBeton(const Game& g);
Tblock CreateBlock(const Game& g);
Tcamu CreateCamu(const Game& g);
ostov Create_ostov(const Game& g, const TankT& tank);

}  // namespace ifold
