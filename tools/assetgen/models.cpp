#include "models.h"

#include <algorithm>
#include <cmath>

#include "mesh.h"
#include "textures.h"

namespace ag {

namespace {
constexpr float kPi = 3.14159265358979323846f;
using namespace tank_uv;

// ---- tank parts, world units, front toward +z, origin 1.5 above the ground ----

// A track: a capsule of tread (top and bottom runs, sprocket and idler at the
// ends) with road wheels between the runs and a dark inner web.
void track(MeshBuilder& b, int s, float xc, float w, float z_back, float z_front, float y_bot, float y_top,
           int wheels, float wheel_r, bool interleave) {
  float R = (y_top - y_bot) / 2, ym = (y_bot + y_top) / 2;
  float x0 = xc - w / 2, x1 = xc + w / 2;
  float za = z_back + R, zb = z_front - R;
  float t = 0.18f;
  b.face_uv = [](int f) { return f >= 4 ? tread : track_side; };
  b.box(s, {x0, y_top - t, za}, {x1, y_top, zb}, tread);  // top run
  b.box(s, {x0, y_bot, za}, {x1, y_bot + t, zb}, tread);  // bottom run
  b.face_uv = nullptr;
  // sprocket and idler: the tread wraps around them
  b.push(translate(x1, 0, 0) * rot_y(90));  // cylinder_z along +x from x1-w to x1
  b.cylinder_z(s, zb, ym, 0, w, R, R, 14, tread, wheel);
  b.cylinder_z(s, za, ym, 0, w, R, R, 14, tread, wheel);
  b.pop();
  // inner web closes the gap between the runs
  b.box(s, {x0 + w * 0.35f, y_bot + t, za}, {x1 - w * 0.35f, y_top - t, zb}, metal, false);
  // road wheels on both faces of the band
  float span = (zb - za);
  for (int i = 0; i < wheels; ++i) {
    float z = za + span * (i + 0.5f) / wheels;
    float r = wheel_r;
    float off = (interleave && (i % 2)) ? w * 0.25f : 0.f;
    b.push(translate(x1 - off, 0, 0) * rot_y(90));  // local +z runs toward -x
    b.cylinder_z(s, z, y_bot + t + r * 0.98f, 0.02f, w - off * 2 - 0.02f, r, r, 12, metal, wheel);
    b.pop();
  }
}

void barrel(MeshBuilder& b, int s, float x, float y, float z0, float z1, float r, float brake_len, float brake_r) {
  b.cylinder_z(s, x, y, z0, z1, r * 1.15f, r, 12, metal, metal);
  if (brake_len > 0) {
    b.cylinder_z(s, x, y, z1 - brake_len, z1, brake_r, brake_r, 12, metal, metal);
    b.box(s, {x - brake_r * 1.05f, y - brake_r * 0.5f, z1 - brake_len * 0.7f},
          {x + brake_r * 1.05f, y + brake_r * 0.5f, z1 - brake_len * 0.2f}, metal);
  }
}

// A hexahedron with a sloped front and back: bottom spans z0..z1, top spans
// tz0..tz1; sides lean in from half-width bw at the bottom to tw at the top.
void sloped(MeshBuilder& b, int s, float bw, float tw, float y0, float y1, float z0, float z1, float tz0, float tz1,
            UVRect uv, float xc = 0) {
  Vec3 c[8] = {{xc - bw, y0, z0}, {xc + bw, y0, z0}, {xc + bw, y0, z1}, {xc - bw, y0, z1},
               {xc - tw, y1, tz0}, {xc + tw, y1, tz0}, {xc + tw, y1, tz1}, {xc - tw, y1, tz1}};
  // the low side plates take a band of the region, so their rivets keep their shape
  float band = std::clamp((y1 - y0) / std::max(z1 - z0, 2 * bw) * 1.6f, 0.25f, 1.0f);
  UVRect side{uv.u0, uv.v0, uv.u1, uv.v0 + (uv.v1 - uv.v0) * band};
  b.face_uv = [uv, side](int f) { return f < 4 ? side : uv; };
  b.hexa(s, c, uv, false);
  b.face_uv = nullptr;
}

constexpr UVRect plain{0.56f, 0.06f, 0.66f, 0.16f};  // an unmarked patch of the upper armour

void hatch(MeshBuilder& b, int s, float x, float y, float z, float r) {
  b.cylinder_y(s, x, z, y, y + 0.12f, r, r * 0.95f, 10, upper, plain);
}

// The tank's marking (player number or enemy sign) on a flat roof, read from above.
void marking(MeshBuilder& b, int s, float x, float y, float z, float size, bool turned) {
  // the file is turned 180 degrees afterwards; the game turns the players' tank
  // back but not the enemies, whose decals are flipped to read upright as they
  // come down the screen
  float h = size / 2;
  UVRect uv = turned ? UVRect{mark.u1, mark.v1, mark.u0, mark.v0} : mark;
  b.plate_up(s, x - h, x + h, z - h, z + h, y + 0.01f, uv);
}

eng::Model tank_player() {
  MeshBuilder b;
  int s = b.material("armour", 1, 1, 1);
  // world units -> file: turn 180 (the game turns it back) and undo (0.08, 0.081, 0.081)
  b.push(scale3(1 / 0.08f, 1 / 0.081f, 1 / 0.081f) * rot_y(180));
  track(b, s, 2.85f, 1.3f, -4.2f, 4.1f, -1.5f, 0.3f, 5, 0.62f, false);
  track(b, s, -2.85f, 1.3f, -4.2f, 4.1f, -1.5f, 0.3f, 5, 0.62f, false);
  // lower hull between the tracks
  b.box(s, {-2.2f, -1.2f, -3.9f}, {2.2f, 0.3f, 3.9f}, hull, true);
  // upper hull over the tracks: sloped glacis and rear plate, leaning sides
  sloped(b, s, 2.85f, 2.6f, 0.3f, 1.3f, -4.2f, 4.25f, -3.3f, 2.5f, hull);
  // engine deck grille
  b.quad(s, {-1.6f, 1.31f, -1.6f}, {1.6f, 1.31f, -1.6f}, {1.6f, 1.31f, -3.1f}, {-1.6f, 1.31f, -3.1f}, deck);
  // spare track links on the glacis and fuel drums on the rear sides
  b.push(translate(0, 0.75f, 3.45f) * rot_x(-48));
  b.face_uv = [](int f) { return f == 4 ? tread : track_side; };
  b.box(s, {-1.4f, -0.05f, -0.35f}, {1.4f, 0.1f, 0.35f}, tread);
  b.face_uv = nullptr;
  b.pop();
  for (float x : {-2.45f, 2.45f}) b.cylinder_z(s, x, 1.05f, -4.0f, -2.6f, 0.3f, 0.3f, 10, metal, metal);
  for (float x : {-0.9f, 0.9f}) b.cylinder_z(s, x, 0.75f, -4.45f, -4.0f, 0.16f, 0.16f, 8, metal, metal);
  // headlight
  b.cylinder_z(s, -2.3f, 1.0f, 2.4f, 2.8f, 0.15f, 0.15f, 8, metal, mark);
  // turret: rounded, tapered cast turret set forward
  b.push(translate(0, 0, 0.8f) * scale3(1.0f, 1.0f, 1.15f));
  b.cylinder_y(s, 0, 0, 1.3f, 2.95f, 1.85f, 1.45f, 14, upper, upper, false, true);
  b.pop();
  // commander's cupola and loader's hatch
  b.cylinder_y(s, -0.55f, 0.1f, 2.95f, 3.3f, 0.42f, 0.38f, 10, upper, plain);
  hatch(b, s, 0.6f, 2.95f, 0.3f, 0.32f);
  marking(b, s, 0.35f, 2.95f, -0.7f, 0.9f, false);
  // mantlet and gun: the muzzle pivot (0, 2.43, 1.62) sits at the gun's root and
  // the flash pivot (0, 3.24, 4.05) just over the muzzle brake
  b.box(s, {-0.55f, 2.2f, 2.3f}, {0.55f, 2.95f, 2.95f}, upper);
  barrel(b, s, 0, 2.62f, 2.8f, 4.3f, 0.17f, 0.38f, 0.27f);
  b.pop();
  return b.build("t-34c");
}

eng::Model tank_stug() {
  MeshBuilder b;
  int s = b.material("armour", 1, 1, 1);
  b.push(scale3(1 / 0.047f, 1 / 0.047f, 1 / 0.037f) * rot_y(180));
  track(b, s, 2.8f, 1.4f, -3.8f, 3.7f, -1.5f, 0.0f, 6, 0.5f, false);
  track(b, s, -2.8f, 1.4f, -3.8f, 3.7f, -1.5f, 0.0f, 6, 0.5f, false);
  b.box(s, {-2.1f, -1.2f, -3.6f}, {2.1f, 0.0f, 3.6f}, hull, true);
  // superstructure over the tracks with flat fenders
  sloped(b, s, 2.75f, 2.75f, 0.0f, 0.55f, -3.8f, 3.9f, -3.7f, 3.3f, hull);
  // low casemate, sloped front
  sloped(b, s, 2.35f, 1.95f, 0.55f, 1.9f, -0.9f, 2.8f, -0.6f, 1.8f, upper);
  // side skirts
  for (float x : {-3.6f, 3.52f}) b.box(s, {x, -0.65f, -3.1f}, {x + 0.08f, 0.5f, 3.1f}, upper);
  // engine deck
  b.quad(s, {-1.8f, 0.56f, -1.2f}, {1.8f, 0.56f, -1.2f}, {1.8f, 0.56f, -3.3f}, {-1.8f, 0.56f, -3.3f}, deck);
  // cast "pig's head" mantlet and a short gun; pivot (0, 1.41, 3.33)
  b.ellipsoid(s, {0, 1.38f, 2.3f}, {0.55f, 0.5f, 0.7f}, 12, 6, upper);
  barrel(b, s, 0, 1.4f, 2.6f, 4.35f, 0.14f, 0.3f, 0.22f);
  // roof: hatches, periscope, machine-gun shield
  hatch(b, s, -0.8f, 1.9f, 0.2f, 0.35f);
  marking(b, s, 0.9f, 1.9f, -0.3f, 0.8f, true);
  b.box(s, {0.4f, 1.9f, 0.6f}, {1.4f, 2.25f, 0.7f}, upper);
  b.box(s, {-1.6f, 1.9f, 1.2f}, {-1.3f, 2.15f, 1.4f}, metal);
  // spare wheels on the rear deck
  b.cylinder_y(s, -1.2f, -3.0f, 0.55f, 0.8f, 0.5f, 0.5f, 12, metal, wheel);
  b.cylinder_y(s, 1.2f, -3.0f, 0.55f, 0.8f, 0.5f, 0.5f, 12, metal, wheel);
  b.pop();
  return b.build("stug-081");
}

eng::Model tank_hetzer() {
  MeshBuilder b;
  int s = b.material("armour", 1, 1, 1);
  b.push(scale3(1 / 0.067f, 1 / 0.07f, 1 / 0.053f) * rot_y(180));
  track(b, s, 2.65f, 1.2f, -3.4f, 3.3f, -1.5f, -0.15f, 4, 0.55f, false);
  track(b, s, -2.65f, 1.2f, -3.4f, 3.3f, -1.5f, -0.15f, 4, 0.55f, false);
  b.box(s, {-2.05f, -1.2f, -3.2f}, {2.05f, -0.15f, 3.2f}, hull, true);
  // one steep wedge from nose to tail, leaning sides
  sloped(b, s, 2.75f, 1.45f, -0.3f, 2.15f, -3.45f, 3.5f, -2.1f, 0.9f, upper);
  // engine deck at the back of the roof
  b.quad(s, {-1.2f, 2.16f, -0.9f}, {1.2f, 2.16f, -0.9f}, {1.2f, 2.16f, -2.0f}, {-1.2f, 2.16f, -2.0f}, deck);
  // gun offset to the right through the sloped front; pivot (0, 2.1, 4.77)
  b.ellipsoid(s, {0.35f, 1.75f, 2.2f}, {0.5f, 0.45f, 0.55f}, 12, 6, upper);
  barrel(b, s, 0.35f, 1.8f, 2.3f, 4.95f, 0.13f, 0.0f, 0.0f);
  // remote machine gun and hatches on the roof
  b.box(s, {-0.9f, 2.15f, 0.1f}, {-0.4f, 2.45f, 0.5f}, metal);
  b.cylinder_z(s, -0.65f, 2.32f, 0.5f, 1.3f, 0.05f, 0.05f, 6, metal, metal);
  hatch(b, s, 0.7f, 2.15f, -0.4f, 0.3f);
  marking(b, s, -0.6f, 2.15f, -1.4f, 0.7f, true);
  // tow hooks
  for (float x : {-1.4f, 1.4f}) b.box(s, {x - 0.15f, -0.2f, 3.35f}, {x + 0.15f, 0.1f, 3.6f}, metal);
  b.pop();
  return b.build("hetcer-08");
}

eng::Model tank_tiger() {
  MeshBuilder b;
  int s = b.material("armour", 1, 1, 1);
  b.push(scale3(1 / 0.095f, 1 / 0.07f, 1 / 0.073f) * rot_y(180));
  track(b, s, 3.0f, 1.5f, -3.3f, 3.1f, -1.5f, 0.1f, 8, 0.62f, true);
  track(b, s, -3.0f, 1.5f, -3.3f, 3.1f, -1.5f, 0.1f, 8, 0.62f, true);
  b.box(s, {-2.25f, -1.2f, -3.1f}, {2.25f, 0.1f, 3.0f}, hull, true);
  // boxy upper hull over the tracks, near-vertical plates
  sloped(b, s, 2.95f, 2.95f, 0.1f, 1.05f, -3.3f, 3.25f, -3.2f, 2.9f, hull);
  b.quad(s, {-1.9f, 1.06f, -1.3f}, {1.9f, 1.06f, -1.3f}, {1.9f, 1.06f, -3.0f}, {-1.9f, 1.06f, -3.0f}, deck);
  // big turret: a wide chamfered box set a little back
  std::vector<std::pair<float, float>> ring = {{-1.3f, 1.85f}, {1.3f, 1.85f}, {2.0f, 1.1f},  {2.0f, -1.3f},
                                               {1.5f, -1.9f}, {-1.5f, -1.9f}, {-2.0f, -1.3f}, {-2.0f, 1.1f}};
  b.prism_y(s, ring, 1.05f, 2.65f, upper, upper, false);
  // cupola at the rear left, storage bin at the back
  b.cylinder_y(s, -1.1f, -0.9f, 2.65f, 3.0f, 0.45f, 0.45f, 12, upper, plain);
  marking(b, s, 0.8f, 2.65f, -0.6f, 0.9f, true);
  b.box(s, {-1.2f, 1.4f, -2.5f}, {1.2f, 2.3f, -1.9f}, upper);
  // mantlet and the long gun with its muzzle brake; pivot (0, 2.1, 6.57)
  b.box(s, {-0.85f, 1.5f, 1.85f}, {0.85f, 2.45f, 2.3f}, upper);
  barrel(b, s, 0, 2.05f, 2.2f, 6.8f, 0.17f, 0.55f, 0.28f);
  b.pop();
  return b.build("tiger-08b");
}

eng::Model tank_elefant() {
  MeshBuilder b;
  int s = b.material("armour", 1, 1, 1);
  b.push(scale3(1 / 0.11f, 1 / 0.08f, 1 / 0.085f) * rot_y(180));
  track(b, s, 3.0f, 1.45f, -3.6f, 3.6f, -1.5f, 0.1f, 6, 0.62f, false);
  track(b, s, -3.0f, 1.45f, -3.6f, 3.6f, -1.5f, 0.1f, 6, 0.62f, false);
  b.box(s, {-2.25f, -1.2f, -3.4f}, {2.25f, 0.1f, 3.4f}, hull, true);
  // long flat hull with a sloped nose
  sloped(b, s, 2.95f, 2.95f, 0.1f, 0.9f, -3.6f, 3.9f, -3.5f, 3.2f, hull);
  // engine grilles amidships
  b.quad(s, {-1.8f, 0.91f, 1.9f}, {1.8f, 0.91f, 1.9f}, {1.8f, 0.91f, 0.6f}, {-1.8f, 0.91f, 0.6f}, deck);
  // the tall fighting compartment at the rear
  sloped(b, s, 2.95f, 2.7f, 0.9f, 2.85f, -3.6f, 0.5f, -3.4f, 0.1f, upper);
  marking(b, s, 0.6f, 2.85f, -1.2f, 0.9f, true);
  hatch(b, s, -1.3f, 2.85f, -1.5f, 0.4f);
  hatch(b, s, 1.2f, 2.85f, -2.4f, 0.35f);
  // ball mantlet and the very long gun; pivot (0, 2.4, 7.65)
  b.ellipsoid(s, {0, 2.15f, 0.35f}, {0.6f, 0.55f, 0.45f}, 12, 6, upper);
  barrel(b, s, 0, 2.2f, 0.5f, 7.95f, 0.16f, 0.45f, 0.26f);
  // track-guard tool boxes
  for (float x : {-2.9f, 2.5f}) b.box(s, {x, 0.9f, 1.0f}, {x + 0.4f, 1.25f, 2.6f}, hull);
  b.pop();
  return b.build("elefant-08-01");
}

}  // namespace

eng::Model model_tank(TankKind k) {
  switch (k) {
    case TankKind::Player: return tank_player();
    case TankKind::Stug: return tank_stug();
    case TankKind::Hetzer: return tank_hetzer();
    case TankKind::Tiger: return tank_tiger();
    case TankKind::Elefant: return tank_elefant();
  }
  return {};
}

eng::Model model_plane() {
  MeshBuilder b;
  int s = b.material("plane", 1, 1, 1);
  // 10 x 10 grid so vertex lighting and fog have something to work with
  const int N = 10;
  const float H = 70;
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      float x0 = -H + 2 * H * i / N, x1 = -H + 2 * H * (i + 1) / N;
      float z1 = H - 2 * H * j / N, z0 = H - 2 * H * (j + 1) / N;
      UVRect uv{static_cast<float>(i) / N, static_cast<float>(j) / N, static_cast<float>(i + 1) / N,
                static_cast<float>(j + 1) / N};
      b.plate_up(s, x0, x1, z0, z1, 0, uv);
    }
  return b.build("plane");
}

