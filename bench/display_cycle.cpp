// Cost of one close-and-reopen display cycle (the options screen does one per
// applied change). Run under a display, e.g.:
//   xvfb-run -a -s "-screen 0 1920x1440x24" bench_display_cycle
// The "median" line is the figure to read.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "engine/platform/sdl/sdl_platform.h"

namespace {

void BM_DisplayCycle(benchmark::State& state) {
  eng::SdlPlatform platform;
  platform.set_title("Ironfold display cycle");
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  int ow = 0, oh = 0;
  if (!platform.open_display({.width = w, .height = h, .mode = 2}, ow, oh)) {
    state.SkipWithError("no display");
    return;
  }
  for (auto _ : state) {
    platform.close_display();
    if (!platform.open_display({.width = w, .height = h, .mode = 2}, ow, oh)) {
      state.SkipWithError("reopen failed");
      return;
    }
    platform.present(0);  // the first frame of the new window is part of the cost
  }
  platform.close_display();
}
BENCHMARK(BM_DisplayCycle)
    ->Args({800, 600})
    ->Args({1920, 1080})
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
