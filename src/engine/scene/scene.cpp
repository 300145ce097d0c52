// Entities and their transforms: creation, hierarchy, copies, freeing, and
// the scene side of the collision module's access header.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/scene/scene_access.h"
#include "engine/scene/scene_internal.h"

namespace eng::scene {

// Never destroyed: entities freed during exit would call back into a renderer
// and a collision module that may already be gone.
World& world() {
  static World* w = new World;
  return *w;
}

Handle new_handle() { return ++world().next_handle; }

Entity* find(Handle e) {
  if (e <= 0) return nullptr;
  auto& index = world().by_handle;
  auto it = index.find(e);
  return it == index.end() ? nullptr : it->second;
}

Texture* find_texture(Handle t) {
  if (t <= 0) return nullptr;
  auto& texs = world().textures;
  auto it = texs.find(t);
  return it == texs.end() ? nullptr : it->second.get();
}

namespace {

Mat4 local_matrix(const Entity* e) {
  return mat_translate(e->pos) * mat_rotate(e->rot.x, e->rot.y, e->rot.z) * mat_scale(e->scale);
}

// Marks e and everything under it for a fresh world matrix. A dirty entity
// always has dirty descendants, so an already dirty subtree is skipped.
void mark_dirty(Entity* e) {
  if (e->dirty) return;
  e->dirty = true;
  for (Entity* c : e->children) mark_dirty(c);
}

void force_dirty(Entity* e) {
  e->dirty = true;
  for (Entity* c : e->children) force_dirty(c);
}

Entity* create(Kind kind, Handle parent) {
  auto ent = std::make_unique<Entity>();
  Entity* e = ent.get();
  e->handle = new_handle();
  e->kind = kind;
  if (Entity* p = find(parent)) {
    e->parent = p;
    p->children.push_back(e);
  }
  world().by_handle.emplace(e->handle, e);
  world().entities.emplace(e->handle, std::move(ent));
  ++world().structure_version;
  return e;
}

Mat4 parent_world(const Entity* e) { return e->parent ? world_of(e->parent) : Mat4{}; }

void detach(Entity* e) {
  if (!e->parent) return;
  auto& sib = e->parent->children;
  sib.erase(std::remove(sib.begin(), sib.end(), e), sib.end());
  e->parent = nullptr;
}

// Frees e and its subtree (children first), telling the collision module.
void free_tree(Entity* e) {
  while (!e->children.empty()) {
    Entity* c = e->children.back();
    detach(c);
    free_tree(c);
  }
  detach(e);
  const Handle h = e->handle;
  collision::on_free(h);
  world().by_handle.erase(h);
  world().entities.erase(h);
  ++world().structure_version;
}

Entity* copy_tree(const Entity* src, Entity* parent) {
  auto ent = std::make_unique<Entity>(*src);
  Entity* e = ent.get();
  e->handle = new_handle();
  e->children.clear();
  e->parent = parent;
  e->dirty = true;
  if (parent) parent->children.push_back(e);
  world().by_handle.emplace(e->handle, e);
  world().entities.emplace(e->handle, std::move(ent));
  ++world().structure_version;
  collision::on_copy(src->handle, e->handle);
  for (const Entity* c : src->children) copy_tree(c, e);
  return e;
}

void set_world_rotation(Entity* e, const Mat4& rot) {
  Mat4 local = rot;
  if (e->parent) local = mat_transpose(mat_rotation_of(world_of(e->parent))) * rot;
  e->rot = euler_from_rotation(local);
}

}  // namespace

const Mat4& world_of(Entity* e) {
  if (e->dirty) {
    Mat4 local = local_matrix(e);
    e->world = e->parent ? world_of(e->parent) * local : local;
    e->dirty = false;
  }
  return e->world;
}

bool shown(const Entity* e) {
  for (; e; e = e->parent)
    if (e->hidden) return false;
  return true;
}

// ---- access header -----------------------------------------------------------

bool exists(Handle e) { return find(e) != nullptr; }

bool visible(Handle h) {
  Entity* e = find(h);
  return e && shown(e);
}

Mat4 world_matrix(Handle h) {
  Entity* e = find(h);
  return e ? world_of(e) : Mat4{};
}

Vec3 global_position(Handle h) {
  Entity* e = find(h);
  return e ? world_of(e).translation() : Vec3{};
}

void set_global_position(Handle h, const Vec3& p) {
  Entity* e = find(h);
  if (!e) return;
  e->pos = e->parent ? affine_inverse(world_of(e->parent)).transform_point(p) : p;
  mark_dirty(e);
}

void for_each_triangle(Handle h, const std::function<void(const Vec3&, const Vec3&, const Vec3&)>& f) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Mesh || !e->mesh) return;
  for (const auto& s : e->mesh->surfaces) {
    const auto& v = s->verts;
    for (std::size_t i = 0; i + 2 < s->idx.size(); i += 3) f(v[s->idx[i]].p, v[s->idx[i + 1]].p, v[s->idx[i + 2]].p);
  }
}