eng::Model model_fence() {
  MeshBuilder b;
  int s = b.material("fence", 1, 1, 1, 1, "ograda3.png");
  int post = b.material("posts", 0.62f, 0.6f, 0.56f);
  // placed at y -1: the wall stands from the ground (file y 1) to 5 above it
  const float in = 65, out = 67, y0 = 0, y1 = 6, len = 2 * out;
  float rep = len / 40;  // one texture strip per 40 units
  for (int side = 0; side < 4; ++side) {
    b.push(rot_y(90.f * side));
    // wall along x at z = +in..+out; inner face looks toward -z (into the field)
    b.quad(s, {-out, y1, in}, {out, y1, in}, {out, y0, in}, {-out, y0, in}, {0, 0, rep, 1});
    b.quad(s, {out, y1, out}, {-out, y1, out}, {-out, y0, out}, {out, y0, out}, {0, 0, rep, 1});
    b.quad(s, {-out, y1, out}, {out, y1, out}, {out, y1, in}, {-out, y1, in}, {0, 0, rep, 0.1f});
    // concrete posts on the outside every 10 units, and a coping on top
    for (int k = -6; k <= 6; ++k) b.box(post, {k * 10.f - 0.6f, y0, out}, {k * 10.f + 0.6f, y1 + 0.6f, out + 1.0f}, {}, false);
    b.box(post, {-out, y1, in - 0.2f}, {out, y1 + 0.3f, out + 0.2f}, {}, false);
    b.pop();
  }
  return b.build("ograda3");
}

