#include "common.h"

#include <cstdio>
#include <filesystem>
#include <jpeglib.h>

namespace ag {

// ---- noise --------------------------------------------------------------------

float lattice(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^
                    seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}

float value_noise(float x, float y, int period, std::uint32_t seed) {
  float fx = x * period, fy = y * period;
  int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  float tx = fx - ix, ty = fy - iy;
  auto wrap = [period](int v) { return ((v % period) + period) % period; };
  int x0 = wrap(ix), x1 = wrap(ix + 1), y0 = wrap(iy), y1 = wrap(iy + 1);
  float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  float a = lattice(x0, y0, seed), b = lattice(x1, y0, seed);
  float c = lattice(x0, y1, seed), d = lattice(x1, y1, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

float fbm(float x, float y, int base_period, int octaves, std::uint32_t seed, float gain) {
  float sum = 0, amp = 1, norm = 0;
  int p = base_period;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * value_noise(x, y, p, seed + o * 977u);
    norm += amp;
    amp *= gain;
    p *= 2;
  }
  return sum / norm;
}

float worley(float x, float y, int period, std::uint32_t seed) {
  float fx = x * period, fy = y * period;
  int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  float best = 1e9f;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      int cx = ix + dx, cy = iy + dy;
      int wx = ((cx % period) + period) % period, wy = ((cy % period) + period) % period;
      float px = cx + lattice(wx, wy, seed), py = cy + lattice(wx, wy, seed + 17u);
      float d = std::hypot(px - fx, py - fy);
      best = std::min(best, d);
    }
  return best;
}

// ---- canvas -------------------------------------------------------------------

void Canvas::blend(int x, int y, const Col& c, float k) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  float a = clamp01(c.a * k);
  if (a <= 0) return;
  Col& d = at(x, y);
  float out_a = a + d.a * (1 - a);
  if (out_a <= 0) {
    d = {0, 0, 0, 0};
    return;
  }
  d.r = (c.r * a + d.r * d.a * (1 - a)) / out_a;
  d.g = (c.g * a + d.g * d.a * (1 - a)) / out_a;
  d.b = (c.b * a + d.b * d.a * (1 - a)) / out_a;
  d.a = out_a;
}

void Canvas::fill_rect(float x0, float y0, float x1, float y1, const Col& c) {
  int ix0 = std::max(0, static_cast<int>(std::floor(x0))), iy0 = std::max(0, static_cast<int>(std::floor(y0)));
  int ix1 = std::min(w - 1, static_cast<int>(std::ceil(x1))), iy1 = std::min(h - 1, static_cast<int>(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y) {
    float cy = clamp01(std::min<float>(y + 1, y1) - std::max<float>(y, y0));
    if (cy <= 0) continue;
    for (int x = ix0; x <= ix1; ++x) {
      float cx = clamp01(std::min<float>(x + 1, x1) - std::max<float>(x, x0));
      if (cx > 0) blend(x, y, c, cx * cy);
    }
  }
}

void Canvas::fill_circle(float cx, float cy, float r, const Col& c) {
  int x0 = static_cast<int>(std::floor(cx - r - 1)), x1 = static_cast<int>(std::ceil(cx + r + 1));
  int y0 = static_cast<int>(std::floor(cy - r - 1)), y1 = static_cast<int>(std::ceil(cy + r + 1));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      float k = clamp01(r - d + 0.5f);
      if (k > 0) blend(x, y, c, k);
    }
}

void Canvas::ring(float cx, float cy, float r, float width, const Col& c) {
  int x0 = static_cast<int>(std::floor(cx - r - width)), x1 = static_cast<int>(std::ceil(cx + r + width));
  int y0 = static_cast<int>(std::floor(cy - r - width)), y1 = static_cast<int>(std::ceil(cy + r + width));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r);
      float k = clamp01(width * 0.5f - d + 0.5f);
      if (k > 0) blend(x, y, c, k);
    }
}

