#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace ag {
namespace {

const char* face_file(Face f) {
  switch (f) {
    case Face::Bold: return "DejaVuSans-Bold.ttf";
    case Face::CondBold: return "DejaVuSansCondensed-Bold.ttf";
    case Face::Sans: return "DejaVuSans.ttf";
    case Face::MonoBold: return "DejaVuSansMono-Bold.ttf";
  }
  return "DejaVuSans-Bold.ttf";
}

// One FreeType library and face set per thread: FreeType objects are not shared
// between threads.
struct Fonts {
  FT_Library lib = nullptr;
  std::map<Face, FT_Face> faces;
  Fonts() {
    if (FT_Init_FreeType(&lib)) {
      std::fprintf(stderr, "ironfold-assetgen: FreeType could not start\n");
      std::exit(1);
    }
  }
  ~Fonts() {
    for (auto& [k, f] : faces) FT_Done_Face(f);
    FT_Done_FreeType(lib);
  }
  FT_Face get(Face f, float size) {
    auto it = faces.find(f);
    FT_Face face;
    if (it == faces.end()) {
      std::string path = std::string("/usr/share/fonts/truetype/dejavu/") + face_file(f);
      if (FT_New_Face(lib, path.c_str(), 0, &face)) {
        std::fprintf(stderr, "ironfold-assetgen: cannot open font %s (install fonts-dejavu-core)\n", path.c_str());
        std::exit(1);
      }
      faces[f] = face;
    } else {
      face = it->second;
    }
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(size * 64), 72, 72);
    return face;
  }
};

Fonts& fonts() {
  thread_local Fonts f;
  return f;
}

struct Mask {
  int w = 0, h = 0;
  std::vector<float> a;
  float get(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.f : a[static_cast<size_t>(y) * w + x]; }
};

// Renders the text into a coverage mask with `pad` pixels of margin; reports the
// pen origin (left of the first glyph, on the baseline) inside the mask.
Mask render_mask(const std::string& text, const TextStyle& st, int pad, float& origin_x, float& baseline,
                 float& cap_h, float& width) {
  FT_Face face = fonts().get(st.face, st.size);
  float ascent = face->size->metrics.ascender / 64.f;
  float descent = -face->size->metrics.descender / 64.f;
  // pen positions
  std::vector<float> pen;
  float x = 0;
  FT_UInt prev = 0;
  for (unsigned char ch : text) {
    FT_UInt gi = FT_Get_Char_Index(face, ch);
    if (prev && gi && FT_HAS_KERNING(face)) {
      FT_Vector k;
      FT_Get_Kerning(face, prev, gi, FT_KERNING_DEFAULT, &k);
      x += k.x / 64.f;
    }
    pen.push_back(x);
    FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT);
    x += face->glyph->advance.x / 64.f + st.tracking;
    prev = gi;
  }
  width = text.empty() ? 0 : x - st.tracking;
  Mask m;
  m.w = static_cast<int>(std::ceil(width)) + 2 * pad + 4;
  m.h = static_cast<int>(std::ceil(ascent + descent)) + 2 * pad + 2;
  m.a.assign(static_cast<size_t>(m.w) * m.h, 0.f);
  origin_x = static_cast<float>(pad + 1);
  baseline = pad + 1 + ascent;
  FT_Load_Char(face, 'H', FT_LOAD_DEFAULT);
  cap_h = face->glyph->metrics.height / 64.f;
  size_t i = 0;
  for (unsigned char ch : text) {
    float px = origin_x + pen[i++];
    int ipx = static_cast<int>(std::floor(px));
    FT_Load_Char(face, ch, FT_LOAD_DEFAULT);
    FT_Vector delta{static_cast<FT_Pos>((px - ipx) * 64), 0};
    FT_Outline_Translate(&face->glyph->outline, delta.x, 0);
    FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
    const FT_Bitmap& bm = face->glyph->bitmap;
    int gx = ipx + face->glyph->bitmap_left;
    int gy = static_cast<int>(std::lround(baseline)) - face->glyph->bitmap_top;
    for (unsigned r = 0; r < bm.rows; ++r)
      for (unsigned c = 0; c < bm.width; ++c) {
        int mx = gx + static_cast<int>(c), my = gy + static_cast<int>(r);
        if (mx < 0 || my < 0 || mx >= m.w || my >= m.h) continue;
        float v = bm.buffer[r * bm.pitch + c] / 255.f;
        float& d = m.a[static_cast<size_t>(my) * m.w + mx];
        d = std::max(d, v);
      }
  }
  return m;
}

Mask dilate(const Mask& m, float r) {
  Mask o = m;
  int ir = static_cast<int>(std::ceil(r));
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      float best = 0;
      for (int dy = -ir; dy <= ir; ++dy)
        for (int dx = -ir; dx <= ir; ++dx) {
          float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
          float w = clamp01(r + 0.5f - d);
          if (w > 0) best = std::max(best, m.get(x + dx, y + dy) * w);
        }
      o.a[static_cast<size_t>(y) * m.w + x] = best;
    }
  return o;
}

}  // namespace

float text_width(const std::string& text, const TextStyle& st) {
  float ox, bl, ch, w;
  render_mask(text, st, 0, ox, bl, ch, w);
  return w;
}

float fit_size(const std::string& text, TextStyle st, float max_w) {
  while (st.size > 6 && text_width(text, st) + 2 * st.outline_px + st.shadow_dx > max_w) st.size -= 0.5f;
  return st.size;
}

void draw_text(Canvas& c, const std::string& text, float x, float cy, Align align, const TextStyle& st) {
  const int pad = static_cast<int>(std::ceil(st.outline_px + std::fabs(st.shadow_dx) + std::fabs(st.shadow_dy))) + 2;
  float ox, baseline, cap_h, width;
  Mask m = render_mask(text, st, pad, ox, baseline, cap_h, width);
  float left = x;
  if (align == Align::Center) left = x - width / 2;
  if (align == Align::Right) left = x - width;
  // place so the cap height is centred on cy
  int dx = static_cast<int>(std::lround(left - ox));
  int dy = static_cast<int>(std::lround(cy + cap_h / 2 - baseline));
  Mask outl = st.outline_px > 0 ? dilate(m, st.outline_px) : m;
  // shadow
  if (st.shadow_dx != 0 || st.shadow_dy != 0) {
    int sx = static_cast<int>(std::lround(st.shadow_dx)), sy = static_cast<int>(std::lround(st.shadow_dy));
    for (int y = 0; y < m.h; ++y)
      for (int xx = 0; xx < m.w; ++xx) {
        float a = outl.get(xx, y);
        if (a > 0) c.blend(dx + xx + sx, dy + y + sy, st.shadow, a);
      }
  }
  if (st.outline_px > 0)
    for (int y = 0; y < m.h; ++y)
      for (int xx = 0; xx < m.w; ++xx) {
        float a = outl.get(xx, y);
        if (a > 0) c.blend(dx + xx, dy + y, st.outline, a);
      }
  float top = baseline - cap_h, bot = baseline;
  for (int y = 0; y < m.h; ++y) {
    float t = clamp01((y + 0.5f - top) / std::max(1.f, bot - top));
    Col fill = mix(st.top, st.bottom, t);
    for (int xx = 0; xx < m.w; ++xx) {
      float a = m.get(xx, y);
      if (a > 0) c.blend(dx + xx, dy + y, fill, a);
    }
  }
}

}  // namespace ag
