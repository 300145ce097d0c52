// A plain start screen that stands in for the banner menus until they are
// built: it says so, and lets the player start a game of either level set.
#include <string>

#include "engine/engine.h"
#include "engine/system.h"
#include "screens/menus.h"

namespace ifold {
namespace {

void start_game(Game& g, int players) {
  g.player_count = players;
  if (players == 1) g.p2_lives = 0;
  g.game_state = 1;
}

}  // namespace

void main_menu(Game& g) {
  eng::FlushKeys();
  for (;;) {
    if (eng::CloseRequested()) eng::End();
    if (eng::KeyHit(eng::KEY_ESC)) eng::End();
    if (eng::KeyHit('E')) g.level_set = g.level_set == 1 ? 2 : 1;
    if (eng::KeyHit('1') || eng::KeyHit(eng::KEY_ENTER)) return start_game(g, 1);
    if (eng::KeyHit('2')) return start_game(g, 2);
    if (eng::KeyHit('O')) {
      g.game_state = 6;
      return;
    }
    eng::Cls();
    int x = eng::GraphicsWidth() / 2 - 160;
    int y = eng::GraphicsHeight() / 2 - 60;
    eng::Text(x, y, "IRONFOLD");
    eng::Text(x, y + 20, "(the full menus are not built yet)");
    eng::Text(x, y + 50, "1 / Enter  one player, level " + eng::Str(g.level_number));
    eng::Text(x, y + 70, "2          two players");
    eng::Text(x, y + 90, std::string("E          level set: ") +
                             (g.level_set == 2 ? "extended" : "classic"));
    eng::Text(x, y + 110, "O          reopen the display with config.cfg");
    eng::Text(x, y + 130, "Esc        quit");
    eng::Delay(5);
    eng::Flip(1);
  }
}

void mission_menu(Game& g) { g.game_state = 5; }

void players_menu(Game& g) { start_game(g, g.player_count == 2 ? 2 : 1); }

void options_menu(Game& g) { g.game_state = 7; }

}  // namespace ifold
