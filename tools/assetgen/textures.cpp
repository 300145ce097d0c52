#include "textures.h"

#include <cmath>

namespace ag {

namespace {
constexpr float kPi = 3.14159265358979323846f;

struct Scheme {
  Col base, camo1, camo2;
  int style;  // 0 plain, 1 blotches, 2 stripes, 3 spots
  Col mark;
  int mark_kind;  // 1, 2 player numbers; 0 enemy diamond
  std::uint32_t seed;
};

Scheme scheme_of(TankPaint k) {
  switch (k) {
    case TankPaint::Player1: return {rgb(84, 122, 52), rgb(62, 94, 40), rgb(104, 138, 64), 1, rgb(240, 204, 90), 1, 11};
    case TankPaint::Player2: return {rgb(62, 92, 138), rgb(44, 68, 106), rgb(92, 120, 160), 1, rgb(236, 236, 236), 2, 12};
    case TankPaint::Stug: return {rgb(86, 90, 96), rgb(70, 74, 80), rgb(100, 104, 108), 0, rgb(230, 230, 230), 0, 13};
    case TankPaint::Hetzer: return {rgb(120, 116, 62), rgb(64, 82, 44), rgb(118, 84, 52), 3, rgb(230, 230, 230), 0, 14};
    case TankPaint::Tiger: return {rgb(182, 154, 92), rgb(124, 78, 48), rgb(150, 120, 70), 2, rgb(230, 230, 230), 0, 15};
    case TankPaint::Elefant: return {rgb(128, 82, 56), rgb(58, 70, 46), rgb(160, 116, 72), 1, rgb(230, 230, 230), 0, 16};
  }
  return {};
}

// Camouflage coverage at a texture position: 0 base, 1 camo1, 2 camo2.
int camo_at(const Scheme& s, float x, float y) {
  switch (s.style) {
    case 1: {
      float n = fbm(x, y, 4, 4, s.seed);
      float m = fbm(x + 0.37f, y + 0.11f, 5, 4, s.seed + 7);
      if (n > 0.58f) return 1;
      if (m > 0.6f) return 2;
      return 0;
    }
    case 2: {  // wavy diagonal stripes
      float w = x * 3 + y * 2 + 0.25f * fbm(x, y, 4, 3, s.seed);
      float f = w - std::floor(w);
      if (f < 0.18f) return 1;
      return 0;
    }
    case 3: {  // ambush: blotches with small dots
      float n = fbm(x, y, 5, 4, s.seed);
      if (n > 0.6f) return 1;
      if (n < 0.36f) return 2;
      float d = worley(x, y, 24, s.seed + 3);
      return d < 0.16f ? 2 : 0;
    }
    default: return 0;
  }
}

void rivet(Height& h, float cx, float cy, float r, float amp) {
  for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); ++y)
    for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); ++x) {
      if (x < 0 || y < 0 || x >= h.w || y >= h.h) continue;
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
      if (d < 1) h.at(x, y) = std::max(h.at(x, y), 0.5f + amp * std::sqrt(1 - d * d));
    }
}

void groove_rect(Height& h, int x0, int y0, int x1, int y1, float depth) {
  for (int x = x0; x <= x1; ++x) {
    h.at(x, y0) -= depth;
    h.at(x, y1) -= depth;
  }
  for (int y = y0 + 1; y < y1; ++y) {
    h.at(x0, y) -= depth;
    h.at(x1, y) -= depth;
  }
}

void groove_circle(Height& h, float cx, float cy, float r, float depth) {
  for (int y = static_cast<int>(cy - r - 2); y <= static_cast<int>(cy + r + 2); ++y)
    for (int x = static_cast<int>(cx - r - 2); x <= static_cast<int>(cx + r + 2); ++x) {
      if (x < 0 || y < 0 || x >= h.w || y >= h.h) continue;
      float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r);
      if (d < 1) h.at(x, y) -= depth * (1 - d);
    }
}

