// Ironfold entry point: installs the SDL backend and runs the state machine.
// The program ends through eng::End(), which unwinds back here.
#include <cstdio>
#include <memory>

#include "app/state_machine.h"
#include "engine/platform/sdl/sdl_platform.h"
#include "engine/system.h"
#include "world/data_error.h"

int main() {
  eng::UsePlatform(std::make_unique<eng::SdlPlatform>());
  auto game = std::make_unique<ifold::Game>();
  try {
    ifold::run_game(*game);
  } catch (const eng::ProgramEnd& end) {
    return end.status;
  } catch (const ifold::FatalDataError& e) {
    std::fprintf(stderr, "Ironfold: %s\n", e.what());
    return 1;
  }
}