eng::Model model_shell() {
  MeshBuilder b;
  int body = b.material("steel", 0.75f, 0.72f, 0.66f, 1, "", 1, 0, 0.6f);
  int band = b.material("band", 0.85f, 0.5f, 0.25f);
  int tip = b.material("tip", 0.95f, 0.8f, 0.3f, 1, "", 1, 0, 0.6f);
  b.push(scale3(1 / 0.04f, 1 / 0.04f, 1 / 0.05f));
  b.cylinder_z(body, 0, 0, -0.8f, 0.25f, 0.25f, 0.25f, 10, {}, {}, true, false);
  b.cylinder_z(band, 0, 0, -0.55f, -0.4f, 0.27f, 0.27f, 10, {}, {}, true, true);
  b.cylinder_z(tip, 0, 0, 0.25f, 0.8f, 0.25f, 0.03f, 10, {}, {}, false, true);
  b.pop();
  return b.build("shell");
}

eng::Model model_iblock() {
  MeshBuilder b;
  int conc = b.material("kerb", 1, 1, 1, 1, "iblock.png");
  int steel = b.material("steel", 1, 1, 1, 1, "iblock.png");
  UVRect cu{0, 0, 0.5f, 1}, su{0.5f, 0, 1, 1};
  // mesh scale (0.03, 0.02, 0.03), placed at y 1.5: world ground is local -1.5
  b.push(scale3(1 / 0.03f, 1 / 0.02f, 1 / 0.03f));
  const float g = -1.5f;
  // low kerb and base slab: a shell flies well over it
  b.box(conc, {-4.9f, g, -4.9f}, {4.9f, g + 0.25f, 4.9f}, cu, false);
  for (int k = 0; k < 4; ++k) {
    b.push(rot_y(90.f * k));
    b.box(conc, {-4.9f, g + 0.25f, 4.3f}, {4.9f, g + 0.6f, 4.9f}, cu, false);
    b.pop();
  }
  // four steel hedgehogs: three crossed beams each, 1.4 high
  for (int k = 0; k < 4; ++k) {
    float cx = (k % 2 ? 1.9f : -1.9f), cz = (k / 2 ? 1.9f : -1.9f);
    b.push(translate(cx, g + 0.75f, cz) * rot_y(25.f * k));  // 1.47 high, resting on the slab
    for (int a = 0; a < 3; ++a) {
      b.push((a == 0 ? rot_z(45) : (a == 1 ? rot_z(-45) : rot_x(45))) * (a == 2 ? rot_y(90) : eng::Mat4{}));
      b.box(steel, {-0.92f, -0.12f, -0.12f}, {0.92f, 0.12f, 0.12f}, su);
      b.pop();
    }
    b.pop();
  }
  b.pop();
  return b.build("iblock");
}

