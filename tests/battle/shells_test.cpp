// Shells and hits: bricks, concrete wear, the base, the fence, player tanks,
// shells against shells, enemy tanks, kill counting, wrecks, the bomb.
#include <gtest/gtest.h>

#include "battle/fixture.h"
#include "engine/scene/scene_internal.h"
#include "combat/effects.h"
#include "combat/shells.h"
#include "tanks/enemy.h"
#include "tanks/player.h"
#include "world/creators.h"
#include "world/level_map.h"

namespace ifold {
namespace {

using testing_fixture::BattleTest;

class Shells : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    load_and_start();
    activate_players();
  }
  // A shell heading up the screen (yaw 0) placed at (x, 3, z).
  template <class T>
  T& shell(RecordList<T>& list, float x, float z, float yaw = 0) {
    eng::RotateEntity(g.p1_shell_template, 0, yaw, 0, true);
    T& s = list.add();
    s.entity = eng::CopyEntity(g.p1_shell_template);
    eng::ShowEntity(s.entity);
    eng::PositionEntity(s.entity, x, 3, z);
    eng::ResetEntity(s.entity);
    return s;
  }
  TankT& enemy(int type, int life, float x, float z) {
    TankT& t = g.tank_list.add(CreateTank(g, type, life, 0, 0, 0));
    eng::PositionEntity(t.Entity, x, 1.5f, z);
    eng::ResetEntity(t.Entity);
    g.enemies_on_field += 1;
    return t;
  }
  void shell_passes() {
    update_fire(g);
    update_fire2(g);
    update_efire(g);
    resolve_shell_contacts(g);
    resolve_tank_hits(g);
  }
};

TEST_F(Shells, OneShellBreaksBothBricksOfAPair) {
  place_brick(g, 2.5f, 20);
  place_brick(g, -2.5f, 20);
  place_brick(g, 12.5f, 20);  // 10 away from the shell: stays
  const size_t before = g.brick_list.size();
  shell(g.fire_list, 0, 14);
  update_fire(g);  // moves to z 15: both bricks are 5.59 away; not yet
  EXPECT_EQ(g.brick_list.size(), before);
  update_fire(g);  // z 16: 4.72 away from each
  EXPECT_EQ(g.brick_list.size(), before - 2);
  EXPECT_TRUE(g.fire_list.empty()) << "the shell stops";
  EXPECT_EQ(g.red_kirp_list.size(), 2u);
  EXPECT_EQ(g.flame_list.size(), 2u) << "a flash per broken brick";
}

TEST_F(Shells, ConcreteWearsOnlyFromStarLevelTwo) {
  for (int star : {0, 1, 2}) {
    SCOPED_TRACE(star);
    g.concrete_list.walk([](bbox& b) {
      free_handle(b.entity);
      return Walk::remove;
    });
    place_concrete(g, 0, 30);
    bbox& block = *g.concrete_list.first();
    g.p1_star_level = star;
    for (int strike = 1; strike <= 2; ++strike) {
      shell(g.fire_list, 0, 20.5f);
      update_fire(g);
      EXPECT_TRUE(g.fire_list.empty()) << "the shell stops at concrete";
      update_concrete(g);
      if (star < 2) {
        EXPECT_EQ(block.hit, 100);
        continue;
      }
      if (strike == 1) {
        EXPECT_EQ(block.hit, 50);
        EXPECT_EQ(eng::scene::find(block.entity)->tex[1].get(),
                  eng::scene::find_texture(g.concrete_worn_texture))
            << "worn in the same tick";
      } else {
        EXPECT_TRUE(g.concrete_list.empty()) << "100 -> 50 -> 0: removed in the same tick";
        EXPECT_EQ(g.red_kirp_list.size(), 4u);
        EXPECT_EQ(g.babah_list.size(), 1u);
      }
    }
  }
}

TEST_F(Shells, EnemyShellsStopAtConcreteAndLeaveADestroyedBlockDestroyed) {
  place_concrete(g, 0, 30);
  bbox& block = *g.concrete_list.records().back();
  block.hit = 0;
  block.del = 1;  // destroyed by a player shell earlier this tick
  shell(g.efire_list, 0, 21);
  update_efire(g);
  EXPECT_TRUE(g.efire_list.empty());
  EXPECT_EQ(block.hit, 0);
  update_concrete(g);
  EXPECT_EQ(g.concrete_list.size(), 1u) << "only the map's block is left";
}

TEST_F(Shells, AShellNearTheBaseLosesTheLevelWhoeverFiredIt) {
  for (int who = 0; who < 3; ++who) {
    g.level_over = 0;
    g.level_won = 1;
    if (who == 0) shell(g.fire_list, 0, -55.5f, 180);
    if (who == 1) shell(g.fire2_list, 0, -55.5f, 180);
    if (who == 2) shell(g.efire_list, 0, -55.5f, 180);
    shell_passes();
    EXPECT_EQ(g.level_over, 1) << who;
    EXPECT_EQ(g.level_won, 0) << who;
  }
}

