// Cost of one game tick on a busy battlefield, and of loading a busy level.
//
//   bench_tick [--benchmark_filter=...]
//   Data tree: $IFOLD_DATA, else ../data beside the binary (run the asset
//   generator first).
//
//   BM_TickBusyField   two players firing, 20 shells, 4 enemy tanks and 300 effect
//                      sprites on level 1; the figure is the median tick
//                      ("tick_median_ms"; budget 0.2 ms, a tick is 13.333 ms)
//   BM_LevelLoad       state 1 (all loaders, the map, the roster) for the level
//                      with the most map entries (budget 200 ms); teardown untimed
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/game.h"
#include "app/level_load.h"
#include "app/level_play.h"
#include "combat/effects.h"
#include "combat/shells.h"
#include "engine/engine.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"
#include "world/collisions.h"
#include "world/creators.h"

namespace fs = std::filesystem;
using namespace ifold;

namespace {

fs::path data_dir() {
  if (const char* env = std::getenv("IFOLD_DATA")) return env;
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "data";
  buf[n] = 0;
  return fs::path(buf).parent_path().parent_path() / "data";
}

bool enter_data_dir(benchmark::State& state) {
  std::error_code ec;
  fs::current_path(data_dir(), ec);
  if (ec || !fs::exists("level")) {
    state.SkipWithError("no data tree: set IFOLD_DATA or build the data beside the binary");
    return false;
  }
  eng::UsePlatform(std::make_unique<eng::VirtualPlatform>());
  eng::SeedRnd(1);
  return true;
}

// Shells at brick height in random directions, from random open spots.
template <class T>
void add_shell(Game& g, RecordList<T>& list) {
  eng::RotateEntity(g.p1_shell_template, 0, float(eng::Rand(0, 3) * 90), 0, true);
  T& s = list.add();
  s.entity = eng::CopyEntity(g.p1_shell_template);
  eng::ShowEntity(s.entity);
  eng::PositionEntity(s.entity, eng::Rnd(-55, 55), 3.93f, eng::Rnd(-40, 55));
  eng::ResetEntity(s.entity);
}

size_t effect_count(const Game& g) {
  return g.red_kirp_list.size() + g.babah_list.size() + g.spark_list.size() +
         g.flame_list.size() + g.dym_list.size() + g.hell_fire_list.size();
}

// Keeps the field busy between measured ticks.
void top_up(Game& g) {
  while (g.fire_list.size() + g.fire2_list.size() + g.efire_list.size() < 20) {
    switch (eng::Rand(0, 2)) {
      case 0: add_shell(g, g.fire_list); break;
      case 1: add_shell(g, g.fire2_list); break;
      default: add_shell(g, g.efire_list); break;
    }
  }
  while (effect_count(g) < 300) {
    const float x = eng::Rnd(-60, 60), z = eng::Rnd(-60, 60);
    switch (eng::Rand(0, 5)) {
      case 0: create_red_kirp(g, x, 5, z, g.debris_sprite); break;
      case 1: create_babah(g, x, 2, z, g.explosion_sprite); break;
      case 2: create_spark(g, x, 3, z, g.muzzle_sprite); break;
      case 3: create_flame(g, x, 5, z, g.flash_sprite); break;
      case 4: create_dym(g, x, 3, z, g.smoke_sprite); break;
      default: create_hell_fire(g, x, 4, z, g.fire_sprite); break;
    }
  }
  for (TankT* t : g.tank_list.records()) t->Life = 10'000;  // they stay on the field
  g.p1_lives = g.p2_lives = 3;
  g.p1_dying = g.p2_dying = 0;
  g.p1_spawn_guard = g.p2_spawn_guard = 151;
  g.level_over = 0;
}

void start_busy_level(Game& g) {
  g.level_number = 1;
  g.level_set = 1;
  g.player_count = 2;
  g.view_mode = 2;
  load_level(g);
  start_level_play(g);
  const float xs[4] = {-60, 0, 60, -30};
  for (float x : xs) {
    TankT& t = g.tank_list.add(CreateTank(g, 3, 10'000, 0, 0, 0));
    eng::PositionEntity(t.Entity, x, 1.5f, 60);
    eng::ResetEntity(t.Entity);
  }
  auto& in = eng::CurrentPlatform().input();
  in.press(eng::KEY_RCTRL);
  in.press(eng::KEY_LCTRL);
  in.press(eng::KEY_UP);
  in.press('W');
}

void BM_TickBusyField(benchmark::State& state) {
  if (!enter_data_dir(state)) return;
  auto g = std::make_unique<Game>();
  start_busy_level(*g);
  std::vector<double> samples;
  int since_reload = 0;
  for (auto _ : state) {
    if (++since_reload == 400) {  // the shells wear the field down: start afresh now and then
      finish_level_play(*g);
      g = std::make_unique<Game>();
      start_busy_level(*g);
      since_reload = 0;
    }
    top_up(*g);
    const auto t0 = std::chrono::steady_clock::now();
    run_tick(*g);
    const auto t1 = std::chrono::steady_clock::now();
    const double s = std::chrono::duration<double>(t1 - t0).count();
    samples.push_back(s);
    state.SetIterationTime(s);
  }
  std::sort(samples.begin(), samples.end());
  const double median = samples[samples.size() / 2] * 1e3;
  const double p90 = samples[samples.size() * 9 / 10] * 1e3;
  state.counters["tick_median_ms"] = median;
  state.counters["tick_p90_ms"] = p90;
  state.counters["budget_ratio"] = median / 0.2;
  state.counters["sprites"] = double(effect_count(*g));
  state.counters["live_entities"] = eng::LiveEntityCount();
  std::printf("tick on a busy field: median %.4f ms, p90 %.4f ms (budget 0.2 ms; %zu ticks)\n",
              median, p90, samples.size());
  finish_level_play(*g);
}
BENCHMARK(BM_TickBusyField)->UseManualTime()->Iterations(4000)->Unit(benchmark::kMicrosecond);

void BM_LevelLoad(benchmark::State& state) {
  if (!enter_data_dir(state)) return;
  // The level with the most map entries.
  int best_level = 1, best_set = 1;
  std::uintmax_t best_size = 0;
  for (int set : {1, 2}) {
    const fs::path dir = set == 1 ? "level/classic" : "level/extended";
    for (int n = 1; n <= 99; ++n) {
      std::error_code ec;
      const auto size = fs::file_size(dir / ("level" + std::to_string(n) + ".map"), ec);
      if (!ec && size > best_size) best_size = size, best_level = n, best_set = set;
    }
  }
  std::vector<double> samples;
  for (auto _ : state) {
    Game g;
    g.level_number = best_level;
    g.level_set = best_set;
    g.player_count = 2;
    const auto t0 = std::chrono::steady_clock::now();
    load_level(g);
    const auto t1 = std::chrono::steady_clock::now();
    const double s = std::chrono::duration<double>(t1 - t0).count();
    samples.push_back(s);
    state.SetIterationTime(s);
    state.counters["items"] = double(g.brick_list.size() + g.concrete_list.size() +
                                     g.block_list.size() + g.bush_list.size());
    teardown_world(g);
  }
  std::sort(samples.begin(), samples.end());
  const double median = samples[samples.size() / 2] * 1e3;
  state.counters["load_median_ms"] = median;
  state.counters["budget_ratio"] = median / 200.0;
  std::printf("level load (set %d level %d, %ju map bytes): median %.2f ms (budget 200 ms)\n",
              best_set, best_level, best_size, median);
}
BENCHMARK(BM_LevelLoad)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
