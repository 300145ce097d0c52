#include "mesh.h"

#include <algorithm>
#include <cmath>

namespace ag {

namespace {
constexpr float kPi = 3.14159265358979323846f;
float det3(const eng::Mat4& m) {
  return m.at(0, 0) * (m.at(1, 1) * m.at(2, 2) - m.at(1, 2) * m.at(2, 1)) -
         m.at(0, 1) * (m.at(1, 0) * m.at(2, 2) - m.at(1, 2) * m.at(2, 0)) +
         m.at(0, 2) * (m.at(1, 0) * m.at(2, 1) - m.at(1, 1) * m.at(2, 0));
}
eng::Mat4 from_cols(Vec3 cx, Vec3 cy, Vec3 cz) {
  eng::Mat4 m;
  m.at(0, 0) = cx.x, m.at(1, 0) = cx.y, m.at(2, 0) = cx.z;
  m.at(0, 1) = cy.x, m.at(1, 1) = cy.y, m.at(2, 1) = cy.z;
  m.at(0, 2) = cz.x, m.at(1, 2) = cz.y, m.at(2, 2) = cz.z;
  return m;
}
}  // namespace

eng::Mat4 translate(float x, float y, float z) {
  eng::Mat4 m;
  m.at(0, 3) = x, m.at(1, 3) = y, m.at(2, 3) = z;
  return m;
}
eng::Mat4 rot_y(float deg) {
  float c = std::cos(deg * kPi / 180), s = std::sin(deg * kPi / 180);
  return from_cols({c, 0, s}, {0, 1, 0}, {-s, 0, c});
}
eng::Mat4 rot_x(float deg) {  // positive pitch turns +z down
  float c = std::cos(deg * kPi / 180), s = std::sin(deg * kPi / 180);
  return from_cols({1, 0, 0}, {0, c, s}, {0, -s, c});
}
eng::Mat4 rot_z(float deg) {
  float c = std::cos(deg * kPi / 180), s = std::sin(deg * kPi / 180);
  return from_cols({c, s, 0}, {-s, c, 0}, {0, 0, 1});
}
eng::Mat4 scale3(float x, float y, float z) { return from_cols({x, 0, 0}, {0, y, 0}, {0, 0, z}); }

int MeshBuilder::material(const std::string& name, float r, float g, float b, float a, const std::string& texture,
                          int tex_flags, int fx, float shininess) {
  eng::ModelBrush br;
  br.name = name;
  br.red = r, br.green = g, br.blue = b, br.alpha = a;
  br.fx = fx;
  br.shininess = shininess;
  if (!texture.empty()) {
    int id = -1;
    for (size_t i = 0; i < textures_.size(); ++i)
      if (textures_[i].file == texture && textures_[i].flags == tex_flags) id = static_cast<int>(i);
    if (id < 0) {
      eng::ModelTexture t;
      t.file = texture;
      t.flags = tex_flags;
      t.blend = 2;
      textures_.push_back(t);
      id = static_cast<int>(textures_.size()) - 1;
    }
    br.textures.push_back(id);
  }
  brushes_.push_back(br);
  surfs_.push_back({static_cast<int>(brushes_.size()) - 1, {}});
  return static_cast<int>(surfs_.size()) - 1;
}

void MeshBuilder::push(const eng::Mat4& m) { stack_.push_back(stack_.empty() ? m : stack_.back() * m); }
void MeshBuilder::pop() { stack_.pop_back(); }

Vec3 MeshBuilder::xf(Vec3 p) const { return stack_.empty() ? p : stack_.back().transform_point(p); }
Vec3 MeshBuilder::xn(Vec3 n) const {
  if (stack_.empty()) return n;
  // inverse transpose of the 3x3 part, through cofactors
  const eng::Mat4& m = stack_.back();
  auto a = [&](int r, int c) { return m.at(r, c); };
  Vec3 out{
      (a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1)) * n.x + (a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2)) * n.y +
          (a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0)) * n.z,
      (a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2)) * n.x + (a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0)) * n.y +
          (a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)) * n.z,
      (a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)) * n.x + (a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)) * n.y +
          (a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)) * n.z};
  return eng::normalize(out);
}

