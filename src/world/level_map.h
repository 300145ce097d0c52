// The level map file and the battlefield builders: bricks, concrete blocks,
// indestructible blocks and bushes from the map, the brick ring around the
// base, and the base fortification.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/game.h"

namespace ifold {

struct MapEntry {
  float x = 0;
  float z = 0;
  int type = 0;  // the stored float truncated toward zero
};

// "level\classic\levelN.map" for set 1, "level\extended\levelN.map" for set 2;
// any other set number reads the classic set.
std::string map_path(int level_set, int level_number);

// Decodes a map image: a little-endian count, then x, z, type floats per entry.
// Stops at the end of the data when the count promises more entries than it
// holds; a count below 1 gives no entries.
std::vector<MapEntry> parse_map(const std::vector<std::uint8_t>& bytes);

// Reads the current level's map (falling back to level 1 of the set when it is
// missing) and builds its items. Ends with FatalDataError when level 1 of the
// set is missing too.
void build_level(Game& g);
void build_map_entry(Game& g, const MapEntry& e);

void place_brick(Game& g, float x, float z);
void place_concrete(Game& g, float x, float z);
void place_block(Game& g, float x, float z);
void place_bush(Game& g, float x, float z);

void build_base_wall(Game& g);
void fortify_base(Game& g);
void unfortify_base(Game& g);

}  // namespace ifold
