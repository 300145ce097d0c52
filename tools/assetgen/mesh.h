// Model building from parts. Coordinates are the file's: left-handed, +y up,
// +z forward; front faces are clockwise seen from the front. Every face gets its
// own vertices and a flat normal computed from its winding.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/media/model.h"
#include "engine/scene/math.h"

namespace ag {

using eng::Vec3;

struct UVRect {  // a region of the texture, u0..u1 x v0..v1 (v = 0 is the top row)
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

class MeshBuilder {
 public:
  // Adds a brush (material) and returns its surface index. `texture` empty: none.
  int material(const std::string& name, float r, float g, float b, float a = 1, const std::string& texture = "",
               int tex_flags = 1, int fx = 0, float shininess = 0);

  // Transform applied to everything added (positions and normals).
  void push(const eng::Mat4& m);
  void pop();

  // Triangle and quad in clockwise order seen from the side they face.
  void tri(int s, Vec3 a, Vec3 b, Vec3 c, float ua, float va, float ub, float vb, float uc, float vc);
  void quad(int s, Vec3 a, Vec3 b, Vec3 c, Vec3 d, UVRect uv);  // a top-left, b top-right, c bottom-right, d bottom-left

  // Axis-aligned box, or a general hexahedron from 8 corners: bottom face
  // c[0..3] and top face c[4..7], each listed (-x,-z), (+x,-z), (+x,+z), (-x,+z).
  // UVs of each face come from `uv` (one rect for all faces, or per face through
  // `face_uv` when set: index 0 -z, 1 +z, 2 -x, 3 +x, 4 top, 5 bottom).
  void box(int s, Vec3 mn, Vec3 mx, UVRect uv, bool bottom = true);
  void hexa(int s, const Vec3 c[8], UVRect uv, bool bottom = true);
  std::function<UVRect(int face)> face_uv;

  // Cylinder along +z from z0 to z1 centred on (cx, cy) in the xy plane (then the
  // current transform turns it); UV: side wraps u across `side`, caps use `cap`.
  void cylinder_z(int s, float cx, float cy, float z0, float z1, float r0, float r1, int seg, UVRect side,
                  UVRect cap, bool cap0 = true, bool cap1 = true);
  // Vertical cylinder along +y.
  void cylinder_y(int s, float cx, float cz, float y0, float y1, float r0, float r1, int seg, UVRect side,
                  UVRect cap, bool cap0 = true, bool cap1 = true);
  // Sphere or dome (lat from -90..lat_max degrees) centred at c with radii.
  void ellipsoid(int s, Vec3 c, Vec3 r, int seg, int rings, UVRect uv, float lat_min = -90, float lat_max = 90);
  // Flat prism: a star-shaped outline (in x, z around its centre) extruded from
  // y0 to y1; top textured from the outline's bounds into `top`, sides from `side`.
  void prism_y(int s, const std::vector<std::pair<float, float>>& outline, float y0, float y1, UVRect top,
               UVRect side, bool bottom = true);
  // A flat quad facing up (+y) at height y spanning x0..x1, z0..z1; u along +x,
  // v = 0 at +z (the far edge, the top of the picture seen from above).
  void plate_up(int s, float x0, float x1, float z0, float z1, float y, UVRect uv);

  eng::Model build(const std::string& name) const;

  // Bounds of everything added so far.
  Vec3 bounds_min() const;
  Vec3 bounds_max() const;

 private:
  struct Surf {
    int brush;
    std::vector<std::array<int, 3>> tris;
  };
  std::vector<eng::ModelTexture> textures_;
  std::vector<eng::ModelBrush> brushes_;
  std::vector<Surf> surfs_;
  std::vector<eng::ModelVertex> verts_;
  std::vector<eng::Mat4> stack_;
  Vec3 xf(Vec3 p) const;
  Vec3 xn(Vec3 n) const;
  int vert(Vec3 p, Vec3 n, float u, float v);
  void oriented(int s, int i0, int i1, int i2);
};

eng::Mat4 translate(float x, float y, float z);
eng::Mat4 rot_y(float deg);  // engine yaw sense: +90 carries +z to -x
eng::Mat4 rot_x(float deg);  // +90 carries +z to -y... see mesh.cpp
eng::Mat4 rot_z(float deg);
eng::Mat4 scale3(float x, float y, float z);

}  // namespace ag
