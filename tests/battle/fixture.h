// A small but complete data tree for battlefield tests, written into a fresh
// temporary folder: every model is a little double-sided box (the fence a ring
// of inward walls at +-65), every image a tiny PNG (the decoders go by
// content), a level map and a roster. The test runs with that folder as its
// working directory on the virtual backend, headless.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/level_load.h"
#include "app/level_play.h"
#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/media/model.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace ifold::testing_fixture {

namespace fs = std::filesystem;

// Adds an axis-aligned box (both windings, so either side collides) to a mesh node.
inline void add_box(eng::ModelMesh& mesh, float x0, float y0, float z0, float x1, float y1,
                    float z1) {
  const int base = static_cast<int>(mesh.vertices.size());
  for (int i = 0; i < 8; ++i) {
    eng::ModelVertex v;
    v.x = (i & 1) ? x1 : x0;
    v.y = (i & 2) ? y1 : y0;
    v.z = (i & 4) ? z1 : z0;
    v.u = (i & 1) ? 1.f : 0.f;
    v.v = (i & 4) ? 1.f : 0.f;
    mesh.vertices.push_back(v);
  }
  static constexpr int kFaces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                       {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  if (mesh.surfaces.empty()) mesh.surfaces.emplace_back();
  auto& tris = mesh.surfaces[0].triangles;
  for (const auto& f : kFaces) {
    const int a = base + f[0], b = base + f[1], c = base + f[2], d = base + f[3];
    tris.push_back({a, b, c});
    tris.push_back({a, c, d});
    tris.push_back({a, c, b});
    tris.push_back({a, d, c});
  }
}

inline eng::Model box_model(float half) {
  eng::Model m;
  m.root.name = "box";
  m.root.has_mesh = true;
  add_box(m.root.mesh, -half, -half, -half, half, half, half);
  return m;
}

inline eng::Model fence_model() {
  eng::Model m;
  m.root.name = "fence";
  m.root.has_mesh = true;
  add_box(m.root.mesh, -70, -2, 65, 70, 6, 70);    // top
  add_box(m.root.mesh, -70, -2, -70, 70, 6, -65);  // bottom
  add_box(m.root.mesh, 65, -2, -65, 70, 6, 65);    // right
  add_box(m.root.mesh, -70, -2, -65, -65, 6, 65);  // left
  return m;
}

inline const char* const kModels[] = {
    "models/plane.b3d",     "models/help1b.b3d",        "models/help2b.b3d",
    "models/bonusstar.b3d", "models/bonustime.b3d",     "models/bonuslife.b3d",
    "models/bonusbomb.b3d", "models/bonusstab.b3d",     "models/bonusgod.b3d",
    "models/t-34c.b3d",     "models/ecran7e.b3d",       "models/elefant-08-01.b3d",
    "models/hetcer-08.b3d", "models/tiger-08b.b3d",     "models/stug-081.b3d",
    "models/iblock.b3d",    "models/dot.b3d",           "models/bunker.b3d",
    "models/kust00.b3d",    "models/kust01.b3d",        "models/cross.b3d",
    "models/sv.b3d",        "models/rstar2.b3d",        "models/shell.b3d",
    "models/101.b3d",       "models/201.b3d",           "models/301.b3d",
    "models/501.b3d",       "models/pwup.b3d",          "models/life.b3d",
    "models/vic.b3d",       "models/def.b3d"};

inline const char* const kImages[] = {
    "tex/tmost.jpg",           "tex/sand.bmp",
    "tex/snow.bmp",            "gui/help.png",
    "models/t34-08-128-3.tga", "models/t34-08-128-3r.tga",
    "models/t34-08-128-1dot3.tga",
    "models/elephant-128.tga", "models/elephant-128w.tga",
    "models/elephant-128dot3.tga",
    "models/hetcer-128.tga",   "models/hetcer-128w.tga",
    "models/hetcer-128dot3.tga",
    "models/tigr-08-1.tga",    "models/tigr-08-1w.tga",
    "models/tigr-08-1dot3.tga",
    "models/stug-08-01.tga",   "models/stug-08-01w.tga",
    "models/stug-08-01dot3.tga",
    "tex/wall64.tga",          "tex/ewall64.tga",
    "tex/swall64.tga",         "tex/wall64dot3.tga",
    "models/dot.tga",          "models/dotd.tga",
    "models/dotdot3.tga",      "models/dotddot3.tga",
    "tex/firespriter16.bmp",   "tex/firespritee16.bmp",
    "tex/firespriteb16.bmp",   "tex/beton16.bmp",
    "tex/firesprite16n.bmp",   "tex/firespriteg16.bmp",
    "tex/firesprite16.bmp",    "tex/firesprite.bmp",
    "tex/bax.png",             "gui/serp128.png"};

struct MapItem {
  float x, z, type;
};

inline std::vector<std::uint8_t> map_bytes(std::int32_t count, const std::vector<MapItem>& items) {
  std::vector<std::uint8_t> out(4);
  std::memcpy(out.data(), &count, 4);
  for (const MapItem& it : items) {
    const float f[3] = {it.x, it.z, it.type};
    const auto* p = reinterpret_cast<const std::uint8_t*>(f);
    out.insert(out.end(), p, p + 12);
  }
  return out;
}

inline void write_bytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<std::streamsize>(bytes.size()));
}

