#include "app/display_mode.h"

#include "engine/system.h"

namespace ifold {

void derive_display_mode(Game& g) {
  // A damaged file can hold zero, negative or absurd sizes: open and derive as
  // 800x600 (in memory only; the file is rewritten only when the player saves).
  if (g.screen_width < kMinDisplaySide || g.screen_height < kMinDisplaySide ||
      g.screen_width > kMaxDisplaySide || g.screen_height > kMaxDisplaySide) {
    g.screen_width = 800;
    g.screen_height = 600;
  }
  for (int i = 1; i <= 9; ++i)
    if (g.screen_width == kResolutions[i].width && g.screen_height == kResolutions[i].height)
      g.resolution_index = i;
  float ratio = static_cast<float>(g.screen_width) / static_cast<float>(g.screen_height);
  g.widescreen = ratio > 1.5f ? 1 : 0;
  g.resolution_choice = g.resolution_index;
}

void apply_resolution_choice(Game& g) {
  if (g.resolution_choice >= 1 && g.resolution_choice <= 9) {
    g.screen_width = kResolutions[g.resolution_choice].width;
    g.screen_height = kResolutions[g.resolution_choice].height;
  }
  // The wrap comes after the size is taken, so a wrapped choice applies on the next call.
  if (g.resolution_choice > 9) g.resolution_choice = 1;
  if (g.resolution_choice <= 0) g.resolution_choice = 9;
  if (g.resolution_choice != g.resolution_index) g.settings_changed = 1;
  if (eng::KeyHit(eng::KEY_ENTER)) g.options_done = 1;
}

void place_game_camera(Game& g) {
  struct Placement {
    float y, z, pitch;
  };
  // [view_mode - 1][widescreen]
  static constexpr Placement kPlacements[3][2] = {
      {{100, 0, 90}, {119, 0, 90}},
      {{85, -40, 73}, {103, -43, 73}},
      {{87, -57, 60}, {107, -65, 60}},
  };
  if (g.view_mode < 1 || g.view_mode > 3 || !g.game_camera) return;
  const Placement& p = kPlacements[g.view_mode - 1][g.widescreen ? 1 : 0];
  eng::PositionEntity(g.game_camera, 0, p.y, p.z);
  eng::RotateEntity(g.game_camera, p.pitch, 0, 0);
}

void update_view_mode(Game& g) {
  if (eng::KeyHit(eng::KEY_F1 + 4)) g.view_mode = 1;
  if (eng::KeyHit(eng::KEY_F1 + 5)) g.view_mode = 2;
  if (eng::KeyHit(eng::KEY_F1 + 6)) g.view_mode = 3;
  place_game_camera(g);
}

}  // namespace ifold
