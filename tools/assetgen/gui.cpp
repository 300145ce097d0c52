#include "gui.h"

#include <cmath>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "text.h"

namespace ag {

namespace {
constexpr float kPi = 3.14159265358979323846f;

const Col kOliveTop = rgb(98, 104, 60), kOliveBot = rgb(60, 64, 36);
const Col kEdgeDark = rgb(26, 28, 18), kEdgeLight = rgb(150, 150, 100);
const Col kGold = rgb(214, 176, 86), kGoldHi = rgb(255, 236, 170);
const Col kPanel = rgb(24, 26, 18), kRed = rgb(170, 40, 30);

using Pts = std::vector<std::pair<float, float>>;

// A bevelled olive plate with rivets and a fine gold inner line.
void plate(Canvas& c, float x0, float y0, float x1, float y1, std::uint32_t seed, bool rivets = true,
           Col top = kOliveTop, Col bot = kOliveBot) {
  float h = y1 - y0;
  for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y)
    for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x) {
      float t = (y + 0.5f - y0) / h;
      float n = fbm(x / 64.f, y / 64.f, 4, 3, seed);
      float scratch = fbm(x / 8.f, y / 256.f, 16, 2, seed + 3);
      Col col = mix(top, bot, t);
      col = scale(col, 0.9f + 0.2f * n + (scratch > 0.72f ? 0.08f : 0.f));
      c.blend(x, y, col);
    }
  float b = std::max(1.f, std::min(2.f, h / 14));
  c.fill_rect(x0, y0, x1, y0 + b, kEdgeLight);
  c.fill_rect(x0, y0, x0 + b, y1, kEdgeLight);
  c.fill_rect(x0, y1 - b, x1, y1, kEdgeDark);
  c.fill_rect(x1 - b, y0, x1, y1, kEdgeDark);
  if (h >= 20) c.stroke_rect(x0 + b + 2, y0 + b + 2, x1 - b - 2, y1 - b - 2, 1, scale(kGold, 0.8f));
  if (rivets && h >= 20) {
    float r = h >= 30 ? 2.2f : 1.6f, m = b + 3.5f;
    for (auto [rx, ry] : std::vector<std::pair<float, float>>{{x0 + m, y0 + m}, {x1 - m, y0 + m}, {x0 + m, y1 - m},
                                                               {x1 - m, y1 - m}}) {
      c.fill_circle(rx + 0.6f, ry + 0.6f, r, rgb(20, 20, 12));
      c.fill_circle(rx, ry, r, rgb(170, 164, 120));
      c.fill_circle(rx - 0.5f, ry - 0.5f, r * 0.45f, rgb(230, 226, 190));
    }
  }
}

TextStyle label_style(float size) {
  TextStyle st;
  st.face = Face::CondBold;
  st.size = size;
  st.top = kGoldHi;
  st.bottom = kGold;
  st.outline = rgb(18, 16, 8);
  st.outline_px = size >= 16 ? 1.6f : 1.0f;
  st.shadow = rgb(0, 0, 0, 180);
  st.shadow_dx = st.shadow_dy = size >= 16 ? 2.f : 1.f;
  st.tracking = size >= 16 ? 1.2f : 0.5f;
  return st;
}

float label_fit(const std::string& text, int w, int h, float size_frac) {
  TextStyle st = label_style(h * size_frac);
  return fit_size(text, st, w - 2 * std::min(10.f, w * 0.05f));
}

// A text label on a plate filling the frame; size 0: the largest that fits.
void label(Canvas& c, int x0, int y0, int w, int h, const std::string& text, std::uint32_t seed,
           float size_frac = 0.62f, float size = 0) {
  plate(c, x0, y0, x0 + w, y0 + h, seed);
  TextStyle st = label_style(h * size_frac);
  float fit = label_fit(text, w, h, size_frac);
  st.size = size > 0 ? std::min(size, fit) : fit;
  draw_text(c, text, x0 + w / 2.f, y0 + h / 2.f, Align::Center, st);
}

// Frames stacked top to bottom: the engine cuts left to right, then top to
// bottom, so a one-frame-wide strip gives frame i at row i.
Canvas strip(int fw, int fh, int n, const std::function<void(Canvas&, int, int, int)>& f) {
  Canvas c(fw, fh * n, {0, 0, 0, 1});
  for (int i = 0; i < n; ++i) f(c, 0, i * fh, i);
  return c;
}

void digit_tile(Canvas& c, int x0, int y0, int w, int h, int d, Col top, Col bot) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      float t = (y - y0 + 0.5f) / h;
      c.at(x, y) = mix(rgb(40, 42, 30), kPanel, std::fabs(t - 0.5f) * 2);
    }
  c.fill_rect(x0, y0, x0 + w, y0 + 1, rgb(70, 72, 50));
  c.fill_rect(x0, y0 + h - 1, x0 + w, y0 + h, rgb(8, 8, 4));
  TextStyle st = label_style(h * 0.9f);
  st.face = Face::Bold;
  st.top = top;
  st.bottom = bot;
  st.tracking = 0;
  st.outline_px = 1.0f;
  st.shadow_dx = st.shadow_dy = 1;
  st.size = std::min(st.size, fit_size(std::to_string(d), st, w - 1.f));
  draw_text(c, std::to_string(d), x0 + w / 2.f, y0 + h / 2.f, Align::Center, st);
}

Canvas digits(int fw, int fh, Col top, Col bot) {
  return strip(fw, fh, 10, [&](Canvas& c, int x, int y, int i) { digit_tile(c, x, y, fw, fh, i, top, bot); });
}