// Armour plate region: border groove, rivets along it, a few panel seams.
void plate_heights(Height& h, int x0, int y0, int x1, int y1, std::uint32_t seed, bool hatch) {
  Rng r(seed);
  groove_rect(h, x0 + 3, y0 + 3, x1 - 3, y1 - 3, 0.25f);
  for (int x = x0 + 8; x < x1 - 4; x += 10) {
    rivet(h, x + 0.5f, y0 + 7.5f, 1.6f, 0.25f);
    rivet(h, x + 0.5f, y1 - 6.5f, 1.6f, 0.25f);
  }
  for (int y = y0 + 18; y < y1 - 10; y += 10) {
    rivet(h, x0 + 7.5f, y + 0.5f, 1.6f, 0.25f);
    rivet(h, x1 - 6.5f, y + 0.5f, 1.6f, 0.25f);
  }
  // seams
  int sx = x0 + (x1 - x0) / 2 + r.irange(-12, 12);
  for (int y = y0 + 12; y < y1 - 12; ++y) h.at(sx, y) -= 0.18f;
  int sy = y0 + (y1 - y0) / 3 + r.irange(-6, 6);
  for (int x = x0 + 12; x < x1 - 12; ++x) h.at(x, sy) -= 0.18f;
  if (hatch) {
    float cx = x0 + (x1 - x0) * 0.68f, cy = y0 + (y1 - y0) * 0.62f;
    groove_circle(h, cx, cy, 16, 0.3f);
    groove_circle(h, cx, cy, 12, 0.12f);
    rivet(h, cx + 10, cy, 2.2f, 0.3f);
  } else {
    // an access panel with bolts
    int px = x0 + 20 + r.irange(0, 10), py = y1 - 40 - r.irange(0, 10);
    groove_rect(h, px, py, px + 34, py + 22, 0.2f);
    for (int k = 0; k < 4; ++k) rivet(h, px + 4.5f + (k % 2) * 26, py + 4.5f + (k / 2) * 14, 1.3f, 0.2f);
  }
}

}  // namespace