int MeshBuilder::vert(Vec3 p, Vec3 n, float u, float v) {
  eng::ModelVertex mv;
  mv.x = p.x, mv.y = p.y, mv.z = p.z;
  mv.nx = n.x, mv.ny = n.y, mv.nz = n.z;
  mv.u = u, mv.v = v;
  verts_.push_back(mv);
  return static_cast<int>(verts_.size()) - 1;
}

void MeshBuilder::oriented(int s, int i0, int i1, int i2) {
  // smooth-shaded faces: wind each triangle so that it faces along its normals
  auto P = [&](int i) { return Vec3{verts_[i].x, verts_[i].y, verts_[i].z}; };
  auto N = [&](int i) { return Vec3{verts_[i].nx, verts_[i].ny, verts_[i].nz}; };
  Vec3 fn = eng::cross(P(i1) - P(i0), P(i2) - P(i0));
  if (eng::length(fn) < 1e-9f) return;  // degenerate at a pole
  if (eng::dot(fn, N(i0) + N(i1) + N(i2)) < 0) std::swap(i1, i2);
  surfs_[s].tris.push_back({i0, i1, i2});
}

void MeshBuilder::tri(int s, Vec3 a, Vec3 b, Vec3 c, float ua, float va, float ub, float vb, float uc, float vc) {
  Vec3 pa = xf(a), pb = xf(b), pc = xf(c);
  bool mirrored = !stack_.empty() && det3(stack_.back()) < 0;
  if (mirrored) {
    std::swap(pb, pc);
    std::swap(ub, uc), std::swap(vb, vc);
  }
  Vec3 n = eng::cross(pb - pa, pc - pa);
  if (eng::length(n) < 1e-9f) return;  // degenerate
  n = eng::normalize(n);
  int i0 = vert(pa, n, ua, va), i1 = vert(pb, n, ub, vb), i2 = vert(pc, n, uc, vc);
  surfs_[s].tris.push_back({i0, i1, i2});
}

void MeshBuilder::quad(int s, Vec3 a, Vec3 b, Vec3 c, Vec3 d, UVRect uv) {
  tri(s, a, b, c, uv.u0, uv.v0, uv.u1, uv.v0, uv.u1, uv.v1);
  tri(s, a, c, d, uv.u0, uv.v0, uv.u1, uv.v1, uv.u0, uv.v1);
}

void MeshBuilder::box(int s, Vec3 mn, Vec3 mx, UVRect uv, bool bottom) {
  Vec3 c[8] = {{mn.x, mn.y, mn.z}, {mx.x, mn.y, mn.z}, {mx.x, mn.y, mx.z}, {mn.x, mn.y, mx.z},
               {mn.x, mx.y, mn.z}, {mx.x, mx.y, mn.z}, {mx.x, mx.y, mx.z}, {mn.x, mx.y, mx.z}};
  hexa(s, c, uv, bottom);
}

void MeshBuilder::hexa(int s, const Vec3 c[8], UVRect uv, bool bottom) {
  auto r = [&](int f) { return face_uv ? face_uv(f) : uv; };
  // seen from outside, clockwise, starting top-left
  quad(s, c[4], c[5], c[1], c[0], r(0));  // -z face (front seen from -z)
  quad(s, c[6], c[7], c[3], c[2], r(1));  // +z face
  quad(s, c[7], c[4], c[0], c[3], r(2));  // -x face
  quad(s, c[5], c[6], c[2], c[1], r(3));  // +x face
  quad(s, c[7], c[6], c[5], c[4], r(4));  // top, seen from above: +z edge at the top of the picture
  if (bottom) quad(s, c[0], c[1], c[2], c[3], r(5));
}

