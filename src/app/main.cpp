// Ironfold entry point: installs the SDL backend and runs the state machine.
#include <cstdio>
#include <memory>

#include "app/state_machine.h"
#include "engine/platform/sdl/sdl_platform.h"
#include "engine/system.h"

int main() {
  eng::UsePlatform(std::make_unique<eng::SdlPlatform>());
  ifold::Game game;
  try {
    ifold::run_game(game);
  } catch (const eng::ProgramEnd& end) {
    return end.status;
  }
  return 0;
}
