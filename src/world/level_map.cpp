#include "world/level_map.h"

#include <cstring>

#include "world/creators.h"
#include "world/data_check.h"
#include "world/file_bytes.h"

namespace ifold {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

float le_float(const std::uint8_t* p) {
  const std::uint32_t bits = le32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Float to int, truncating toward zero; values beyond the int range (and NaN)
// become 0, which builds nothing.
int truncate_type(float f) {
  if (!(f > -2147483648.0f && f < 2147483648.0f)) return 0;
  return static_cast<int>(f);
}

// The five places of the fortification's invisible concrete.
bool fortification_place(float x, float z) {
  const bool side = (x == 5.0f || x == -5.0f);
  return (side && z == -55.0f) || (side && z == -59.5f) || (x == 0.0f && z == -55.0f);
}

}  // namespace

std::string map_path(int level_set, int level_number) {
  const char* folder = level_set == 2 ? "level\\extended\\level" : "level\\classic\\level";
  return folder + std::to_string(level_number) + ".map";
}

std::vector<MapEntry> parse_map(const std::vector<std::uint8_t>& bytes) {
  std::vector<MapEntry> out;
  if (bytes.size() < 4) return out;
  const auto count = static_cast<std::int32_t>(le32(bytes.data()));
  std::size_t pos = 4;
  for (std::int32_t i = 0; i < count && pos + 12 <= bytes.size(); ++i, pos += 12) {
    MapEntry e;
    e.x = le_float(&bytes[pos]);
    e.z = le_float(&bytes[pos + 4]);
    e.type = truncate_type(le_float(&bytes[pos + 8]));
    out.push_back(e);
  }
  return out;
}

void build_map_entry(Game& g, const MapEntry& e) {
  const float x = e.x, z = e.z;
  switch (e.type) {
    case 1:
      place_brick(g, x - 2.5f, z - 2.5f);
      place_brick(g, x + 2.5f, z - 2.5f);
      place_brick(g, x + 2.5f, z + 2.5f);
      place_brick(g, x - 2.5f, z + 2.5f);
      break;
    case 2: case 9: case 10: case 11: case 12:
      place_concrete(g, x, z);
      break;
    case 3: place_block(g, x, z); break;
    case 4: place_bush(g, x, z); break;
    case 5:
      place_brick(g, x + 2.5f, z + 2.5f);
      place_brick(g, x - 2.5f, z + 2.5f);
      break;
    case 6:
      place_brick(g, x + 2.5f, z - 2.5f);
      place_brick(g, x - 2.5f, z - 2.5f);
      break;
    case 7:
      place_brick(g, x - 2.5f, z + 2.5f);
      place_brick(g, x - 2.5f, z - 2.5f);
      break;
    case 8:
      place_brick(g, x + 2.5f, z + 2.5f);
      place_brick(g, x + 2.5f, z - 2.5f);
      break;
    default: break;  // unknown types are skipped
  }
}

void build_level(Game& g) {
  g.map_file_name = map_path(g.level_set, g.level_number);
  auto bytes = read_file_bytes(g.map_file_name);
  if (!bytes) {
    // A level past the end of the set replays level 1 of the same set.
    g.level_number = 1;
    g.map_file_name = map_path(g.level_set, 1);
    bytes = read_file_bytes(g.map_file_name);
    if (!bytes)
      fail_data("cannot find the level map \"" + eng::NativePath(g.map_file_name) +
                "\" (nor the one asked for); the data folder is incomplete");
  }
  for (const MapEntry& e : parse_map(*bytes)) build_map_entry(g, e);
}

void place_brick(Game& g, float x, float z) {
  kirp_box& b = g.brick_list.add(CreateBox(g));
  eng::PositionEntity(b.entity, x, 3, z);
  eng::ResetEntity(b.entity);
}

void place_concrete(Game& g, float x, float z) {
  bbox b = CreateBeton(g);
  if (z < 0)
    eng::RotateEntity(b.entity, 0, 180, 0);
  else if (z == 0 && x > 0)
    eng::RotateEntity(b.entity, 0, -90, 0);
  else if (z == 0 && x < 0)
    eng::RotateEntity(b.entity, 0, 90, 0);
  b.hit = 100;
  eng::PositionEntity(b.entity, x, 0.7f, z);
  eng::ResetEntity(b.entity);
  g.concrete_list.add(b);
}

void place_block(Game& g, float x, float z) {
  Tblock& b = g.block_list.add(CreateBlock(g));
  eng::PositionEntity(b.entity, x, 1.5f, z);
  eng::ResetEntity(b.entity);
}

void place_bush(Game& g, float x, float z) {
  Tcamu& b = g.bush_list.add(CreateCamu(g));
  eng::PositionEntity(b.entity, x, 5, z);
}

void build_base_wall(Game& g) {
  static constexpr float kRing[8][2] = {{7.5f, -62.5f}, {7.5f, -57.5f},  {7.5f, -52.5f},
                                        {2.5f, -52.5f}, {-2.5f, -52.5f}, {-7.5f, -52.5f},
                                        {-7.5f, -57.5f}, {-7.5f, -62.5f}};
  for (const auto& p : kRing) place_brick(g, p[0], p[1]);
}

void fortify_base(Game& g) {
  eng::ShowEntity(g.bunker_mesh);
  eng::PositionEntity(g.bunker_mesh, 0, 1, -65);
  eng::ResetEntity(g.bunker_mesh);
  place_concrete(g, 5, -55);
  place_concrete(g, 0, -55);
  place_concrete(g, -5, -55);
  place_concrete(g, 5, -59.5f);
  place_concrete(g, -5, -59.5f);
  g.concrete_list.walk([](bbox& b) {
    if (fortification_place(eng::EntityX(b.entity), eng::EntityZ(b.entity)))
      eng::EntityAlpha(b.entity, 0);
  });
}

void unfortify_base(Game& g) {
  eng::HideEntity(g.bunker_mesh);
  g.concrete_list.walk([](bbox& b) {
    if (fortification_place(eng::EntityX(b.entity), eng::EntityZ(b.entity))) b.del = 1;
    if (b.del != 1) return Walk::keep;
    free_handle(b.entity);
    return Walk::remove;
  });
}

}  // namespace ifold
