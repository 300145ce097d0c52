#include "app/state_machine.h"

#include <cstdio>

#include "app/config.h"
#include "app/display_mode.h"
#include "app/level_load.h"
#include "app/level_play.h"
#include "screens/menus.h"
#include "engine/engine.h"
#include "engine/system.h"

namespace ifold {

void startup(Game& g) {
  eng::AppTitle(kWindowTitle);
  eng::SeedRnd(static_cast<std::uint32_t>(eng::MilliSecs()));
  eng::HidePointer();
  g.game_state = 8;
}

void level_result(Game& g) {
  if (g.level_won > 0) {
    g.game_state = 1;
    g.level_won = 0;
    return;
  }
  g.game_state = 0;
  g.level_won = 0;
  g.level_number = 1;
  g.p1_lives = 3;
  g.p2_lives = 3;
  g.p1_score = 0;
  g.p2_score = 0;
}

void close_display(Game& g) {
  eng::EndGraphics();
  g.game_state = 8;
}

void open_display(Game& g) {
  read_config(g);
  derive_display_mode(g);
  if (!eng::Graphics3D(g.screen_width, g.screen_height, g.color_depth, g.fullscreen_mode, 60)) {
    std::fprintf(stderr, "Ironfold: no display could be opened.\n");
    eng::End();
  }
  g.game_state = 0;
  eng::AntiAlias(g.antialias);
}

void run_state(Game& g) {
  switch (g.game_state) {
    case 0: main_menu(g); break;
    case 1: load_level(g); break;
    case 2: play_level(g); break;
    case 3: level_result(g); break;
    case 4: mission_menu(g); break;
    case 5: players_menu(g); break;
    case 6: options_menu(g); break;
    case 7: close_display(g); break;
    case 8: open_display(g); break;
    default: break;
  }
  eng::Delay(1);
  eng::Flip(1);
}

void run_game(Game& g) {
  startup(g);
  for (;;) run_state(g);
}

}  // namespace ifold