Pts star_pts(float cx, float cy, float ro, float ri, int n = 5) {
  Pts p;
  for (int i = 0; i < 2 * n; ++i) {
    float a = -kPi / 2 + kPi * i / n;
    float r = (i % 2) ? ri : ro;
    p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return p;
}

void star(Canvas& c, float cx, float cy, float r, bool filled) {
  c.fill_polygon(star_pts(cx + 1, cy + 1, r, r * 0.42f), rgb(0, 0, 0, 160));
  c.fill_polygon(star_pts(cx, cy, r, r * 0.42f), kEdgeDark);
  c.fill_polygon(star_pts(cx, cy, r * 0.8f, r * 0.34f), filled ? kGold : rgb(60, 62, 40));
  if (filled) c.fill_polygon(star_pts(cx - r * 0.08f, cy - r * 0.08f, r * 0.42f, r * 0.18f), kGoldHi);
}

// Rank insignia in a box of height h at (x, cy): chevrons, bars or stars.
void insignia(Canvas& c, float x, float cy, float h, int rank) {
  float w = h * 1.2f;
  float cx = x + w / 2;
  Col g = kGoldHi, d = rgb(30, 24, 8);
  if (rank <= 3) {  // chevrons, point up
    float cw = w * 0.42f, th = h * 0.16f;
    float top = cy - h * 0.3f + (3 - rank) * th * 0.8f;
    for (int k = 0; k < rank; ++k) {
      float yy = top + k * th * 1.6f;
      c.line(cx - cw, yy + cw * 0.6f, cx, yy, th + 1.5f, d);
      c.line(cx, yy, cx + cw, yy + cw * 0.6f, th + 1.5f, d);
      c.line(cx - cw, yy + cw * 0.6f, cx, yy, th, g);
      c.line(cx, yy, cx + cw, yy + cw * 0.6f, th, g);
    }
  } else if (rank <= 5) {  // bars
    int n = rank - 3;
    float bh = h * 0.16f, gap = h * 0.12f;
    float total = n * bh + (n - 1) * gap;
    for (int k = 0; k < n; ++k) {
      float yy = cy - total / 2 + k * (bh + gap);
      c.fill_rect(cx - w * 0.38f - 1, yy - 1, cx + w * 0.38f + 1, yy + bh + 1, d);
      c.fill_rect(cx - w * 0.38f, yy, cx + w * 0.38f, yy + bh, g);
    }
  } else {  // stars: major 1, colonel 2, general 3 with a wreath
    int n = rank - 5;
    float r = h * (n == 1 ? 0.36f : (n == 2 ? 0.27f : 0.22f));
    if (rank == 8) {
      c.ring(cx, cy, h * 0.44f, h * 0.07f, rgb(190, 150, 60));
    }
    for (int k = 0; k < n; ++k) {
      float sx = cx + (k - (n - 1) / 2.f) * r * 1.9f;
      star(c, sx, cy, r, true);
    }
  }
}

const char* kRanks[8] = {"PRIVATE", "CORPORAL", "SERGEANT", "LIEUTENANT", "CAPTAIN", "MAJOR", "COLONEL", "GENERAL"};

// Text size for the rank names in a space: shared by all but an outlier.
float rank_size(TextStyle st, float max_w) {
  float largest = 0, common = 1e9f;
  float fits[8];
  for (int i = 0; i < 8; ++i) largest = std::max(largest, fits[i] = fit_size(kRanks[i], st, max_w));
  for (float f : fits)
    if (f >= largest * 0.8f) common = std::min(common, f);
  return common;
}

// Small tank icon seen from the side, facing right, within a w x h box.
void tank_icon(Canvas& c, float x, float y, float w, float h, Col body, Col dark) {
  float u = w / 10, v = h / 6;
  c.fill_rect(x + 0.8f * u, y + 4.0f * v, x + 9.2f * u, y + 5.8f * v, dark);             // tracks
  for (int i = 0; i < 5; ++i) c.fill_circle(x + (1.8f + i * 1.6f) * u, y + 4.9f * v, 0.7f * u, scale(body, 0.6f));
  c.fill_polygon({{x + 0.4f * u, y + 4.0f * v}, {x + 9.6f * u, y + 4.0f * v}, {x + 8.6f * u, y + 2.8f * v},
                  {x + 1.2f * u, y + 2.8f * v}},
                 body);
  c.fill_polygon({{x + 3.0f * u, y + 2.8f * v}, {x + 7.0f * u, y + 2.8f * v}, {x + 6.4f * u, y + 1.3f * v},
                  {x + 3.6f * u, y + 1.3f * v}},
                 scale(body, 1.1f));
  c.fill_rect(x + 6.8f * u, y + 1.75f * v, x + 10.f * u, y + 2.25f * v, dark);
}

}  // namespace

