// Frames per second of the battlefield at 1024x768 in each view mode: the
// busiest level is loaded through the game's own loaders, the play camera and
// light set up as in play, and each frame is RenderWorld, Flip(0) and glFinish
// on the hidden GL window of the virtual backend (under Xvfb: Mesa's software
// renderer).
//
// The data tree comes from IFOLD_DATA (default: ../data beside the binary's
// build folder, i.e. the tree the `data` target generates). With IFOLD_SHOTS
// set to a folder, the last frame of each view mode is saved there.
#include <GL/glew.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/display_mode.h"
#include "app/game.h"
#include "app/level_load.h"
#include "engine/engine.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/render/render.h"
#include "engine/system.h"
#include "world/collisions.h"

namespace fs = std::filesystem;
using namespace ifold;

int main(int argc, char** argv) {
  fs::path data = std::getenv("IFOLD_DATA") ? fs::path(std::getenv("IFOLD_DATA"))
                                            : fs::absolute(argv[0]).parent_path().parent_path() / "data";
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  if (!fs::exists(data / "level")) {
    std::fprintf(stderr, "no data tree at %s (set IFOLD_DATA or build the data target)\n", data.c_str());
    return 1;
  }
  fs::current_path(data);

  eng::VirtualConfig cfg;
  cfg.render = true;
  eng::UsePlatform(std::make_unique<eng::VirtualPlatform>(cfg));
  if (!eng::Graphics3D(1024, 768, 0, 2, 60) || !eng::render::gl_ready()) {
    std::fprintf(stderr, "no GL 3.3 context\n");
    return 1;
  }
  eng::SeedRnd(1);
  auto game = std::make_unique<Game>();
  Game& g = *game;
  g.screen_width = 1024;
  g.screen_height = 768;
  derive_display_mode(g);
  g.dot3_enabled = 1;
  g.level_set = 2;
  g.level_number = 3;
  g.player_count = 2;
  g.game_state = 1;
  load_level(g);
  setup_collisions(g);
  // Both players' tanks on the field, as in a two-player game.
  eng::ShowEntity(g.p1_tank);
  eng::ShowEntity(g.p2_tank);
  eng::PositionEntity(g.p1_tank, -20, 0, -55);
  eng::PositionEntity(g.p2_tank, 20, 0, -55);

  std::printf("battlefield level %d (set %d), 1024x768, %d frames per view mode\n", g.level_number, g.level_set,
              frames);
  for (int mode = 1; mode <= 3; ++mode) {
    g.view_mode = mode;
    place_game_camera(g);
    for (int i = 0; i < 20; ++i) {  // warm-up: shaders, textures, buffers
      eng::RenderWorld();
      eng::Flip(0);
    }
    glFinish();
    const std::clock_t c0 = std::clock();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
      eng::RenderWorld();
      eng::Flip(0);
    }
    glFinish();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    // CPU time of all threads (the renderer's raster threads included): steadier than
    // wall time when other work shares the machine.
    const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    if (std::getenv("IFOLD_SHOTS"))
      eng::SaveBackBuffer(std::string(std::getenv("IFOLD_SHOTS")) + "/view" + std::to_string(mode) + ".png");
    std::printf("view mode %d: %7.1f fps  (%.2f ms/frame, %.2f cpu ms/frame, %d draw calls)\n", mode,
                frames * 1000.0 / ms, ms / frames, cpu_ms / frames, eng::LastDrawCalls());
  }
  eng::EndGraphics();
  return 0;
}