inline void write_text(const fs::path& p, const std::string& s) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << s;
}

// A temporary working directory holding the data tree; restores the old one.
class DataTree {
 public:
  DataTree() {
    char tmpl[] = "/tmp/ifold_battle_XXXXXX";
    root_ = mkdtemp(tmpl);
    old_cwd_ = fs::current_path();
    eng::Image img;
    img.width = img.height = 4;
    img.rgba.assign(4 * 4 * 4, 200);
    for (const char* f : kImages) {
      fs::create_directories((root_ / f).parent_path());
      EXPECT_TRUE(eng::write_png((root_ / f).string(), img)) << f;
    }
    const eng::Model box = box_model(1);
    for (const char* f : kModels) {
      fs::create_directories((root_ / f).parent_path());
      EXPECT_TRUE(eng::save_b3d_file((root_ / f).string(), box)) << f;
    }
    EXPECT_TRUE(eng::save_b3d_file((root_ / "models/ograda3.b3d").string(), fence_model()));
    // Level 1 of both sets: one brick cell, one concrete block, a block and a bush.
    const auto level1 = map_bytes(4, {{-40, 20, 1}, {40, 20, 2}, {0, 0, 3}, {-20, 0, 4}});
    write_bytes(root_ / "level/classic/level1.map", level1);
    write_bytes(root_ / "level/extended/level1.map", level1);
    std::string roster;
    for (int k = 0; k < 20; ++k) roster += std::to_string(k % 4) + "\n";
    for (int d = 0; d <= 9; ++d) write_text(root_ / ("level/level" + std::to_string(d) + ".rsp"), roster);
    fs::current_path(root_);
  }
  ~DataTree() {
    std::error_code ec;
    fs::current_path(old_cwd_, ec);
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
  fs::path old_cwd_;
};

// A fresh headless world on the virtual backend, with the fixture data tree.
class BattleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    eng::UsePlatform(std::make_unique<eng::VirtualPlatform>());
    eng::ClearWorld(true, true);
    eng::ClearCollisions();
    eng::SeedRnd(7);
    tree_ = std::make_unique<DataTree>();
    g.game_state = 1;
    g.player_count = 1;
    g.view_mode = 1;
  }
  void TearDown() override {
    eng::ClearWorld(true, true);
    tree_.reset();
  }

  eng::VirtualPlatform& platform() {
    return static_cast<eng::VirtualPlatform&>(eng::CurrentPlatform());
  }
  eng::InputState& keys() { return eng::CurrentPlatform().input(); }

  // State 1, then the start of state 2, without the frame loop.
  void load_and_start() {
    load_level(g);
    start_level_play(g);
  }
  // Ends the players' spawn guards so their passes run from the next tick.
  void activate_players() {
    g.p1_spawn_guard = 151;
    g.p2_spawn_guard = 151;
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) run_tick(g);
  }

  Game g;
  std::unique_ptr<DataTree> tree_;
};

}  // namespace ifold::testing_fixture
