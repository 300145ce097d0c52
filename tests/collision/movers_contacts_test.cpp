// Movers against movers, contacts and their lifetime, visibility, resets, the
// pair table, shells at the fence, start overlaps and odd input.
#include <cmath>
#include <random>
#include <vector>

#include "fixtures.h"

namespace ctest {
namespace {

// ---- two movers head-on ------------------------------------------------------

struct Meeting {
  const char* name;
  bool meshes;        // tank-sized boxes; else pivots with a radius only
  bool b_made_first;  // creation order swapped
};

class HeadOnMovers : public CollisionTest, public ::testing::WithParamInterface<Meeting> {};

TEST_P(HeadOnMovers, BothStopAndBothReport) {
  const Meeting& c = GetParam();
  eng::Collisions(4, 4, 2, 1);
  auto make = [&](float x) {
    Handle e = c.meshes ? box(4, {x, kTankY, 0}, {3.5f, 1.8f, 4.25f}) : mover(4, x, kTankY, 0);
    eng::EntityRadius(e, kTankR);
    eng::ResetEntity(e);
    return e;
  };
  Handle a = 0, b = 0;
  if (c.b_made_first) {
    b = make(20);
    a = make(-20);
  } else {
    a = make(-20);
    b = make(20);
  }
  // Closest the centres may come: sphere against the other's box face, or the two spheres.
  const float closest = c.meshes ? kTankR + 3.5f : 2 * kTankR;
  int contact_tick = -1;
  for (int i = 0; i < 200; ++i) {
    eng::TranslateEntity(a, 0.25f, 0, 0, true);
    eng::TranslateEntity(b, -0.25f, 0, 0, true);
    eng::UpdateWorld();
    float gap = pos(b).x - pos(a).x;
    ASSERT_GE(gap, closest - 1e-3f) << "tick " << i;
    if (contact_tick < 0 && eng::EntityCollided(a, 4)) contact_tick = i;
    if (contact_tick >= 0 && i > contact_tick + 1) {
      EXPECT_EQ(eng::EntityCollided(a, 4), b) << "tick " << i;
      EXPECT_EQ(eng::EntityCollided(b, 4), a) << "tick " << i;
    }
  }
  ASSERT_GE(contact_tick, 0);
  // Both held still over the last ticks, close together, mirrored within one tick's travel.
  Vec3 pa = pos(a), pb = pos(b);
  for (int i = 0; i < 20; ++i) {
    eng::TranslateEntity(a, 0.25f, 0, 0, true);
    eng::TranslateEntity(b, -0.25f, 0, 0, true);
    eng::UpdateWorld();
    EXPECT_NEAR(pos(a).x, pa.x, 1e-4f);
    EXPECT_NEAR(pos(b).x, pb.x, 1e-4f);
  }
  EXPECT_LE(pb.x - pa.x, closest + 0.26f);
  EXPECT_NEAR(pa.x + pb.x, 0, 0.26f);
}

INSTANTIATE_TEST_SUITE_P(Tanks, HeadOnMovers,
                         ::testing::Values(Meeting{"boxes", true, false}, Meeting{"boxes_swapped", true, true},
                                           Meeting{"pivots", false, false}, Meeting{"pivots_swapped", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A player pushing into a standing wreck (type 4, never moves) is stopped; the
// wreck records the player.
TEST_F(CollisionTest, PlayerStopsAtWreckAndBase) {
  eng::Collisions(1, 4, 2, 1);
  eng::Collisions(1, 9, 2, 1);
  Handle wreck = box(4, {0, kTankY, 0}, {3.5f, 1.8f, 4.25f});
  eng::EntityRadius(wreck, kTankR);
  Handle base = eng::CreateCube();
  eng::ScaleMesh(base, 5, 2, 5);
  eng::PositionEntity(base, 0, 3, -60);
  eng::EntityType(base, 9);
  Handle p = mover(1, -30, kTankY, 0);
  for (int i = 0; i < 150; ++i) tick(p, 0.25f, 0, 0);
  EXPECT_NEAR(pos(p).x, -3.5f - kTankR, 0.01f);
  EXPECT_EQ(eng::EntityCollided(wreck, 1), p);
  EXPECT_NEAR(pos(wreck).x, 0, 1e-6f);
  eng::PositionEntity(p, 0, kTankY, -30);
  eng::ResetEntity(p);
  for (int i = 0; i < 150; ++i) tick(p, 0, 0, -0.25f);
  EXPECT_NEAR(pos(p).z, -55 + kTankR, 0.01f);
  EXPECT_EQ(eng::EntityCollided(p, 9), base);
}

// ---- contacts, resets, visibility --------------------------------------------

TEST_F(CollisionTest, ContactsLastOneUpdateAndResetForgetsThem) {
  eng::Collisions(1, 5, 2, 2);
  Handle b = brick(0, 0);
  Handle m = mover(1, -8, kTankY, 0);
  tick(m, 2, 0, 0);
  ASSERT_EQ(eng::EntityCollided(m, 5), b);
  EXPECT_EQ(eng::EntityCollided(m, 4), 0) << "only the asked type";
  // Readable until the next update; gone after one without contact.
  EXPECT_EQ(eng::EntityCollided(b, 1), m);
  tick(m, -3, 0, 0);
  EXPECT_EQ(eng::EntityCollided(m, 5), 0);
  EXPECT_EQ(eng::EntityCollided(b, 1), 0);
  tick(m, 5, 0, 0);
  ASSERT_EQ(eng::EntityCollided(m, 5), b);
  eng::ResetEntity(m);
  EXPECT_EQ(eng::EntityCollided(m, 5), 0);
  // A freed partner is never reported.
  tick(m, 1, 0, 0);
  ASSERT_EQ(eng::EntityCollided(m, 5), b);
  eng::FreeEntity(b);
  EXPECT_EQ(eng::EntityCollided(m, 5), 0);
}

TEST_F(CollisionTest, ResetAfterTeleportSweepsNothing) {
  eng::Collisions(1, 5, 2, 1);
  for (bool reset : {true, false}) {
    Handle b = brick(0, 0);
    Handle m = mover(1, -20, kTankY, 0);
    eng::PositionEntity(m, 20, kTankY, 0);
    if (reset) eng::ResetEntity(m);
    eng::UpdateWorld();
    if (reset) {
      EXPECT_FLOAT_EQ(pos(m).x, 20);
      EXPECT_EQ(eng::EntityCollided(m, 5), 0);
      EXPECT_EQ(eng::EntityCollided(b, 1), 0);
    } else {
      EXPECT_NEAR(pos(m).x, -7, 0.01f) << "an unreset jump is swept like any move";
      EXPECT_EQ(eng::EntityCollided(m, 5), b);
    }
    eng::FreeEntity(m);
    eng::FreeEntity(b);
  }
}

TEST_F(CollisionTest, HiddenTargetsDoNotCollideUnseenOnesDo) {
  eng::Collisions(1, 5, 2, 1);
  enum Case { HiddenSelf, HiddenParent, AlphaZero };
  for (Case c : {HiddenSelf, HiddenParent, AlphaZero}) {
    Handle parent = eng::CreatePivot();
    Handle b = brick(0, 0);
    eng::EntityParent(b, parent);
    if (c == HiddenSelf) eng::HideEntity(b);
    if (c == HiddenParent) eng::HideEntity(parent);
    if (c == AlphaZero) eng::EntityAlpha(b, 0);
    Handle m = mover(1, -20, kTankY, 0);
    for (int i = 0; i < 20; ++i) tick(m, 2, 0, 0);
    if (c == AlphaZero) {
      EXPECT_NEAR(pos(m).x, -7, 0.01f);
      EXPECT_EQ(eng::EntityCollided(m, 5), b);
    } else {
      EXPECT_FLOAT_EQ(pos(m).x, 20) << "case " << c;
      EXPECT_EQ(eng::EntityCollided(b, 1), 0);
      // Shown again once the mover is past: nothing is swept after the fact.
      eng::ShowEntity(b);
      eng::ShowEntity(parent);
      tick(m, 0.25f, 0, 0);
      EXPECT_EQ(eng::EntityCollided(m, 5), 0);
    }
    eng::FreeEntity(m);
    eng::FreeEntity(parent);
  }
}

TEST_F(CollisionTest, HiddenMoverIsLeftAloneAndDoesNotSweepItsHiddenTravel) {
  eng::Collisions(1, 5, 2, 1);
  brick(0, 0);
  Handle m = mover(1, -20, kTankY, 0);
  eng::HideEntity(m);
  tick(m, 40, 0, 0);
  EXPECT_FLOAT_EQ(pos(m).x, 20);
  eng::ShowEntity(m);
  eng::UpdateWorld();
  EXPECT_FLOAT_EQ(pos(m).x, 20);
  EXPECT_EQ(eng::EntityCollided(m, 5), 0);
}

// ---- pair table ------------------------------------------------------------

TEST_F(CollisionTest, PairGivenAgainReplacesTheResponse) {
  for (int last : {1, 2}) {
    eng::ClearCollisions();
    eng::Collisions(1, 5, 2, last == 1 ? 2 : 1);
    eng::Collisions(1, 5, 2, last);
    Handle wall = box(5, {0, 3, -2.5f}, {100, 2.5f, 2.5f});
    Handle m = mover(1, 0, kTankY, 4.6f);
    tick(m, 0.2f, 0, -0.2f);
    tick(m, 0.2f, 0, -0.2f);
    float x0 = pos(m).x;
    tick(m, 0.2f, 0, -0.2f);
    if (last == 2)
      EXPECT_NEAR(pos(m).x - x0, 0.2f, 0.002f) << "slides";
    else
      EXPECT_NEAR(pos(m).x - x0, 0, 1e-4f) << "stops";
    eng::FreeEntity(m);
    eng::FreeEntity(wall);
  }
}

// Each hit takes the response of its own pair: along a brick wall the tank
// slides, into the wreck parked against that wall it stops dead.
TEST_F(CollisionTest, EachHitUsesItsOwnPairsResponse) {
  eng::Collisions(1, 5, 2, 2);
  eng::Collisions(1, 4, 2, 1);
  for (int i = 0; i < 12; ++i) brick(2.5f + 5 * i, -2.5f);
  Handle wreck = box(4, {40, kTankY, 4}, {3.5f, 1.8f, 4.25f});
  Handle m = mover(1, 0, kTankY, 6);
  for (int i = 0; i < 200; ++i) tick(m, 0.2f, 0, -0.2f);
  EXPECT_NEAR(pos(m).z, kTankR, 0.01f) << "slid along the bricks";
  EXPECT_NEAR(pos(m).x, 40 - 3.5f - kTankR, 0.01f) << "stopped at the wreck";
  EXPECT_EQ(eng::EntityCollided(m, 4), wreck);
  const float x = pos(m).x;
  tick(m, 0.2f, 0, -0.2f);
  EXPECT_NEAR(pos(m).x, x, 1e-4f);
}

// The pair table belongs to the run, not to the world: a level torn down with
// ClearWorld keeps its pairs in force for the next one.
TEST_F(CollisionTest, PairsOutliveClearWorld) {
  eng::Collisions(1, 5, 2, 1);
  brick(0, 0);
  eng::ClearWorld(true, false);
  Handle b = brick(0, 0);
  Handle m = mover(1, -20, kTankY, 0);
  for (int i = 0; i < 60; ++i) tick(m, 0.5f, 0, 0);
  EXPECT_NEAR(pos(m).x, -7, 0.01f);
  EXPECT_EQ(eng::EntityCollided(m, 5), b);
  eng::ClearCollisions();
  for (int i = 0; i < 60; ++i) tick(m, 0.5f, 0, 0);
  EXPECT_GT(pos(m).x, 20) << "no pairs, no collisions";
}

TEST_F(CollisionTest, TypesRadiiAndCopies) {
  Handle e = eng::CreateCube();
  EXPECT_EQ(eng::GetEntityType(e), 0);
  eng::EntityType(e, 6);
  eng::EntityRadius(e, 1);
  Handle c = eng::CopyEntity(e);
  EXPECT_EQ(eng::GetEntityType(c), 6);
  eng::EntityType(e, 0);
  EXPECT_EQ(eng::GetEntityType(c), 6) << "the copy is independent";
  eng::FreeEntity(c);
  EXPECT_EQ(eng::GetEntityType(c), 0);
  eng::EntityType(99999, 3);  // a handle that does not exist: ignored
  EXPECT_EQ(eng::GetEntityType(99999), 0);
  eng::ClearWorld(true, false);
  EXPECT_EQ(eng::EntityCollided(e, 6), 0);
}

// ---- shells and the fence ------------------------------------------------------

TEST_F(CollisionTest, ShellReachesTheFenceAtAnySpeed) {
  eng::Collisions(6, 3, 2, 2);
  Handle f = fence();
  for (float speed : {1.3f, 50.0f}) {
    Handle s = mover(6, 55, 2, 0, 1);
    bool hit = false;
    for (int i = 0; i < 20 && !hit; ++i) {
      tick(s, speed, 0, 0);
      ASSERT_LE(pos(s).x, 65 - 1 + 1e-3f) << "speed " << speed << ": beyond the fence";
      hit = eng::EntityCollided(s, 3) == f;
    }
    EXPECT_TRUE(hit) << "speed " << speed;
    eng::FreeEntity(s);
  }
}

TEST_F(CollisionTest, FreshShellCopyMeetsTheFenceOnItsFirstUpdate) {
  eng::Collisions(6, 3, 2, 2);
  fence();
  Handle tmpl = mover(6, 0, 0, 0, 1);
  eng::HideEntity(tmpl);
  eng::UpdateWorld();
  Handle s = eng::CopyEntity(tmpl);
  eng::PositionEntity(s, 0, 2, 65 - 1 - 0.5f);  // at a muzzle half a unit short
  eng::MoveEntity(s, 0, 0, 1.3f);               // and its first flight step
  eng::UpdateWorld();
  EXPECT_NE(eng::EntityCollided(s, 3), 0);
  EXPECT_LE(pos(s).z, 64 + 1e-3f);
}

TEST_F(CollisionTest, TanksStayInsideTheFence) {
  eng::Collisions(1, 3, 2, 2);
  fence();
  Handle m = mover(1, 0, kTankY, 0);
  for (int i = 0; i < 800; ++i) {
    tick(m, 0.25f, 0, 0.1f);
    Vec3 p = pos(m);
    ASSERT_LE(p.x, 65 - kTankR + 1e-3f);
    ASSERT_LE(p.z, 65 - kTankR + 1e-3f);
  }
  EXPECT_NEAR(pos(m).x, 60.5f, 0.01f);
  EXPECT_NEAR(pos(m).z, 60.5f, 0.01f) << "slid into the corner";
}

// ---- start overlaps ------------------------------------------------------------

TEST_F(CollisionTest, MoverStartingEmbeddedIsPushedOutNotStuck) {
  eng::Collisions(1, 5, 2, 2);
  brick(0, 0);  // face at x = -2.5
  // 3.0 from the face: moving away is free.
  Handle m = mover(1, -5.5f, kTankY, 0);
  tick(m, -0.25f, 0, 0);
  EXPECT_LE(pos(m).x, -5.75f + 1e-4f);
  // Moving in goes no deeper: pushed out to a full radius on the first moving tick.
  eng::PositionEntity(m, -5.5f, kTankY, 0);
  eng::ResetEntity(m);
  tick(m, 0.25f, 0, 0);
  EXPECT_LE(pos(m).x, -7 + 1e-3f);
  EXPECT_GE(pos(m).x, -7.01f);
  EXPECT_NE(eng::EntityCollided(m, 5), 0);
  // Sideways along the face while embedded: pushed out and sliding on.
  eng::PositionEntity(m, -6, kTankY, 0);
  eng::ResetEntity(m);
  for (int i = 0; i < 5; ++i) tick(m, 0, 0, 0.25f);
  EXPECT_NEAR(pos(m).x, -7, 0.01f);
  EXPECT_NEAR(pos(m).z, 1.25f, 0.01f);
}

TEST_F(CollisionTest, CentreInsideABoxCanDriveOut) {
  eng::Collisions(1, 5, 2, 2);
  brick(0, 0);
  Handle m = mover(1, 0.5f, kTankY, 0);
  for (int i = 0; i < 60; ++i) tick(m, 0.25f, 0, 0);
  // Out through the far face; once its centre is past that face it may be
  // pushed clear of it, by at most one radius.
  EXPECT_GE(pos(m).x, 15.5f - 1e-3f);
  EXPECT_LE(pos(m).x, 15.5f + kTankR + 0.01f);
}

// ---- odd input ------------------------------------------------------------------

TEST_F(CollisionTest, DegenerateTrianglesZeroRadiusAndMirrors) {
  eng::Collisions(1, 5, 2, 1);
  // Zero-area, repeated-vertex and collinear triangles beside one good quad.
  Handle m = eng::CreateMesh();
  Handle s = eng::CreateSurface(m);
  int v0 = eng::AddVertex(s, 0, 0, 0), v1 = eng::AddVertex(s, 0, 1, 0), v2 = eng::AddVertex(s, 0, 2, 0);
  eng::AddTriangle(s, v0, v0, v0);
  eng::AddTriangle(s, v0, v1, v1);
  eng::AddTriangle(s, v0, v1, v2);
  quad(s, {0, -10, -10}, {0, 10, -10}, {0, 10, 10}, {0, -10, 10}, {-1, 0, 0});
  eng::EntityType(m, 5);
  Handle t = mover(1, -10, kTankY, 0);
  for (int i = 0; i < 40; ++i) tick(t, 0.25f, 0, 0);
  EXPECT_NEAR(pos(t).x, -kTankR, 0.01f);
  EXPECT_FALSE(std::isnan(pos(t).y));

  // Zero radius: no collision at all, no crash.
  Handle z = mover(1, -10, kTankY, 3, 0);
  for (int i = 0; i < 80; ++i) tick(z, 0.25f, 0, 0);
  EXPECT_FLOAT_EQ(pos(z).x, 10);

  // A mirrored brick still blocks from outside.
  Handle mb = box(5, {40, 3, 0}, {-2.5f, 2.5f, 2.5f});
  (void)mb;
  Handle u = mover(1, 25, kTankY, 0);
  for (int i = 0; i < 80; ++i) tick(u, 0.25f, 0, 0);
  EXPECT_NEAR(pos(u).x, 37.5f - kTankR, 0.01f);
}

TEST_F(CollisionTest, EllipsoidRestsOnFloorAndStopsAtWall) {
  eng::Collisions(1, 5, 2, 2);
  Handle m = eng::CreateMesh();
  Handle s = eng::CreateSurface(m);
  quad(s, {-50, 0, -50}, {50, 0, -50}, {50, 0, 50}, {-50, 0, 50}, {0, 1, 0});
  quad(s, {20, 0, -50}, {20, 0, 50}, {20, 20, 50}, {20, 20, -50}, {-1, 0, 0});
  eng::EntityType(m, 5);
  Handle e = mover(1, 0, 10, 0, 1, 3);
  for (int i = 0; i < 40; ++i) tick(e, 0, -0.5f, 0);
  EXPECT_NEAR(pos(e).y, 3, 0.01f);
  EXPECT_GE(pos(e).y, 3);
  for (int i = 0; i < 60; ++i) tick(e, 0.5f, -0.1f, 0);
  EXPECT_NEAR(pos(e).x, 19, 0.01f);
  EXPECT_NEAR(pos(e).y, 3, 0.01f);
}

// ---- property check ---------------------------------------------------------------

TEST_F(CollisionTest, RandomFieldNeverEnteredNeverOvershot) {
  eng::Collisions(1, 5, 2, 2);
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> u(-1, 1);
  struct B {
    Vec3 c, h;
    float yaw;
  };
  std::vector<B> boxes;
  for (int i = 0; i < 60; ++i) {
    B b{{u(rng) * 60, 3 + u(rng), u(rng) * 60}, {3 + 2 * u(rng), 2.5f, 3 + 2 * u(rng)}, 45 * u(rng)};
    if (box_distance({0, kTankY, 0}, b.c, b.h, b.yaw) < kTankR + 1) continue;  // clear start
    box(5, b.c, b.h, b.yaw);
    boxes.push_back(b);
  }
  Handle m = mover(1, 0, kTankY, 0);
  Vec3 dir{1, 0, 0};
  for (int i = 0; i < 3000; ++i) {
    if (i % 40 == 0) dir = eng::normalize(Vec3{u(rng), 0, u(rng)});
    const float speed = (i % 200 < 100) ? 0.25f : 2.0f;
    Vec3 before = pos(m);
    tick(m, dir.x * speed, 0, dir.z * speed);
    Vec3 p = pos(m);
    ASSERT_FALSE(std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) << "tick " << i;
    ASSERT_LE(eng::length(p - before), speed + 0.01f) << "tick " << i;
    for (const B& b : boxes) ASSERT_GE(box_distance(p, b.c, b.h, b.yaw), kTankR - 1e-3f) << "tick " << i;
    eng::PositionEntity(m, p.x, kTankY, p.z);  // the game keeps tanks at their height
    if (std::fabs(p.x) > 70 || std::fabs(p.z) > 70) {
      eng::PositionEntity(m, 0, kTankY, 0);
      eng::ResetEntity(m);
    }
  }
}

}  // namespace
}  // namespace ctest
