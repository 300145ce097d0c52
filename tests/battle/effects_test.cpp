// Effect lifetimes, thresholds and scale steps; burning wrecks.
#include <gtest/gtest.h>

#include <functional>

#include "battle/fixture.h"
#include "combat/effects.h"
#include "engine/scene/scene_internal.h"
#include "tanks/enemy.h"
#include "world/creators.h"

namespace ifold {
namespace {

using testing_fixture::BattleTest;

struct Look {
  bool exists, hidden;
  float alpha, sx, sy;
};

Look look(Handle h) {
  eng::scene::Entity* e = eng::scene::find(h);
  if (!e) return {false, false, 0, 0, 0};
  return {true, eng::EntityHidden(h), e->alpha, e->sprite_sx, e->sprite_sy};
}

class Effects : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    load_level(g);
  }
  // Runs passes until the entity is freed; returns the looks after each pass.
  std::vector<Look> life(std::function<void()> make, std::function<Handle()> entity,
                         std::function<void()> pass) {
    make();
    const Handle h = entity();
    std::vector<Look> looks;
    while (looks.size() < 100) {
      pass();
      looks.push_back(look(h));
      if (!looks.back().exists) break;
    }
    return looks;
  }
};

TEST_F(Effects, EachKindLivesItsNumberOfPasses) {
  const struct {
    const char* name;
    std::function<void(Game&)> make, pass;
    std::function<Handle(Game&)> entity;
    size_t lived;
  } kinds[] = {
      {"red_kirp", [](Game& g) { create_red_kirp(g, 0, 5, 0, g.debris_sprite); }, update_red_kirp,
       [](Game& g) { return g.red_kirp_list.first()->entity; }, 38},
      {"babah", [](Game& g) { create_babah(g, 0, 2, 0, g.explosion_sprite); }, update_babah,
       [](Game& g) { return g.babah_list.first()->entity; }, 43},
      {"spark", [](Game& g) { create_spark(g, 0, 2, 0, g.muzzle_sprite); }, update_spark,
       [](Game& g) { return g.spark_list.first()->entity; }, 46},
      {"flame", [](Game& g) { create_flame(g, 0, 5, 0, g.flash_sprite); }, update_flame,
       [](Game& g) { return g.flame_list.first()->entity; }, 10},
      {"dym", [](Game& g) { create_dym(g, 0, 3, 0, g.smoke_sprite); }, update_dym,
       [](Game& g) { return g.dym_list.first()->entity; }, 34},
      {"hell_fire", [](Game& g) { create_hell_fire(g, 0, 4, 0, g.fire_sprite); }, update_hell_fire,
       [](Game& g) { return g.hell_fire_list.first()->entity; }, 13},
  };
  for (const auto& k : kinds) {
    auto looks = life([&] { k.make(g); }, [&] { return k.entity(g); }, [&] { k.pass(g); });
    EXPECT_EQ(looks.size(), k.lived) << k.name << ": freed on this pass";
    EXPECT_FALSE(looks.back().exists) << k.name;
  }
  EXPECT_TRUE(g.red_kirp_list.empty() && g.babah_list.empty() && g.spark_list.empty() &&
              g.flame_list.empty() && g.dym_list.empty() && g.hell_fire_list.empty());
}

TEST_F(Effects, FlameGrowsInStepsAndBabahHidesBeforeItGoes) {
  auto flame = life([&] { create_flame(g, 0, 5, 0, g.flash_sprite); },
                    [&] { return g.flame_list.first()->entity; }, [&] { update_flame(g); });
  const float expect[9][2] = {{1, 2}, {2, 3}, {3, 3}, {3, 4}, {3, 4}, {3, 4}, {4, 4}, {4, 4}, {4, 4}};
  for (int i = 0; i < 9; ++i) {
    EXPECT_FLOAT_EQ(flame[i].sx, expect[i][0]) << "pass " << i + 1;
    EXPECT_FLOAT_EQ(flame[i].sy, expect[i][1]) << "pass " << i + 1;
    EXPECT_FLOAT_EQ(flame[i].alpha, 0.99f);
  }
  EXPECT_FALSE(flame[8].hidden) << "0.46 is above 0.4";

  auto babah = life([&] { create_babah(g, 0, 2, 0, g.explosion_sprite); },
                    [&] { return g.babah_list.first()->entity; }, [&] { update_babah(g); });
  ASSERT_EQ(babah.size(), 43u);
  EXPECT_FALSE(babah[38].hidden) << "39th pass";
  EXPECT_TRUE(babah[39].hidden && babah[40].hidden && babah[41].hidden) << "40th to 42nd";
  EXPECT_FLOAT_EQ(babah[38].sx, 11);

  auto spark = life([&] { create_spark(g, 0, 2, 0, g.muzzle_sprite); },
                    [&] { return g.spark_list.first()->entity; }, [&] { update_spark(g); });
  EXPECT_NEAR(spark[0].alpha, 0.98f, 1e-6) << "drawn with the countdown";
  EXPECT_NEAR(spark[44].alpha, 0.1f, 1e-4);
  EXPECT_FALSE(spark[0].hidden) << "a spark shows from its creation";
}

