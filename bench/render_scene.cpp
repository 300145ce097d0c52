// Frames per second of the engine's RenderWorld at 1024x768 on the hidden GL
// window of the virtual backend (under Xvfb: Mesa's software renderer).
//  (a) 500 lit, textured cubes and 300 blended sprites seen from above
//  (b) 100 separate meshes of 2,000 triangles each
// Each frame is RenderWorld, Flip(0) and glFinish, so the GPU work is counted.
#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/render/render.h"
#include "engine/system.h"
#include "scene_a.h"

using namespace eng;

namespace {

constexpr int kW = 1024, kH = 768;

bool open_display() {
  if (render::gl_ready()) return true;
  VirtualConfig cfg;
  cfg.render = true;
  UsePlatform(std::make_unique<VirtualPlatform>(cfg));
  return Graphics3D(kW, kH, 0, 2, 60) && render::gl_ready();
}

// Scene (a): the battlefield load seen by the top camera (shared with the bare loop).
void build_scene_a() { bench_scene::build_engine_scene(); }

// Scene (b): 100 distinct meshes of 2,000 triangles (lat-long spheres).
void build_scene_b() {
  ClearWorld(true, true);
  Handle cam = CreateCamera();
  PositionEntity(cam, 0, 90, -60);
  RotateEntity(cam, 55, 0, 0);
  Handle light = CreateLight(1);
  RotateEntity(light, 45, 45, 0);
  for (int m = 0; m < 100; ++m) {
    Handle mesh = CreateMesh();
    Handle s = CreateSurface(mesh);
    const int rings = 25, segs = 40;  // 25 * 40 quads = 2,000 triangles
    for (int r = 0; r <= rings; ++r)
      for (int g = 0; g <= segs; ++g) {
        const float th = 3.14159265f * r / rings, ph = 6.2831853f * g / segs;
        const float bump = 1 + 0.05f * std::sin(ph * 5 + m);
        AddVertex(s, std::sin(th) * std::cos(ph) * 4 * bump, std::cos(th) * 4, std::sin(th) * std::sin(ph) * 4 * bump,
                  static_cast<float>(g) / segs, static_cast<float>(r) / rings);
      }
    for (int r = 0; r < rings; ++r)
      for (int g = 0; g < segs; ++g) {
        const int a = r * (segs + 1) + g, b = a + 1, c = a + segs + 1, d = c + 1;
        AddTriangle(s, a, c, d);
        AddTriangle(s, a, d, b);
      }
    UpdateNormals(mesh);
    EntityColor(mesh, 100 + m, 200 - m, 150);
    PositionEntity(mesh, static_cast<float>(m % 10) * 12 - 54, 4, static_cast<float>(m / 10) * 12 - 54);
  }
}

void run_frames(benchmark::State& state) {
  int calls = 0;
  for (auto _ : state) {
    RenderWorld();
    calls = LastDrawCalls();
    Flip(0);
    glFinish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["draw_calls"] = calls;
}

void BM_SceneA_CubesAndSprites(benchmark::State& state) {
  if (!open_display()) {
    state.SkipWithError("no GL display");
    return;
  }
  build_scene_a();
  RenderWorld();  // first frame uploads
  run_frames(state);
}

void BM_SceneB_HundredMeshes(benchmark::State& state) {
  if (!open_display()) {
    state.SkipWithError("no GL display");
    return;
  }
  build_scene_b();
  RenderWorld();
  run_frames(state);
}

BENCHMARK(BM_SceneA_CubesAndSprites)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_SceneB_HundredMeshes)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (render::gl_ready()) {
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    SaveBackBuffer((std::filesystem::temp_directory_path() / "ifold_bench_last_frame.png").string());
  }
  ClearWorld(true, true);
  EndGraphics();
  benchmark::Shutdown();
  return 0;
}
