// The screen state machine: start-up, then one handler per screen state.
#pragma once

#include "app/game.h"

namespace ifold {

inline constexpr const char* kWindowTitle = "Ironfold - Linux version 1.10";

// Start-up steps: title, seed, hidden pointer, empty lists.
void startup(Game& g);
// One pass of the state loop: the current state's handler, 1 ms sleep, present.
void run_state(Game& g);
// Start-up, then the state loop forever (the program ends through eng::End()).
[[noreturn]] void run_game(Game& g);

// The individual state actions the loop dispatches to.
void level_result(Game& g);   // state 3
void close_display(Game& g);  // state 7
void open_display(Game& g);   // state 8

}  // namespace ifold