TEST_F(Effects, SmokeAndFireFlickerWithinTheirRanges) {
  create_dym(g, 0, 3, 0, g.smoke_sprite);
  create_hell_fire(g, 0, 4, 0, g.fire_sprite);
  const Handle smoke = g.dym_list.first()->entity, fire = g.hell_fire_list.first()->entity;
  float alpha = 1;
  int big = 0, small = 0;
  for (int pass = 1; pass <= 33; ++pass) {
    update_dym(g);
    update_hell_fire(g);
    alpha -= 0.015f;
    const Look s = look(smoke), f = look(fire);
    ASSERT_TRUE(s.exists) << pass;
    if (alpha < 0.7f) {
      ++big;
      EXPECT_TRUE(s.sx >= 3 && s.sx < 3.6f && s.sy >= 3 && s.sy < 3.6f) << pass;
    } else if (alpha < 0.8f) {
      ++small;
      EXPECT_TRUE(s.sx >= 1.5f && s.sx < 1.9f && s.sy >= 1.5f && s.sy < 1.9f) << pass;
    }
    if (pass >= 8 && f.exists) {  // fire countdown below 0.5
      EXPECT_TRUE((f.sx == 2 || f.sx == 3) && (f.sy == 2 || f.sy == 3)) << pass;
    } else if (pass >= 2 && f.exists) {
      EXPECT_FLOAT_EQ(f.sx, 1.5f) << pass;
    }
  }
  EXPECT_GT(big, 5);
  EXPECT_GT(small, 5);
}

TEST_F(Effects, WreckBurnsShowsItsPointsRisingAndGoesAfter750Passes) {
  TankT& t = g.tank_list.add(CreateTank(g, 2, 100, 0, 0, 0));
  eng::PositionEntity(t.Entity, -12.7f, 1.5f, 30.2f);
  t.Life = kKillMarker;
  update_enemies(g);
  ASSERT_EQ(g.wreck_list.size(), 1u);
  ostov& w = *g.wreck_list.first();
  EXPECT_EQ(w.x, -12);
  EXPECT_EQ(w.z, 30);
  EXPECT_EQ(g.babah_list.size(), 1u);
  const Handle entity = w.entity, points = w.fly_score;
  EXPECT_TRUE(eng::EntityHidden(points));
  EXPECT_EQ(eng::GetEntityType(entity), 4) << "a wreck blocks tanks like an enemy";

  update_wrecks(g);
  EXPECT_FLOAT_EQ(eng::EntityX(entity), -12);
  EXPECT_NEAR(eng::EntityY(points), 6.5f + 0.04f, 1e-4);
  EXPECT_FALSE(eng::EntityHidden(points));
  EXPECT_EQ(g.dym_list.size(), 1u);
  EXPECT_EQ(g.hell_fire_list.size(), 1u);
  for (int pass = 2; pass <= 89; ++pass) update_wrecks(g);
  EXPECT_NEAR(eng::EntityY(points), 6.5f + 0.04f * 89, 1e-3);
  EXPECT_FALSE(eng::EntityHidden(points));
  update_wrecks(g);
  EXPECT_TRUE(eng::EntityHidden(points)) << "hidden from the 90th pass";
  for (int pass = 91; pass <= 749; ++pass) update_wrecks(g);
  EXPECT_TRUE(eng::EntityExists(entity));
  update_wrecks(g);
  EXPECT_FALSE(eng::EntityExists(entity)) << "freed on the 750th pass";
  EXPECT_FALSE(eng::EntityExists(points));
  EXPECT_TRUE(g.wreck_list.empty());
}

}  // namespace
}  // namespace ifold
