// Textures as CPU images (frames of RGBA8), their load flags, entity
// texturing and sprites.
#include <algorithm>
#include <cstdio>

#include "engine/media/image.h"
#include "engine/scene/scene_internal.h"

namespace eng::scene {

Texture::~Texture() { render::release_texture(*this); }

void apply_texture_flags(Texture& t, bool image_has_alpha) {
  const bool alpha = (t.flags & 2) != 0 || t.own_alpha;
  const bool masked = (t.flags & 4) != 0;
  bool partial = false;
  for (std::size_t i = 0; i + 3 < t.pixels.size(); i += 4) {
    std::uint8_t* p = &t.pixels[i];
    if (alpha) {
      // No alpha channel: the brightest channel is the coverage, so a glow on
      // black fades out at its edges.
      if (!image_has_alpha) p[3] = std::max(p[0], std::max(p[1], p[2]));
    } else {
      p[3] = 255;
    }
    if (masked && p[0] < 8 && p[1] < 8 && p[2] < 8) p[3] = 0;
    if (p[3] != 0 && p[3] != 255) partial = true;
  }
  t.translucent = alpha && partial;
  t.gl_dirty = true;
}

TexRef load_texture_ref(const std::string& file, int flags, bool keep_alpha) {
  std::string path = file;
  std::replace(path.begin(), path.end(), '\\', '/');
  Image img;
  std::string error;
  if (!load_image_file(path, img, error)) {
    std::fprintf(stderr, "Ironfold: cannot load texture \"%s\": %s\n", path.c_str(), error.c_str());
    return nullptr;
  }
  if (img.width <= 0 || img.height <= 0 ||
      img.rgba.size() < static_cast<std::size_t>(img.width) * img.height * 4) {
    std::fprintf(stderr, "Ironfold: cannot load texture \"%s\": empty image\n", path.c_str());
    return nullptr;
  }
  auto t = std::make_shared<Texture>();
  t->flags = flags;
  t->width = img.width;
  t->height = img.height;
  t->frames = 1;
  t->pixels = std::move(img.rgba);
  t->pixels.resize(static_cast<std::size_t>(t->width) * t->height * 4);
  t->name = path;
  t->own_alpha = keep_alpha && img.has_alpha;
  apply_texture_flags(*t, img.has_alpha);
  return t;
}

namespace {
Handle register_texture(const TexRef& t) {
  t->handle = new_handle();
  world().textures.emplace(t->handle, t);
  return t->handle;
}
}  // namespace

}  // namespace eng::scene

namespace eng {

using scene::Entity;
using scene::find;
using scene::Kind;
using scene::TexRef;
using scene::Texture;

Handle LoadTexture(const std::string& file, int flags) {
  TexRef t = scene::load_texture_ref(file, flags);
  return t ? scene::register_texture(t) : 0;
}

Handle LoadAnimTexture(const std::string& file, int flags, int frame_w, int frame_h, int first, int count) {
  std::string path = file;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (frame_w <= 0 || frame_h <= 0 || first < 0 || count <= 0) {
    std::fprintf(stderr, "Ironfold: cannot load texture \"%s\": bad frame layout\n", path.c_str());
    return 0;
  }
  Image img;
  std::string error;
  if (!load_image_file(path, img, error)) {
    std::fprintf(stderr, "Ironfold: cannot load texture \"%s\": %s\n", path.c_str(), error.c_str());
    return 0;
  }
  const int cols = img.width / frame_w, rows = img.height / frame_h;
  const int available = cols * rows - first;
  if (cols <= 0 || rows <= 0 || available <= 0) {
    std::fprintf(stderr, "Ironfold: cannot load texture \"%s\": image %dx%d has no frame %d of %dx%d\n",
                 path.c_str(), img.width, img.height, first, frame_w, frame_h);
    return 0;
  }
  const int n = std::min(count, available);
  auto t = std::make_shared<Texture>();
  t->flags = flags;
  t->width = frame_w;
  t->height = frame_h;
  t->frames = n;
  t->name = path;
  t->pixels.resize(static_cast<std::size_t>(frame_w) * frame_h * 4 * n);
  for (int f = 0; f < n; ++f) {
    const int idx = first + f;
    const int fx = (idx % cols) * frame_w, fy = (idx / cols) * frame_h;
    for (int y = 0; y < frame_h; ++y)
      std::copy_n(img.pixel(fx, fy + y), frame_w * 4,
                  &t->pixels[((static_cast<std::size_t>(f) * frame_h + y) * frame_w) * 4]);
  }
  scene::apply_texture_flags(*t, img.has_alpha);
  return scene::register_texture(t);
}

Handle CreateTexture(int width, int height, int flags, int frames) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return 0;
  frames = std::clamp(frames, 1, 256);
  auto t = std::make_shared<Texture>();
  t->flags = flags;
  t->width = width;
  t->height = height;
  t->frames = frames;
  t->name = "(created)";
  t->pixels.assign(static_cast<std::size_t>(width) * height * 4 * frames, 0);
  for (std::size_t i = 3; i < t->pixels.size(); i += 4) t->pixels[i] = 255;
  return scene::register_texture(t);
}

void EntityTexture(Handle h, Handle tex, int frame, int layer) {
  Entity* e = find(h);
  if (!e || layer < 0 || layer > 1) return;
  auto& texs = scene::world().textures;
  auto it = texs.find(tex);
  if (it == texs.end()) {
    if (tex == 0) e->tex[layer] = nullptr;  // 0 takes the layer's texture off
    return;
  }
  e->tex[layer] = it->second;
  e->frame[layer] = std::clamp(frame, 0, it->second->frames - 1);
}

void TextureBlend(Handle tex, int blend) {
  if (Texture* t = scene::find_texture(tex)) t->blend = blend;
}

void ScaleTexture(Handle tex, float u, float v) {
  Texture* t = scene::find_texture(tex);
  if (!t) return;
  t->scale_u = u != 0 ? u : 1;
  t->scale_v = v != 0 ? v : 1;
}

void FreeTexture(Handle tex) {
  auto& texs = scene::world().textures;
  auto it = texs.find(tex);
  if (it == texs.end()) return;
  it->second->freed = true;
  render::release_texture(*it->second);
  texs.erase(it);
}

int TextureWidth(Handle tex) {
  Texture* t = scene::find_texture(tex);
  return t ? t->width : 0;
}
int TextureHeight(Handle tex) {
  Texture* t = scene::find_texture(tex);
  return t ? t->height : 0;
}

Handle LoadSprite(const std::string& file, int flags, Handle parent) {
  // A sprite is a cut-out picture: a file with its own alpha channel keeps it.
  TexRef t = scene::load_texture_ref(file, flags, true);
  if (!t) return 0;
  Handle h = CreatePivot(parent);
  Entity* e = find(h);
  e->kind = Kind::Sprite;
  e->tex[0] = t;
  return h;
}

}  // namespace eng