void draw_profile(Canvas& c, Profile p, float ox, float oy, float s, bool sil) {
  // side view, facing right: x forward in world units, y up; (ox, oy) = ground under the centre
  auto P = [&](float x, float y) { return std::pair<float, float>{ox + x * s, oy - y * s}; };
  Col body, camo, dark = rgb(34, 32, 28);
  switch (p) {
    case Profile::Stug: body = rgb(92, 96, 102), camo = rgb(72, 76, 82); break;
    case Profile::Hetzer: body = rgb(124, 120, 64), camo = rgb(66, 86, 46); break;
    case Profile::Tiger: body = rgb(186, 158, 96), camo = rgb(126, 80, 50); break;
    case Profile::Elefant: body = rgb(132, 86, 58), camo = rgb(62, 74, 48); break;
    case Profile::Player: body = rgb(86, 124, 54), camo = rgb(64, 96, 42); break;
  }
  if (sil) body = camo = dark = rgb(12, 10, 10);
  auto poly = [&](std::initializer_list<std::pair<float, float>> pts, Col col) {
    Pts q;
    for (auto& pt : pts) q.push_back(P(pt.first, pt.second));
    c.fill_polygon(q, col);
  };
  auto rect = [&](float x0, float y0, float x1, float y1, Col col) { poly({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, col); };
  auto wheels = [&](float x0, float x1, int n, float r, float yc) {
    for (int i = 0; i < n; ++i) {
      auto [cx, cy] = P(x0 + (x1 - x0) * i / std::max(1, n - 1), yc);
      c.fill_circle(cx, cy, r * s, sil ? dark : rgb(50, 48, 44));
      if (!sil) c.fill_circle(cx, cy, r * s * 0.45f, scale(body, 0.8f));
    }
  };
  auto track = [&](float x0, float x1, float top) {
    poly({{x0, top * 0.5f}, {x0 + 0.5f, top}, {x1 - 0.5f, top}, {x1, top * 0.5f}, {x1 - 0.6f, 0}, {x0 + 0.6f, 0}}, dark);
  };
  switch (p) {
    case Profile::Stug:
      track(-3.8f, 3.7f, 1.4f);
      wheels(-2.9f, 2.9f, 6, 0.45f, 0.55f);
      rect(-3.8f, 1.2f, 3.9f, 1.9f, body);
      rect(-3.6f, 0.6f, 3.6f, 1.9f, camo);  // skirts
      poly({{-1.0f, 1.9f}, {2.8f, 1.9f}, {1.8f, 3.3f}, {-0.7f, 3.3f}}, body);
      rect(2.2f, 2.75f, 4.4f, 3.0f, dark);
      break;
    case Profile::Hetzer:
      track(-3.4f, 3.3f, 1.3f);
      wheels(-2.4f, 2.4f, 4, 0.55f, 0.6f);
      poly({{-3.45f, 1.2f}, {3.5f, 1.2f}, {0.9f, 3.65f}, {-2.1f, 3.65f}}, body);
      poly({{-1.5f, 2.2f}, {0.4f, 2.0f}, {0.0f, 3.2f}, {-1.2f, 3.4f}}, camo);
      rect(1.6f, 3.0f, 4.9f, 3.25f, dark);
      break;
    case Profile::Tiger:
      track(-3.3f, 3.1f, 1.6f);
      wheels(-2.6f, 2.6f, 8, 0.62f, 0.7f);
      rect(-3.3f, 1.6f, 3.25f, 2.55f, body);
      poly({{-2.0f, 2.55f}, {1.9f, 2.55f}, {1.9f, 4.15f}, {-1.9f, 4.15f}}, body);
      poly({{-1.0f, 2.55f}, {-0.3f, 2.55f}, {0.4f, 4.15f}, {-0.3f, 4.15f}}, camo);
      rect(1.8f, 3.45f, 6.8f, 3.7f, dark);
      rect(6.25f, 3.35f, 6.8f, 3.8f, dark);
      break;
    case Profile::Elefant:
      track(-3.6f, 3.6f, 1.6f);
      wheels(-2.7f, 2.7f, 6, 0.62f, 0.7f);
      rect(-3.6f, 1.6f, 3.9f, 2.4f, body);
      poly({{-3.6f, 2.4f}, {0.5f, 2.4f}, {0.1f, 4.35f}, {-3.4f, 4.35f}}, body);
      poly({{-2.6f, 2.6f}, {-1.6f, 2.6f}, {-1.9f, 4.1f}, {-2.8f, 4.1f}}, camo);
      rect(0.2f, 3.58f, 7.95f, 3.82f, dark);
      rect(7.5f, 3.5f, 7.95f, 3.9f, dark);
      break;
    case Profile::Player:
      track(-4.2f, 4.1f, 1.8f);
      wheels(-3.0f, 3.0f, 5, 0.62f, 0.75f);
      poly({{-4.2f, 1.8f}, {4.25f, 1.8f}, {2.5f, 2.8f}, {-3.3f, 2.8f}}, body);
      poly({{-1.0f, 2.8f}, {2.6f, 2.8f}, {2.3f, 4.45f}, {-0.6f, 4.45f}}, body);
      rect(2.5f, 3.98f, 4.3f, 4.26f, dark);
      break;
  }
}

namespace {

void emblem(Canvas& c, float cx, float cy, float R) {
  // round badge: dark ring with gold rim, red star over crossed cannons, laurels
  c.fill_circle(cx + 2, cy + 3, R, rgb(0, 0, 0, 150));
  c.fill_circle(cx, cy, R, kGold);
  c.fill_circle(cx, cy, R * 0.9f, rgb(46, 50, 30));
  c.ring(cx, cy, R * 0.8f, R * 0.04f, kGold);
  for (int side = -1; side <= 1; side += 2)
    for (int k = 0; k < 7; ++k) {  // laurel leaves along the lower ring
      float a = kPi / 2 + side * (0.35f + k * 0.3f);
      float lx = cx + std::cos(a) * R * 0.68f, ly = cy + std::sin(a) * R * 0.68f;
      float ta = a + side * kPi / 2;
      c.line(lx, ly, lx + std::cos(ta) * R * 0.12f, ly + std::sin(ta) * R * 0.12f, R * 0.07f, rgb(200, 170, 80));
    }
  c.line(cx - R * 0.52f, cy + R * 0.4f, cx + R * 0.52f, cy - R * 0.4f, R * 0.1f, rgb(140, 140, 120));
  c.line(cx + R * 0.52f, cy + R * 0.4f, cx - R * 0.52f, cy - R * 0.4f, R * 0.1f, rgb(140, 140, 120));
  c.fill_polygon(star_pts(cx, cy - R * 0.05f, R * 0.48f, R * 0.2f), rgb(40, 8, 4));
  c.fill_polygon(star_pts(cx, cy - R * 0.05f, R * 0.42f, R * 0.17f), kRed);
  c.fill_polygon(star_pts(cx, cy - R * 0.05f, R * 0.16f, R * 0.07f), rgb(240, 120, 90));
}

Canvas caption_square(const std::string& text, std::uint32_t seed) {
  Canvas c(128, 128, {0, 0, 0, 1});
  plate(c, 0, 0, 128, 128, seed);
  // dark recessed window in the middle for the digits the game lays over it
  c.fill_rect(12, 44, 116, 90, rgb(14, 14, 10));
  c.stroke_rect(11, 43, 117, 91, 1.5f, kGold);
  TextStyle st = label_style(26);
  st.size = fit_size(text, st, 108);
  draw_text(c, text, 64, 24, Align::Center, st);
  for (int k = 0; k < 3; ++k) star(c, 44 + k * 20, 108, 7, true);
  return c;
}

Canvas lives(int n, bool blink) {
  Canvas c(128, 128, {0, 0, 0, 1});
  plate(c, 0, 0, 128, 128, 77);
  TextStyle st = label_style(22);
  draw_text(c, "LIVES", 64, 18, Align::Center, st);
  c.fill_rect(8, 32, 120, 120, rgb(16, 18, 12));
  if (n == 0) {
    tank_icon(c, 24, 48, 80, 48, rgb(70, 70, 64), rgb(40, 40, 36));
    c.line(30, 44, 98, 104, 8, kRed);
    c.line(98, 44, 30, 104, 8, kRed);
    return c;
  }
  int shown = std::min(n, 5);
  for (int i = 0; i < shown; ++i) {
    int row = i < 3 ? 0 : 1, col = i < 3 ? i : i - 3;
    int per_row = row == 0 ? std::min(shown, 3) : shown - 3;
    float w = 34, x = 64 - per_row * w / 2 + col * w + 1, y = 40 + row * 36;
    bool lit = !(blink && i == shown - 1);
    Col body = lit ? rgb(112, 160, 66) : rgb(50, 60, 40);
    tank_icon(c, x, y, w - 2, 26, body, lit ? rgb(40, 46, 30) : rgb(30, 32, 26));
  }
  if (n >= 5) draw_text(c, "+", 112, 108, Align::Center, label_style(20));
  if (blink) c.stroke_rect(2, 2, 126, 126, 3, rgb(255, 190, 60));
  return c;
}

Canvas compass() {
  const int S = 256;
  Canvas c(S, S, {0, 0, 0, 1});
  plate(c, 0, 0, S, S, 91);
  float cx = S / 2.f, cy = S / 2.f;
  c.fill_circle(cx, cy, 112, rgb(20, 22, 14));
  c.ring(cx, cy, 110, 4, kGold);
  c.ring(cx, cy, 80, 2, scale(kGold, 0.7f));
  for (int k = 0; k < 72; ++k) {
    float a = 2 * kPi * k / 72;
    float r0 = (k % 9 == 0) ? 92 : 100;
    c.line(cx + std::cos(a) * r0, cy + std::sin(a) * r0, cx + std::cos(a) * 107, cy + std::sin(a) * 107,
           k % 9 == 0 ? 3 : 1.5f, kGold);
  }
  // rose points: north at the top of the picture (the +z side of the plate)
  for (int k = 0; k < 8; ++k) {
    float a = -kPi / 2 + kPi * k / 4;
    float r = (k % 2) ? 46 : 74;
    float side = 0.22f;
    Pts half1 = {{cx, cy}, {cx + std::cos(a) * r, cy + std::sin(a) * r},
                 {cx + std::cos(a + side * 2) * 16, cy + std::sin(a + side * 2) * 16}};
    Pts half2 = {{cx, cy}, {cx + std::cos(a) * r, cy + std::sin(a) * r},
                 {cx + std::cos(a - side * 2) * 16, cy + std::sin(a - side * 2) * 16}};
    c.fill_polygon(half1, k == 0 ? rgb(200, 50, 40) : rgb(180, 170, 130));
    c.fill_polygon(half2, k == 0 ? rgb(140, 30, 24) : rgb(110, 104, 80));
  }
  TextStyle st = label_style(30);
  draw_text(c, "N", cx, cy - 92 + 0, Align::Center, st);
  draw_text(c, "S", cx, cy + 92, Align::Center, st);
  draw_text(c, "E", cx + 92, cy, Align::Center, st);
  draw_text(c, "W", cx - 92, cy, Align::Center, st);
  return c;
}

Canvas enemy_picture(Profile p, const std::string& name) {
  Canvas c(128, 128, {0, 0, 0, 1});
  plate(c, 0, 0, 128, 128, 55 + static_cast<int>(p));
  // sky-to-ground backdrop
  for (int y = 8; y < 98; ++y)
    for (int x = 8; x < 120; ++x) {
      float t = (y - 8) / 90.f;
      c.at(x, y) = y < 80 ? mix(rgb(120, 132, 128), rgb(176, 170, 140), t) : mix(rgb(92, 84, 60), rgb(70, 62, 44), (y - 80) / 18.f);
    }
  c.stroke_rect(7, 7, 121, 99, 1.5f, kGold);
  float extent = p == Profile::Elefant ? 12.f : (p == Profile::Tiger ? 10.5f : 9.f);
  float s = 104 / extent;
  float left = p == Profile::Elefant ? -3.8f : (p == Profile::Tiger ? -3.4f : -4.0f);
  draw_profile(c, p, 12 - left * s, 86, s, false);
  TextStyle st = label_style(20);
  st.size = fit_size(name, st, 112);
  draw_text(c, name, 64, 113, Align::Center, st);
  return c;
}

Canvas logo(int W, int H) {
  Canvas c(W, H, {0, 0, 0, 1});
  plate(c, 0, 0, W, H, 31, true, rgb(70, 74, 44), rgb(40, 42, 26));
  // hazard stripes top and bottom
  for (int y : {10, H - 22})
    for (int x = 12; x < W - 12; ++x)
      for (int k = 0; k < 12; ++k) {
        bool band = ((x + k) / 12) % 2 == 0;
        c.blend(x, y + k, band ? rgb(200, 160, 50) : rgb(30, 28, 20));
      }
  TextStyle st;
  st.face = Face::Bold;
  st.size = H * 0.5f;
  st.top = rgb(255, 244, 200);
  st.bottom = rgb(200, 150, 50);
  st.outline = rgb(16, 12, 4);
  st.outline_px = 4;
  st.shadow = rgb(0, 0, 0, 200);
  st.shadow_dx = st.shadow_dy = 5;
  st.tracking = 4;
  st.size = fit_size("IRONFOLD", st, W - 40.f);
  draw_text(c, "IRONFOLD", W / 2.f, H / 2.f, Align::Center, st);
  return c;
}

Canvas poster() {
  const int W = 1024, H = 768;
  Canvas c(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float t = y / static_cast<float>(H);
      Col sky = mix(rgb(40, 30, 60), rgb(230, 120, 50), smooth(0.0f, 0.62f, t));
      sky = mix(sky, rgb(255, 210, 120), smooth(0.45f, 0.62f, t) * 0.7f);
      float cloud = fbm(x / 1024.f, y / 768.f * 0.5f, 4, 5, 1201);
      sky = mix(sky, rgb(90, 50, 60), smooth(0.55f, 0.75f, cloud) * (1 - t) * 0.8f);
      c.at(x, y) = sky;
    }
  c.fill_circle(700, 430, 70, rgb(255, 236, 180, 230));
  // distant hills and ground
  const float base[3] = {480, 555, 705};
  for (int layer = 0; layer < 3; ++layer) {
    Col col = mix(rgb(112, 72, 80), rgb(40, 28, 32), layer / 2.f);
    for (int x = 0; x < W; ++x) {
      float hh = base[layer] + (layer == 2 ? 12 : 36) * fbm(x / 1024.f, layer * 0.3f, 3, 4, 1210 + layer);
      for (int y = static_cast<int>(hh); y < H; ++y) c.at(x, y) = col;
    }
  }
  // the tank column in silhouette, the player's tank in front
  draw_profile(c, Profile::Tiger, 230, 515, 13, true);
  draw_profile(c, Profile::Elefant, 430, 525, 15, true);
  draw_profile(c, Profile::Player, 700, 722, 40, true);
  // searchlight beams
  for (int k = 0; k < 3; ++k) {
    Pts beam = {{150.f + k * 330, 768}, {90.f + k * 330 + 240, 0}, {130.f + k * 330 + 260, 0}};
    c.fill_polygon(beam, rgb(255, 240, 200, 28));
  }
  Canvas lg = logo(640, 170);
  c.paste(lg, (W - 640) / 2, 40);
  TextStyle st = label_style(40);
  st.face = Face::Bold;
  draw_text(c, "HOLD THE LINE. PROTECT THE BASE.", W / 2.f, 250, Align::Center, st);
  return c;
}

Canvas help_line(int W, int H) {
  Canvas c(W, H, {0, 0, 0, 1});
  plate(c, 0, 0, W, H, 41);
  const char* items[] = {"F1 HELP", "F2 FPS", "F5-F7 VIEW", "+ / - VOLUME", "ESC PAUSE", "F12 QUIT"};
  // two rows of three, one text size for all
  float cell = (W - 40.f) / 3, row = (H - 16.f) / 2;
  TextStyle st = label_style(row * 0.62f);
  for (int i = 0; i < 6; ++i) st.size = fit_size(items[i], st, cell - 16);
  for (int i = 0; i < 6; ++i) {
    int r = i / 3, k = i % 3;
    draw_text(c, items[i], 20 + cell * (k + 0.5f), 8 + row * (r + 0.5f), Align::Center, st);
    if (k) c.fill_rect(20 + cell * k - 2, 8 + row * r + row * 0.2f, 20 + cell * k + 2, 8 + row * r + row * 0.8f, kGold);
  }
  c.fill_rect(40, H / 2.f - 1, W - 40, H / 2.f + 1, scale(kGold, 0.6f));
  return c;
}

Canvas help_plate(int player) {
  const int W = 512, H = 256;
  Canvas c(W, H, {0, 0, 0, 1});
  plate(c, 0, 0, W, H, 51 + player);
  TextStyle title = label_style(34);
  draw_text(c, player == 1 ? "PLAYER 1 CONTROLS" : "PLAYER 2 CONTROLS", W / 2.f, 30, Align::Center, title);
  auto key = [&](float x, float y, float w, const std::string& t) {
    c.fill_rect(x + 3, y + 3, x + w + 3, y + 47, rgb(0, 0, 0, 150));
    c.fill_rect(x, y, x + w, y + 44, rgb(220, 214, 190));
    c.fill_rect(x + 3, y + 3, x + w - 3, y + 38, rgb(244, 240, 222));
    TextStyle st;
    st.face = Face::Bold;
    st.size = 22;
    st.top = st.bottom = rgb(30, 30, 26);
    st.outline_px = 0;
    st.shadow_dx = st.shadow_dy = 0;
    st.size = fit_size(t, st, w - 8);
    draw_text(c, t, x + w / 2, y + 20, Align::Center, st);
  };
  TextStyle small = label_style(24);
  if (player == 1) {
    key(96, 70, 48, "^"), key(40, 122, 48, "<"), key(96, 122, 48, "v"), key(152, 122, 48, ">");
    // arrow keys: draw real arrows over the caret letters
    for (auto [x, y, a] : std::vector<std::tuple<float, float, float>>{{120, 90, -90}, {64, 142, 180}, {120, 142, 90}, {176, 142, 0}}) {
      float r = a * kPi / 180;
      c.fill_rect(x - 14, y - 14, x + 14, y + 12, rgb(244, 240, 222));
      c.fill_polygon({{x + std::cos(r) * 12, y + std::sin(r) * 12},
                      {x + std::cos(r + 2.4f) * 10, y + std::sin(r + 2.4f) * 10},
                      {x + std::cos(r - 2.4f) * 10, y + std::sin(r - 2.4f) * 10}},
                     rgb(30, 30, 26));
    }
    draw_text(c, "DRIVE", 120, 196, Align::Center, small);
    key(270, 96, 200, "RIGHT CTRL");
    key(300, 150, 140, "KEYPAD 0");
    draw_text(c, "FIRE", 370, 220, Align::Center, small);
  } else {
    key(96, 70, 48, "W"), key(40, 122, 48, "A"), key(96, 122, 48, "S"), key(152, 122, 48, "D");
    draw_text(c, "DRIVE", 120, 196, Align::Center, small);
    key(270, 96, 200, "LEFT CTRL");
    key(300, 150, 140, "SPACE");
    draw_text(c, "FIRE", 370, 220, Align::Center, small);
  }
  return c;
}

Canvas word_decal(const std::string& text, int W, int H, Col top, Col bot, bool frame) {
  Canvas c(W, H, {0, 0, 0, 0});
  if (frame) {
    // dark banner with gold edges behind the word
    for (int y = 6; y < H - 6; ++y)
      for (int x = 6; x < W - 6; ++x) c.at(x, y) = rgb(20, 22, 14, 220);
    c.stroke_rect(6, 6, W - 6, H - 6, 4, kGold);
    c.stroke_rect(14, 14, W - 14, H - 14, 1.5f, scale(kGold, 0.8f));
  }
  TextStyle st;
  st.face = Face::Bold;
  st.size = H * 0.62f;
  st.top = top;
  st.bottom = bot;
  st.outline = rgb(10, 8, 4);
  st.outline_px = H / 28.f;
  st.shadow = rgb(0, 0, 0, 200);
  st.shadow_dx = st.shadow_dy = H / 30.f;
  st.tracking = H / 24.f;
  st.size = fit_size(text, st, W - 40.f);
  draw_text(c, text, W / 2.f, H / 2.f, Align::Center, st);
  return c;
}

Canvas clock_face() {
  const int S = 128;
  Canvas c(S, S, {0, 0, 0, 1});
  c.fill_rect(0, 0, S, S, rgb(60, 110, 180));
  c.fill_circle(64, 64, 63, rgb(248, 244, 230));
  for (int k = 0; k < 12; ++k) {
    float a = 2 * kPi * k / 12;
    c.line(64 + std::cos(a) * 50, 64 + std::sin(a) * 50, 64 + std::cos(a) * 60, 64 + std::sin(a) * 60,
           k % 3 ? 3 : 6, rgb(30, 30, 30));
  }
  c.line(64, 64, 64, 22, 7, rgb(30, 30, 30));   // minute hand to 12
  c.line(64, 64, 96, 64, 8, rgb(30, 30, 30));   // hour hand to 3
  c.fill_circle(64, 64, 6, rgb(200, 40, 30));
  return c;
}

Canvas shield_tex() {
  const int S = 128;
  Canvas c(S, S, {0, 0, 0, 1});
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      // hexagonal cells: distance to the nearest cell centre on a hex lattice
      float u = x / 16.f, v = y / (16.f * 0.866f);
      float best = 9;
      for (int j = -1; j <= 2; ++j)
        for (int i = -1; i <= 2; ++i) {
          float cy = std::floor(v) + j, cx = std::floor(u) + i + (static_cast<int>(cy) % 2 ? 0.5f : 0);
          best = std::min(best, std::hypot(u - cx, (v - cy) * 0.866f));
        }
      float edge = smooth(0.38f, 0.5f, best);
      c.at(x, y) = mix(rgb(70, 150, 220), rgb(210, 250, 255), edge);
    }
  return c;
}

Canvas marker(bool life) {
  const int S = 128;
  Canvas c(S, S, {0, 0, 0, 0});
  if (life) {
    c.fill_circle(64, 64, 60, rgb(20, 40, 10, 200));
    c.ring(64, 64, 58, 5, kGold);
    tank_icon(c, 22, 34, 84, 50, rgb(120, 170, 70), rgb(40, 50, 30));
    TextStyle st = label_style(34);
    st.face = Face::Bold;
    draw_text(c, "+1", 64, 100, Align::Center, st);
  } else {
    c.fill_circle(64, 64, 60, rgb(40, 30, 6, 200));
    c.ring(64, 64, 58, 5, kGold);
    star(c, 64, 58, 40, true);
    TextStyle st = label_style(28);
    st.face = Face::Bold;
    draw_text(c, "UP", 64, 106, Align::Center, st);
  }
  return c;
}

Canvas sv_glow() {
  const int S = 128;
  Canvas c(S, S, {0, 0, 0, 0});
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float d = std::hypot((x + 0.5f) / S - 0.5f, (y + 0.5f) / S - 0.5f) * 2;
      float ring = std::exp(-std::pow((d - 0.75f) / 0.07f, 2.f));
      float k = clamp01(1 - d) * 0.75f + ring;
      k = clamp01(k);
      c.at(x, y) = {1.0f, 0.35f + 0.5f * k, 0.15f, k};
    }
  return c;
}

}  // namespace