PaintResult paint_tank(TankPaint kind, bool winter) {
  const int S = 256;
  Scheme sc = scheme_of(kind);
  Height h(S, S, 0.5f);
  // armour regions
  plate_heights(h, 0, 0, 127, 127, sc.seed, false);
  plate_heights(h, 128, 0, 255, 127, sc.seed + 1, true);
  // tread: grousers every 8 px across u, guide horns in the middle
  for (int y = 128; y < 160; ++y)
    for (int x = 0; x < S; ++x) {
      int lx = x % 8;
      float v = 0.35f;
      if (lx >= 1 && lx <= 5) v = 0.62f;
      if (lx == 3 && y >= 141 && y <= 146) v = 0.85f;  // guide horn
      if (y == 128 || y == 159) v = 0.3f;
      h.at(x, y) = v;
    }
  // track side: link ends with pins
  for (int y = 160; y < 192; ++y)
    for (int x = 0; x < S; ++x) {
      int lx = x % 8;
      h.at(x, y) = (lx == 0) ? 0.3f : 0.55f;
    }
  for (int x = 4; x < S; x += 8) rivet(h, x, 176, 1.8f, 0.3f);
  // wheel: rubber tyre, rim, hub with bolts
  {
    float cx = 32, cy = 224;
    for (int y = 192; y < 256; ++y)
      for (int x = 0; x < 64; ++x) {
        float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
        float v = 0.5f;
        if (d > 27) v = 0.45f;
        else if (d > 23) v = 0.58f;  // tyre
        else if (d > 21) v = 0.4f;   // rim groove
        else if (d > 10) v = 0.52f;
        else v = 0.64f;  // hub
        h.at(x, y) = v;
      }
    for (int k = 0; k < 8; ++k)
      rivet(h, cx + 15 * std::cos(k * kPi / 4), cy + 15 * std::sin(k * kPi / 4), 1.8f, 0.25f);
  }
  // metal: fine horizontal streaks
  for (int y = 192; y < 256; ++y)
    for (int x = 64; x < 128; ++x) h.at(x, y) = 0.5f + 0.04f * (fbm(x / 256.f, y / 16.f, 8, 2, sc.seed + 9) - 0.5f);
  // deck grille
  for (int y = 192; y < 256; ++y)
    for (int x = 128; x < 192; ++x) {
      bool frame = x < 132 || x > 187 || y < 196 || y > 251;
      h.at(x, y) = frame ? 0.6f : ((y - 196) % 6 < 3 ? 0.25f : 0.58f);
    }
  // mark region: flat
  // fine surface noise everywhere
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) h.at(x, y) += 0.03f * (fbm(x / 256.f, y / 256.f, 32, 2, sc.seed + 21) - 0.5f);

  Canvas c(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      float hv = h.at(x, y);
      Col col;
      if (y < 128 || (y >= 192 && x >= 192)) {  // painted armour and the mark backing
        int cm = camo_at(sc, u * 2, v * 2);
        col = cm == 1 ? sc.camo1 : (cm == 2 ? sc.camo2 : sc.base);
        // panel shading from the height field, grime and chipped paint
        float grime = fbm(u, v, 6, 4, sc.seed + 5);
        col = scale(col, 0.82f + 0.35f * (hv - 0.5f) * 2.2f + 0.12f * (grime - 0.5f));
        float chips = worley(u, v, 40, sc.seed + 6);
        if (chips < 0.07f) col = mix(col, rgb(70, 62, 54), 0.6f);
        // rain streaks
        float streak = fbm(u * 2, v * 0.15f, 16, 2, sc.seed + 8);
        if (streak > 0.62f) col = scale(col, 0.9f);
      } else if (y < 160) {  // tread: worn steel on the grousers
        col = hv > 0.6f ? rgb(128, 122, 112) : rgb(52, 48, 44);
        col = scale(col, 0.85f + 0.3f * fbm(u, v, 32, 2, sc.seed + 2));
      } else if (y < 192) {  // link ends: dark rusty steel
        col = mix(rgb(66, 58, 50), rgb(104, 74, 48), fbm(u, v, 24, 3, sc.seed + 3));
        col = scale(col, 0.7f + 0.8f * (hv - 0.3f));
      } else if (x < 64) {  // wheel: painted disc, dark rubber tyre, shadowed rim
        float d = std::hypot(x + 0.5f - 32, y + 0.5f - 224);
        if (d > 27) col = rgb(22, 22, 20);
        else if (d > 22) col = scale(rgb(34, 34, 32), 0.8f + 0.4f * fbm(u, v, 32, 2, sc.seed + 4));
        else {
          col = scale(sc.base, 0.62f + 0.5f * (hv - 0.45f));
          if (d > 20) col = scale(col, 0.55f);
        }
      } else if (x < 128) {  // gun metal keeps the paint, darker
        col = scale(sc.base, 0.78f + 0.4f * (hv - 0.5f));
        col = mix(col, rgb(40, 40, 38), 0.25f);
      } else {  // grille
        col = hv < 0.3f ? rgb(18, 18, 16) : scale(sc.base, 0.8f + 0.3f * (hv - 0.5f));
      }
      c.at(x, y) = col;
    }
  // marking: player number in a ring, enemy diamond tactical sign
  {
    float cx = 224, cy = 224;
    if (sc.mark_kind == 0) {
      std::vector<std::pair<float, float>> dia = {{cx, cy - 22}, {cx + 22, cy}, {cx, cy + 22}, {cx - 22, cy}};
      c.fill_polygon(dia, sc.mark);
      std::vector<std::pair<float, float>> in = {{cx, cy - 15}, {cx + 15, cy}, {cx, cy + 15}, {cx - 15, cy}};
      c.fill_polygon(in, rgb(24, 24, 24));
      c.fill_rect(cx - 2, cy - 9, cx + 2, cy + 9, sc.mark);
    } else {
      c.ring(cx, cy, 22, 4, sc.mark);
      if (sc.mark_kind == 1) {
        c.fill_rect(cx - 3, cy - 14, cx + 3, cy + 14, sc.mark);
        c.fill_rect(cx - 8, cy + 10, cx + 8, cy + 14, sc.mark);
        c.line(cx - 8, cy - 7, cx, cy - 14, 5, sc.mark);
      } else {
        c.line(cx - 9, cy - 8, cx - 2, cy - 14, 5, sc.mark);
        c.line(cx - 2, cy - 14, cx + 8, cy - 10, 5, sc.mark);
        c.line(cx + 8, cy - 10, cx - 9, cy + 12, 5, sc.mark);
        c.fill_rect(cx - 10, cy + 10, cx + 10, cy + 14, sc.mark);
      }
    }
  }
  if (winter) {
    for (int y = 0; y < S; ++y)
      for (int x = 0; x < S; ++x) {
        float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
        bool painted = y < 128 || (y >= 192 && (x >= 192 || x < 128));
        float n = fbm(u * 2, v * 2, 5, 5, sc.seed + 31);
        Col& p = c.at(x, y);
        if (painted) {
          // whitewash: brushed on, worn through in patches and at the edges
          float cover = smooth(0.28f, 0.42f, n);
          float brush = 0.9f + 0.1f * fbm(u * 4, v * 0.5f, 32, 2, sc.seed + 33);
          Col wash = scale(rgb(226, 228, 222), brush * (0.9f + 0.25f * (h.at(x, y) - 0.5f)));
          p = mix(p, wash, cover * 0.92f);
        } else if (y >= 128 && y < 192) {
          // packed snow between the grousers
          if (h.at(x, y) < 0.45f && n > 0.4f) p = mix(p, rgb(210, 214, 220), 0.7f);
        }
      }
  }
  return {c, h};
}