void MeshBuilder::cylinder_z(int s, float cx, float cy, float z0, float z1, float r0, float r1, int seg, UVRect side,
                             UVRect cap, bool cap0, bool cap1) {
  for (int i = 0; i < seg; ++i) {
    float a0 = 2 * kPi * i / seg, a1 = 2 * kPi * (i + 1) / seg;
    auto p = [&](float a, float z, float r) { return Vec3{cx + r * std::cos(a), cy + r * std::sin(a), z}; };
    float u0 = side.u0 + (side.u1 - side.u0) * i / seg, u1 = side.u0 + (side.u1 - side.u0) * (i + 1) / seg;
    // side: seen from outside; angle grows counter-clockwise seen from -z
    Vec3 a = p(a1, z0, r0), b = p(a0, z0, r0), c = p(a0, z1, r1), d = p(a1, z1, r1);
    Vec3 na{std::cos(a1), std::sin(a1), 0}, nb{std::cos(a0), std::sin(a0), 0};
    int ia = vert(xf(a), xn(na), u1, side.v0), ib = vert(xf(b), xn(nb), u0, side.v0);
    int ic = vert(xf(c), xn(nb), u0, side.v1), id = vert(xf(d), xn(na), u1, side.v1);
    oriented(s, ia, ib, ic);
    oriented(s, ia, ic, id);
    // cap pictures: the -z cap is seen from -z (+x right, +y up); the +z cap
    // keeps +x at u = 1 so that, turned to face up, it reads from above
    auto cuv = [&](float a, float k) {
      return std::pair<float, float>{cap.u0 + (cap.u1 - cap.u0) * (0.5f + 0.5f * std::cos(a)),
                                     cap.v0 + (cap.v1 - cap.v0) * (0.5f - 0.5f * k * std::sin(a))};
    };
    if (cap0 && r0 > 0) {  // faces -z
      auto [ua, va] = cuv(a0, 1);
      auto [ub, vb] = cuv(a1, 1);
      tri(s, Vec3{cx, cy, z0}, p(a1, z0, r0), p(a0, z0, r0), 0.5f * (cap.u0 + cap.u1), 0.5f * (cap.v0 + cap.v1), ub, vb,
          ua, va);
    }
    if (cap1 && r1 > 0) {  // faces +z
      auto [ua, va] = cuv(a0, -1);
      auto [ub, vb] = cuv(a1, -1);
      tri(s, Vec3{cx, cy, z1}, p(a0, z1, r1), p(a1, z1, r1), 0.5f * (cap.u0 + cap.u1), 0.5f * (cap.v0 + cap.v1), ua, va,
          ub, vb);
    }
  }
}

void MeshBuilder::cylinder_y(int s, float cx, float cz, float y0, float y1, float r0, float r1, int seg, UVRect side,
                             UVRect cap, bool cap0, bool cap1) {
  // a z-cylinder turned so that +z becomes +y: pitch -90
  push(translate(cx, 0, cz) * rot_x(-90));
  cylinder_z(s, 0, 0, y0, y1, r0, r1, seg, side, cap, cap0, cap1);
  pop();
}

void MeshBuilder::ellipsoid(int s, Vec3 c, Vec3 r, int seg, int rings, UVRect uv, float lat_min, float lat_max) {
  auto P = [&](float lat, float lon) {
    float la = lat * kPi / 180, lo = lon;
    Vec3 n{std::cos(la) * std::cos(lo), std::sin(la), std::cos(la) * std::sin(lo)};
    return std::pair<Vec3, Vec3>{Vec3{c.x + r.x * n.x, c.y + r.y * n.y, c.z + r.z * n.z},
                                 eng::normalize(Vec3{n.x / r.x, n.y / r.y, n.z / r.z})};
  };
  bool mirrored = !stack_.empty() && det3(stack_.back()) < 0;
  for (int j = 0; j < rings; ++j) {
    float la0 = lat_min + (lat_max - lat_min) * j / rings, la1 = lat_min + (lat_max - lat_min) * (j + 1) / rings;
    for (int i = 0; i < seg; ++i) {
      float lo0 = 2 * kPi * i / seg, lo1 = 2 * kPi * (i + 1) / seg;
      auto [p00, n00] = P(la0, lo0);
      auto [p01, n01] = P(la0, lo1);
      auto [p10, n10] = P(la1, lo0);
      auto [p11, n11] = P(la1, lo1);
      float u0 = uv.u0 + (uv.u1 - uv.u0) * i / seg, u1 = uv.u0 + (uv.u1 - uv.u0) * (i + 1) / seg;
      float v0 = uv.v1 - (uv.v1 - uv.v0) * j / rings, v1 = uv.v1 - (uv.v1 - uv.v0) * (j + 1) / rings;
      int a = vert(xf(p10), xn(n10), u0, v1), b = vert(xf(p11), xn(n11), u1, v1);
      int cc = vert(xf(p01), xn(n01), u1, v0), d = vert(xf(p00), xn(n00), u0, v0);
      (void)mirrored;
      oriented(s, a, b, cc);
      oriented(s, a, cc, d);
    }
  }
}