bool paint_gui(const std::string& rel, Canvas& out) {
  auto labels = [&](int fw, int fh, std::vector<std::string> t, std::uint32_t seed) {
    // one text size for the frames of an image, unless a long word would make
    // the others small: those few get their own smaller size
    float largest = 0;
    for (auto& s : t) largest = std::max(largest, label_fit(s, fw, fh, 0.62f));
    float common = largest;
    for (auto& s : t) {
      float f = label_fit(s, fw, fh, 0.62f);
      if (f >= largest * 0.8f) common = std::min(common, f);
    }
    return strip(fw, fh, static_cast<int>(t.size()),
                 [&](Canvas& c, int x, int y, int i) { label(c, x, y, fw, fh, t[i], seed + i, 0.62f, common); });
  };
  if (rel == "gui/main2.png")
    out = labels(192, 36, {"NEW GAME", "OPTIONS", "WAR POSTER", "EXIT", "ONE PLAYER", "TWO PLAYERS"}, 10);
  else if (rel == "gui/perc.png")
    out = strip(32, 32, 3, [](Canvas& c, int x, int y, int i) {
      if (i < 2) {
        for (int yy = y; yy < y + 32; ++yy)
          for (int xx = x; xx < x + 32; ++xx) c.at(xx, yy) = kPanel;
        if (i == 0) {
          c.line(x + 9, y + 9, x + 23, y + 23, 3.5f, kGoldHi);
          c.line(x + 23, y + 9, x + 9, y + 23, 3.5f, kGoldHi);
        } else {
          TextStyle st = label_style(24);
          st.face = Face::Bold;
          st.tracking = 0;
          draw_text(c, "%", x + 16, y + 16, Align::Center, st);
        }
      } else {  // cursor: a gold arrowhead pointing right on a dark button
        plate(c, x, y, x + 32, y + 32, 5, false, rgb(60, 62, 40), rgb(30, 32, 20));
        c.fill_polygon({{x + 9.f, y + 6.f}, {x + 27.f, y + 16.f}, {x + 9.f, y + 26.f}, {x + 13.f, y + 16.f}}, rgb(20, 14, 4));
        c.fill_polygon({{x + 8.f, y + 5.f}, {x + 25.f, y + 15.f}, {x + 8.f, y + 25.f}, {x + 12.f, y + 15.f}}, kGoldHi);
      }
    });
  else if (rel == "gui/serp128.png") {
    out = Canvas(128, 128, {0, 0, 0, 1});
    plate(out, 0, 0, 128, 128, 3, false, rgb(60, 64, 40), rgb(36, 38, 24));
    emblem(out, 64, 64, 58);
  } else if (rel == "gui/eag.png")
    out = labels(96, 22, {"SELECT", "CONFIRM", "CANCEL", "VER 1.10", "IRONFOLD", "ARMOURED", "ASSAULT"}, 20);
  else if (rel == "gui/3d2.png")
    out = labels(96, 35, {"TOP VIEW", "TILTED", "LOW VIEW", "BACK", "APPLY", "FULLSCREEN", "WINDOW", "DEFAULT"}, 30);
  else if (rel == "gui/ifd.png")
    out = logo(480, 160);
  else if (rel == "gui/7e.jpg")
    out = poster();
  else if (rel == "gui/miss.png")
    out = labels(256, 32, {"CLASSIC CAMPAIGN", "EXTENDED CAMPAIGN", "SELECT CAMPAIGN"}, 40);
  else if (rel == "gui/option.png")
    out = labels(192, 32, {"DISPLAY SIZE", "DISPLAY MODE", "VIEW MODE", "CONTROLS", "SOUND VOLUME", "MUSIC VOLUME"}, 50);
  else if (rel == "gui/dig2.png")
    out = digits(17, 32, kGoldHi, kGold);
  else if (rel == "gui/menu21.png")
    out = labels(192, 34, {"CONTINUE", "OPTIONS", "MAIN MENU", "EXIT GAME"}, 60);
  else if (rel == "gui/help.png")
    out = help_line(1152, 128);
  else if (rel == "gui/megagui3.png")
    out = strip(128, 32, 15, [](Canvas& c, int x, int y, int i) {
      static const char* t[] = {"FIREPOWER", "", "", "", "NO PLAYER", "STATUS", "ON DUTY", "LIVES", "LIVES",
                                "PLAYER 1", "PLAYER 2", "MOVE: ARROWS", "FIRE: R-CTRL", "MOVE: W A S D", "FIRE: L-CTRL"};
      if (i >= 1 && i <= 3) {  // star level 0, 1, 2 and more
        plate(c, x, y, x + 128, y + 32, 70 + i);
        int lit = i - 1 == 2 ? 3 : i - 1;
        for (int k = 0; k < 3; ++k) star(c, x + 36 + k * 28, y + 16, 11, k < lit);
        return;
      }
      if (i == 7 || i == 8) {  // caption beside the lives digit: a recess on the digit's side
        plate(c, x, y, x + 128, y + 32, 70 + i);
        float rx = i == 7 ? x + 6 : x + 94;
        c.fill_rect(rx, y + 5, rx + 28, y + 27, rgb(14, 14, 10));
        c.stroke_rect(rx - 1, y + 4, rx + 29, y + 28, 1, kGold);
        TextStyle st = label_style(20);
        draw_text(c, "LIVES", i == 7 ? x + 80 : x + 48, y + 16, Align::Center, st);
        return;
      }
      label(c, x, y, 128, 32, t[i], 70 + i, i >= 11 ? 0.5f : 0.62f);
      if (i == 4) c.fill_rect(x + 6, y + 6, x + 122, y + 26, rgb(0, 0, 0, 90));
    });
  else if (rel == "gui/megadiggb.png")
    out = digits(26, 32, kGoldHi, kGold);
  else if (rel == "gui/megarang.png")
    out = strip(128, 32, 9, [](Canvas& c, int x, int y, int i) {
      plate(c, x, y, x + 128, y + 32, 90 + i);
      if (i == 8) {
        TextStyle st = label_style(16);
        st.top = st.bottom = rgb(150, 150, 120);
        draw_text(c, "NO PLAYER", x + 64, y + 16, Align::Center, st);
        return;
      }
      c.fill_rect(x + 5, y + 4, x + 37, y + 28, rgb(40, 20, 14));
      insignia(c, x + 5, y + 16, 24, i + 1);
      TextStyle st = label_style(16);
      st.tracking = 0.6f;
      st.size = std::min(rank_size(st, 84), fit_size(kRanks[i], st, 84));
      draw_text(c, kRanks[i], x + 83, y + 16, Align::Center, st);
    });
  else if (rel == "gui/score128.png")
    out = caption_square("SCORE", 101);
  else if (rel == "gui/level128-2.png")
    out = caption_square("LEVEL", 102);
  else if (rel == "gui/enemy128-2.png")
    out = caption_square("ENEMIES", 103);
  else if (rel == "gui/animcu0.png")
    out = lives(0, false);
  else if (rel.rfind("gui/animcu", 0) == 0 && rel.size() == 15) {
    int n = rel[10] - '0';
    out = strip(128, 128, 2, [&](Canvas& c, int x, int y, int i) { c.paste(lives(n, i == 1), x, y); });
  } else if (rel == "gui/compas.png")
    out = compass();
  else if (rel == "gui/mgui0.png" || rel == "gui/mgui2.png")
    out = digits(21, 32, kGoldHi, kGold);
  else if (rel == "gui/3dgui.png")
    out = labels(96, 28, {"SCORE", "LEVEL", "KILLS", "POINTS", "TOTAL"}, 110);
  else if (rel == "gui/tscal.png")
    out = labels(192, 32, {"TOTAL SCORE", "MISSION", "REPORT", "GET READY!"}, 120);
  else if (rel == "gui/pranks2.png")
    out = strip(160, 15, 9, [](Canvas& c, int x, int y, int i) {
      plate(c, x, y, x + 160, y + 15, 130 + i, false);
      TextStyle st = label_style(12);
      st.outline_px = 1;
      st.shadow_dx = st.shadow_dy = 0;
      st.tracking = 0.6f;
      if (i == 0) {
        st.top = st.bottom = rgb(150, 150, 120);
        draw_text(c, "- NO PLAYER -", x + 80, y + 7.5f, Align::Center, st);
        return;
      }
      c.fill_rect(x + 2, y + 1, x + 22, y + 14, rgb(40, 20, 14));
      insignia(c, x + 3.5f, y + 7.5f, 13, i);
      st.size = std::min(rank_size(st, 128), fit_size(kRanks[i - 1], st, 128));
      draw_text(c, kRanks[i - 1], x + 90, y + 7.5f, Align::Center, st);
    });
  else if (rel == "gui/pl1ranks.png" || rel == "gui/pl2ranks.png") {
    out = Canvas(288, 32, {0, 0, 0, 1});
    label(out, 0, 0, 288, 32, rel == "gui/pl1ranks.png" ? "PLAYER 1 RANK" : "PLAYER 2 RANK", 140);
  } else if (rel == "gui/any.png") {
    out = Canvas(320, 32, {0, 0, 0, 1});
    label(out, 0, 0, 320, 32, "PRESS ANY KEY", 150);
  } else if (rel == "gui/stug.png")
    out = enemy_picture(Profile::Stug, "STUG");
  else if (rel == "gui/hetcer.png")
    out = enemy_picture(Profile::Hetzer, "HETZER");
  else if (rel == "gui/tigr.png")
    out = enemy_picture(Profile::Tiger, "TIGER");
  else if (rel == "gui/elefant.png")
    out = enemy_picture(Profile::Elefant, "ELEFANT");
  else if (rel == "gui/tank1.png" || rel == "gui/tank2.png") {
    bool p2 = rel == "gui/tank2.png";
    static const char* rows[] = {"STUG  x 100", "HETZER  x 200", "TIGER  x 300", "ELEFANT  x 500"};
    out = strip(288, 32, 4, [&](Canvas& c, int x, int y, int i) {
      plate(c, x, y, x + 288, y + 32, 160 + i + (p2 ? 10 : 0));
      TextStyle st = label_style(19);
      if (p2) st.top = rgb(230, 240, 255), st.bottom = rgb(150, 170, 200);
      draw_text(c, p2 ? "P2" : "P1", x + 24, y + 16, Align::Center, st);
      c.fill_rect(x + 44, y + 7, x + 46, y + 25, kGold);
      draw_text(c, rows[i], x + 166, y + 16, Align::Center, st);
    });
  } else if (rel == "models/ograda3.png" || rel == "models/iblock.png" || rel == "models/bunker.png" ||
             rel == "models/kust00.png" || rel == "models/kust01.png") {
    return false;  // painted in textures.cpp
  } else if (rel == "models/sv.png")
    out = sv_glow();
  else if (rel == "models/bonustime.png")
    out = clock_face();
  else if (rel.rfind("models/pts", 0) == 0) {
    std::string n = rel.substr(10, 3);
    out = word_decal(n, 320, 128, kGoldHi, rgb(230, 140, 40), false);
  } else if (rel == "models/pwup.png")
    out = marker(false);
  else if (rel == "models/life.png")
    out = marker(true);
  else if (rel == "models/ecran7e.png")
    out = shield_tex();
  else if (rel == "models/vic.png")
    out = word_decal("VICTORY", 1024, 256, kGoldHi, rgb(220, 150, 40), true);
  else if (rel == "models/def.png")
    out = word_decal("DEFEAT", 1024, 256, rgb(255, 170, 150), rgb(190, 30, 20), true);
  else if (rel == "models/help1b.png")
    out = help_plate(1);
  else if (rel == "models/help2b.png")
    out = help_plate(2);
  else
    return false;
  return true;
}

}  // namespace ag