eng::Model model_concrete() {
  MeshBuilder b;
  int s = b.material("concrete", 1, 1, 1);
  b.push(scale3(1 / 0.21f, 1 / 0.21f, 1 / 0.21f));
  // placed at y 0.7: ground at local -0.7; a reinforced block 4 high with chamfered top
  sloped(b, s, 4.95f, 4.95f, -0.7f, 2.7f, -4.95f, 4.95f, -4.95f, 4.95f, {0, 0, 1, 1});
  sloped(b, s, 4.95f, 4.45f, 2.7f, 3.3f, -4.95f, 4.95f, -4.45f, 4.45f, {0, 0, 1, 1});
  b.pop();
  return b.build("dot");
}

eng::Model model_bunker() {
  MeshBuilder b;
  int s = b.material("bunker", 1, 1, 1, 1, "bunker.png");
  int slit = b.material("slit", 0.05f, 0.05f, 0.05f);
  int bags = b.material("sandbags", 0.62f, 0.55f, 0.4f);
  b.push(scale3(5, 5, 5) * translate(0, -1, 0));  // undo scale 0.2; local ground at -1 -> world 0
  // main casemate from z 0 (behind the base) to 15.5 toward the field
  sloped(b, s, 10.6f, 9.6f, 0, 5.2f, -0.3f, 15.6f, 0.4f, 13.2f, {0, 0, 1, 1});
  // roof slab with chamfer
  sloped(b, s, 9.6f, 8.6f, 5.2f, 6.0f, 0.4f, 13.2f, 1.0f, 12.2f, {0, 0, 1, 1});
  // firing slit on the sloped front
  b.push(translate(0, 3.6f, 14.15f) * rot_x(-41));
  b.box(slit, {-4.5f, -0.25f, -0.2f}, {4.5f, 0.25f, 0.25f}, {}, false);
  b.pop();
  // sandbag rows at the front corners
  for (int k = 0; k < 7; ++k)
    for (int row = 0; row < 2; ++row) {
      float x = -10.2f + k * 1.3f + (row ? 0.65f : 0);
      b.box(bags, {x, row * 0.55f, 15.7f}, {x + 1.2f, row * 0.55f + 0.5f, 16.5f}, {}, false);
      b.box(bags, {-x - 1.2f, row * 0.55f, 15.7f}, {-x, row * 0.55f + 0.5f, 16.5f}, {}, false);
    }
  // armoured observation cupola with a vision slit, periscope and vents on the roof
  b.cylinder_y(s, -3.5f, 7.5f, 6.0f, 6.9f, 1.7f, 1.45f, 16, {0, 0, 1, 0.2f}, {0.3f, 0.3f, 0.6f, 0.6f}, false, true);
  b.cylinder_y(slit, -3.5f, 7.5f, 6.45f, 6.62f, 1.62f, 1.6f, 16, {}, {}, false, false);
  b.cylinder_y(slit, 3.5f, 6, 6.0f, 6.6f, 0.4f, 0.4f, 8, {}, {});
  for (float x : {1.5f, 5.5f}) b.box(bags, {x - 0.6f, 6.0f, 3.0f}, {x + 0.6f, 6.45f, 4.2f}, {}, false);
  // side firing slits
  for (float side : {-1.f, 1.f}) {
    float x = side * 10.25f;
    b.box(slit, {x - 0.3f, 2.6f, 6.0f}, {x + 0.3f, 3.1f, 9.5f}, {}, false);
  }
  b.pop();
  return b.build("bunker");
}