void MeshBuilder::prism_y(int s, const std::vector<std::pair<float, float>>& o, float y0, float y1, UVRect top,
                          UVRect side, bool bottom) {
  float minx = 1e9f, maxx = -1e9f, minz = 1e9f, maxz = -1e9f, cx = 0, cz = 0;
  for (auto& p : o) {
    minx = std::min(minx, p.first), maxx = std::max(maxx, p.first);
    minz = std::min(minz, p.second), maxz = std::max(maxz, p.second);
    cx += p.first, cz += p.second;
  }
  cx /= o.size(), cz /= o.size();
  auto tu = [&](float x) { return top.u0 + (top.u1 - top.u0) * (x - minx) / (maxx - minx); };
  auto tv = [&](float z) { return top.v0 + (top.v1 - top.v0) * (maxz - z) / (maxz - minz); };
  // orientation of the outline: make the fan clockwise seen from above
  float area = 0;
  for (size_t i = 0; i < o.size(); ++i) {
    auto& a = o[i];
    auto& b = o[(i + 1) % o.size()];
    area += a.first * b.second - b.first * a.second;
  }
  // seen from above (+y) with +x right and +z up the picture, a positive area is
  // counter-clockwise; clockwise seen from above means going the other way
  std::vector<std::pair<float, float>> p = o;
  if (area > 0) std::reverse(p.begin(), p.end());
  size_t n = p.size();
  for (size_t i = 0; i < n; ++i) {
    auto a = p[i], b = p[(i + 1) % n];
    tri(s, {cx, y1, cz}, {a.first, y1, a.second}, {b.first, y1, b.second}, tu(cx), tv(cz), tu(a.first), tv(a.second),
        tu(b.first), tv(b.second));
    if (bottom)
      tri(s, {cx, y0, cz}, {b.first, y0, b.second}, {a.first, y0, a.second}, tu(cx), tv(cz), tu(b.first),
          tv(b.second), tu(a.first), tv(a.second));
    // side, seen from outside: a -> b is clockwise from above, so from outside
    // the top edge runs b -> a
    quad(s, {b.first, y1, b.second}, {a.first, y1, a.second}, {a.first, y0, a.second}, {b.first, y0, b.second}, side);
  }
}

void MeshBuilder::plate_up(int s, float x0, float x1, float z0, float z1, float y, UVRect uv) {
  quad(s, {x0, y, z1}, {x1, y, z1}, {x1, y, z0}, {x0, y, z0}, uv);
}

Vec3 MeshBuilder::bounds_min() const {
  Vec3 m{1e30f, 1e30f, 1e30f};
  for (auto& v : verts_) m = {std::min(m.x, v.x), std::min(m.y, v.y), std::min(m.z, v.z)};
  return m;
}
Vec3 MeshBuilder::bounds_max() const {
  Vec3 m{-1e30f, -1e30f, -1e30f};
  for (auto& v : verts_) m = {std::max(m.x, v.x), std::max(m.y, v.y), std::max(m.z, v.z)};
  return m;
}

eng::Model MeshBuilder::build(const std::string& name) const {
  eng::Model model;
  model.textures = textures_;
  model.brushes = brushes_;
  model.root.name = name;
  model.root.has_mesh = true;
  model.root.mesh.brush = -1;
  model.root.mesh.has_normals = true;
  model.root.mesh.tex_coord_sets = 1;
  model.root.mesh.tex_coord_size = 2;
  model.root.mesh.vertices = verts_;
  for (auto& s : surfs_) {
    if (s.tris.empty()) continue;
    eng::ModelSurface ms;
    ms.brush = s.brush;
    ms.triangles = s.tris;
    model.root.mesh.surfaces.push_back(ms);
  }
  return model;
}

}  // namespace ag
