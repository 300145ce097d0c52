// Menu screen handlers (states 0, 4, 5, 6).
#pragma once

#include "app/game.h"

namespace ifold {

void main_menu(Game& g);     // state 0
void mission_menu(Game& g);  // state 4
void players_menu(Game& g);  // state 5
void options_menu(Game& g);  // state 6

}  // namespace ifold