Canvas paint_ground(Ground g) {
  const int S = 512;
  Canvas c(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      Col col;
      if (g == Ground::Grass) {
        float n = fbm(u, v, 4, 5, 101);
        float blade = fbm(u, v, 64, 2, 102);
        float patch = fbm(u, v, 3, 3, 103);
        col = mix(rgb(58, 88, 34), rgb(104, 128, 54), n);
        col = mix(col, rgb(112, 96, 60), smooth(0.62f, 0.75f, patch) * 0.8f);  // worn earth
        col = scale(col, 0.8f + 0.4f * blade);
        float clump = worley(u, v, 36, 104);
        col = scale(col, 0.85f + 0.25f * smooth(0.0f, 0.5f, clump));  // tufts, darker at their roots
        if (worley(u, v, 48, 105) < 0.04f) col = mix(col, rgb(150, 146, 130), 0.5f);  // pebbles
        float l = lattice(x, y, 106);
        if (l > 0.996f) col = rgb(230, 220, 120);  // small flowers
        else if (l > 0.97f) col = scale(col, 1.25f);  // lit blade tips
      } else if (g == Ground::Sand) {
        float n = fbm(u, v, 4, 5, 201);
        float warp = fbm(u, v, 3, 3, 202);
        // wind ripples: bent by the noise and fading in and out
        float phase = (v * 22 + 1.6f * warp + 0.3f * std::sin(u * 2 * kPi * 3)) * 2 * kPi;
        float ripple = std::sin(phase) * smooth(0.3f, 0.7f, fbm(u, v, 5, 2, 206));
        col = mix(rgb(184, 152, 100), rgb(224, 198, 146), n);
        col = scale(col, 0.95f + 0.06f * ripple + 0.1f * (fbm(u, v, 96, 2, 203) - 0.5f));
        if (lattice(x, y, 207) > 0.985f) col = scale(col, 0.7f);  // dark grains
        if (worley(u, v, 40, 204) < 0.035f) col = mix(col, rgb(120, 104, 84), 0.55f);  // pebbles
        float scrub = fbm(u, v, 6, 4, 205);
        col = mix(col, rgb(134, 126, 76), 0.5f * smooth(0.64f, 0.78f, scrub));
      } else {
        float n = fbm(u, v, 4, 5, 301);
        float drift = fbm(u, v, 3, 4, 302);
        // kept below full white so that the scene's light does not burn it out
        col = mix(rgb(184, 192, 206), rgb(228, 232, 240), n);
        // blue shade in the hollows between drifts
        col = mix(col, rgb(164, 178, 202), 0.35f * smooth(0.5f, 0.8f, 1 - drift));
        col = scale(col, 0.96f + 0.05f * (fbm(u, v, 16, 2, 303) - 0.5f));
        float ice = fbm(u, v, 5, 3, 304);
        col = mix(col, rgb(186, 206, 222), 0.35f * smooth(0.66f, 0.8f, ice));
        if (lattice(x, y, 305) > 0.993f) col = rgb(250, 252, 255);  // glints
        if (worley(u, v, 24, 306) < 0.03f) col = mix(col, rgb(120, 118, 116), 0.5f);  // stones poking through
      }
      c.at(x, y) = col;
    }
  return c;
}