void Canvas::line(float x0, float y0, float x1, float y1, float width, const Col& c) {
  int bx0 = static_cast<int>(std::floor(std::min(x0, x1) - width)), bx1 = static_cast<int>(std::ceil(std::max(x0, x1) + width));
  int by0 = static_cast<int>(std::floor(std::min(y0, y1) - width)), by1 = static_cast<int>(std::ceil(std::max(y0, y1) + width));
  float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  for (int y = by0; y <= by1; ++y)
    for (int x = bx0; x <= bx1; ++x) {
      float px = x + 0.5f - x0, py = y + 0.5f - y0;
      float t = len2 > 0 ? clamp01((px * dx + py * dy) / len2) : 0;
      float d = std::hypot(px - t * dx, py - t * dy);
      float k = clamp01(width * 0.5f - d + 0.5f);
      if (k > 0) blend(x, y, c, k);
    }
}

void Canvas::fill_polygon(const std::vector<std::pair<float, float>>& pts, const Col& c) {
  if (pts.size() < 3) return;
  float minx = 1e9f, miny = 1e9f, maxx = -1e9f, maxy = -1e9f;
  for (auto& p : pts) {
    minx = std::min(minx, p.first), maxx = std::max(maxx, p.first);
    miny = std::min(miny, p.second), maxy = std::max(maxy, p.second);
  }
  auto inside = [&](float x, float y) {
    bool in = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      float xi = pts[i].first, yi = pts[i].second, xj = pts[j].first, yj = pts[j].second;
      if (((yi > y) != (yj > y)) && (x < (xj - xi) * (y - yi) / (yj - yi) + xi)) in = !in;
    }
    return in;
  };
  for (int y = std::max(0, static_cast<int>(miny)); y <= std::min(h - 1, static_cast<int>(maxy) + 1); ++y)
    for (int x = std::max(0, static_cast<int>(minx)); x <= std::min(w - 1, static_cast<int>(maxx) + 1); ++x) {
      int n = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) n += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
      if (n) blend(x, y, c, n / 16.f);
    }
}

void Canvas::stroke_rect(float x0, float y0, float x1, float y1, float wd, const Col& c) {
  fill_rect(x0, y0, x1, y0 + wd, c);
  fill_rect(x0, y1 - wd, x1, y1, c);
  fill_rect(x0, y0 + wd, x0 + wd, y1 - wd, c);
  fill_rect(x1 - wd, y0 + wd, x1, y1 - wd, c);
}

void Canvas::paste(const Canvas& src, int dx, int dy) {
  for (int y = 0; y < src.h; ++y)
    for (int x = 0; x < src.w; ++x) blend(dx + x, dy + y, src.at(x, y));
}

eng::Image Canvas::to_image() const {
  eng::Image img;
  img.width = w;
  img.height = h;
  img.has_alpha = true;
  img.rgba.resize(static_cast<size_t>(w) * h * 4);
  auto q = [](float v) { return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.f)); };
  for (size_t i = 0; i < px.size(); ++i) {
    img.rgba[i * 4 + 0] = q(px[i].r);
    img.rgba[i * 4 + 1] = q(px[i].g);
    img.rgba[i * 4 + 2] = q(px[i].b);
    img.rgba[i * 4 + 3] = q(px[i].a);
  }
  return img;
}

Canvas normal_map(const Height& hf, float strength) {
  Canvas out(hf.w, hf.h);
  for (int y = 0; y < hf.h; ++y)
    for (int x = 0; x < hf.w; ++x) {
      float dx = (hf.get_wrap(x + 1, y) - hf.get_wrap(x - 1, y)) * strength;
      float dy = (hf.get_wrap(x, y + 1) - hf.get_wrap(x, y - 1)) * strength;
      // image y grows downward; the map's green axis points up the image
      float nx = -dx, ny = dy, nz = 1;
      float l = std::sqrt(nx * nx + ny * ny + nz * nz);
      out.at(x, y) = {0.5f + 0.5f * nx / l, 0.5f + 0.5f * ny / l, 0.5f + 0.5f * nz / l, 1};
    }
  return out;
}