TEST_F(Shells, ShellsFlyThroughBlocksAndBushesAndStopAtTheFence) {
  // The fixture map has a block at (0, 0) and a bush at (-20, 0).
  Fire& a = shell(g.fire_list, 0, -20);
  Fire& b = shell(g.fire_list, -20, -20);
  const Handle ha = a.entity, hb = b.entity;
  int ticks_alive = 0;
  while (!g.fire_list.empty() && ticks_alive < 200) {
    update_fire(g);
    eng::UpdateWorld(1);
    ++ticks_alive;
  }
  EXPECT_FALSE(eng::EntityExists(ha));
  EXPECT_FALSE(eng::EntityExists(hb));
  EXPECT_GT(ticks_alive, 70) << "passed the block and the bush, ended at the fence near z 65";
  EXPECT_LT(ticks_alive, 100);
}

TEST_F(Shells, EnemyShellsAgainstPlayerTanks) {
  g.player_count = 2;
  spawn_player2(g);
  const Handle p1 = g.p1_tank;
  const float x = eng::EntityX(p1), z = eng::EntityZ(p1);

  // During the spawn guard: a flash only.
  g.p1_spawn_guard = 100;
  shell(g.efire_list, x, z - 5);
  update_efire(g);
  EXPECT_TRUE(g.efire_list.empty());
  EXPECT_EQ(g.p1_lives, 3);
  EXPECT_EQ(g.flame_list.size(), 1u);
  EXPECT_EQ(g.p1_dying, 0);

  // Vulnerable: destroyed, one life less, stars lost, an explosion.
  g.p1_spawn_guard = 151;
  g.p1_star_level = 2;
  shell(g.efire_list, x, z - 5);
  update_efire(g);
  EXPECT_EQ(g.p1_lives, 2);
  EXPECT_EQ(g.p1_dying, 1);
  EXPECT_EQ(g.p1_star_level, 0);
  EXPECT_EQ(g.babah_list.size(), 1u);

  // Shielded: stops, nothing else.
  g.p1_dying = 0;
  g.p1_shield = 1;
  shell(g.efire_list, x, z - 5);
  update_efire(g);
  EXPECT_EQ(g.p1_lives, 2);
  g.p1_shield = 0;

  // Out of lives: shells pass the tank untouched.
  g.p1_lives = 0;
  g.p2_lives = 0;
  EFire& pass = shell(g.efire_list, x, z - 5);
  update_efire(g);
  EXPECT_FALSE(g.efire_list.empty());
  EXPECT_EQ(g.efire_list.first(), &pass);
}

TEST_F(Shells, LifeSharingRunsForEveryEnemyShellInTwoPlayerGames) {
  const struct {
    int players, p1, p2, p1_after, p2_after;
  } cases[] = {{2, 3, 0, 2, 1}, {2, 1, 0, 1, 0}, {2, 0, 4, 1, 3}, {1, 3, 0, 3, 0}};
  for (const auto& c : cases) {
    g.player_count = c.players;
    g.p1_lives = c.p1;
    g.p2_lives = c.p2;
    shell(g.efire_list, 50, 40);  // far from everything
    update_efire(g);
    EXPECT_EQ(g.p1_lives, c.p1_after) << c.players << " " << c.p1 << " " << c.p2;
    EXPECT_EQ(g.p2_lives, c.p2_after) << c.players << " " << c.p1 << " " << c.p2;
  }
}

TEST_F(Shells, ShellsCancelEachOther) {
  g.player_count = 2;
  Fire& f = shell(g.fire_list, 30, 0);
  EFire& e = shell(g.efire_list, 31, 0);
  resolve_shell_contacts(g);
  EXPECT_EQ(f.del, 1);
  EXPECT_EQ(e.del, 1);
  ASSERT_EQ(g.flame_list.size(), 1u);
  EXPECT_FLOAT_EQ(eng::EntityX(g.flame_list.first()->entity), 31) << "flash at the enemy shell";
  // The marked shells go in their own pass on the next tick.
  update_fire(g);
  update_efire(g);
  EXPECT_TRUE(g.fire_list.empty() && g.efire_list.empty());

  Fire& f2 = shell(g.fire_list, -30, 0);
  Fire2& s2 = shell(g.fire2_list, -31.5f, 0);
  resolve_shell_contacts(g);
  EXPECT_EQ(f2.del, 1);
  EXPECT_EQ(s2.del, 1);
  EXPECT_EQ(g.flame_list.size(), 1u) << "two player shells vanish without a flash";
  update_fire(g);
  update_fire2(g);
  EXPECT_TRUE(g.fire_list.empty() && g.fire2_list.empty());
}