eng::Model model_bush(bool snowy) {
  MeshBuilder b;
  int s = b.material("leaves", 1, 1, 1, 1, snowy ? "kust01.png" : "kust00.png");
  b.push(scale3(5, 5, 5));  // undo 0.2; placed at y 5: canopy from world y 3 to 7
  struct Blob {
    float x, y, z, rx, ry, rz;
  };
  const Blob blobs[] = {{0, 0.4f, 0, 3.6f, 1.6f, 3.6f},      {-2.8f, 0.0f, -2.6f, 2.4f, 1.4f, 2.3f},
                        {2.7f, -0.1f, -2.7f, 2.3f, 1.3f, 2.3f}, {2.6f, 0.1f, 2.8f, 2.4f, 1.4f, 2.2f},
                        {-2.7f, -0.2f, 2.6f, 2.3f, 1.2f, 2.4f}, {0, -0.3f, 3.3f, 2.4f, 1.2f, 1.7f},
                        {0, 0.0f, -3.3f, 2.4f, 1.3f, 1.7f},     {3.3f, -0.2f, 0, 1.7f, 1.2f, 2.4f},
                        {-3.3f, 0.1f, 0, 1.7f, 1.3f, 2.4f},     {0.6f, 1.2f, -0.8f, 1.8f, 0.8f, 1.8f}};
  for (auto& bl : blobs) b.ellipsoid(s, {bl.x, bl.y, bl.z}, {bl.rx, bl.ry, bl.rz}, 10, 6, {0, 0, 2, 2});
  b.pop();
  return b.build(snowy ? "kust01" : "kust00");
}

