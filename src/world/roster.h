// The enemy roster: twenty text lines of enemy kinds per level.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/game.h"

namespace ifold {

// "level\levelD.rsp" with D = level_number modulo 10 (0..9).
std::string roster_path(int level_number);

// The first 20 lines of a roster image: a line ends at a line feed, a zero byte
// or the end of the data; carriage returns are dropped; missing lines are empty.
std::array<std::string, 20> split_roster_lines(const std::vector<std::uint8_t>& bytes);

// A line's integer: leading white space skipped, optional sign, then decimal
// digits ("%" binary, "$" hexadecimal) up to the first other character; 0 when
// there are none. Wraps like a 32-bit integer on overflow.
int roster_value(const std::string& line);

// Fills roster_list and roster_array entries 1..20 from the level's roster.
// A missing roster file ends with FatalDataError naming it.
void read_roster(Game& g);

}  // namespace ifold