PaintResult paint_bricks(BrickTheme t) {
  const int S = 256;
  Height h(S, S, 0.5f);
  Canvas c(S, S);
  const int course = 32, brick = 64, mortar = 4;
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      int row = y / course;
      int off = (row % 2) * (brick / 2);
      int bx = (x + off) % brick, by = y % course;
      int id = ((x + off) / brick) * 7 + row * 13;
      bool is_mortar = bx < mortar || by < mortar;
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      float rough = fbm(u, v, 32, 3, 400);
      // bevelled brick edges
      float edge = std::min({static_cast<float>(bx - mortar), static_cast<float>(brick - 1 - bx),
                             static_cast<float>(by - mortar), static_cast<float>(course - 1 - by)});
      float hv = is_mortar ? 0.2f + 0.05f * rough : 0.55f + 0.25f * smooth(0, 3, edge) + 0.08f * (rough - 0.5f);
      h.at(x, y) = hv;
      float tone = lattice(id, row, 401);
      Col col;
      if (t == BrickTheme::Red) {
        col = is_mortar ? rgb(170, 164, 150) : mix(rgb(138, 54, 38), rgb(178, 82, 54), tone);
      } else if (t == BrickTheme::Sand) {
        col = is_mortar ? rgb(150, 132, 100) : mix(rgb(196, 164, 110), rgb(224, 196, 140), tone);
      } else {
        col = is_mortar ? rgb(190, 196, 204) : mix(rgb(120, 70, 60), rgb(150, 94, 80), tone);
      }
      col = scale(col, 0.8f + 0.3f * rough + (is_mortar ? 0 : 0.15f * (hv - 0.7f)));
      if (!is_mortar && worley(u, v, 24, 402) < 0.05f) col = scale(col, 0.75f);  // pits
      if (t == BrickTheme::Snow) {
        // frost on the upper edge of each course and drifted snow in the joints
        float frost = fbm(u, v, 8, 3, 403);
        if (!is_mortar && by < mortar + 7) col = mix(col, rgb(236, 240, 246), smooth(0.3f, 0.6f, frost));
        if (is_mortar && by < mortar) col = mix(col, rgb(240, 244, 250), 0.8f);
        col = mix(col, rgb(220, 228, 238), 0.25f * smooth(0.5f, 0.8f, frost));
      }
      if (t == BrickTheme::Sand) {
        float dust = fbm(u, v, 6, 3, 404);
        col = mix(col, rgb(210, 186, 140), 0.3f * smooth(0.4f, 0.8f, dust));
      }
      c.at(x, y) = col;
    }
  return {c, h};
}

