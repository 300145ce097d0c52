// Scene (a) of the renderer benchmarks: 500 lit, textured brick cubes and 300
// blended glow sprites seen from a camera 110 above, at 1024x768. Shared by the
// engine benchmark and the bare OpenGL loop so both draw exactly the same.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/scene/math.h"

namespace bench_scene {

using namespace eng;

constexpr int kW = 1024, kH = 768, kCubes = 500, kSprites = 300;

// A brick texture with mortar lines, or a round glow whose alpha is its brightness.
inline Image make_texture(bool glow) {
  Image img;
  img.width = img.height = 64;
  img.rgba.resize(64 * 64 * 4);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = img.pixel(x, y);
      if (glow) {
        const float d = std::hypot(x - 31.5f, y - 31.5f) / 32.0f;
        const auto v = static_cast<std::uint8_t>(255 * std::fmax(0.0f, 1 - d));
        p[0] = v;
        p[1] = static_cast<std::uint8_t>(v * 0.6f);
        p[2] = static_cast<std::uint8_t>(v * 0.2f);
        p[3] = v;  // what the engine derives from brightness with flag 2
      } else {
        const bool mortar = (y % 16) < 2 || ((x + (y / 16) * 8) % 32) < 2;
        p[0] = mortar ? 180 : 150;
        p[1] = mortar ? 180 : 60;
        p[2] = mortar ? 170 : 40;
        p[3] = 255;
      }
    }
  return img;
}

inline Vec3 cube_pos(int i) { return {static_cast<float>(i % 25) * 5 - 60, 2.5f, static_cast<float>(i / 25) * 5 - 50}; }
inline Vec3 sprite_pos(int i) { return {std::sin(i * 0.7f) * 55, 6.0f + static_cast<float>(i % 7), std::cos(i * 1.3f) * 55}; }

// The scene built through the engine.
inline void build_engine_scene() {
  ClearWorld(true, true);
  Handle cam = CreateCamera();
  PositionEntity(cam, 0, 110, 0);
  RotateEntity(cam, 90, 0, 0);
  Handle light = CreateLight(1);
  RotateEntity(light, 60, 30, 0);
  const auto dir = std::filesystem::temp_directory_path();
  write_png((dir / "ifold_bare_brick.png").string(), make_texture(false));
  Image glow = make_texture(true);
  glow.has_alpha = false;
  for (std::size_t i = 3; i < glow.rgba.size(); i += 4) glow.rgba[i] = 255;
  write_png((dir / "ifold_bare_glow.png").string(), glow);
  Handle cube = CreateCube();
  ScaleEntity(cube, 2.5f, 2.5f, 2.5f);
  EntityTexture(cube, LoadTexture((dir / "ifold_bare_brick.png").string(), 1));
  HideEntity(cube);
  for (int i = 0; i < kCubes; ++i) {
    Handle c = CopyEntity(cube);
    const Vec3 p = cube_pos(i);
    PositionEntity(c, p.x, p.y, p.z);
  }
  // flag 2 on an opaque PNG: brightness becomes alpha, as the bare loop's texture has it
  Handle sprite = LoadSprite((dir / "ifold_bare_glow.png").string(), 2);
  ScaleSprite(sprite, 3, 3);
  HideEntity(sprite);
  for (int i = 0; i < kSprites; ++i) {
    Handle s = CopyEntity(sprite);
    const Vec3 p = sprite_pos(i);
    PositionEntity(s, p.x, p.y, p.z);
    EntityAlpha(s, 0.8f);
  }
}

}  // namespace bench_scene
