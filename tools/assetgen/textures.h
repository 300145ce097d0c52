// Procedural textures: tank paint schemes with their normal maps, ground,
// bricks, concrete, effect sprites and the textures models carry themselves.
#pragma once

#include "common.h"
#include "mesh.h"

namespace ag {

// Regions of the shared tank texture layout (all five tank kinds use it).
namespace tank_uv {
inline constexpr UVRect hull{0.0f, 0.0f, 0.5f, 0.5f};
inline constexpr UVRect upper{0.5f, 0.0f, 1.0f, 0.5f};   // turret or casemate
inline constexpr UVRect tread{0.0f, 0.5f, 1.0f, 0.625f};  // track links seen from above/below
inline constexpr UVRect track_side{0.0f, 0.625f, 1.0f, 0.75f};
inline constexpr UVRect wheel{0.0f, 0.75f, 0.25f, 1.0f};
inline constexpr UVRect metal{0.25f, 0.75f, 0.5f, 1.0f};
inline constexpr UVRect deck{0.5f, 0.75f, 0.75f, 1.0f};   // engine grille
inline constexpr UVRect mark{0.75f, 0.75f, 1.0f, 1.0f};   // emblem or number
}  // namespace tank_uv

enum class TankPaint { Player1, Player2, Stug, Hetzer, Tiger, Elefant };

struct PaintResult {
  Canvas colour;
  Height height;
};
// `winter`: whitewash over the scheme. The height field is the same for both.
PaintResult paint_tank(TankPaint kind, bool winter);

enum class Ground { Grass, Sand, Snow };
Canvas paint_ground(Ground g);

enum class BrickTheme { Red, Sand, Snow };
PaintResult paint_bricks(BrickTheme t);
PaintResult paint_concrete(bool worn);

enum class Sprite { DebrisRed, DebrisSand, DebrisSnow, DebrisConcrete, Flash, Smoke, Fire, Explosion, Muzzle };
Canvas paint_sprite(Sprite s);

// Textures carried by the models themselves.
Canvas paint_fence();
Canvas paint_leaves(bool snowy);
Canvas paint_bunker();
Canvas paint_trap();       // concrete kerb and steel of the tank traps
Canvas paint_glow(float r, float g, float b);  // radial glow on black
Canvas paint_metal_plain(Col base, std::uint32_t seed);

}  // namespace ag