PaintResult paint_concrete(bool worn) {
  const int S = 256;
  Height h(S, S, 0.5f);
  Canvas c(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      float n = fbm(u, v, 8, 4, 500);
      float pores = worley(u, v, 64, 501);
      // slab: chamfered border, an inner seam cross of formwork lines
      int bx = std::min(x, S - 1 - x), by = std::min(y, S - 1 - y);
      float edge = static_cast<float>(std::min(bx, by));
      float hv = 0.45f + 0.25f * smooth(0, 10, edge) + 0.05f * (n - 0.5f);
      if (pores < 0.08f) hv -= 0.08f;
      if ((x % 64) == 0 || (y % 64) == 0) hv -= 0.06f;  // formwork lines
      h.at(x, y) = hv;
      Col col = mix(rgb(118, 118, 112), rgb(164, 162, 154), n);
      col = scale(col, 0.85f + 0.3f * (hv - 0.5f) * 2);
      if (pores < 0.08f) col = scale(col, 0.8f);
      float stain = fbm(u, v * 0.3f, 6, 3, 502);
      if (stain > 0.64f) col = mix(col, rgb(96, 92, 80), 0.35f);
      c.at(x, y) = col;
    }
  // steel bolts in a ring and in the corners
  auto bolt = [&](float cx, float cy) {
    for (int y = static_cast<int>(cy - 9); y <= static_cast<int>(cy + 9); ++y)
      for (int x = static_cast<int>(cx - 9); x <= static_cast<int>(cx + 9); ++x) {
        if (x < 0 || y < 0 || x >= S || y >= S) continue;
        float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
        if (d < 8) {
          h.at(x, y) = 0.8f + 0.1f * (1 - d / 8);
          c.at(x, y) = scale(rgb(110, 100, 88), 0.8f + 0.4f * (1 - d / 8));
        } else if (d < 9) {
          h.at(x, y) = 0.35f;
          c.at(x, y) = scale(c.at(x, y), 0.6f);
        }
      }
  };
  for (float bx : {32.f, 128.f, 224.f})
    for (float by : {32.f, 128.f, 224.f})
      if (!(bx == 128.f && by == 128.f)) bolt(bx, by);
  if (worn) {
    // cracks as random walks from the centre and edges, chipped corners
    Rng r(503);
    for (int k = 0; k < 9; ++k) {
      float x = k < 3 ? 128 + r.range(-20, 20) : r.range(10, 246), y = k < 3 ? 128 + r.range(-20, 20) : r.range(10, 246);
      float a = r.range(0, 2 * kPi);
      int len = r.irange(60, 160);
      for (int i = 0; i < len; ++i) {
        a += r.range(-0.5f, 0.5f);
        float nx = x + std::cos(a) * 1.5f, ny = y + std::sin(a) * 1.5f;
        c.line(x, y, nx, ny, 2.2f, rgb(40, 38, 34));
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int px = static_cast<int>(nx) + dx, py = static_cast<int>(ny) + dy;
            if (px >= 0 && py >= 0 && px < S && py < S) h.at(px, py) = std::min(h.at(px, py), 0.15f);
          }
        x = nx, y = ny;
        if (x < 0 || y < 0 || x >= S || y >= S) break;
      }
    }
    for (int y = 0; y < S; ++y)
      for (int x = 0; x < S; ++x) {
        float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
        float dmg = fbm(u, v, 5, 4, 504);
        if (dmg > 0.62f) {
          c.at(x, y) = mix(c.at(x, y), rgb(82, 78, 70), 0.5f);
          h.at(x, y) -= 0.1f * smooth(0.62f, 0.75f, dmg);
        }
        // soot from the hit
        float d = std::hypot(u - 0.5f, v - 0.5f);
        c.at(x, y) = scale(c.at(x, y), 0.75f + 0.25f * smooth(0.05f, 0.45f, d));
      }
  }
  return {c, h};
}

namespace {
// Debris: chunks of a colour family scattered around the centre, on black.
Canvas debris(Col a, Col b, std::uint32_t seed, bool dust) {
  const int S = 64;
  Canvas c(S, S, {0, 0, 0, 1});
  Rng r(seed);
  if (dust)
    for (int y = 0; y < S; ++y)
      for (int x = 0; x < S; ++x) {
        float d = std::hypot(x + 0.5f - 32, y + 0.5f - 32) / 30;
        float n = fbm(x / 64.f, y / 64.f, 4, 4, seed + 1);
        float k = clamp01((1 - d) * 1.4f) * (0.3f + 0.5f * n);
        c.at(x, y) = mix({0, 0, 0, 1}, mix(a, b, 0.5f), k * 0.6f);
      }
  for (int i = 0; i < 26; ++i) {
    float ang = r.range(0, 2 * kPi), rad = r.range(2, 24);
    float cx = 32 + std::cos(ang) * rad, cy = 32 + std::sin(ang) * rad;
    float sz = r.range(2.f, 6.5f) * (1 - rad / 40);
    std::vector<std::pair<float, float>> poly;
    int n = r.irange(4, 6);
    float rot = r.range(0, kPi);
    for (int k = 0; k < n; ++k) {
      float t = rot + 2 * kPi * k / n;
      float rr = sz * r.range(0.6f, 1.1f);
      poly.push_back({cx + std::cos(t) * rr, cy + std::sin(t) * rr});
    }
    Col col = mix(a, b, r.uniform());
    c.fill_polygon(poly, col);
    c.line(poly[0].first, poly[0].second, poly[1].first, poly[1].second, 1, scale(col, 1.3f));
  }
  return c;
}

Canvas radial(int S, const std::function<Col(float d, float ang, float n)>& f, std::uint32_t seed) {
  Canvas c(S, S, {0, 0, 0, 1});
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float dx = (x + 0.5f) / S - 0.5f, dy = (y + 0.5f) / S - 0.5f;
      float d = std::hypot(dx, dy) * 2;
      float ang = std::atan2(dy, dx);
      float n = fbm(x / static_cast<float>(S), y / static_cast<float>(S), 4, 4, seed);
      c.at(x, y) = f(d, ang, n);
    }
  return c;
}
}  // namespace

