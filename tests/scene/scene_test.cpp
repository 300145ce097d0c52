// Headless scene graph: transforms, hierarchy, copies, freeing, handles, meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "engine/engine.h"
#include "engine/scene/scene_access.h"

using namespace eng;

namespace {

class Scene : public ::testing::Test {
 protected:
  void SetUp() override { ClearWorld(true, true); }
  void TearDown() override { ClearWorld(true, true); }
};

void expect_pos(Handle e, float x, float y, float z, bool global, float tol = 1e-4f) {
  EXPECT_NEAR(EntityX(e, global), x, tol);
  EXPECT_NEAR(EntityY(e, global), y, tol);
  EXPECT_NEAR(EntityZ(e, global), z, tol);
}

// Where MoveEntity(0, 0, 1) takes an unparented pivot after a rotation.
TEST_F(Scene, ForwardDirectionFollowsYawAndPitch) {
  struct Case {
    float pitch, yaw, roll;
    float x, y, z;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 1},       // yaw 0 faces +z
      {0, 90, 0, -1, 0, 0},     // yaw 90 faces -x
      {0, -90, 0, 1, 0, 0},     // yaw -90 faces +x
      {0, 180, 0, 0, 0, -1},    // turned round
      {90, 0, 0, 0, -1, 0},     // positive pitch: nose down
      {-90, 0, 0, 0, 1, 0},     // negative pitch: nose up
      {0, 450, 0, -1, 0, 0},    // unwrapped angles still rotate correctly
      {0, 0, 37, 0, 0, 1},      // roll does not change the heading
  };
  for (const Case& c : cases) {
    Handle p = CreatePivot();
    RotateEntity(p, c.pitch, c.yaw, c.roll);
    MoveEntity(p, 0, 0, 1);
    SCOPED_TRACE(testing::Message() << "pitch " << c.pitch << " yaw " << c.yaw << " roll " << c.roll);
    expect_pos(p, c.x, c.y, c.z, false);
    expect_pos(p, c.x, c.y, c.z, true);
    FreeEntity(p);
  }
}

TEST_F(Scene, MoveEntityAfterTurnsUsesOwnAxesInWorldUnits) {
  Handle p = CreatePivot();
  ScaleEntity(p, 0.05f, 0.05f, 0.05f);  // its own scale never shrinks the step
  MoveEntity(p, 0, 0, 10);              // (0, 0, 10)
  TurnEntity(p, 0, 90, 0);
  MoveEntity(p, 0, 0, 5);               // facing -x: (-5, 0, 10)
  TurnEntity(p, 0, 90, 0);
  MoveEntity(p, 2, 0, 1);               // facing -z, right is -x: (-7, 0, 9)
  expect_pos(p, -7, 0, 9, true);
  MoveEntity(p, 0, 3, 0);
  expect_pos(p, -7, 3, 9, true);
}

TEST_F(Scene, TurnEntityAddsAndNeverWraps) {
  Handle p = CreatePivot();
  for (int i = 0; i < 10; ++i) TurnEntity(p, 0, 90, 0);
  EXPECT_FLOAT_EQ(EntityYaw(p), 900);
  TurnEntity(p, 0, -1000, 0);
  EXPECT_FLOAT_EQ(EntityYaw(p), -100);
  RotateEntity(p, 10, 725, -3);
  EXPECT_FLOAT_EQ(EntityPitch(p), 10);
  EXPECT_FLOAT_EQ(EntityYaw(p), 725);
  EXPECT_FLOAT_EQ(EntityRoll(p), -3);
}

TEST_F(Scene, ChildPivotFollowsTurningMovingScaledParent) {
  // A muzzle pivot in the tank's scaled space.
  Handle tank = CreatePivot();
  ScaleEntity(tank, 0.08f, 0.081f, 0.081f);
  Handle muzzle = CreatePivot(tank);
  PositionEntity(muzzle, 0, 30, 20);
  expect_pos(muzzle, 0, 30, 20, false);
  expect_pos(muzzle, 0, 30 * 0.081f, 20 * 0.081f, true);

  PositionEntity(tank, 10, 1.5f, -20);
  TurnEntity(tank, 0, 90, 0);  // now facing -x
  expect_pos(muzzle, 10 - 20 * 0.081f, 1.5f + 30 * 0.081f, -20, true);

  MoveEntity(tank, 0, 0, 4);  // four units forward, along -x
  expect_pos(muzzle, 6 - 20 * 0.081f, 1.5f + 30 * 0.081f, -20, true);

  TurnEntity(tank, 0, 90, 0);  // facing -z
  expect_pos(muzzle, 6, 1.5f + 30 * 0.081f, -20 - 20 * 0.081f, true);
  EXPECT_NEAR(EntityDistance(tank, muzzle), std::hypot(30 * 0.081f, 20 * 0.081f), 1e-4);
}

