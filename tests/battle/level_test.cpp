// Level load, the map builders, the base fortification, missing data, and the
// teardown that leaves nothing of the level alive.
#include <gtest/gtest.h>

#include "battle/fixture.h"
#include "engine/scene/scene_internal.h"
#include "world/collisions.h"
#include "world/data_error.h"
#include "world/level_map.h"

namespace ifold {
namespace {

using testing_fixture::BattleTest;
using testing_fixture::map_bytes;
using testing_fixture::write_bytes;
namespace fs = std::filesystem;

std::string texture_name(Handle entity) {
  eng::scene::Entity* e = eng::scene::find(entity);
  if (!e || !e->tex[0]) return "";
  return e->tex[0]->name;
}

using LevelLoad = BattleTest;

TEST_F(LevelLoad, BuildsTheMapIntoTheListsInFileOrder) {
  load_level(g);
  EXPECT_EQ(g.game_state, 2);
  ASSERT_EQ(g.brick_list.size(), 4u);
  const float expect[4][2] = {{-42.5f, 17.5f}, {-37.5f, 17.5f}, {-37.5f, 22.5f}, {-42.5f, 22.5f}};
  auto bricks = g.brick_list.records();
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(eng::EntityX(bricks[i]->entity), expect[i][0]) << i;
    EXPECT_FLOAT_EQ(eng::EntityY(bricks[i]->entity), 3);
    EXPECT_FLOAT_EQ(eng::EntityZ(bricks[i]->entity), expect[i][1]) << i;
    EXPECT_FALSE(eng::EntityHidden(bricks[i]->entity)) << "copies of hidden templates show";
  }
  ASSERT_EQ(g.concrete_list.size(), 1u);
  EXPECT_EQ(g.concrete_list.first()->hit, 100);
  EXPECT_FLOAT_EQ(eng::EntityY(g.concrete_list.first()->entity), 0.7f);
  ASSERT_EQ(g.block_list.size(), 1u);
  EXPECT_FLOAT_EQ(eng::EntityY(g.block_list.first()->entity), 1.5f);
  ASSERT_EQ(g.bush_list.size(), 1u);
  EXPECT_FLOAT_EQ(eng::EntityY(g.bush_list.first()->entity), 5);
  EXPECT_EQ(eng::GetEntityType(g.brick_list.first()->entity), 5) << "copies keep the type";

  ASSERT_EQ(g.roster_list.size(), 20u);
  EXPECT_EQ(g.roster_array[1].t_tank_resp, 0);
  EXPECT_EQ(g.roster_array[4].t_tank_resp, 3);
  EXPECT_EQ(g.roster_array[20].t_tank_resp, 3);

