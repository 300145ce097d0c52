// Shared helpers of the asset generator: deterministic random numbers, tileable
// noise, a small RGBA canvas with drawing operations, height-to-normal conversion
// and the file writers (PNG through the engine, TGA, BMP and JPEG here).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/media/image.h"

namespace ag {

// ---- random numbers: splitmix64, fixed seeds only --------------------------
struct Rng {
  std::uint64_t s;
  explicit Rng(std::uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  std::uint64_t next() {
    std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  float uniform() { return static_cast<float>(next() >> 40) / static_cast<float>(1ull << 24); }
  float range(float a, float b) { return a + (b - a) * uniform(); }
  int irange(int a, int b) { return a + static_cast<int>(next() % static_cast<std::uint64_t>(b - a + 1)); }
};

// ---- tileable value noise ---------------------------------------------------
// Lattice noise on a grid of `period` cells that wraps, so textures tile.
float lattice(int x, int y, std::uint32_t seed);
float value_noise(float x, float y, int period, std::uint32_t seed);
// Fractal sum of octaves; x, y in 0..1 of the tile. Result roughly 0..1.
float fbm(float x, float y, int base_period, int octaves, std::uint32_t seed, float gain = 0.5f);
// Cellular (Worley) distance to the nearest feature point, tileable; x, y in 0..1.
float worley(float x, float y, int period, std::uint32_t seed);

// ---- colours and canvas ----------------------------------------------------
struct Col {
  float r = 0, g = 0, b = 0, a = 1;
};
inline Col rgb(int r, int g, int b, int a = 255) { return {r / 255.f, g / 255.f, b / 255.f, a / 255.f}; }
inline Col mix(const Col& a, const Col& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
inline Col scale(const Col& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float smooth(float e0, float e1, float x) {
  float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// Float RGBA canvas; converted to an 8-bit image when written.
struct Canvas {
  int w = 0, h = 0;
  std::vector<Col> px;
  Canvas() = default;
  Canvas(int w_, int h_, Col fill = {0, 0, 0, 1}) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, fill) {}
  Col& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
  const Col& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
  // Source-over blend of colour c with coverage k (0..1) times c.a.
  void blend(int x, int y, const Col& c, float k = 1.f);
  void fill_rect(float x0, float y0, float x1, float y1, const Col& c);  // anti-aliased edges
  void fill_circle(float cx, float cy, float r, const Col& c);
  void ring(float cx, float cy, float r, float width, const Col& c);
  void line(float x0, float y0, float x1, float y1, float width, const Col& c);
  void fill_polygon(const std::vector<std::pair<float, float>>& pts, const Col& c);  // even-odd, 4x4 AA
  void stroke_rect(float x0, float y0, float x1, float y1, float width, const Col& c);
  void paste(const Canvas& src, int dx, int dy);  // blended
  eng::Image to_image() const;
};

// ---- height fields and normal maps -----------------------------------------
struct Height {
  int w = 0, h = 0;
  std::vector<float> v;
  Height() = default;
  Height(int w_, int h_, float fill = 0.5f) : w(w_), h(h_), v(static_cast<size_t>(w_) * h_, fill) {}
  float& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
  float get_wrap(int x, int y) const {
    x = ((x % w) + w) % w;
    y = ((y % h) + h) % h;
    return v[static_cast<size_t>(y) * w + x];
  }
};
// Tangent-space normal map (x right, y up the image, z out), encoded 0..255.
Canvas normal_map(const Height& hf, float strength);

// ---- writers ----------------------------------------------------------------
bool make_dirs_for(const std::string& path);
bool save_png(const std::string& path, const Canvas& c);
bool save_tga(const std::string& path, const Canvas& c, bool alpha);  // uncompressed, bottom-up rows
bool save_bmp(const std::string& path, const Canvas& c);              // 24-bit
bool save_jpg(const std::string& path, const Canvas& c, int quality);
// Saves by the file's extension (.png .tga .bmp .jpg).
bool save_by_ext(const std::string& path, const Canvas& c);

}  // namespace ag