std::uint64_t geometry_version(Handle h) {
  Entity* e = find(h);
  return (e && e->mesh) ? e->mesh->version : 0;
}

void for_each_entity(const std::function<void(Handle)>& f) {
  // Collect first: the callback may create or free entities.
  std::vector<Handle> hs;
  hs.reserve(world().entities.size());
  for (auto& kv : world().entities) hs.push_back(kv.first);
  for (Handle h : hs)
    if (find(h)) f(h);
}

}  // namespace eng::scene

namespace eng {

using scene::Entity;
using scene::find;
using scene::Kind;

Handle CreatePivot(Handle parent) { return scene::create(Kind::Pivot, parent)->handle; }

Handle CreateMesh(Handle parent) {
  Entity* e = scene::create(Kind::Mesh, parent);
  e->mesh = std::make_shared<scene::MeshData>();
  e->mesh->touch();
  return e->handle;
}

Handle CreateCamera(Handle parent) { return scene::create(Kind::Camera, parent)->handle; }

Handle CreateLight(int type, Handle parent) {
  Entity* e = scene::create(Kind::Light, parent);
  e->light_type = type;
  return e->handle;
}

void AmbientLight(float r, float g, float b) {
  auto& a = scene::world().ambient;
  a[0] = std::clamp(r, 0.0f, 255.0f) / 255.0f;
  a[1] = std::clamp(g, 0.0f, 255.0f) / 255.0f;
  a[2] = std::clamp(b, 0.0f, 255.0f) / 255.0f;
}

Handle CopyEntity(Handle h, Handle parent) {
  Entity* src = find(h);
  if (!src) return 0;
  Entity* e = scene::copy_tree(src, find(parent));
  e->hidden = false;
  return e->handle;
}

void PositionEntity(Handle h, float x, float y, float z, bool global) {
  Entity* e = find(h);
  if (!e) return;
  if (global) {
    scene::set_global_position(h, {x, y, z});
    return;
  }
  e->pos = {x, y, z};
  scene::mark_dirty(e);
}

void RotateEntity(Handle h, float pitch, float yaw, float roll, bool global) {
  Entity* e = find(h);
  if (!e) return;
  if (global && e->parent)
    scene::set_world_rotation(e, mat_rotate(pitch, yaw, roll));
  else
    e->rot = {pitch, yaw, roll};
  scene::mark_dirty(e);
}

void TurnEntity(Handle h, float pitch, float yaw, float roll, bool global) {
  Entity* e = find(h);
  if (!e) return;
  if (global && e->parent) {
    const Vec3 g = euler_from_rotation(mat_rotation_of(scene::world_of(e)));
    scene::set_world_rotation(e, mat_rotate(g.x + pitch, g.y + yaw, g.z + roll));
  } else {
    e->rot += Vec3{pitch, yaw, roll};
  }
  scene::mark_dirty(e);
}

void MoveEntity(Handle h, float x, float y, float z) {
  Entity* e = find(h);
  if (!e) return;
  const Vec3 v{x, y, z};
  if (!e->parent) {
    e->pos += mat_rotate(e->rot.x, e->rot.y, e->rot.z).transform_dir(v);
  } else {
    // One world unit along the entity's own (unscaled) axes, expressed in the parent's space.
    const Vec3 d = mat_rotation_of(scene::world_of(e)).transform_dir(v);
    e->pos += affine_inverse(scene::world_of(e->parent)).transform_dir(d);
  }
  scene::mark_dirty(e);
}

void TranslateEntity(Handle h, float x, float y, float z, bool global) {
  Entity* e = find(h);
  if (!e) return;
  const Vec3 v{x, y, z};
  if (global && e->parent)
    e->pos += affine_inverse(scene::world_of(e->parent)).transform_dir(v);
  else
    e->pos += v;
  scene::mark_dirty(e);
}

void ScaleEntity(Handle h, float x, float y, float z, bool global) {
  Entity* e = find(h);
  if (!e) return;
  Vec3 s{x, y, z};
  if (global && e->parent) {
    const Vec3 ps = mat_scale_of(scene::world_of(e->parent));
    s = {ps.x > 0 ? x / ps.x : x, ps.y > 0 ? y / ps.y : y, ps.z > 0 ? z / ps.z : z};
  }
  e->scale = s;
  scene::mark_dirty(e);
}

void EntityParent(Handle h, Handle parent, bool global) {
  Entity* e = find(h);
  if (!e) return;
  Entity* p = find(parent);
  // Refuse to make an entity its own ancestor.
  for (Entity* a = p; a; a = a->parent)
    if (a == e) return;
  if (p == e->parent) return;
  const Mat4 w = scene::world_of(e);
  scene::detach(e);
  if (p) {
    e->parent = p;
    p->children.push_back(e);
  }
  if (global) {
    const Mat4 pw = scene::parent_world(e);
    e->pos = affine_inverse(pw).transform_point(w.translation());
    const Vec3 ws = mat_scale_of(w), ps = mat_scale_of(pw);
    e->scale = {ps.x > 0 ? ws.x / ps.x : ws.x, ps.y > 0 ? ws.y / ps.y : ws.y, ps.z > 0 ? ws.z / ps.z : ws.z};
    scene::set_world_rotation(e, mat_rotation_of(w));
  }
  scene::force_dirty(e);
}

Handle GetParent(Handle h) {
  Entity* e = find(h);
  return (e && e->parent) ? e->parent->handle : 0;
}

float EntityX(Handle h, bool global) {
  Entity* e = find(h);
  if (!e) return 0;
  return global ? scene::world_of(e).at(0, 3) : e->pos.x;
}
float EntityY(Handle h, bool global) {
  Entity* e = find(h);
  if (!e) return 0;
  return global ? scene::world_of(e).at(1, 3) : e->pos.y;
}
float EntityZ(Handle h, bool global) {
  Entity* e = find(h);
  if (!e) return 0;
  return global ? scene::world_of(e).at(2, 3) : e->pos.z;
}

static Vec3 angles(Handle h, bool global) {
  Entity* e = find(h);
  if (!e) return {};
  if (!global || !e->parent) return e->rot;
  return euler_from_rotation(mat_rotation_of(scene::world_of(e)));
}
float EntityPitch(Handle h, bool global) { return angles(h, global).x; }
float EntityYaw(Handle h, bool global) { return angles(h, global).y; }
float EntityRoll(Handle h, bool global) { return angles(h, global).z; }

float EntityDistance(Handle a, Handle b) {
  Entity* ea = find(a);
  Entity* eb = find(b);
  if (!ea || !eb) return 0;
  return length(scene::world_of(ea).translation() - scene::world_of(eb).translation());
}

void EntityColor(Handle h, float r, float g, float b) {
  Entity* e = find(h);
  if (!e) return;
  e->r = std::clamp(r, 0.0f, 255.0f) / 255.0f;
  e->g = std::clamp(g, 0.0f, 255.0f) / 255.0f;
  e->b = std::clamp(b, 0.0f, 255.0f) / 255.0f;
  if (e->kind == Kind::Light) {
    e->light_r = e->r;
    e->light_g = e->g;
    e->light_b = e->b;
  }
}

void EntityAlpha(Handle h, float alpha) {
  if (Entity* e = find(h)) e->alpha = std::clamp(alpha, 0.0f, 1.0f);
}

void HideEntity(Handle h) {
  if (Entity* e = find(h)) e->hidden = true;
}
void ShowEntity(Handle h) {
  if (Entity* e = find(h)) e->hidden = false;
}
bool EntityHidden(Handle h) {
  Entity* e = find(h);
  return e ? !scene::shown(e) : true;
}

void FreeEntity(Handle h) {
  if (Entity* e = find(h)) scene::free_tree(e);
}

void ClearWorld(bool entities, bool textures) {
  auto& w = scene::world();
  if (entities) {
    // Free top-down so that child lists stay consistent while erasing.
    w.entities.clear();
    w.by_handle.clear();
    ++w.structure_version;
    collision::on_clear();
  }
  if (textures) {
    for (auto& kv : w.textures) kv.second->freed = true;
    for (auto& kv : w.textures) render::release_texture(*kv.second);
    w.textures.clear();
  }
}

int LiveEntityCount() { return static_cast<int>(scene::world().entities.size()); }
int LiveTextureCount() { return static_cast<int>(scene::world().textures.size()); }
bool EntityExists(Handle e) { return find(e) != nullptr; }

// ---- sprites and cameras ----------------------------------------------------------

void ScaleSprite(Handle h, float x, float y) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Sprite) return;
  e->sprite_sx = x;
  e->sprite_sy = y;
}

void SpriteViewMode(Handle h, int mode) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Sprite) return;
  if (mode >= 1 && mode <= 4) e->view_mode = mode;
}

void CameraViewport(Handle h, int x, int y, int w, int hgt) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Camera) return;
  e->vp_x = x;
  e->vp_y = y;
  e->vp_w = std::max(0, w);
  e->vp_h = std::max(0, hgt);
}

void CameraClsColor(Handle h, float r, float g, float b) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Camera) return;
  e->cls_r = std::clamp(r, 0.0f, 255.0f) / 255.0f;
  e->cls_g = std::clamp(g, 0.0f, 255.0f) / 255.0f;
  e->cls_b = std::clamp(b, 0.0f, 255.0f) / 255.0f;
}

void CameraRange(Handle h, float near_z, float far_z) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Camera) return;
  if (near_z <= 0 || far_z <= near_z) return;  // keep a usable projection
  e->near_z = near_z;
  e->far_z = far_z;
}

void CameraZoom(Handle h, float zoom) {
  Entity* e = find(h);
  if (!e || e->kind != Kind::Camera || !(zoom > 0)) return;
  e->zoom = zoom;
}

}  // namespace eng
