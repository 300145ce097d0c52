#include "hud/hud.h"

namespace ifold {

void build_hud(Game& g) { (void)g; }

void free_hud(Game& g) {
  for (Handle* e : {&g.victory_banner, &g.defeat_banner}) {
    if (*e) eng::FreeEntity(*e);
    *e = 0;
  }
}

}  // namespace ifold
