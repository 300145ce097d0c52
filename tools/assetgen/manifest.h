// Every file of the data tree that the game opens by name and that this
// generator writes (sounds, music and levels come from the audio and level
// generators). Paths are relative to the data tree. The content tests read it.
#pragma once

#include <cstddef>

namespace ag {

enum class AssetKind { Model, Image };

struct Asset {
  const char* path;
  AssetKind kind;
  // images: frame size and count as the game cuts them; frames 0 = single image
  int frame_w, frame_h, frames;
  float aspect;  // single images: expected width / height (0: any)
  // models: the scale the game applies, and the intended world size (x, y, z)
  // once it is applied; a negative size is not checked
  float sx, sy, sz;
  float wx, wy, wz;
};

constexpr Asset img(const char* p, int fw, int fh, int n) { return {p, AssetKind::Image, fw, fh, n, 0, 0, 0, 0, 0, 0, 0}; }
constexpr Asset single(const char* p, float aspect) { return {p, AssetKind::Image, 0, 0, 0, aspect, 0, 0, 0, 0, 0, 0}; }
constexpr Asset mdl(const char* p, float sx, float sy, float sz, float wx, float wy, float wz) {
  return {p, AssetKind::Model, 0, 0, 0, 0, sx, sy, sz, wx, wy, wz};
}

inline constexpr Asset kManifest[] = {
    // ---- models (world sizes as designed; heights of the tanks follow the gun
    // height that the game's muzzle pivots ask for)
    mdl("models/plane.b3d", 1, 1, 1, 140, -1, 140),
    mdl("models/ograda3.b3d", 1, 1, 1, 136, 6.6f, 136),
    mdl("models/t-34c.b3d", 0.08f, 0.081f, 0.081f, 7.0f, 4.8f, 8.75f),
    mdl("models/stug-081.b3d", 0.047f, 0.047f, 0.037f, 7.2f, 3.75f, 8.15f),
    mdl("models/hetcer-08.b3d", 0.067f, 0.07f, 0.053f, 6.5f, 3.95f, 8.4f),
    mdl("models/tiger-08b.b3d", 0.095f, 0.07f, 0.073f, 7.5f, 4.5f, 10.1f),
    mdl("models/elefant-08-01.b3d", 0.11f, 0.08f, 0.085f, 7.5f, 4.5f, 11.55f),
    mdl("models/shell.b3d", 0.04f, 0.04f, 0.05f, 0.54f, 0.54f, 1.6f),
    mdl("models/iblock.b3d", 0.03f, 0.02f, 0.03f, 9.8f, 1.5f, 9.8f),
    mdl("models/dot.b3d", 0.21f, 0.21f, 0.21f, 9.9f, 4.0f, 9.9f),
    mdl("models/bunker.b3d", 0.2f, 0.2f, 0.2f, 21.2f, 6.6f, 16.8f),
    mdl("models/kust00.b3d", 0.2f, 0.2f, 0.2f, 10, 3.5f, 10),
    mdl("models/kust01.b3d", 0.2f, 0.2f, 0.2f, 10, 3.5f, 10),
    mdl("models/cross.b3d", 0.05f, 0.05f, 0.05f, 9, -1, 9),
    mdl("models/sv.b3d", 0.1f, 0.1f, 0.1f, 10, -1, 10),
    mdl("models/rstar2.b3d", 0.075f, 0.055f, 0.075f, 8.2f, -1, 8.2f),
    mdl("models/bonusstar.b3d", 0.08f, 0.08f, 0.08f, 6.5f, -1, 6.5f),
    mdl("models/bonustime.b3d", 0.08f, 0.08f, 0.08f, 6.5f, -1, 7.0f),
    mdl("models/bonuslife.b3d", 0.08f, 0.08f, 0.08f, 6.4f, -1, 6.0f),
    mdl("models/bonusbomb.b3d", 0.08f, 0.08f, 0.08f, 6.0f, -1, 7.0f),
    mdl("models/bonusstab.b3d", 0.08f, 0.08f, 0.08f, 6.4f, -1, 6.4f),
    mdl("models/bonusgod.b3d", 0.08f, 0.08f, 0.08f, 5.8f, -1, 6.4f),
    mdl("models/101.b3d", 0.05f, 0.05f, 0.05f, 6.4f, -1, 2.6f),
    mdl("models/201.b3d", 0.05f, 0.05f, 0.05f, 6.4f, -1, 2.6f),
    mdl("models/301.b3d", 0.05f, 0.05f, 0.05f, 6.4f, -1, 2.6f),
    mdl("models/501.b3d", 0.05f, 0.05f, 0.05f, 6.4f, -1, 2.6f),
    mdl("models/pwup.b3d", 0.05f, 0.05f, 0.05f, 5.2f, -1, 5.2f),
    mdl("models/life.b3d", 0.05f, 0.05f, 0.05f, 5.2f, -1, 5.2f),
    mdl("models/ecran7e.b3d", 0.043f, 0.042f, 0.04f, 11, 7.4f, 11),
    mdl("models/vic.b3d", 0.2f, 0.25f, 0.15f, 112, 35, -1),
    mdl("models/def.b3d", 0.2f, 0.25f, 0.15f, 112, 35, -1),
    mdl("models/arcompas.b3d", 0.045f, 0.02f, 0.072f, 2.6f, -1, 15),
    mdl("models/help1b.b3d", 0.1f, 0.1f, 0.1f, 29.2f, -1, 15.2f),
    mdl("models/help2b.b3d", 0.1f, 0.1f, 0.1f, 29.2f, -1, 15.2f),
    // ---- model textures named by the game
    single("models/t34-08-128-3.tga", 1), single("models/t34-08-128-3r.tga", 1),
    single("models/t34-08-128-1dot3.tga", 1),
    single("models/elephant-128.tga", 1), single("models/elephant-128w.tga", 1),
    single("models/elephant-128dot3.tga", 1),
    single("models/hetcer-128.tga", 1), single("models/hetcer-128w.tga", 1), single("models/hetcer-128dot3.tga", 1),
    single("models/tigr-08-1.tga", 1), single("models/tigr-08-1w.tga", 1), single("models/tigr-08-1dot3.tga", 1),
    single("models/stug-08-01.tga", 1), single("models/stug-08-01w.tga", 1), single("models/stug-08-01dot3.tga", 1),
    single("models/dot.tga", 1), single("models/dotd.tga", 1), single("models/dotdot3.tga", 1),
    single("models/dotddot3.tga", 1),
    // ---- textures the models carry themselves
    single("models/ograda3.png", 4), single("models/iblock.png", 1), single("models/bunker.png", 1),
    single("models/kust00.png", 1), single("models/kust01.png", 1), single("models/sv.png", 1),
    single("models/bonustime.png", 1), single("models/pts100.png", 2.5f), single("models/pts200.png", 2.5f),
    single("models/pts300.png", 2.5f), single("models/pts500.png", 2.5f), single("models/pwup.png", 1),
    single("models/life.png", 1), single("models/ecran7e.png", 1), single("models/vic.png", 4),
    single("models/def.png", 4), single("models/help1b.png", 2), single("models/help2b.png", 2),
    // ---- ground, bricks, effect sprites
    single("tex/tmost.jpg", 1), single("tex/sand.bmp", 1), single("tex/snow.bmp", 1),
    single("tex/wall64.tga", 1), single("tex/ewall64.tga", 1), single("tex/swall64.tga", 1),
    single("tex/wall64dot3.tga", 1),
    single("tex/firespriter16.bmp", 1), single("tex/firespritee16.bmp", 1), single("tex/firespriteb16.bmp", 1),
    single("tex/beton16.bmp", 1), single("tex/firesprite16n.bmp", 1), single("tex/firespriteg16.bmp", 1),
    single("tex/firesprite16.bmp", 1), single("tex/firesprite.bmp", 1), single("tex/bax.png", 1),
    // ---- GUI
    img("gui/main2.png", 192, 36, 6), img("gui/perc.png", 32, 32, 3), single("gui/serp128.png", 1),
    img("gui/eag.png", 96, 22, 7), img("gui/3d2.png", 96, 35, 8), single("gui/ifd.png", 3),
    single("gui/7e.jpg", 4.f / 3.f), img("gui/miss.png", 256, 32, 3), img("gui/option.png", 192, 32, 6),
    img("gui/dig2.png", 17, 32, 10), img("gui/menu21.png", 192, 34, 4), single("gui/help.png", 9),
    img("gui/megagui3.png", 128, 32, 15), img("gui/megadiggb.png", 26, 32, 10), img("gui/megarang.png", 128, 32, 9),
    single("gui/score128.png", 1), single("gui/level128-2.png", 1), single("gui/enemy128-2.png", 1),
    single("gui/animcu0.png", 1), img("gui/animcu1.png", 128, 128, 2), img("gui/animcu2.png", 128, 128, 2),
    img("gui/animcu3.png", 128, 128, 2), img("gui/animcu4.png", 128, 128, 2), img("gui/animcu5.png", 128, 128, 2),
    single("gui/compas.png", 1), img("gui/mgui0.png", 21, 32, 10), img("gui/mgui2.png", 21, 32, 10),
    img("gui/3dgui.png", 96, 28, 5), img("gui/tscal.png", 192, 32, 4), img("gui/pranks2.png", 160, 15, 9),
    single("gui/pl1ranks.png", 9), single("gui/pl2ranks.png", 9), single("gui/any.png", 10),
    single("gui/stug.png", 1), single("gui/hetcer.png", 1), single("gui/tigr.png", 1), single("gui/elefant.png", 1),
    img("gui/tank1.png", 288, 32, 4), img("gui/tank2.png", 288, 32, 4),
};

inline constexpr std::size_t kManifestSize = sizeof(kManifest) / sizeof(kManifest[0]);

}  // namespace ag