Canvas paint_sprite(Sprite s) {
  switch (s) {
    case Sprite::DebrisRed: return debris(rgb(150, 60, 40), rgb(210, 110, 80), 601, false);
    case Sprite::DebrisSand: return debris(rgb(190, 160, 110), rgb(236, 212, 160), 602, false);
    case Sprite::DebrisSnow: return debris(rgb(200, 206, 216), rgb(255, 255, 255), 603, true);
    case Sprite::DebrisConcrete: return debris(rgb(130, 130, 126), rgb(200, 198, 190), 604, true);
    case Sprite::Flash:
      return radial(64, [](float d, float ang, float n) {
        float spikes = 0.5f + 0.5f * std::cos(ang * 8);
        float k = clamp01(1.2f - d * (1.6f - 0.9f * spikes * spikes)) ;
        k = k * k;
        Col col = mix(rgb(255, 120, 20), rgb(255, 255, 230), clamp01(k * 1.4f));
        return scale(col, k);
      }, 605);
    case Sprite::Smoke:
      return radial(64, [](float d, float, float n) {
        float k = clamp01((1 - d) * 1.5f) * (0.45f + 0.7f * n);
        k = clamp01(k);
        return scale(rgb(150, 148, 144), k);
      }, 606);
    case Sprite::Fire:
      return radial(64, [](float d, float ang, float n) {
        float k = clamp01((1 - d * (1.1f - 0.5f * n)) * 1.6f);
        Col col = mix(rgb(200, 40, 0), rgb(255, 200, 60), clamp01(k * 1.2f));
        col = mix(col, rgb(255, 250, 210), clamp01((k - 0.8f) * 4));
        return scale(col, clamp01(k * 1.3f));
      }, 607);
    case Sprite::Explosion:
      return radial(128, [](float d, float, float n) {
        float edge = 0.8f + 0.35f * (n - 0.5f);
        float k = clamp01((edge - d) * 3.0f);
        Col col = mix(rgb(120, 30, 0), rgb(255, 150, 30), clamp01(k * 1.5f * (0.6f + n)));
        col = mix(col, rgb(255, 240, 190), clamp01((k - 0.75f) * 3 * n * 1.6f));
        return scale(col, clamp01(k * 1.2f));
      }, 608);
    case Sprite::Muzzle: {
      Canvas c = radial(64, [](float d, float ang, float) {
        float spikes = std::pow(0.5f + 0.5f * std::cos(ang * 5), 6.f);
        float k = clamp01(1 - d / (0.35f + 0.65f * spikes));
        k = k * k;
        Col col = mix(rgb(255, 150, 40), rgb(255, 255, 220), clamp01(k * 1.5f));
        col = scale(col, clamp01(k * 1.6f));
        col.a = clamp01(k * 1.6f);
        return col;
      }, 609);
      return c;
    }
  }
  return Canvas(64, 64);
}