eng::Model model_spawn_cross() {
  MeshBuilder b;
  int s = b.material("cross", 1.0f, 0.25f, 0.15f, 1, "", 1, 1);
  int core = b.material("core", 1.0f, 0.85f, 0.3f, 1, "", 1, 1);
  b.push(scale3(20, 20, 20));  // undo 0.05
  // four arrowheads pointing at the centre, on a ring
  for (int k = 0; k < 4; ++k) {
    b.push(rot_y(90.f * k));
    b.prism_y(s, {{0, 1.4f}, {1.3f, 3.0f}, {-1.3f, 3.0f}}, -0.3f, 0.3f, {}, {});
    b.prism_y(s, {{0.55f, 2.9f}, {0.55f, 4.5f}, {-0.55f, 4.5f}, {-0.55f, 2.9f}}, -0.3f, 0.3f, {}, {});
    b.pop();
  }
  b.cylinder_y(core, 0, 0, -0.2f, 0.4f, 0.9f, 0.9f, 12, {}, {});
  b.pop();
  return b.build("cross");
}

eng::Model model_spawn_glow() {
  MeshBuilder b;
  int s = b.material("glow", 1, 1, 1, 1, "sv.png", 2, 1 | 16);
  b.push(scale3(10, 10, 10));  // undo 0.1
  b.plate_up(s, -5, 5, -5, 5, 0, {0, 0, 1, 1});
  b.pop();
  return b.build("sv");
}