TEST_F(Scene, GlobalPositionAndRotationUnderRotatedParent) {
  Handle parent = CreatePivot();
  PositionEntity(parent, 5, 0, 0);
  RotateEntity(parent, 0, 90, 0);
  ScaleEntity(parent, 2, 2, 2);
  Handle child = CreatePivot(parent);
  PositionEntity(child, 1, 2, 3, true);
  expect_pos(child, 1, 2, 3, true);
  RotateEntity(child, 0, 30, 0, true);
  EXPECT_NEAR(EntityYaw(child, true), 30, 1e-3);
  EXPECT_NEAR(EntityYaw(child, false), -60, 1e-3);
  // Reparenting with global=true keeps the world place.
  EntityParent(child, 0);
  expect_pos(child, 1, 2, 3, false);
  EXPECT_NEAR(EntityYaw(child), 30, 1e-3);
  EXPECT_EQ(GetParent(child), 0);
}

TEST_F(Scene, TranslateIgnoresRotationAndParentingRefusesCycles) {
  Handle a = CreatePivot();
  RotateEntity(a, 30, 90, 10);
  TranslateEntity(a, 1, 2, 3);
  expect_pos(a, 1, 2, 3, true);
  Handle b = CreatePivot(a);
  Handle c = CreatePivot(b);
  EntityParent(a, c);  // would make a its own ancestor: ignored
  EXPECT_EQ(GetParent(a), 0);
  EntityParent(c, a);
  EXPECT_EQ(GetParent(c), a);
  FreeEntity(a);
  EXPECT_FALSE(EntityExists(c));
  EXPECT_EQ(LiveEntityCount(), 0);
}

TEST_F(Scene, CameraAtPitch90LooksDownWithZUp) {
  Handle cam = CreateCamera();
  RotateEntity(cam, 90, 0, 0);
  const Mat4 m = scene::world_matrix(cam);
  const Vec3 fwd = m.transform_dir({0, 0, 1}), up = m.transform_dir({0, 1, 0}), right = m.transform_dir({1, 0, 0});
  EXPECT_NEAR(fwd.y, -1, 1e-5);
  EXPECT_NEAR(up.z, 1, 1e-5);
  EXPECT_NEAR(right.x, 1, 1e-5);
}

TEST_F(Scene, HiddenParentHidesChildrenAndCopyIsShown) {
  Handle parent = CreatePivot();
  Handle child = CreatePivot(parent);
  HideEntity(parent);
  EXPECT_TRUE(EntityHidden(child));
  EXPECT_FALSE(scene::visible(child));
  Handle copy = CopyEntity(parent);
  EXPECT_FALSE(EntityHidden(copy));
  ShowEntity(parent);
  EXPECT_FALSE(EntityHidden(child));
}

TEST_F(Scene, FreeEntityFreesChildrenAndHandlesAreNeverReused) {
  Handle parent = CreatePivot();
  Handle child = CreateCube(parent);
  Handle grandchild = CreatePivot(child);
  EXPECT_EQ(LiveEntityCount(), 3);
  FreeEntity(parent);
  EXPECT_EQ(LiveEntityCount(), 0);
  for (Handle h : {parent, child, grandchild}) EXPECT_FALSE(EntityExists(h));

  std::set<Handle> seen{parent, child, grandchild};
  for (int i = 0; i < 200; ++i) {
    Handle h = (i % 2) ? CreatePivot() : CreateCube();
    EXPECT_TRUE(seen.insert(h).second) << "handle " << h << " handed out twice";
    FreeEntity(h);
  }
  // Stale handles are ignored.
  PositionEntity(parent, 1, 2, 3);
  TurnEntity(child, 0, 1, 0);
  FreeEntity(grandchild);
  EXPECT_EQ(EntityX(parent), 0);
  EXPECT_EQ(CountSurfaces(child), 0);
  EXPECT_EQ(LiveEntityCount(), 0);
}