  EXPECT_TRUE(eng::EntityHidden(g.brick_template));
  EXPECT_TRUE(eng::EntityHidden(g.p2_tank));
  EXPECT_FALSE(eng::EntityHidden(g.p1_tank));
  EXPECT_FLOAT_EQ(eng::EntityZ(g.base_entity), -60);
}

TEST_F(LevelLoad, EveryEntryTypeBuildsItsItems) {
  const struct {
    int type;
    size_t bricks, concrete, blocks, bushes;
  } cases[] = {{1, 4, 0, 0, 0}, {2, 0, 1, 0, 0}, {3, 0, 0, 1, 0}, {4, 0, 0, 0, 1},
               {5, 2, 0, 0, 0}, {6, 2, 0, 0, 0}, {7, 2, 0, 0, 0}, {8, 2, 0, 0, 0},
               {9, 0, 1, 0, 0}, {12, 0, 1, 0, 0}, {13, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
               {-1, 0, 0, 0, 0}};
  load_level(g);
  for (const auto& c : cases) {
    const size_t b0 = g.brick_list.size(), c0 = g.concrete_list.size();
    const size_t k0 = g.block_list.size(), s0 = g.bush_list.size();
    build_map_entry(g, MapEntry{10, 10, c.type});
    EXPECT_EQ(g.brick_list.size() - b0, c.bricks) << c.type;
    EXPECT_EQ(g.concrete_list.size() - c0, c.concrete) << c.type;
    EXPECT_EQ(g.block_list.size() - k0, c.blocks) << c.type;
    EXPECT_EQ(g.bush_list.size() - s0, c.bushes) << c.type;
  }
  // Half cells: the upper half of (10, 10) is at z 12.5, the left half at x 7.5.
  const size_t before = g.brick_list.size();
  build_map_entry(g, MapEntry{10, 10, 5});
  build_map_entry(g, MapEntry{10, 10, 7});
  auto bricks = g.brick_list.records();
  EXPECT_FLOAT_EQ(eng::EntityZ(bricks[before]->entity), 12.5f);
  EXPECT_FLOAT_EQ(eng::EntityX(bricks[before]->entity), 12.5f);
  EXPECT_FLOAT_EQ(eng::EntityX(bricks[before + 2]->entity), 7.5f);
  EXPECT_FLOAT_EQ(eng::EntityZ(bricks[before + 3]->entity), 7.5f);
}

TEST_F(LevelLoad, ConcreteTurnsByPosition) {
  load_level(g);
  const struct {
    float x, z, yaw;
  } cases[] = {{10, 0, -90}, {-10, 0, 90}, {0, 0, 0}, {10, 20, 0}, {10, -20, 180}};
  for (const auto& c : cases) {
    place_concrete(g, c.x, c.z);
    bbox* b = g.concrete_list.records().back();
    EXPECT_FLOAT_EQ(eng::EntityYaw(b->entity), c.yaw) << c.x << "," << c.z;
  }
}

TEST_F(LevelLoad, EmptyMapAndBaseWall) {
  write_bytes(tree_->root() / "level/classic/level2.map", map_bytes(0, {}));
  g.level_number = 2;
  load_and_start();
  EXPECT_EQ(g.concrete_list.size(), 0u);
  ASSERT_EQ(g.brick_list.size(), 8u) << "only the ring around the base";
  EXPECT_FLOAT_EQ(eng::EntityX(g.brick_list.first()->entity), 7.5f);
  EXPECT_FLOAT_EQ(eng::EntityZ(g.brick_list.first()->entity), -62.5f);
  EXPECT_FLOAT_EQ(eng::EntityX(g.brick_list.records()[7]->entity), -7.5f);
  EXPECT_EQ(g.level_number, 2);
}

TEST_F(LevelLoad, MissingMapFallsBackToLevelOneOfTheSet) {
  // Level 36 does not exist: the loaders before the map follow digit 6 (sand),
  // the debris sprite and the roster after it follow level 1.
  g.level_set = 2;
  g.level_number = 36;
  load_level(g);
  EXPECT_EQ(g.level_number, 1);
  EXPECT_EQ(g.map_file_name, "level\\extended\\level1.map");
  EXPECT_FLOAT_EQ(g.ground_grip, 0.75f);
  EXPECT_NE(texture_name(g.debris_sprite).find("firespriter16"), std::string::npos)
      << texture_name(g.debris_sprite);
  EXPECT_NE(texture_name(g.terrain_mesh).find("sand"), std::string::npos);
}

TEST_F(LevelLoad, MissingOrDamagedDataEndsWithAMessageNamingTheFile) {
  const struct {
    const char* remove;     // deleted before loading (or nullptr)
    const char* garble;     // overwritten with junk (or nullptr)
    const char* message;    // part of the message
  } cases[] = {
      {"level/classic/level1.map", nullptr, "level/classic/level1.map"},
      {"level/level1.rsp", nullptr, "level/level1.rsp"},
      {"models/t-34c.b3d", nullptr, "models/t-34c.b3d"},
      {nullptr, "models/dot.b3d", "models/dot.b3d"},
      {nullptr, "tex/wall64.tga", "tex/wall64.tga"},
      {"tex/bax.png", nullptr, "tex/bax.png"},
      {nullptr, "tex/firesprite.bmp", "tex/firesprite.bmp"},
  };
  for (const auto& c : cases) {
    testing_fixture::DataTree tree;  // fresh tree, now the working directory
    if (c.remove) fs::remove(tree.root() / c.remove);
    if (c.garble) testing_fixture::write_text(tree.root() / c.garble, "not an asset at all");
    Game fresh;
    fresh.level_number = 3;  // level 3 has no map either: the fallback is level 1
    try {
      load_level(fresh);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const FatalDataError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_NE(fresh.game_state, 2);
    eng::ClearWorld(true, true);
  }
}

TEST_F(LevelLoad, FortifyTwiceThenUnfortifyRemovesEveryBlockAtTheFivePlaces) {
  load_level(g);
  place_concrete(g, 30, 30);  // elsewhere: stays
  const size_t before = g.concrete_list.size();
  fortify_base(g);
  fortify_base(g);
  EXPECT_EQ(g.concrete_list.size(), before + 10);
  EXPECT_FALSE(eng::EntityHidden(g.bunker_mesh));
  for (bbox* b : g.concrete_list.records()) {
    const float alpha = eng::scene::find(b->entity)->alpha;
    if (eng::EntityZ(b->entity) < -50)
      EXPECT_EQ(alpha, 0.f);
    else
      EXPECT_EQ(alpha, 1.f);
  }
  g.concrete_list.first()->del = 1;  // struck to destruction by a shell: goes now too
  unfortify_base(g);
  EXPECT_EQ(g.concrete_list.size(), before - 1);
  EXPECT_TRUE(eng::EntityHidden(g.bunker_mesh));
}

TEST_F(LevelLoad, TeardownLeavesNothingOfTheLevelAlive) {
  g.level_won = 0;
  g.p1_star_level = 2;
  load_and_start();
  fortify_base(g);
  activate_players();
  keys().press(eng::KEY_RCTRL);
  ticks(30);
  EXPECT_GT(eng::LiveEntityCount(), 50);
  g.level_over = 1;
  ticks(3);
  finish_level_play(g);
  EXPECT_EQ(eng::LiveEntityCount(), 0);
  EXPECT_EQ(eng::LiveTextureCount(), 0);
  EXPECT_EQ(g.game_state, 3);
  EXPECT_TRUE(g.brick_list.empty() && g.concrete_list.empty() && g.fire_list.empty() &&
              g.spark_list.empty() && g.hell_fire_list.empty() && g.roster_list.empty());
  EXPECT_EQ(g.roster_array[4].t_tank_resp, 3) << "the roster array is kept";
  EXPECT_EQ(g.p1_star_level, 0) << "a lost level takes the stars";
  EXPECT_EQ(g.level_over, 0);
  EXPECT_EQ(g.end_counter, 0);
  EXPECT_EQ(g.p1_reload, 0);
  EXPECT_EQ(g.game_camera, 0);
  EXPECT_EQ(g.p1_tank, 0);

  // A won level keeps the stars and moves on; the next load starts from nothing.
  g.game_state = 1;
  g.level_won = 1;
  g.p1_star_level = 2;
  load_and_start();
  EXPECT_EQ(g.concrete_list.size(), 1u) << "no leftover fortification";
  finish_level_play(g);
  EXPECT_EQ(g.p1_star_level, 2);
  EXPECT_EQ(g.level_number, 2);
  EXPECT_EQ(eng::LiveEntityCount(), 0);
  EXPECT_EQ(eng::LiveTextureCount(), 0);
}

}  // namespace
}  // namespace ifold
