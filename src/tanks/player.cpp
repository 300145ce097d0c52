#include "tanks/player.h"

#include "app/sound_bank.h"
#include "combat/effects.h"
#include "combat/shells.h"

namespace ifold {

namespace {

struct Twin {
  Handle tank, spawn_marker, muzzle, flash_pivot, shell_template;
  float spawn_x;
  int left, right, up, down, fire_a, fire_b;
  eng::ChannelHandle engine_channel;
  float& coast;
  int& reload;
  void (*launch)(Game&, float, float, float, Handle);
};

Twin player1(Game& g) {
  return {g.p1_tank, g.p1_spawn_marker, g.p1_muzzle, g.p1_flash_pivot, g.p1_shell_template,
          20, eng::KEY_LEFT, eng::KEY_RIGHT, eng::KEY_UP, eng::KEY_DOWN, eng::KEY_RCTRL,
          eng::KEY_NUM0, g.p1_engine_channel, g.p1_coast, g.p1_reload, &launch_fire};
}

Twin player2(Game& g) {
  return {g.p2_tank, g.p2_spawn_marker, g.p2_muzzle, g.p2_flash_pivot, g.p2_shell_template,
          -20, 'A', 'D', 'W', 'S', eng::KEY_LCTRL, eng::KEY_SPACE, g.p2_engine_channel,
          g.p2_coast, g.p2_reload, &launch_fire2};
}

void spawn(const Twin& p) {
  eng::HideEntity(p.tank);
  eng::PositionEntity(p.tank, p.spawn_x, 1.5f, -60);
  eng::RotateEntity(p.tank, 0, 0, 0, true);
  eng::ResetEntity(p.tank);
  eng::ShowEntity(p.tank);
  eng::PositionEntity(p.spawn_marker, p.spawn_x, 1, -60);
  eng::ShowEntity(p.spawn_marker);
}

void update_player(Game& g, const Twin& p) {
  const Handle tank = p.tank;
  // 1. Height: collisions may have pushed the tank up or down.
  if (eng::EntityY(tank) < 1)
    eng::PositionEntity(tank, eng::EntityX(tank), 1.5f, eng::EntityZ(tank));
  if (eng::EntityY(tank) > 2)
    eng::PositionEntity(tank, eng::EntityX(tank), 1.5f, eng::EntityZ(tank));

  // 2. Direction: the first held key of Left, Right, Up, Down.
  int target = -1;
  bool across_z = false;  // Left and Right align z, Up and Down align x
  if (eng::KeyDown(p.left)) {
    target = 90;
    across_z = true;
  } else if (eng::KeyDown(p.right)) {
    target = 270;
    across_z = true;
  } else if (eng::KeyDown(p.up)) {
    target = 0;
  } else if (eng::KeyDown(p.down)) {
    target = 180;
  }
  bool must_turn = false;
  if (target >= 0) {
    resume_channel(p.engine_channel);
    const float x = eng::EntityX(tank), y = eng::EntityY(tank), z = eng::EntityZ(tank);
    if (across_z)
      eng::PositionEntity(tank, x, y, snap_to_grid(z));
    else
      eng::PositionEntity(tank, snap_to_grid(x), y, z);
    const float heading = eng::EntityYaw(tank);
    must_turn = heading != float(target);
    const int whole = static_cast<int>(heading);
    if (whole == target || (target == 180 && whole == -180)) p.coast = 5.5f;
  } else {
    pause_channel(p.engine_channel);
  }

  // 3. Turn.
  if (must_turn) {
    eng::TurnEntity(tank, 0, turn_step(eng::EntityYaw(tank), target), 0);
    if (in_snap_window(eng::EntityYaw(tank), target)) eng::RotateEntity(tank, 0, float(target), 0);
  }

  // 4. Drive on the budget, in whatever direction the tank faces now.
  if (p.coast > 0) {
    eng::MoveEntity(tank, 0, 0, 0.25f * g.ground_speed);
    p.coast -= 0.5f * g.ground_grip;
  }

  // 5. Fire.
  if ((eng::KeyDown(p.fire_a) || eng::KeyDown(p.fire_b)) && p.reload == 0) {
    eng::ResetEntity(p.shell_template);
    eng::RotateEntity(p.shell_template, 0, eng::EntityYaw(tank, true), 0, true);
    create_spark(g, eng::EntityX(p.flash_pivot, true), eng::EntityY(p.flash_pivot, true),
                 eng::EntityZ(p.flash_pivot, true), g.muzzle_sprite);
    p.launch(g, eng::EntityX(p.muzzle, true), eng::EntityY(p.muzzle, true),
             eng::EntityZ(p.muzzle, true), p.shell_template);
    p.reload = 50;
    play_on(g.shot_sound, g.fire_channel);
  }
}

}  // namespace

float snap_to_grid(float v) {
  const float k = static_cast<float>(static_cast<int>(v / 5)) * 5;
  if (v > 0) return v > k + 2.5f ? k + 5 : k;
  return v < k - 2.5f ? k - 5 : k;
}

float turn_step(float h, int target) {
  switch (target) {
    case 90: return (90 < h && h < 271) ? -3.0f : 3.0f;
    case 270: return (90 < h && h < 270) ? 3.0f : -3.0f;
    case 0: return ((180 < h && h < 360) || h < 0) ? 3.0f : -3.0f;
    case 180: return (0 < h && h < 180) ? 3.0f : -3.0f;
    default: return 0;
  }
}

bool in_snap_window(float h, int target) {
  auto inside = [h](float lo, float hi) { return lo < h && h < hi; };
  switch (target) {
    case 90: return inside(85, 95) || inside(445, 455);
    case 270: return inside(265, 275) || inside(-95, -85);
    case 0: return inside(-5, 5) || inside(355, 365);
    case 180: return inside(175, 185) || inside(-185, -175);
    default: return false;
  }
}

float turn_toward(float heading, int target) {
  const float turned = heading + turn_step(heading, target);
  return in_snap_window(turned, target) ? float(target) : turned;
}

void spawn_player1(Game& g) { spawn(player1(g)); }
void spawn_player2(Game& g) { spawn(player2(g)); }
void update_player1(Game& g) { update_player(g, player1(g)); }
void update_player2(Game& g) { update_player(g, player2(g)); }

}  // namespace ifold
