// Stop and slide against the game's static shapes: bricks, walls, rows, corners.
#include <cmath>
#include <vector>

#include "fixtures.h"

namespace ctest {
namespace {

// ---- head-on into a box ------------------------------------------------------

struct HeadOn {
  const char* name;
  float speed;
  int response;
  Vec3 half;   // half extents of the box (a brick is 2.5)
  float yaw;   // turn of the box about y
  float face;  // x of the face the mover meets
};

class HeadOnStop : public CollisionTest, public ::testing::WithParamInterface<HeadOn> {};

TEST_P(HeadOnStop, StopsWithCentreOneRadiusFromTheFace) {
  const HeadOn& c = GetParam();
  eng::Collisions(1, 5, 2, c.response);
  Handle b = box(5, {0, 3, 0}, c.half, c.yaw);
  Handle m = mover(1, -20, kTankY, 0);
  const float rest = c.face - kTankR;
  bool hit = false;
  for (int i = 0; i < 400 && !hit; ++i) {
    tick(m, c.speed, 0, 0);
    float x = pos(m).x;
    ASSERT_LE(x, rest + 1e-4f) << "tick " << i << ": inside the box";
    if (eng::EntityCollided(m, 5)) {
      hit = true;
      EXPECT_EQ(eng::EntityCollided(m, 5), b);
      EXPECT_EQ(eng::EntityCollided(b, 1), m) << "the box records the mover too";
      EXPECT_GE(rest - x, 0.0f);
      EXPECT_LE(rest - x, 0.01f);
    }
  }
  ASSERT_TRUE(hit);
  // Pushing on holds it exactly where it is.
  Vec3 held = pos(m);
  for (int i = 0; i < 20; ++i) {
    tick(m, c.speed, 0, 0);
    EXPECT_NEAR(pos(m).x, held.x, 1e-4f);
    EXPECT_NEAR(pos(m).z, held.z, 1e-4f);
    EXPECT_TRUE(eng::EntityCollided(m, 5));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bricks, HeadOnStop,
    ::testing::Values(HeadOn{"slow_stop", 0.25f, 1, {2.5f, 2.5f, 2.5f}, 0, -2.5f},
                      HeadOn{"slow_slide", 0.25f, 2, {2.5f, 2.5f, 2.5f}, 0, -2.5f},
                      HeadOn{"fast_stop", 3, 1, {2.5f, 2.5f, 2.5f}, 0, -2.5f},
                      HeadOn{"jump_past_whole_box", 30, 2, {2.5f, 2.5f, 2.5f}, 0, -2.5f},
                      HeadOn{"scaled_long", 0.25f, 2, {5, 2.5f, 2.5f}, 0, -5},
                      HeadOn{"scaled_long_fast", 30, 1, {5, 2.5f, 2.5f}, 0, -5},
                      HeadOn{"scaled_long_turned", 0.25f, 2, {5, 2.5f, 2.5f}, 90, -2.5f},
                      HeadOn{"concrete", 0.25f, 2, {5, 2, 5}, 0, -5}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- a target changed after the mover has met it ----------------------------

struct Change {
  const char* name;
  void (*apply)(Handle parent, Handle brick);
  float face;  // x the mover's surface meets afterwards
};

class ChangedTarget : public CollisionTest, public ::testing::WithParamInterface<Change> {};

// The mover first meets the brick (so its world triangles are cached), backs
// off, the brick or its parent changes, and the mover meets it where it is now.
TEST_P(ChangedTarget, IsMetWhereItIsNow) {
  eng::Collisions(1, 5, 2, 1);
  Handle parent = eng::CreatePivot();
  Handle b = box(5, {0, 3, 0}, {2.5f, 2.5f, 2.5f});
  eng::EntityParent(b, parent);
  Handle m = mover(1, -8, kTankY, 0);
  tick(m, 1.5f, 0, 0);
  ASSERT_EQ(eng::EntityCollided(m, 5), b);
  eng::PositionEntity(m, -30, kTankY, 0);
  eng::ResetEntity(m);
  GetParam().apply(parent, b);
  for (int i = 0; i < 100; ++i) tick(m, 0.5f, 0, 0);
  EXPECT_NEAR(pos(m).x, GetParam().face - kTankR, 0.01f);
  EXPECT_EQ(eng::EntityCollided(m, 5), b);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedTarget,
    ::testing::Values(
        Change{"moved", [](Handle, Handle b) { eng::PositionEntity(b, 10, 3, 0); }, 7.5f},
        Change{"parent_moved", [](Handle p, Handle) { eng::PositionEntity(p, -10, 0, 0); }, -12.5f},
        Change{"turned", [](Handle, Handle b) { eng::RotateEntity(b, 0, 45, 0); }, -2.5f * std::sqrt(2.0f)},
        Change{"scaled", [](Handle, Handle b) { eng::ScaleEntity(b, 5, 2.5f, 2.5f); }, -5},
        Change{"parent_scaled", [](Handle p, Handle) { eng::ScaleEntity(p, 2, 1, 1); }, -5},
        Change{"mesh_scaled", [](Handle, Handle b) { eng::ScaleMesh(b, 2, 1, 1); }, -5}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- sliding along a wall at an angle --------------------------------------

struct Slide {
  const char* name;
  float angle;  // between the motion and the wall, degrees
  int response;
};

class WallSlide : public CollisionTest, public ::testing::WithParamInterface<Slide> {};

TEST_P(WallSlide, KeepsTheMotionAlongTheWall) {
  const Slide& c = GetParam();
  eng::Collisions(1, 5, 2, c.response);
  box(5, {0, 3, -2.5f}, {200, 2.5f, 2.5f});  // long wall, front face at z = 0
  Handle m = mover(1, -100, kTankY, 6);
  const float step = 0.25f;
  const float along = step * std::cos(c.angle * 3.14159265f / 180);
  const float into = step * std::sin(c.angle * 3.14159265f / 180);
  int contact_ticks = 0;
  for (int i = 0; i < 300; ++i) {
    Vec3 before = pos(m);
    tick(m, along, 0, -into);
    Vec3 after = pos(m);
    ASSERT_GE(after.z, kTankR - 1e-3f) << "tick " << i;
    ASSERT_FALSE(std::isnan(after.x));
    if (!eng::EntityCollided(m, 5) || before.z > kTankR + 0.01f) continue;
    ++contact_ticks;
    EXPECT_NEAR(after.z, kTankR, 0.01f);
    if (c.response == 2)
      EXPECT_NEAR(after.x - before.x, along, 0.002f) << "tick " << i;
    else
      EXPECT_NEAR(after.x - before.x, 0, 1e-4f) << "tick " << i;
  }
  EXPECT_GT(contact_ticks, 100);
}

INSTANTIATE_TEST_SUITE_P(Angles, WallSlide,
                         ::testing::Values(Slide{"deg45", 45, 2}, Slide{"deg10", 10, 2},
                                           Slide{"deg80", 80, 2}, Slide{"deg45_stop", 45, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- rows of bricks: no snag at the seams ----------------------------------

struct Row {
  const char* name;
  bool accumulated;  // x computed by repeated float addition
  bool doubled;      // every brick added twice at one spot
  int type;          // 5 bricks (5 wide) or 7 concrete (10 wide)
};

class SeamRow : public CollisionTest, public ::testing::WithParamInterface<Row> {};

TEST_P(SeamRow, GlidesWithoutSnagging) {
  const Row& c = GetParam();
  eng::Collisions(1, c.type, 2, 2);
  const float w = c.type == 5 ? 5 : 10;
  float x = w / 2;
  for (int i = 0; i < 40; ++i) {
    float cx = c.accumulated ? x : w / 2 + w * i;
    for (int k = 0; k < (c.doubled ? 2 : 1); ++k) {
      if (c.type == 5)
        box(5, {cx, 3, -2.5f}, {2.5f, 2.5f, 2.5f});
      else
        concrete(cx, -5);
    }
    x += w;
  }
  Handle m = mover(1, 5, kTankY, 4.51f);
  for (int i = 0; i < 500; ++i) {
    bool parallel = i >= 400;
    Vec3 before = pos(m);
    tick(m, 0.2f, 0, parallel ? 0 : -0.02f);
    Vec3 after = pos(m);
    ASSERT_FALSE(std::isnan(after.x) || std::isnan(after.z));
    ASSERT_GE(after.x - before.x, 0.19f) << "snagged at x " << before.x << " (tick " << i << ")";
    ASSERT_GE(after.z, kTankR - 1e-3f) << "tick " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, SeamRow,
                         ::testing::Values(Row{"bricks", false, false, 5}, Row{"bricks_added_up", true, false, 5},
                                           Row{"bricks_twice", false, true, 5},
                                           Row{"bricks_added_up_twice", true, true, 5},
                                           Row{"concrete", true, false, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

// A 45-degree drive along a brick wall, then a turn along the row into the
// gap between two bricks that stick out: the tank slides, then stops cleanly.
TEST_F(CollisionTest, TankSlidesAlongBrickWallsBetweenConcreteAndBlocks) {
  for (const int t : {5, 7, 8}) eng::Collisions(1, t, 2, 2);
  for (int i = 0; i < 10; ++i) brick(2.5f + 5 * i, -2.5f);
  concrete(55, -5);
  block(65, -5);
  Handle m = mover(1, 0, kTankY, 10);
  for (int i = 0; i < 360; ++i) {
    tick(m, 0.18f, 0, -0.18f);
    Vec3 p = pos(m);
    ASSERT_GE(p.z, kTankR - 1e-3f);
    ASSERT_FALSE(std::isnan(p.x));
    eng::PositionEntity(m, p.x, kTankY, p.z);  // the game keeps tanks at their height
  }
  // Well past the bricks, the concrete and the low block, still at the wall.
  EXPECT_GT(pos(m).x, 60);
  EXPECT_NEAR(pos(m).z, kTankR, 0.01f);
}

// ---- convex edges: round them, never catch on them ----------------------------

// Aimed just inside a brick's vertical edge, the tank is turned aside by the
// edge's round contact and passes along the brick's side.
TEST_F(CollisionTest, RoundsAConvexEdge) {
  eng::Collisions(1, 5, 2, 2);
  brick(0, 0);
  for (float offset : {0.1f, 0.5f, 2.0f, 4.0f, 6.9f}) {
    Handle m = mover(1, -15, kTankY, 2.5f + offset);
    for (int i = 0; i < 200; ++i) {
      Vec3 before = pos(m);
      tick(m, 0.25f, 0, 0);
      Vec3 p = pos(m);
      ASSERT_GE(box_distance(p, {0, 3, 0}, {2.5f, 2.5f, 2.5f}, 0), kTankR - 1e-3f) << offset << " tick " << i;
      ASSERT_GE(p.z, before.z - 1e-5f) << "turned the wrong way";
      eng::PositionEntity(m, p.x, kTankY, p.z);
    }
    EXPECT_GT(pos(m).x, 10) << "offset " << offset << ": caught on the edge";
    eng::FreeEntity(m);
  }
}

// ---- corners -----------------------------------------------------------------

struct Corner {
  const char* name;
  float speed;
};

class IntoCorner : public CollisionTest, public ::testing::WithParamInterface<Corner> {};

// Two brick walls meeting at a right angle; the tank drives diagonally into the
// inner corner. It must come to rest there and hold still.
TEST_P(IntoCorner, StopsCleanlyWithoutJitterOrTunnelling) {
  const float v = GetParam().speed;
  eng::Collisions(1, 5, 2, 2);
  for (int i = 0; i < 6; ++i) brick(2.5f + 5 * i, 2.5f);  // wall along x, face at z = 0 facing -z
  for (int i = 1; i < 6; ++i) brick(2.5f, 2.5f - 5 * i);  // wall along -z, face at x = 5 facing +x
  Handle m = mover(1, 20, kTankY, -20);
  const Vec3 rest{5 + kTankR, kTankY, -kTankR};
  std::vector<Vec3> track;
  for (int i = 0; i < 200; ++i) {
    tick(m, -v * 0.6f, 0, v * 0.8f);
    Vec3 p = pos(m);
    ASSERT_FALSE(std::isnan(p.x));
    ASSERT_GE(p.x, rest.x - 1e-3f) << "tick " << i;
    ASSERT_LE(p.z, rest.z + 1e-3f) << "tick " << i;
    track.push_back(p);
  }
  for (size_t i = 100; i < track.size(); ++i) {
    EXPECT_NEAR(track[i].x, rest.x, 0.01f);
    EXPECT_NEAR(track[i].z, rest.z, 0.01f);
    EXPECT_NEAR(track[i].x, track.back().x, 1e-4f) << "jitter at tick " << i;
    EXPECT_NEAR(track[i].z, track.back().z, 1e-4f) << "jitter at tick " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Speeds, IntoCorner,
                         ::testing::Values(Corner{"normal", 0.25f}, Corner{"fast", 1.5f}, Corner{"very_fast", 12}),
                         [](const auto& info) { return std::string(info.param.name); });

// An acute inner corner (walls at 30 degrees): no ping-pong, no creeping through.
TEST_F(CollisionTest, AcuteCornerHoldsStill) {
  eng::Collisions(1, 5, 2, 2);
  Handle m = eng::CreateMesh();
  Handle s = eng::CreateSurface(m);
  // Apex at the origin, the walls open towards -x at +-15 degrees.
  const float a = 15 * 3.14159265f / 180, L = 100;
  Vec3 d1{-std::cos(a), 0, std::sin(a)}, d2{-std::cos(a), 0, -std::sin(a)};
  Vec3 n1{-std::sin(a), 0, -std::cos(a)}, n2{-std::sin(a), 0, std::cos(a)};  // facing into the wedge
  quad(s, {0, -10, 0}, d1 * L + Vec3{0, -10, 0}, d1 * L + Vec3{0, 10, 0}, {0, 10, 0}, n1);
  quad(s, {0, -10, 0}, d2 * L + Vec3{0, -10, 0}, d2 * L + Vec3{0, 10, 0}, {0, 10, 0}, n2);
  eng::EntityType(m, 5);
  Handle t = mover(1, -40, 0, 1);
  std::vector<Vec3> track;
  for (int i = 0; i < 300; ++i) {
    tick(t, 0.25f, 0, 0);
    Vec3 p = pos(t);
    ASSERT_FALSE(std::isnan(p.x) || std::isnan(p.z));
    ASSERT_GE(eng::dot(p, n1), kTankR - 1e-3f) << "tick " << i;
    ASSERT_GE(eng::dot(p, n2), kTankR - 1e-3f) << "tick " << i;
    track.push_back(p);
  }
  for (size_t i = 250; i < track.size(); ++i) {
    EXPECT_NEAR(track[i].x, track.back().x, 0.01f);
    EXPECT_NEAR(track[i].z, track.back().z, 0.01f);
  }
  // Resting in the apex: both walls at one radius.
  EXPECT_NEAR(eng::dot(track.back(), n1), kTankR, 0.01f);
  EXPECT_NEAR(eng::dot(track.back(), n2), kTankR, 0.01f);
}

}  // namespace
}  // namespace ctest
