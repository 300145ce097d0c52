// Meshes and surfaces: building by hand, the cube, whole-mesh transforms,
// normals, deep copies and .b3d loading.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "engine/media/model.h"
#include "engine/scene/scene_internal.h"

namespace eng::scene {

Surface::Surface() {
  handle = new_handle();
  world().surfaces.emplace(handle, this);
}

Surface::~Surface() {
  render::release_surface(*this);
  world().surfaces.erase(handle);
}

void MeshData::touch() { version = ++world().geometry_counter; }

void MeshData::update_bounds() {
  if (bounds_version == version) return;
  bounds_version = version;
  Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  bool any = false;
  for (const auto& s : surfaces)
    for (const auto& v : s->verts) {
      lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
      hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
      any = true;
    }
  if (!any) {
    center = {};
    radius = 0;
    return;
  }
  center = (lo + hi) * 0.5f;
  radius = 0;
  for (const auto& s : surfaces)
    for (const auto& v : s->verts) radius = std::max(radius, length(v.p - center));
}

std::shared_ptr<MeshData> MeshData::deep_copy() const {
  auto m = std::make_shared<MeshData>();
  for (const auto& s : surfaces) {
    auto c = std::make_unique<Surface>();
    c->verts = s->verts;
    c->idx = s->idx;
    c->brush = s->brush;
    c->version = 1;
    c->owner = m.get();
    m->surfaces.push_back(std::move(c));
  }
  m->touch();
  return m;
}

namespace {

Surface* find_surface(Handle h) {
  if (h <= 0) return nullptr;
  auto& ss = world().surfaces;
  auto it = ss.find(h);
  return it == ss.end() ? nullptr : it->second;
}

void surface_changed(Surface* s) {
  ++s->version;
  if (s->owner) s->owner->touch();
}

MeshData* mesh_of(Handle h) {
  Entity* e = find(h);
  return (e && e->kind == Kind::Mesh) ? e->mesh.get() : nullptr;
}

void compute_normals(Surface& s) {
  for (auto& v : s.verts) v.n = {};
  for (std::size_t i = 0; i + 2 < s.idx.size(); i += 3) {
    Vertex& a = s.verts[s.idx[i]];
    Vertex& b = s.verts[s.idx[i + 1]];
    Vertex& c = s.verts[s.idx[i + 2]];
    // Area-weighted face normal, pointing to the side from which the triangle is clockwise.
    const Vec3 n = cross(b.p - a.p, c.p - a.p);
    a.n += n;
    b.n += n;
    c.n += n;
  }
  for (auto& v : s.verts) v.n = normalize(v.n);
}

Mat4 node_matrix(const ModelNode& n) {
  const float w = n.rotation[0], x = n.rotation[1], y = n.rotation[2], z = n.rotation[3];
  // The file's quaternion sense: the textbook matrix of (w, -x, -y, -z).
  Mat4 r;
  r.at(0, 0) = 1 - 2 * (y * y + z * z);
  r.at(0, 1) = 2 * (x * y + w * z);
  r.at(0, 2) = 2 * (x * z - w * y);
  r.at(1, 0) = 2 * (x * y - w * z);
  r.at(1, 1) = 1 - 2 * (x * x + z * z);
  r.at(1, 2) = 2 * (y * z + w * x);
  r.at(2, 0) = 2 * (x * z + w * y);
  r.at(2, 1) = 2 * (y * z - w * x);
  r.at(2, 2) = 1 - 2 * (x * x + y * y);
  return mat_translate({n.position[0], n.position[1], n.position[2]}) * r *
         mat_scale({n.scale[0], n.scale[1], n.scale[2]});
}

std::string folder_of(const std::string& path) {
  const auto p = path.find_last_of('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string native(std::string s) {
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

struct LoadContext {
  const Model* model = nullptr;
  std::string folder;
  std::map<int, TexRef> textures;  // by TEXS index; null when missing
  MeshData* mesh = nullptr;
};

TexRef model_texture(LoadContext& ctx, int index) {
  if (index < 0 || index >= static_cast<int>(ctx.model->textures.size())) return nullptr;
  auto it = ctx.textures.find(index);
  if (it != ctx.textures.end()) return it->second;
  const ModelTexture& mt = ctx.model->textures[index];
  const std::string name = native(mt.file);
  TexRef t;
  // Beside the model first, then by the bare file name beside the model.
  for (const std::string& cand : {ctx.folder + name, ctx.folder + name.substr(name.find_last_of('/') + 1)}) {
    FILE* f = std::fopen(cand.c_str(), "rb");
    if (!f) continue;
    std::fclose(f);
    t = load_texture_ref(cand, mt.flags & 0xffff);
    if (t) break;
  }
  if (t) {
    t->blend = mt.blend;
    t->scale_u = mt.scale_u != 0 ? mt.scale_u : 1;
    t->scale_v = mt.scale_v != 0 ? mt.scale_v : 1;
  }
  ctx.textures[index] = t;
  return t;
}

void add_node(LoadContext& ctx, const ModelNode& node, const Mat4& parent) {
  const Mat4 m = parent * node_matrix(node);
  if (node.has_mesh) {
    const ModelMesh& mm = node.mesh;
    const Mat4 nm = mat_transpose(affine_inverse(m));
    for (const ModelSurface& ms : mm.surfaces) {
      auto s = std::make_unique<Surface>();
      const int bi = ms.brush >= 0 ? ms.brush : mm.brush;
      int tex_set[2] = {0, 0};
      if (bi >= 0 && bi < static_cast<int>(ctx.model->brushes.size())) {
        const ModelBrush& b = ctx.model->brushes[bi];
        s->brush.r = b.red;
        s->brush.g = b.green;
        s->brush.b = b.blue;
        s->brush.a = b.alpha;
        s->brush.blend = b.blend;
        s->brush.fx = b.fx;
        s->brush.shininess = std::clamp(b.shininess, 0.0f, 1.0f);
        for (int layer = 0; layer < 2 && layer < static_cast<int>(b.textures.size()); ++layer) {
          s->brush.tex[layer] = model_texture(ctx, b.textures[layer]);
          const int ti = b.textures[layer];
          if (ti >= 0 && ti < static_cast<int>(ctx.model->textures.size()) &&
              (ctx.model->textures[ti].flags & 65536))
            tex_set[layer] = 1;
        }
      }
      // Copy only the vertices this surface uses, renumbered.
      std::map<int, std::uint32_t> remap;
      for (const auto& tri : ms.triangles)
        for (int k = 0; k < 3; ++k) {
          const int vi = tri[k];
          if (vi < 0 || vi >= static_cast<int>(mm.vertices.size())) continue;
          auto it = remap.find(vi);
          if (it == remap.end()) {
            const ModelVertex& mv = mm.vertices[vi];
            Vertex v;
            v.p = m.transform_point({mv.x, mv.y, mv.z});
            v.n = mm.has_normals ? normalize(nm.transform_dir({mv.nx, mv.ny, mv.nz})) : Vec3{};
            v.u = tex_set[0] ? mv.u2 : mv.u;
            v.v = tex_set[0] ? mv.v2 : mv.v;
            v.u2 = tex_set[1] ? mv.u2 : mv.u;
            v.v2 = tex_set[1] ? mv.v2 : mv.v;
            if (mm.has_colors) {
              v.r = mv.r;
              v.g = mv.g;
              v.b = mv.b;
              v.a = mv.a;
            }
            remap.emplace(vi, static_cast<std::uint32_t>(s->verts.size()));
            s->verts.push_back(v);
          }
        }
      for (const auto& tri : ms.triangles) {
        bool ok = true;
        for (int k = 0; k < 3; ++k) ok = ok && remap.count(tri[k]);
        if (!ok) continue;
        for (int k = 0; k < 3; ++k) s->idx.push_back(remap[tri[k]]);
      }
      if (!mm.has_normals) compute_normals(*s);
      const Vec3 c0{m.at(0, 0), m.at(1, 0), m.at(2, 0)}, c1{m.at(0, 1), m.at(1, 1), m.at(2, 1)},
          c2{m.at(0, 2), m.at(1, 2), m.at(2, 2)};
      if (dot(c0, cross(c1, c2)) < 0) {
        // A mirroring node transform turns the winding over: restore clockwise fronts.
        for (std::size_t i = 0; i + 2 < s->idx.size(); i += 3) std::swap(s->idx[i + 1], s->idx[i + 2]);
      }
      s->version = 1;
      s->owner = ctx.mesh;
      ctx.mesh->surfaces.push_back(std::move(s));
    }
  }
  for (const ModelNode& c : node.children) add_node(ctx, c, m);
}

}  // namespace

}  // namespace eng::scene

namespace eng {

using scene::Entity;
using scene::find;
using scene::Kind;
using scene::Surface;
using scene::Vertex;

Handle CreateCube(Handle parent) {
  Handle h = CreateMesh(parent);
  scene::MeshData* m = scene::mesh_of(h);
  auto s = std::make_unique<Surface>();
  // Six faces, each seen clockwise from outside: (normal, right, up) per face.
  struct Face {
    Vec3 n, r, u;
  };
  const Face faces[6] = {
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},   // front (-z)
      {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},    // right (+x)
      {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},   // back (+z)
      {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  // left (-x)
      {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},    // top (+y)
      {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},  // bottom (-y)
  };
  for (const Face& f : faces) {
    const auto base = static_cast<std::uint32_t>(s->verts.size());
    // top-left, top-right, bottom-right, bottom-left as seen from outside
    const float cu[4] = {-1, 1, 1, -1}, cv[4] = {1, 1, -1, -1};
    const float tu[4] = {0, 1, 1, 0}, tv[4] = {0, 0, 1, 1};
    for (int k = 0; k < 4; ++k) {
      Vertex v;
      v.p = f.n + f.r * cu[k] + f.u * cv[k];
      v.n = f.n;
      v.u = v.u2 = tu[k];
      v.v = v.v2 = tv[k];
      s->verts.push_back(v);
    }
    for (std::uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) s->idx.push_back(base + i);
  }
  s->version = 1;
  s->owner = m;
  m->surfaces.push_back(std::move(s));
  m->touch();
  return h;
}

Handle CreateSurface(Handle mesh) {
  scene::MeshData* m = scene::mesh_of(mesh);
  if (!m) return 0;
  auto s = std::make_unique<Surface>();
  s->owner = m;
  const Handle h = s->handle;
  m->surfaces.push_back(std::move(s));
  m->touch();
  return h;
}

int CountSurfaces(Handle mesh) {
  scene::MeshData* m = scene::mesh_of(mesh);
  return m ? static_cast<int>(m->surfaces.size()) : 0;
}

Handle GetSurface(Handle mesh, int index) {
  scene::MeshData* m = scene::mesh_of(mesh);
  if (!m || index < 1 || index > static_cast<int>(m->surfaces.size())) return 0;
  return m->surfaces[index - 1]->handle;
}

int AddVertex(Handle surface, float x, float y, float z, float u, float v, float w) {
  Surface* s = scene::find_surface(surface);
  if (!s) return -1;
  Vertex vx;
  vx.p = {x, y, z};
  vx.u = vx.u2 = u;
  vx.v = vx.v2 = v;
  vx.w = w;
  s->verts.push_back(vx);
  scene::surface_changed(s);
  return static_cast<int>(s->verts.size()) - 1;
}

int AddTriangle(Handle surface, int v0, int v1, int v2) {
  Surface* s = scene::find_surface(surface);
  if (!s) return -1;
  const int n = static_cast<int>(s->verts.size());
  if (v0 < 0 || v1 < 0 || v2 < 0 || v0 >= n || v1 >= n || v2 >= n) return -1;
  s->idx.push_back(static_cast<std::uint32_t>(v0));
  s->idx.push_back(static_cast<std::uint32_t>(v1));
  s->idx.push_back(static_cast<std::uint32_t>(v2));
  scene::surface_changed(s);
  return static_cast<int>(s->idx.size() / 3) - 1;
}

int CountVertices(Handle surface) {
  Surface* s = scene::find_surface(surface);
  return s ? static_cast<int>(s->verts.size()) : 0;
}

int CountTriangles(Handle surface) {
  Surface* s = scene::find_surface(surface);
  return s ? static_cast<int>(s->idx.size() / 3) : 0;
}

static const Vertex* vertex_at(Handle surface, int i) {
  Surface* s = scene::find_surface(surface);
  if (!s || i < 0 || i >= static_cast<int>(s->verts.size())) return nullptr;
  return &s->verts[i];
}
float VertexX(Handle surface, int i) {
  const Vertex* v = vertex_at(surface, i);
  return v ? v->p.x : 0;
}
float VertexY(Handle surface, int i) {
  const Vertex* v = vertex_at(surface, i);
  return v ? v->p.y : 0;
}
float VertexZ(Handle surface, int i) {
  const Vertex* v = vertex_at(surface, i);
  return v ? v->p.z : 0;
}

void VertexCoords(Handle surface, int i, float x, float y, float z) {
  Surface* s = scene::find_surface(surface);
  if (!s || i < 0 || i >= static_cast<int>(s->verts.size())) return;
  s->verts[i].p = {x, y, z};
  scene::surface_changed(s);
}

static void transform_mesh(Handle mesh, const Mat4& m) {
  scene::MeshData* md = scene::mesh_of(mesh);
  if (!md) return;
  const Mat4 nm = mat_transpose(affine_inverse(m));
  const Vec3 c0{m.at(0, 0), m.at(1, 0), m.at(2, 0)}, c1{m.at(0, 1), m.at(1, 1), m.at(2, 1)},
      c2{m.at(0, 2), m.at(1, 2), m.at(2, 2)};
  const bool mirror = dot(c0, cross(c1, c2)) < 0;
  for (auto& s : md->surfaces) {
    for (auto& v : s->verts) {
      v.p = m.transform_point(v.p);
      v.n = normalize(nm.transform_dir(v.n));
    }
    if (mirror)
      for (std::size_t i = 0; i + 2 < s->idx.size(); i += 3) std::swap(s->idx[i + 1], s->idx[i + 2]);
    ++s->version;
  }
  md->touch();
}

void ScaleMesh(Handle mesh, float x, float y, float z) { transform_mesh(mesh, mat_scale({x, y, z})); }
void RotateMesh(Handle mesh, float pitch, float yaw, float roll) {
  transform_mesh(mesh, mat_rotate(pitch, yaw, roll));
}
void PositionMesh(Handle mesh, float x, float y, float z) { transform_mesh(mesh, mat_translate({x, y, z})); }

void UpdateNormals(Handle mesh) {
  scene::MeshData* md = scene::mesh_of(mesh);
  if (!md) return;
  for (auto& s : md->surfaces) {
    scene::compute_normals(*s);
    ++s->version;
  }
  md->touch();
}

Handle CopyMesh(Handle mesh, Handle parent) {
  Entity* src = find(mesh);
  if (!src || src->kind != Kind::Mesh || !src->mesh) return 0;
  const Handle h = CreateMesh(parent);
  find(h)->mesh = src->mesh->deep_copy();
  return h;
}

Handle LoadMesh(const std::string& file, Handle parent) {
  const std::string path = scene::native(file);
  Model model;
  std::string error;
  if (!load_b3d_file(path, model, error)) {
    std::fprintf(stderr, "Ironfold: cannot load model \"%s\": %s\n", path.c_str(), error.c_str());
    return 0;
  }
  const Handle h = CreateMesh(parent);
  scene::LoadContext ctx;
  ctx.model = &model;
  ctx.folder = scene::folder_of(path);
  ctx.mesh = find(h)->mesh.get();
  scene::add_node(ctx, model.root, Mat4{});
  ctx.mesh->touch();
  return h;
}

}  // namespace eng