namespace {
std::vector<std::pair<float, float>> star_outline(float r_out, float r_in, int points) {
  std::vector<std::pair<float, float>> o;
  for (int i = 0; i < points * 2; ++i) {
    float a = kPi / 2 + kPi * i / points;
    float r = (i % 2) ? r_in : r_out;
    o.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return o;
}
}  // namespace

eng::Model model_spawn_star() {
  MeshBuilder b;
  int s = b.material("star", 1.0f, 0.82f, 0.25f, 1, "", 1, 1);
  int rim = b.material("ring", 0.3f, 0.9f, 0.4f, 1, "", 1, 1);
  b.push(scale3(1 / 0.075f, 1 / 0.055f, 1 / 0.075f));
  b.prism_y(s, star_outline(3.6f, 1.5f, 5), 0, 0.5f, {}, {});
  // thin ring around the star
  for (int i = 0; i < 24; ++i) {
    float a0 = 2 * kPi * i / 24, a1 = 2 * kPi * (i + 1) / 24;
    std::vector<std::pair<float, float>> seg = {{3.8f * std::cos(a0), 3.8f * std::sin(a0)},
                                                {4.1f * std::cos(a0), 4.1f * std::sin(a0)},
                                                {4.1f * std::cos(a1), 4.1f * std::sin(a1)},
                                                {3.8f * std::cos(a1), 3.8f * std::sin(a1)}};
    b.prism_y(rim, seg, 0, 0.3f, {}, {});
  }
  b.pop();
  return b.build("rstar2");
}

eng::Model model_bonus(Bonus k) {
  MeshBuilder b;
  b.push(scale3(12.5f, 12.5f, 12.5f));  // undo 0.08
  switch (k) {
    case Bonus::Star: {
      int s = b.material("gold", 1.0f, 0.8f, 0.2f, 1, "", 1, 0, 0.8f);
      int rim = b.material("red", 0.8f, 0.15f, 0.1f);
      b.prism_y(rim, star_outline(3.4f, 1.45f, 5), -0.4f, 0.2f, {}, {});
      b.prism_y(s, star_outline(3.0f, 1.25f, 5), 0.2f, 0.7f, {}, {});
      break;
    }
    case Bonus::Time: {
      int face = b.material("face", 1, 1, 1, 1, "bonustime.png");
      int rim = b.material("rim", 0.25f, 0.45f, 0.75f, 1, "", 1, 0, 0.6f);
      b.cylinder_y(rim, 0, 0, -0.5f, 0.4f, 3.2f, 3.2f, 24, {}, {});
      b.cylinder_y(face, 0, 0, 0.4f, 0.5f, 2.8f, 2.8f, 24, {0, 0, 1, 1}, {0, 0, 1, 1}, false, true);
      // winding crown and bells at the top (+z, the top of the picture)
      b.cylinder_y(rim, 0, 3.5f, -0.3f, 0.3f, 0.4f, 0.4f, 8, {}, {});
      for (float x : {-1.9f, 1.9f}) b.cylinder_y(rim, x, 2.8f, -0.2f, 0.6f, 0.8f, 0.6f, 10, {}, {});
      break;
    }
    case Bonus::Life: {
      int s = b.material("heart", 0.9f, 0.12f, 0.15f, 1, "", 1, 0, 0.7f);
      int rim = b.material("rim", 1.0f, 0.85f, 0.3f);
      std::vector<std::pair<float, float>> heart, heart_in;
      for (int i = 0; i < 40; ++i) {
        float t = 2 * kPi * i / 40;
        float x = 16 * std::pow(std::sin(t), 3.f);
        float z = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
        heart.push_back({x * 0.2f, z * 0.2f + 0.5f});
        heart_in.push_back({x * 0.17f, z * 0.17f + 0.45f});
      }
      b.prism_y(rim, heart, -0.4f, 0.2f, {}, {});
      b.prism_y(s, heart_in, 0.2f, 0.8f, {}, {});
      break;
    }
    case Bonus::Bomb: {
      int s = b.material("bomb", 0.16f, 0.16f, 0.18f, 1, "", 1, 0, 0.9f);
      int fuse = b.material("fuse", 0.8f, 0.7f, 0.5f);
      int spark = b.material("spark", 1.0f, 0.8f, 0.2f, 1, "", 1, 1);
      b.ellipsoid(s, {0, 0, -0.3f}, {3.0f, 3.0f, 3.0f}, 16, 10, {});
      b.cylinder_y(s, 1.1f, 1.6f, 1.5f, 3.1f, 0.7f, 0.7f, 10, {}, {});
      b.push(translate(1.4f, 3.0f, 2.2f) * rot_x(-30));
      b.cylinder_z(fuse, 0, 0, 0, 1.2f, 0.12f, 0.12f, 6, {}, {});
      b.pop();
      b.ellipsoid(spark, {1.4f, 3.6f, 3.2f}, {0.5f, 0.5f, 0.5f}, 8, 4, {});
      break;
    }
    case Bonus::Stab: {
      int s = b.material("stone", 0.72f, 0.7f, 0.64f);
      int dark = b.material("gate", 0.35f, 0.25f, 0.18f);
      // a square fort: four walls with battlements and corner towers
      for (int k = 0; k < 4; ++k) {
        b.push(rot_y(90.f * k));
        b.box(s, {-2.4f, -0.6f, 2.0f}, {2.4f, 1.0f, 2.6f}, {});
        for (int m = -1; m <= 1; ++m) b.box(s, {m * 1.3f - 0.35f, 1.0f, 2.0f}, {m * 1.3f + 0.35f, 1.5f, 2.6f}, {});
        b.box(s, {2.0f, -0.6f, 2.0f}, {3.2f, 1.8f, 3.2f}, {});
        b.pop();
      }
      b.box(dark, {-0.7f, -0.6f, -2.7f}, {0.7f, 0.6f, -2.5f}, {});
      b.box(s, {-2.0f, -0.6f, -2.0f}, {2.0f, -0.2f, 2.0f}, {});
      break;
    }
    case Bonus::God: {
      int s = b.material("shield", 0.2f, 0.45f, 0.9f, 1, "", 1, 0, 0.7f);
      int rim = b.material("rim", 1.0f, 0.82f, 0.3f, 1, "", 1, 0, 0.8f);
      std::vector<std::pair<float, float>> sh = {{-2.8f, 3.0f}, {2.8f, 3.0f}, {2.9f, 0.5f}, {2.3f, -1.4f},
                                                 {1.2f, -2.7f}, {0, -3.4f},  {-1.2f, -2.7f}, {-2.3f, -1.4f},
                                                 {-2.9f, 0.5f}};
      std::vector<std::pair<float, float>> in;
      for (auto& p : sh) in.push_back({p.first * 0.82f, p.second * 0.82f + 0.05f});
      b.prism_y(rim, sh, -0.4f, 0.2f, {}, {});
      b.prism_y(s, in, 0.2f, 0.6f, {}, {});
      b.push(translate(0, 0.6f, 0.1f));
      b.prism_y(rim, star_outline(1.5f, 0.62f, 5), 0, 0.25f, {}, {});
      b.pop();
      break;
    }
  }
  b.pop();
  static const char* names[] = {"bonusstar", "bonustime", "bonuslife", "bonusbomb", "bonusstab", "bonusgod"};
  return b.build(names[static_cast<int>(k)]);
}

eng::Model model_points(int points) {
  MeshBuilder b;
  int s = b.material("points", 1, 1, 1, 1, "pts" + std::to_string(points) + ".png", 2, 1 | 16);
  b.push(scale3(20, 20, 20));  // undo 0.05
  b.plate_up(s, -3.2f, 3.2f, -1.3f, 1.3f, 0, {0, 0, 1, 1});
  b.pop();
  return b.build(std::to_string(points));
}

eng::Model model_marker(bool life) {
  MeshBuilder b;
  int s = b.material("marker", 1, 1, 1, 1, life ? "life.png" : "pwup.png", 2, 1 | 16);
  b.push(scale3(20, 20, 20));
  b.plate_up(s, -2.6f, 2.6f, -2.6f, 2.6f, 0, {0, 0, 1, 1});
  b.pop();
  return b.build(life ? "life" : "pwup");
}

eng::Model model_shield() {
  MeshBuilder b;
  int s = b.material("shield", 0.55f, 0.85f, 1.0f, 0.4f, "ecran7e.png", 1, 1 | 16);
  // the game scales by (0.043, 0.042, -0.04); the mirror in z keeps this
  // symmetric dome unchanged
  b.push(scale3(1 / 0.043f, 1 / 0.042f, 1 / 0.04f));
  b.ellipsoid(s, {0, 0, 0}, {5.5f, 5.2f, 5.5f}, 24, 10, {0, 0, 4, 2}, -25, 90);
  b.pop();
  return b.build("ecran7e");
}

eng::Model model_banner(bool victory) {
  MeshBuilder b;
  int s = b.material("banner", 1, 1, 1, 1, victory ? "vic.png" : "def.png", 2, 1 | 16);
  // text in the xy plane, read from -z with +x to the right; after the game's
  // 90-degree pitch it faces up. 560 x 140 units: about 100 wide at the final scale.
  const float W = 280, H = 70;
  b.quad(s, {-W, H, 0}, {W, H, 0}, {W, -H, 0}, {-W, -H, 0}, {0, 0, 1, 1});
  return b.build(victory ? "vic" : "def");
}

eng::Model model_compass_needle() {
  MeshBuilder b;
  int north = b.material("north", 0.9f, 0.15f, 0.1f, 1, "", 1, 1);
  int south = b.material("south", 0.92f, 0.92f, 0.88f, 1, "", 1, 1);
  int hub = b.material("hub", 1.0f, 0.8f, 0.3f, 1, "", 1, 1);
  b.push(scale3(1 / 0.045f, 1 / 0.02f, 1 / 0.072f));
  b.prism_y(north, {{0, 7.5f}, {1.3f, 0}, {-1.3f, 0}}, 0, 0.5f, {}, {});
  b.prism_y(south, {{1.3f, 0}, {0, -7.5f}, {-1.3f, 0}}, 0, 0.5f, {}, {});
  b.cylinder_y(hub, 0, 0, 0, 0.8f, 0.7f, 0.7f, 12, {}, {});
  b.pop();
  return b.build("arcompas");
}

eng::Model model_help(int player) {
  MeshBuilder b;
  int s = b.material("plate", 1, 1, 1, 1, player == 1 ? "help1b.png" : "help2b.png", 1, 1);
  int frame = b.material("frame", 0.25f, 0.24f, 0.18f);
  b.push(scale3(10, 10, 10));  // undo 0.1
  b.plate_up(s, -14, 14, -7, 7, 0, {0, 0, 1, 1});
  b.box(frame, {-14.6f, -0.6f, -7.6f}, {14.6f, -0.05f, 7.6f}, {}, false);
  b.pop();
  return b.build(player == 1 ? "help1b" : "help2b");
}

}  // namespace ag
