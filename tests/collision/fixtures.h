// Scene fixtures for the collision tests: the game's shapes built from cubes
// and hand-made meshes, and a tick helper (move, then UpdateWorld).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "engine/engine.h"
#include "engine/scene/math.h"

namespace ctest {

using eng::Handle;
using eng::Vec3;

constexpr float kTankR = 4.5f;  // tank radius
constexpr float kTankY = 1.5f;  // tank centre height

class CollisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    eng::ClearWorld(true, false);
    eng::ClearCollisions();
  }
  void TearDown() override {
    eng::ClearWorld(true, false);
    eng::ClearCollisions();
  }
};

inline Vec3 pos(Handle e) { return {eng::EntityX(e, true), eng::EntityY(e, true), eng::EntityZ(e, true)}; }

// One game tick: the game moves the entity, then the engine resolves collisions.
inline void tick(Handle e, float dx, float dy, float dz) {
  eng::TranslateEntity(e, dx, dy, dz, true);
  eng::UpdateWorld();
}

inline Handle mover(int type, float x, float y, float z, float r = kTankR, float ry = 0) {
  Handle e = eng::CreatePivot();
  eng::PositionEntity(e, x, y, z);
  eng::EntityType(e, type);
  eng::EntityRadius(e, r, ry);
  eng::ResetEntity(e);
  return e;
}

// Axis box from CreateCube (-1..1): half extents h, centre c, turned by yaw.
inline Handle box(int type, Vec3 c, Vec3 h, float yaw = 0) {
  Handle e = eng::CreateCube();
  eng::ScaleEntity(e, h.x, h.y, h.z);
  eng::RotateEntity(e, 0, yaw, 0);
  eng::PositionEntity(e, c.x, c.y, c.z);
  eng::EntityType(e, type);
  return e;
}

// A brick: cube of side 5 centred at height 3 (CreateCube scaled 2.5).
inline Handle brick(float x, float z) { return box(5, {x, 3, z}, {2.5f, 2.5f, 2.5f}); }
// A concrete block: one cell, 10 x 4 x 10, centred at 0.7.
inline Handle concrete(float x, float z) { return box(7, {x, 0.7f, z}, {5, 2, 5}); }
// An indestructible block: one cell, 10 wide, 1.5 high from the ground.
inline Handle block(float x, float z) {
  Handle e = eng::CreateCube();
  eng::ScaleMesh(e, 5, 0.75f, 5);
  eng::PositionEntity(e, x, 0.75f, z);
  eng::EntityType(e, 8);
  return e;
}

// Adds the quad a, b, c, d (in order around its edge) so that its front side
// faces `facing`, whatever order the corners were given in.
inline void quad(Handle surface, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 facing) {
  int i[4];
  const Vec3 p[4] = {a, b, c, d};
  for (int k = 0; k < 4; ++k) i[k] = eng::AddVertex(surface, p[k].x, p[k].y, p[k].z);
  if (eng::dot(eng::cross(b - a, c - a), facing) >= 0) {
    eng::AddTriangle(surface, i[0], i[1], i[2]);
    eng::AddTriangle(surface, i[0], i[2], i[3]);
  } else {
    eng::AddTriangle(surface, i[0], i[2], i[1]);
    eng::AddTriangle(surface, i[0], i[3], i[2]);
  }
}

// The boundary fence: four inward-facing walls at +-65, y -1..5, type 3.
inline Handle fence() {
  Handle m = eng::CreateMesh();
  Handle s = eng::CreateSurface(m);
  const float a = 65, lo = -1, hi = 5;
  quad(s, {a, lo, -a}, {a, lo, a}, {a, hi, a}, {a, hi, -a}, {-1, 0, 0});
  quad(s, {-a, lo, -a}, {-a, lo, a}, {-a, hi, a}, {-a, hi, -a}, {1, 0, 0});
  quad(s, {-a, lo, a}, {a, lo, a}, {a, hi, a}, {-a, hi, a}, {0, 0, -1});
  quad(s, {-a, lo, -a}, {a, lo, -a}, {a, hi, -a}, {-a, hi, -a}, {0, 0, 1});
  eng::EntityType(m, 3);
  return m;
}

inline // Distance from p to an axis box turned by yaw about y (0 inside).
float box_distance(Vec3 p, Vec3 c, Vec3 h, float yaw) {
  float a = -yaw * 3.14159265f / 180;  // undo the turn (yaw 90 faces -x)
  Vec3 d = p - c;
  float lx = d.x * std::cos(a) - d.z * std::sin(a);
  float lz = d.x * std::sin(a) + d.z * std::cos(a);
  float qx = std::max(std::fabs(lx) - h.x, 0.f), qy = std::max(std::fabs(d.y) - h.y, 0.f),
        qz = std::max(std::fabs(lz) - h.z, 0.f);
  return std::sqrt(qx * qx + qy * qy + qz * qz);
}

}  // namespace ctest
