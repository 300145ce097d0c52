// State 2: level play with its fixed-tick frame loop.
#pragma once

#include "app/game.h"

namespace ifold {

// Plays the loaded level to its end, tallies, tears down, sets game_state = 3.
void play_level(Game& g);

// Runs frames until play_done is 1.
void frame_loop(Game& g);

// How many ticks are due after `elapsed` ms at `frame_period` (no upper bound).
int ticks_due(std::int32_t elapsed, float frame_period);
// The tick clock after one tick: the period added in floating point and
// truncated, so an integer clock advances by 13 ms per tick.
std::int32_t advance_tick_clock(std::int32_t frame_clock, float frame_period);

// One game tick, in the fixed order of passes.
void run_tick(Game& g);

// The steps of play_level before the frame loop (music, volumes, collisions,
// players, base wall, clock), and the ones after it (next level, teardown).
void start_level_play(Game& g);
void finish_level_play(Game& g);

}  // namespace ifold
