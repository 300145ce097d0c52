#include "hud/hud.h"

#include "world/data_check.h"

namespace ifold {

namespace {

// The victory and defeat banners lie flat over the field (pitched 90) and stay
// hidden until the end sequence grows them.
Handle make_banner(const char* file, bool recompute_normals) {
  Handle e = load_mesh_checked(file);
  if (recompute_normals) eng::UpdateNormals(e);
  eng::ScaleEntity(e, 0.2f, 0.25f, 0.15f);
  eng::PositionEntity(e, 0, 10, 0);
  eng::RotateEntity(e, 90, 0, 0);
  eng::HideEntity(e);
  return e;
}

}  // namespace

void build_hud(Game& g) {
  g.victory_banner = make_banner("models\\vic.b3d", false);
  g.defeat_banner = make_banner("models\\def.b3d", true);
  // The HUD plates, their atlases and the level card come with the HUD itself.
}

void free_hud(Game& g) {
  for (Handle* e : {&g.victory_banner, &g.defeat_banner}) {
    if (*e) eng::FreeEntity(*e);
    *e = 0;
  }
}

}  // namespace ifold
