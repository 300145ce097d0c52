// Player tanks: turn tables and their snap windows, grid snapping, key
// priority, coasting per ground, the reload rhythm, collisions.
#include <gtest/gtest.h>

#include <cmath>

#include "battle/fixture.h"
#include "tanks/player.h"
#include "world/creators.h"

namespace ifold {
namespace {

using testing_fixture::BattleTest;

TEST(PlayerMath, GridSnapGoesToTheNearestMultipleOfFiveHalvesTowardZero) {
  const struct {
    float v, snapped;
  } cases[] = {{12.5f, 10},   {12.6f, 15},  {-12.5f, -10}, {-12.6f, -15}, {0, 0},
               {2.4f, 0},     {-2.6f, -5},  {60, 60},      {7.4f, 5},     {-0.1f, 0}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(snap_to_grid(c.v), c.snapped) << c.v;
}

TEST(PlayerMath, TurnTablesSnapOnTheDocumentedTick) {
  const struct {
    float start;
    int target;
    int snap_tick;
    float before_snap;  // heading on the tick before the snap
  } cases[] = {{0, 90, 29, 84},     {0, 270, 29, -84},   {0, 180, 59, -174},
               {270, 90, 59, 96},   {90, 0, 29, 6},      {180, 0, 59, 6},
               {270, 180, 29, 186}, {90, 270, 59, -84},  {-90, 90, 59, 84}};
  for (const auto& c : cases) {
    float h = c.start;
    int tick = 0;
    float previous = h;
    while (h != float(c.target) && tick < 400) {
      previous = h;
      h = turn_toward(h, c.target);
      ++tick;
    }
    EXPECT_EQ(tick, c.snap_tick) << c.start << " -> " << c.target;
    EXPECT_FLOAT_EQ(previous, c.before_snap) << c.start << " -> " << c.target;
  }
}

using Players = BattleTest;

TEST_F(Players, HoldingLeftTurnsSnapsOnThe29thTickAndDrivesFromThe30th) {
  load_and_start();
  activate_players();
  keys().press(eng::KEY_LEFT);
  std::vector<float> headings;
  std::vector<float> xs;
  for (int i = 0; i < 31; ++i) {
    run_tick(g);
    headings.push_back(eng::EntityYaw(g.p1_tank));
    xs.push_back(eng::EntityX(g.p1_tank));
  }
  EXPECT_FLOAT_EQ(headings[0], 3);
  EXPECT_FLOAT_EQ(headings[27], 84);
  EXPECT_FLOAT_EQ(headings[28], 90) << "29th tick";
  EXPECT_FLOAT_EQ(xs[28], 20) << "no drive before the 30th tick";
  EXPECT_LT(xs[29], 20) << "drives left from the 30th tick";
  EXPECT_NEAR(xs[30], 19.5f, 1e-4);
}

TEST_F(Players, KeyPriorityAndSnappingAcrossThePath) {
  load_and_start();
  activate_players();
  // Up with the tank at x = 12.6: aligned to 15 at once.
  eng::PositionEntity(g.p1_tank, 12.6f, 1.5f, -30);
  keys().press(eng::KEY_UP);
  keys().press(eng::KEY_DOWN);
  run_tick(g);
  EXPECT_FLOAT_EQ(eng::EntityX(g.p1_tank), 15);
  EXPECT_FLOAT_EQ(eng::EntityYaw(g.p1_tank), 0) << "Up wins over Down";
  EXPECT_NEAR(eng::EntityZ(g.p1_tank), -29.75f, 1e-4) << "already facing up: drives at once";
  // Right wins over Up and Down; Left wins over Right.
  keys().press(eng::KEY_RIGHT);
  run_tick(g);
  EXPECT_FLOAT_EQ(eng::EntityYaw(g.p1_tank), -3);
  keys().press(eng::KEY_LEFT);
  run_tick(g);
  EXPECT_FLOAT_EQ(eng::EntityYaw(g.p1_tank), 0) << "Left from -3 turns +3";
  keys().release(eng::KEY_LEFT);
  keys().release(eng::KEY_RIGHT);
  keys().release(eng::KEY_UP);
  keys().release(eng::KEY_DOWN);
}

TEST_F(Players, CoastingDistancePerGround) {
  const struct {
    float speed, grip;
    int ticks;
    float distance;
  } grounds[] = {{1.0f, 1.0f, 10, 2.5f}, {0.75f, 0.75f, 14, 2.625f}, {0.9f, 0.275f, 40, 9.0f}};
  // Snow: 5.3625 / 0.1375 is 39 in exact arithmetic; the single-precision budget
  // keeps a sliver above 0 and coasts one tick more.
  for (const auto& gr : grounds) {
    load_and_start();
    activate_players();
    g.ground_speed = gr.speed;
    g.ground_grip = gr.grip;
    eng::PositionEntity(g.p1_tank, 20, 1.5f, -40);
    keys().press(eng::KEY_UP);
    ticks(3);
    keys().release(eng::KEY_UP);
    const float z0 = eng::EntityZ(g.p1_tank);
    int moving = 0;
    float last = z0;
    for (int i = 0; i < 60; ++i) {
      run_tick(g);
      if (eng::EntityZ(g.p1_tank) != last) ++moving;
      last = eng::EntityZ(g.p1_tank);
    }
    EXPECT_EQ(moving, gr.ticks) << "grip " << gr.grip;
    EXPECT_NEAR(last - z0, gr.distance, 0.01f) << "grip " << gr.grip;
    g.level_won = 1;
    finish_level_play(g);
    g.level_number = 1;
  }
}

TEST_F(Players, FiresOnTheFirstFreeTickThenEveryFiftyAlongTheCurrentHeading) {
  load_and_start();
  activate_players();
  keys().press(eng::KEY_RCTRL);
  keys().press(eng::KEY_LEFT);  // turning while firing
  std::vector<int> fire_ticks;
  std::vector<Handle> seen;
  for (int t = 1; t <= 120; ++t) {
    run_tick(g);
    for (Fire* f : g.fire_list.records()) {
      if (std::find(seen.begin(), seen.end(), f->entity) != seen.end()) continue;
      seen.push_back(f->entity);
      fire_ticks.push_back(t);
      if (t == 1) {
        EXPECT_FLOAT_EQ(eng::EntityYaw(f->entity, true), 3) << "the heading after this tick's turn";
        // From the muzzle pivot, (0, 30, 20) in the tank's scaled space: low
        // enough to strike bricks (y 3) and the base.
        EXPECT_NEAR(eng::EntityY(f->entity, true), 1.5f + 30 * 0.081f, 1e-3);
        // ... and already one step along by the shell pass of the same tick.
        EXPECT_NEAR(eng::EntityZ(f->entity, true), -60 + (20 * 0.081f + 1) * std::cos(0.0524f), 0.01f);
        EXPECT_FALSE(eng::EntityHidden(f->entity));
        EXPECT_EQ(g.spark_list.size(), 1u) << "muzzle flash";
      }
    }
  }
  EXPECT_EQ(fire_ticks, (std::vector<int>{1, 51, 101}));
}

TEST_F(Players, StopsAtAnEnemyTankAndAtTheBase) {
  load_and_start();
  activate_players();
  TankT& t = g.tank_list.add(CreateTank(g, 1, 100, 0, 0, 0));
  eng::PositionEntity(t.Entity, 20, 1.5f, -40);
  eng::ResetEntity(t.Entity);
  eng::PositionEntity(g.p1_tank, 20, 1.5f, -55);
  eng::ResetEntity(g.p1_tank);
  keys().press(eng::KEY_UP);
  ticks(100);
  const float gap = eng::EntityZ(t.Entity) - eng::EntityZ(g.p1_tank);
  EXPECT_GT(gap, 4.5f) << "stopped short of the enemy";
  EXPECT_LT(gap, 7.0f) << "but drove up to it";
  EXPECT_FLOAT_EQ(eng::EntityX(g.p1_tank), 20);
  keys().release(eng::KEY_UP);
}

}  // namespace
}  // namespace ifold