TEST_F(Shells, DamagePerStarLevelAndKillCountingOnce) {
  const struct {
    int star;
    int type, life;
    std::vector<int> lives_after;  // Life after each hit; the last is the marker
  } cases[] = {{0, 4, 300, {200, 100, kKillMarker}},
               {2, 4, 300, {140, kKillMarker}},
               {1, 3, 150, {10, kKillMarker}},
               {2, 3, 150, {kKillMarker}},
               {0, 1, 100, {kKillMarker}}};
  float x = -40;  // each case 20 apart, clear of the wrecks before it
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "star " << c.star << " type " << c.type);
    x += 20;
    g.p1_star_level = c.star;
    g.p1_kills = 0;
    g.p1_kills_t1 = g.p1_kills_t3 = g.p1_kills_t4 = 0;
    g.enemies_on_field = 0;
    TankT& t = enemy(c.type, c.life, x, 40);
    for (int expected : c.lives_after) {
      shell(g.fire_list, x, 36);
      resolve_tank_hits(g);
      EXPECT_EQ(t.Life, expected);
      update_fire(g);  // frees the marked shell
    }
    EXPECT_EQ(g.p1_kills, 1);
    EXPECT_EQ(g.enemies_on_field, 0);
    EXPECT_EQ(g.p1_kills_t1 + g.p1_kills_t3 + g.p1_kills_t4, 1);
    EXPECT_EQ(c.type == 4 ? g.p1_kills_t4 : c.type == 3 ? g.p1_kills_t3 : g.p1_kills_t1, 1);
    update_enemies(g);
    EXPECT_TRUE(g.tank_list.empty()) << "the destroyed tank leaves the field";
  }
  EXPECT_EQ(g.wreck_list.size(), 5u);
  EXPECT_EQ(g.level_kills, 1);
}

TEST_F(Shells, TwoPlayersKillingTheSameTankInOneTickCountItOnce) {
  g.player_count = 2;
  TankT& t = enemy(1, 100, 30, 20);
  shell(g.fire_list, 30, 16);
  shell(g.fire2_list, 30, 24, 180);
  resolve_tank_hits(g);
  EXPECT_EQ(t.Life, kKillMarker) << "damage stops at the marker";
  EXPECT_EQ(g.p1_kills + g.p2_kills, 1);
  EXPECT_EQ(g.enemies_on_field, 0);
  EXPECT_EQ(g.fire2_list.first()->del, 1) << "the second shell still stops";
  update_enemies(g);
  EXPECT_TRUE(g.tank_list.empty());
  EXPECT_EQ(g.level_kills, 1);
}

TEST_F(Shells, ACarriedBonusIsReleasedOnTheFirstHitOnly) {
  TankT& t = enemy(4, 300, 30, 20);
  t.bonustn = 12;
  shell(g.fire_list, 30, 16);
  resolve_tank_hits(g);
  EXPECT_EQ(t.bonustn, 0);
  EXPECT_EQ(t.Life, 200);
}

TEST_F(Shells, BombCountsEveryTankOnTheFieldButNoType) {
  enemy(1, 100, -40, 40);
  enemy(3, 150, 0, 40);
  enemy(4, 300, 40, 40);
  g.bomb_pending = 1;
  resolve_tank_hits(g);
  EXPECT_EQ(g.bomb_kills, 3);
  EXPECT_EQ(g.level_kills, 3);
  EXPECT_EQ(g.enemies_on_field, 0);
  EXPECT_EQ(g.bomb_pending, 0);
  EXPECT_EQ(g.p1_kills_t1 + g.p1_kills_t3 + g.p1_kills_t4, 0);
  update_enemies(g);
  EXPECT_TRUE(g.tank_list.empty());
  EXPECT_EQ(g.wreck_list.size(), 3u);
}

TEST_F(Shells, WrecksAreShotOnlyWhileSomeTankIsOnTheField) {
  TankT& t = enemy(2, 100, -12.7f, 20);
  t.Life = kKillMarker;
  update_enemies(g);
  ASSERT_EQ(g.wreck_list.size(), 1u);
  EXPECT_EQ(g.wreck_list.first()->x, -12) << "truncated toward zero";
  update_wrecks(g);

  Fire& f = shell(g.fire_list, -12, 17);
  resolve_tank_hits(g);
  EXPECT_EQ(g.wreck_list.size(), 1u) << "no tank: the wreck test does not run";
  EXPECT_EQ(f.del, 0);

  enemy(1, 100, 50, 50);
  resolve_tank_hits(g);
  EXPECT_TRUE(g.wreck_list.empty());
  EXPECT_EQ(f.del, 1);
}

}  // namespace
}  // namespace ifold