TEST_F(Scene, CopyEntityKeepsStateSharesMeshAndIsIndependent) {
  Handle src = CreateCube();
  ScaleEntity(src, 2, 3, 4);
  RotateEntity(src, 0, 45, 0);
  EntityColor(src, 100, 150, 200);
  EntityAlpha(src, 0.5f);
  Handle pivot = CreatePivot(src);
  PositionEntity(pivot, 0, 1, 0);
  HideEntity(src);

  Handle copy = CopyEntity(src);
  ASSERT_NE(copy, 0);
  EXPECT_FALSE(EntityHidden(copy));
  EXPECT_FLOAT_EQ(EntityYaw(copy), 45);
  // The copied child keeps its offset in the copy's scaled space.
  int children = 0;
  scene::for_each_entity([&](Handle h) {
    if (GetParent(h) == copy) {
      ++children;
      EXPECT_NEAR(EntityY(h, true), 3, 1e-5);
    }
  });
  EXPECT_EQ(children, 1);
  // Mesh data is shared: the geometry is the same object.
  EXPECT_EQ(scene::geometry_version(copy), scene::geometry_version(src));
  // Moving the copy leaves the source alone.
  MoveEntity(copy, 0, 0, 10);
  EXPECT_EQ(EntityX(src), 0);
  EXPECT_EQ(EntityZ(src), 0);
  FreeEntity(src);
  EXPECT_TRUE(EntityExists(copy));
  EXPECT_EQ(CountSurfaces(copy), 1);
  EXPECT_EQ(CountVertices(GetSurface(copy, 1)), 24);
}

TEST_F(Scene, CopyMeshIsDeepAndIndependent) {
  Handle a = CreateMesh();
  Handle s = CreateSurface(a);
  AddVertex(s, 0, 0, 0);
  AddVertex(s, 1, 0, 0);
  AddVertex(s, 0, 1, 0);
  EXPECT_EQ(AddTriangle(s, 0, 1, 2), 0);
  EXPECT_EQ(AddTriangle(s, 0, 1, 3), -1);  // no vertex 3
  Handle b = CopyMesh(a);
  Handle sb = GetSurface(b, 1);
  ASSERT_NE(sb, 0);
  EXPECT_NE(sb, s);
  VertexCoords(sb, 1, 5, 6, 7);
  EXPECT_FLOAT_EQ(VertexX(s, 1), 1);
  EXPECT_FLOAT_EQ(VertexX(sb, 1), 5);
  EXPECT_NE(scene::geometry_version(a), scene::geometry_version(b));
  ScaleMesh(a, 2, 2, 2);
  EXPECT_FLOAT_EQ(VertexX(s, 1), 2);
  EXPECT_FLOAT_EQ(VertexX(sb, 1), 5);
  FreeEntity(a);
  EXPECT_EQ(CountVertices(s), 0);  // the freed mesh's surface is gone
  EXPECT_EQ(CountVertices(sb), 3);
}

TEST_F(Scene, MeshTransformsAndVersions) {
  Handle m = CreateCube();
  const auto v0 = scene::geometry_version(m);
  RotateMesh(m, 0, 90, 0);
  PositionMesh(m, 10, 0, 0);
  EXPECT_GT(scene::geometry_version(m), v0);
  float lo = 1e9f, hi = -1e9f;
  int tris = 0;
  scene::for_each_triangle(m, [&](const Vec3& a, const Vec3& b, const Vec3& c) {
    ++tris;
    for (const Vec3* p : {&a, &b, &c}) {
      lo = std::min(lo, p->x);
      hi = std::max(hi, p->x);
    }
  });
  EXPECT_EQ(tris, 12);
  EXPECT_NEAR(lo, 9, 1e-5);
  EXPECT_NEAR(hi, 11, 1e-5);
}

TEST_F(Scene, ClearWorldFreesEverything) {
  CreateCube();
  CreatePivot(CreateCamera());
  Handle t = CreateTexture(8, 8);
  EXPECT_EQ(LiveTextureCount(), 1);
  ClearWorld(true, false);
  EXPECT_EQ(LiveEntityCount(), 0);
  EXPECT_EQ(TextureWidth(t), 8);
  ClearWorld(false, true);
  EXPECT_EQ(LiveTextureCount(), 0);
  EXPECT_EQ(TextureWidth(t), 0);
}

}  // namespace
