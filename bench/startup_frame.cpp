// Time from process start to the first presented frame: start-up, reading (or
// writing) "config.cfg", opening the display and presenting once, with the
// real SDL backend. Run it under a display (xvfb-run) in an empty folder.
// Also prints the cost of one close-and-reopen display cycle through the
// state machine (states 7 then 8), renderer included.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/state_machine.h"
#include "engine/engine.h"
#include "engine/platform/sdl/sdl_platform.h"
#include "engine/system.h"

namespace {

// Milliseconds since this process was started by the kernel.
double ms_since_process_start() {
  std::ifstream stat("/proc/self/stat");
  std::string field;
  for (int i = 0; i < 22 && stat >> field; ++i) {
  }
  double start_s = std::stod(field) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return (now.tv_sec + now.tv_nsec / 1e9 - start_s) * 1000.0;
}

double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main() {
  eng::UsePlatform(std::make_unique<eng::SdlPlatform>());
  auto game = std::make_unique<ifold::Game>();
  ifold::Game& g = *game;
  double t0 = now_ms();
  ifold::startup(g);
  ifold::run_state(g);  // state 8: settings, display, one synchronised present
  double first_frame = now_ms() - t0;
  double since_exec = ms_since_process_start();
  std::printf("first presented frame: %.1f ms after main, %.0f ms after process start (10 ms clock)\n",
              first_frame, since_exec);

  // Draw something so the renderer holds GL objects across the cycles.
  eng::Handle cam = eng::CreateCamera();
  eng::Handle cube = eng::CreateCube();
  eng::PositionEntity(cube, 0, 0, 5);
  std::vector<double> cycles;
  for (int i = 0; i < 20; ++i) {
    double t = now_ms();
    g.game_state = 7;
    ifold::run_state(g);  // close
    ifold::run_state(g);  // reopen from "config.cfg"
    eng::RenderWorld();
    eng::Flip(0);
    cycles.push_back(now_ms() - t);
  }
  std::sort(cycles.begin(), cycles.end());
  std::printf("close-and-reopen display cycle: median %.1f ms, min %.1f ms, max %.1f ms (%zu cycles)\n",
              cycles[cycles.size() / 2], cycles.front(), cycles.back(), cycles.size());
  eng::FreeEntity(cube);
  eng::FreeEntity(cam);
  eng::EndGraphics();
  return 0;
}