// ---- writers ------------------------------------------------------------------

bool make_dirs_for(const std::string& path) {
  std::error_code ec;
  auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  return !ec;
}

static std::vector<std::uint8_t> bytes_rgba(const Canvas& c) { return c.to_image().rgba; }

static bool write_all(const std::string& path, const std::vector<std::uint8_t>& data) {
  if (!make_dirs_for(path)) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

bool save_png(const std::string& path, const Canvas& c) {
  if (!make_dirs_for(path)) return false;
  return eng::write_png(path, c.to_image());
}

bool save_tga(const std::string& path, const Canvas& c, bool alpha) {
  auto rgba = bytes_rgba(c);
  const int bpp = alpha ? 4 : 3;
  std::vector<std::uint8_t> out(18 + static_cast<size_t>(c.w) * c.h * bpp);
  out[2] = 2;  // uncompressed true colour
  out[12] = c.w & 0xFF, out[13] = (c.w >> 8) & 0xFF;
  out[14] = c.h & 0xFF, out[15] = (c.h >> 8) & 0xFF;
  out[16] = static_cast<std::uint8_t>(bpp * 8);
  out[17] = alpha ? 8 : 0;  // attribute bits; origin bottom-left
  size_t o = 18;
  for (int y = c.h - 1; y >= 0; --y)
    for (int x = 0; x < c.w; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<size_t>(y) * c.w + x) * 4];
      out[o++] = p[2], out[o++] = p[1], out[o++] = p[0];
      if (alpha) out[o++] = p[3];
    }
  return write_all(path, out);
}

bool save_bmp(const std::string& path, const Canvas& c) {
  auto rgba = bytes_rgba(c);
  const int row = (c.w * 3 + 3) & ~3;
  const std::uint32_t data_size = static_cast<std::uint32_t>(row) * c.h;
  std::vector<std::uint8_t> out(54 + data_size, 0);
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF;
  };
  out[0] = 'B', out[1] = 'M';
  put32(2, 54 + data_size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(c.w));
  put32(22, static_cast<std::uint32_t>(c.h));
  out[26] = 1;
  out[28] = 24;
  put32(34, data_size);
  put32(38, 2835), put32(42, 2835);
  for (int y = 0; y < c.h; ++y) {
    size_t o = 54 + static_cast<size_t>(c.h - 1 - y) * row;
    for (int x = 0; x < c.w; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<size_t>(y) * c.w + x) * 4];
      out[o++] = p[2], out[o++] = p[1], out[o++] = p[0];
    }
  }
  return write_all(path, out);
}

bool save_jpg(const std::string& path, const Canvas& c, int quality) {
  auto rgba = bytes_rgba(c);
  std::vector<std::uint8_t> rgb(static_cast<size_t>(c.w) * c.h * 3);
  for (size_t i = 0; i < static_cast<size_t>(c.w) * c.h; ++i)
    for (int k = 0; k < 3; ++k) rgb[i * 3 + k] = rgba[i * 4 + k];
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long mem_size = 0;
  jpeg_mem_dest(&cinfo, &mem, &mem_size);
  cinfo.image_width = static_cast<JDIMENSION>(c.w);
  cinfo.image_height = static_cast<JDIMENSION>(c.h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[static_cast<size_t>(cinfo.next_scanline) * c.w * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> data(mem, mem + mem_size);
  jpeg_destroy_compress(&cinfo);
  std::free(mem);
  return write_all(path, data);
}

bool save_by_ext(const std::string& path, const Canvas& c) {
  auto ext = std::filesystem::path(path).extension().string();
  if (ext == ".png") return save_png(path, c);
  if (ext == ".tga") return save_tga(path, c, false);
  if (ext == ".bmp") return save_bmp(path, c);
  if (ext == ".jpg") return save_jpg(path, c, 90);
  return false;
}

}  // namespace ag