Canvas paint_fence() {
  // concrete posts with barbed-wire and planks: one 256 x 64 strip
  const int W = 256, H = 64;
  Canvas c(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float u = x / static_cast<float>(W), v = y / static_cast<float>(H);
      int px = x % 64;
      bool post = px < 10;
      float n = fbm(u, v, 8, 3, 701);
      Col col;
      if (post) col = scale(rgb(150, 146, 136), 0.8f + 0.3f * n - (px < 2 || px > 7 ? 0.2f : 0));
      else {
        // weathered planks, horizontal boards
        int board = y / 16;
        float grain = fbm(u * 2, v * 0.25f + board, 16, 3, 702 + board);
        col = mix(rgb(88, 70, 50), rgb(128, 104, 74), grain);
        if (y % 16 < 2) col = rgb(40, 32, 24);
        if ((px == 20 || px == 54) && (y % 16 == 7 || y % 16 == 8)) col = rgb(60, 60, 60);  // nails
      }
      c.at(x, y) = col;
    }
  return c;
}

Canvas paint_leaves(bool snowy) {
  const int S = 128;
  Canvas c(S, S);
  Rng r(snowy ? 802 : 801);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      float n = fbm(u, v, 6, 4, 803);
      c.at(x, y) = mix(rgb(28, 58, 22), rgb(56, 92, 34), n);
    }
  for (int i = 0; i < 420; ++i) {
    float x = r.range(0, S), y = r.range(0, S), a = r.range(0, 2 * kPi), l = r.range(3, 7);
    Col col = mix(rgb(40, 84, 28), rgb(110, 150, 54), r.uniform());
    for (int ox = -1; ox <= 1; ++ox)
      for (int oy = -1; oy <= 1; ++oy)  // wrap so the texture tiles
        c.line(x + ox * S, y + oy * S, x + ox * S + std::cos(a) * l, y + oy * S + std::sin(a) * l, 2.6f, col);
  }
  if (snowy)
    for (int y = 0; y < S; ++y)
      for (int x = 0; x < S; ++x) {
        float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
        float n = fbm(u, v, 5, 4, 804);
        c.at(x, y) = mix(c.at(x, y), rgb(238, 242, 248), smooth(0.35f, 0.55f, n) * 0.9f);
      }
  return c;
}

Canvas paint_bunker() {
  const int S = 256;
  Canvas c(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      float n = fbm(u, v, 6, 4, 901);
      Col col = mix(rgb(110, 112, 96), rgb(150, 150, 130), n);
      // camouflage net pattern and formwork boards
      if (y % 32 < 2) col = scale(col, 0.75f);
      float net = fbm(u, v, 4, 3, 902);
      if (net > 0.6f) col = mix(col, rgb(72, 86, 48), 0.6f);
      if (worley(u, v, 30, 903) < 0.06f) col = scale(col, 0.8f);
      c.at(x, y) = col;
    }
  return c;
}

Canvas paint_trap() {
  const int S = 128;
  Canvas c(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float u = x / static_cast<float>(S), v = y / static_cast<float>(S);
      float n = fbm(u, v, 8, 3, 1001);
      Col col;
      if (x < 64) col = mix(rgb(120, 118, 110), rgb(160, 156, 146), n);  // concrete
      else {  // rusty steel with hazard paint stripes
        col = mix(rgb(70, 50, 36), rgb(120, 70, 40), n);
        if (((x + y) / 10) % 2 == 0 && y < 40) col = mix(col, rgb(200, 170, 40), 0.8f);
      }
      c.at(x, y) = col;
    }
  return c;
}

Canvas paint_glow(float r, float g, float b) {
  const int S = 128;
  Canvas c(S, S, {0, 0, 0, 1});
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float d = std::hypot((x + 0.5f) / S - 0.5f, (y + 0.5f) / S - 0.5f) * 2;
      float ringv = std::exp(-std::pow((d - 0.7f) / 0.08f, 2.f));
      float k = clamp01(1 - d) * 0.7f + ringv * 0.9f;
      c.at(x, y) = {clamp01(r * k), clamp01(g * k), clamp01(b * k), 1};
    }
  return c;
}

Canvas paint_metal_plain(Col base, std::uint32_t seed) {
  const int S = 64;
  Canvas c(S, S);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float n = fbm(x / 64.f, y / 64.f, 4, 3, seed);
      c.at(x, y) = scale(base, 0.85f + 0.3f * n);
    }
  return c;
}

}  // namespace ag
