// The scene graph's own data: entities, meshes, surfaces, brushes and
// textures as CPU objects. Shared by the scene code and the renderer; the GL
// names cached here are created by the renderer at draw time and dropped when
// the display closes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/engine.h"
#include "engine/scene/math.h"

namespace eng::scene {

struct MeshData;

enum class Kind { Pivot, Mesh, Sprite, Camera, Light };

// Texture: one or more equal frames, RGBA8, rows top to bottom (v = 0 is the top row).
struct Texture {
  Handle handle = 0;
  int flags = 1;
  int blend = 2;
  float scale_u = 1, scale_v = 1;
  int width = 0, height = 0;  // one frame
  int frames = 1;
  bool freed = false;
  bool translucent = false;  // some texel has partial alpha and flag 2 asks for blending
  bool own_alpha = false;    // a sprite's picture keeps its alpha channel whatever the flags
  std::vector<std::uint8_t> pixels;  // frames * width * height * 4
  std::string name;

  // renderer state
  unsigned gl_name = 0;
  bool gl_dirty = true;

  ~Texture();
  bool alpha_blend() const { return (flags & 2) != 0 || own_alpha; }
  bool masked() const { return (flags & 4) != 0; }
};
using TexRef = std::shared_ptr<Texture>;

struct Brush {
  float r = 1, g = 1, b = 1, a = 1;
  int blend = 1;
  int fx = 0;  // 1 full-bright, 2 vertex colours, 16 both sides, 32 vertex alpha
  float shininess = 0;  // 0..1: strength of the specular highlight
  TexRef tex[2];
  int frame[2] = {0, 0};
};

struct Vertex {
  Vec3 p;
  Vec3 n;
  float u = 0, v = 0, w = 0;
  float u2 = 0, v2 = 0;
  float r = 1, g = 1, b = 1, a = 1;
};

struct Surface {
  Handle handle = 0;
  std::vector<Vertex> verts;
  std::vector<std::uint32_t> idx;  // three per triangle
  Brush brush;
  std::uint64_t version = 0;
  MeshData* owner = nullptr;

  // renderer state
  unsigned gl_vao = 0, gl_vbo = 0, gl_ibo = 0;
  std::uint64_t gl_version = 0;
  std::size_t gl_vcap = 0, gl_icap = 0;
  bool gl_flat = false;  // every triangle's three normals are equal

  Surface();
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

struct MeshData {
  std::vector<std::unique_ptr<Surface>> surfaces;
  std::uint64_t version = 0;
  // bounding sphere in mesh space, recomputed lazily
  Vec3 center;
  float radius = 0;
  std::uint64_t bounds_version = ~0ull;

  void touch();  // geometry changed
  void update_bounds();
  std::shared_ptr<MeshData> deep_copy() const;
};

struct Entity {
  Handle handle = 0;
  Kind kind = Kind::Pivot;
  Entity* parent = nullptr;
  std::vector<Entity*> children;

  Vec3 pos;
  Vec3 rot;  // pitch, yaw, roll as given
  Vec3 scale{1, 1, 1};
  bool hidden = false;

  float r = 1, g = 1, b = 1, alpha = 1;
  TexRef tex[2];
  int frame[2] = {0, 0};

  std::shared_ptr<MeshData> mesh;

  // sprites
  float sprite_sx = 1, sprite_sy = 1;
  int view_mode = 1;

  // cameras
  int vp_x = 0, vp_y = 0, vp_w = -1, vp_h = -1;  // -1: whole window
  float cls_r = 0, cls_g = 0, cls_b = 0;
  float near_z = 1, far_z = 1000;
  float zoom = 1;

  // lights
  int light_type = 1;
  float light_r = 1, light_g = 1, light_b = 1;

  // cached local-to-world transform
  Mat4 world;
  bool dirty = true;
};

struct World {
  std::map<Handle, std::unique_ptr<Entity>> entities;  // ordered by handle = creation order
  std::unordered_map<Handle, Entity*> by_handle;        // constant-time lookup of the same
  std::unordered_map<Handle, TexRef> textures;
  std::unordered_map<Handle, Surface*> surfaces;
  float ambient[3] = {127.0f / 255.0f, 127.0f / 255.0f, 127.0f / 255.0f};
  Handle next_handle = 0;
  std::uint64_t geometry_counter = 0;
  std::uint64_t structure_version = 0;  // grows on create/free (render lists)
};

World& world();
Handle new_handle();
Entity* find(Handle e);
Texture* find_texture(Handle t);
const Mat4& world_of(Entity* e);
bool shown(const Entity* e);  // neither it nor an ancestor hidden

// Applies the load flags to decoded RGBA frames (alpha from brightness, masking).
void apply_texture_flags(Texture& t, bool image_has_alpha);
// Loads a texture file (the path may use '\'); nullptr and a message on failure.
// keep_alpha: an alpha channel in the file is kept even without flag 2 (sprites).
TexRef load_texture_ref(const std::string& file, int flags, bool keep_alpha = false);

}  // namespace eng::scene

namespace eng::render {
// Drops the GL objects of one texture or surface (no-op without a context).
void release_texture(scene::Texture& t);
void release_surface(scene::Surface& s);
}  // namespace eng::render
