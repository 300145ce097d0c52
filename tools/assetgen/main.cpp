// ironfold-assetgen: writes the whole data tree (models, textures, GUI images,
// sounds, music, level maps and rosters) deterministically.
//
//   ironfold-assetgen --out DIR [--content DIR] [--only models|tex|gui|sound|music|level]
//   ironfold-assetgen --out DIR --sheet SHEETDIR   (contact sheets of the images in DIR)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common.h"
#include "engine/media/image.h"
#include "engine/media/model.h"
#include "gui.h"
#include "manifest.h"
#include "models.h"
#include "text.h"
#include "textures.h"

#if __has_include("audio.h")
#include "audio.h"
#define IFOLD_HAVE_AUDIO 1
#endif
#if __has_include("levels.h")
#include "levels.h"
#define IFOLD_HAVE_LEVELS 1
#endif

namespace fs = std::filesystem;
using namespace ag;

namespace {

struct Job {
  std::string group;               // models, tex, gui, sound, music, level
  std::vector<std::string> files;  // files it writes (relative to the tree)
  std::function<bool(const std::string& out, std::string& err)> run;
};

bool save(const std::string& out, const std::string& rel, const Canvas& c, std::string& err) {
  if (!save_by_ext(out + "/" + rel, c)) {
    err = "cannot write " + out + "/" + rel;
    return false;
  }
  return true;
}

bool save_model(const std::string& out, const std::string& rel, const eng::Model& m, std::string& err) {
  std::string path = out + "/" + rel;
  make_dirs_for(path);
  if (!eng::save_b3d_file(path, m)) {
    err = "cannot write " + path;
    return false;
  }
  return true;
}

std::vector<Job> make_jobs(const std::string& content_dir) {
  std::vector<Job> jobs;
  auto model = [&](const std::string& rel, std::function<eng::Model()> f) {
    jobs.push_back({"models", {rel}, [rel, f](const std::string& out, std::string& err) {
                      return save_model(out, rel, f(), err);
                    }});
  };
  auto image = [&](const std::string& group, const std::string& rel, std::function<Canvas()> f) {
    jobs.push_back({group, {rel}, [rel, f](const std::string& out, std::string& err) { return save(out, rel, f(), err); }});
  };
  auto gui = [&](const std::string& group, const std::string& rel) {
    jobs.push_back({group, {rel}, [rel](const std::string& out, std::string& err) {
                      Canvas c;
                      if (!paint_gui(rel, c)) {
                        err = "no painter for " + rel;
                        return false;
                      }
                      return save(out, rel, c, err);
                    }});
  };

#ifdef IFOLD_HAVE_AUDIO
  // the slowest jobs first, so the two cores finish together
  jobs.push_back({"music", {}, [](const std::string& out, std::string& err) { return generate_music(out, err); }});
  jobs.push_back({"sound", {}, [](const std::string& out, std::string& err) { return generate_sounds(out, err); }});
#endif
#ifdef IFOLD_HAVE_LEVELS
  jobs.push_back({"level", {}, [content_dir](const std::string& out, std::string& err) {
                    return generate_levels(content_dir, out, err);
                  }});
#else
  (void)content_dir;
#endif
  gui("gui", "gui/7e.jpg");

  // tank paint: plain, winter and the normal map share one height field
  struct TankTex {
    TankPaint paint;
    const char *plain, *winter, *bump;
  };
  const TankTex tank_tex[] = {
      {TankPaint::Player1, "models/t34-08-128-3.tga", nullptr, "models/t34-08-128-1dot3.tga"},
      {TankPaint::Player2, "models/t34-08-128-3r.tga", nullptr, nullptr},
      {TankPaint::Elefant, "models/elephant-128.tga", "models/elephant-128w.tga", "models/elephant-128dot3.tga"},
      {TankPaint::Hetzer, "models/hetcer-128.tga", "models/hetcer-128w.tga", "models/hetcer-128dot3.tga"},
      {TankPaint::Tiger, "models/tigr-08-1.tga", "models/tigr-08-1w.tga", "models/tigr-08-1dot3.tga"},
      {TankPaint::Stug, "models/stug-08-01.tga", "models/stug-08-01w.tga", "models/stug-08-01dot3.tga"},
  };
  for (const TankTex& t : tank_tex) {
    std::vector<std::string> files{t.plain};
    if (t.winter) files.push_back(t.winter);
    if (t.bump) files.push_back(t.bump);
    jobs.push_back({"models", files, [t](const std::string& out, std::string& err) {
                      PaintResult p = paint_tank(t.paint, false);
                      if (!save(out, t.plain, p.colour, err)) return false;
                      if (t.bump && !save(out, t.bump, normal_map(p.height, 6.f), err)) return false;
                      if (t.winter && !save(out, t.winter, paint_tank(t.paint, true).colour, err)) return false;
                      return true;
                    }});
  }
  for (bool worn : {false, true}) {
    std::string tex = worn ? "models/dotd.tga" : "models/dot.tga";
    std::string bump = worn ? "models/dotddot3.tga" : "models/dotdot3.tga";
    jobs.push_back({"models", {tex, bump}, [worn, tex, bump](const std::string& out, std::string& err) {
                      PaintResult p = paint_concrete(worn);
                      return save(out, tex, p.colour, err) && save(out, bump, normal_map(p.height, 5.f), err);
                    }});
  }

  model("models/t-34c.b3d", [] { return model_tank(TankKind::Player); });
  model("models/stug-081.b3d", [] { return model_tank(TankKind::Stug); });
  model("models/hetcer-08.b3d", [] { return model_tank(TankKind::Hetzer); });
  model("models/tiger-08b.b3d", [] { return model_tank(TankKind::Tiger); });
  model("models/elefant-08-01.b3d", [] { return model_tank(TankKind::Elefant); });
  model("models/plane.b3d", model_plane);
  model("models/ograda3.b3d", model_fence);
  model("models/shell.b3d", model_shell);
  model("models/iblock.b3d", model_iblock);
  model("models/dot.b3d", model_concrete);
  model("models/bunker.b3d", model_bunker);
  model("models/kust00.b3d", [] { return model_bush(false); });
  model("models/kust01.b3d", [] { return model_bush(true); });
  model("models/cross.b3d", model_spawn_cross);
  model("models/sv.b3d", model_spawn_glow);
  model("models/rstar2.b3d", model_spawn_star);
  const char* bonus_files[] = {"models/bonusstar.b3d", "models/bonustime.b3d", "models/bonuslife.b3d",
                               "models/bonusbomb.b3d", "models/bonusstab.b3d", "models/bonusgod.b3d"};
  for (int k = 0; k < 6; ++k) model(bonus_files[k], [k] { return model_bonus(static_cast<Bonus>(k)); });
  for (int p : {100, 200, 300, 500})
    model("models/" + std::to_string(p / 100) + "01.b3d", [p] { return model_points(p); });
  model("models/pwup.b3d", [] { return model_marker(false); });
  model("models/life.b3d", [] { return model_marker(true); });
  model("models/ecran7e.b3d", model_shield);
  model("models/vic.b3d", [] { return model_banner(true); });
  model("models/def.b3d", [] { return model_banner(false); });
  model("models/arcompas.b3d", model_compass_needle);
  model("models/help1b.b3d", [] { return model_help(1); });
  model("models/help2b.b3d", [] { return model_help(2); });

  image("models", "models/ograda3.png", paint_fence);
  image("models", "models/iblock.png", paint_trap);
  image("models", "models/bunker.png", paint_bunker);
  image("models", "models/kust00.png", [] { return paint_leaves(false); });
  image("models", "models/kust01.png", [] { return paint_leaves(true); });
  for (const char* f : {"models/sv.png", "models/bonustime.png", "models/pts100.png", "models/pts200.png",
                        "models/pts300.png", "models/pts500.png", "models/pwup.png", "models/life.png",
                        "models/ecran7e.png", "models/vic.png", "models/def.png", "models/help1b.png",
                        "models/help2b.png"})
    gui("models", f);

  image("tex", "tex/tmost.jpg", [] { return paint_ground(Ground::Grass); });
  image("tex", "tex/sand.bmp", [] { return paint_ground(Ground::Sand); });
  image("tex", "tex/snow.bmp", [] { return paint_ground(Ground::Snow); });
  jobs.push_back({"tex", {"tex/wall64.tga", "tex/wall64dot3.tga"}, [](const std::string& out, std::string& err) {
                    PaintResult p = paint_bricks(BrickTheme::Red);
                    return save(out, "tex/wall64.tga", p.colour, err) &&
                           save(out, "tex/wall64dot3.tga", normal_map(p.height, 5.f), err);
                  }});
  image("tex", "tex/ewall64.tga", [] { return paint_bricks(BrickTheme::Sand).colour; });
  image("tex", "tex/swall64.tga", [] { return paint_bricks(BrickTheme::Snow).colour; });
  const std::pair<const char*, Sprite> sprites[] = {
      {"tex/firespriter16.bmp", Sprite::DebrisRed},   {"tex/firespritee16.bmp", Sprite::DebrisSand},
      {"tex/firespriteb16.bmp", Sprite::DebrisSnow},  {"tex/beton16.bmp", Sprite::DebrisConcrete},
      {"tex/firesprite16n.bmp", Sprite::Flash},       {"tex/firespriteg16.bmp", Sprite::Smoke},
      {"tex/firesprite16.bmp", Sprite::Fire},         {"tex/firesprite.bmp", Sprite::Explosion},
      {"tex/bax.png", Sprite::Muzzle}};
  for (auto& [f, s] : sprites) {
    Sprite sp = s;
    image("tex", f, [sp] { return paint_sprite(sp); });
  }

  for (const Asset& a : kManifest) {
    std::string p = a.path;
    if (p.rfind("gui/", 0) == 0 && p != "gui/7e.jpg") gui("gui", p);
  }
  return jobs;
}

// ---- contact sheets ------------------------------------------------------------

// Images of the tree in a grid, each scaled to fit a cell, its frames outlined
// in magenta and its name written under it.
bool write_sheets(const std::string& tree, const std::string& sheet_dir) {
  struct Item {
    std::string rel;
    eng::Image img;
    const Asset* asset;
  };
  std::vector<std::pair<std::string, std::vector<Item>>> groups = {{"gui", {}}, {"tex", {}}, {"models", {}}};
  for (const Asset& a : kManifest) {
    if (a.kind != AssetKind::Image) continue;
    std::string rel = a.path;
    Item it{rel, {}, &a};
    std::string err;
    if (!eng::load_image_file(tree + "/" + rel, it.img, err)) {
      std::fprintf(stderr, "ironfold-assetgen: %s\n", err.c_str());
      return false;
    }
    for (auto& g : groups)
      if (rel.rfind(g.first + "/", 0) == 0) g.second.push_back(std::move(it));
  }
  fs::create_directories(sheet_dir);
  const int cell = 280, label_h = 22, cols = 6;
  for (auto& [name, items] : groups) {
    int rows = static_cast<int>((items.size() + cols - 1) / cols);
    Canvas sheet(cols * cell, rows * (cell + label_h), rgb(48, 48, 56));
    for (size_t i = 0; i < items.size(); ++i) {
      const Item& it = items[i];
      int cx = static_cast<int>(i % cols) * cell, cy = static_cast<int>(i / cols) * (cell + label_h);
      float k = std::min({1.f * (cell - 8) / it.img.width, 1.f * (cell - 8) / it.img.height, 2.f});
      int w = std::max(1, static_cast<int>(it.img.width * k)), h = std::max(1, static_cast<int>(it.img.height * k));
      int ox = cx + (cell - w) / 2, oy = cy + 4;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          // checkerboard under transparent pixels
          bool chk = ((x / 8) + (y / 8)) % 2;
          Col bg = chk ? rgb(90, 90, 96) : rgb(120, 120, 128);
          const std::uint8_t* p = it.img.pixel(std::min(it.img.width - 1, static_cast<int>(x / k)),
                                               std::min(it.img.height - 1, static_cast<int>(y / k)));
          float a = p[3] / 255.f;
          sheet.at(ox + x, oy + y) = mix(bg, rgb(p[0], p[1], p[2]), a);
        }
      if (it.asset->frames > 0) {
        for (int f = 0; f <= it.img.height / it.asset->frame_h; ++f)
          sheet.fill_rect(ox, oy + f * it.asset->frame_h * k - 0.5f, ox + w, oy + f * it.asset->frame_h * k + 0.5f,
                          rgb(255, 0, 255, 160));
      }
      TextStyle st;
      st.face = Face::Sans;
      st.size = 12;
      st.top = st.bottom = rgb(240, 240, 240);
      st.outline_px = 0;
      st.shadow_dx = st.shadow_dy = 0;
      std::string cap = it.rel + "  " + std::to_string(it.img.width) + "x" + std::to_string(it.img.height);
      draw_text(sheet, cap, cx + cell / 2.f, cy + cell + label_h / 2.f - 4, Align::Center, st);
    }
    std::string path = sheet_dir + "/sheet_" + name + ".png";
    if (!save_png(path, sheet)) {
      std::fprintf(stderr, "ironfold-assetgen: cannot write %s\n", path.c_str());
      return false;
    }
    std::printf("wrote %s\n", path.c_str());
  }
  return true;
}

int usage() {
  std::fprintf(stderr,
               "usage: ironfold-assetgen --out DIR [--content DIR] [--only models|tex|gui|sound|music|level]\n"
               "       ironfold-assetgen --out DIR --sheet SHEETDIR\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, content = "content", only, sheet;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= argc) return false;
      v = argv[++i];
      return true;
    };
    if (a == "--out" ? !value(out) : a == "--content" ? !value(content) : a == "--only" ? !value(only)
                                                       : a == "--sheet"                ? !value(sheet)
                                                                                       : true)
      return usage();
  }
  if (out.empty()) return usage();
  if (!sheet.empty()) return write_sheets(out, sheet) ? 0 : 1;
  static const char* groups[] = {"models", "tex", "gui", "sound", "music", "level"};
  if (!only.empty() && std::none_of(std::begin(groups), std::end(groups), [&](const char* g) { return only == g; }))
    return usage();

  auto start = std::chrono::steady_clock::now();
  std::vector<Job> jobs = make_jobs(content);
  if (!only.empty())
    jobs.erase(std::remove_if(jobs.begin(), jobs.end(), [&](const Job& j) { return j.group != only; }), jobs.end());

  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex err_mutex;
  auto worker = [&] {
    for (;;) {
      size_t i = next.fetch_add(1);
      if (i >= jobs.size() || failed) return;
      std::string err;
      if (!jobs[i].run(out, err)) {
        std::lock_guard<std::mutex> lock(err_mutex);
        std::fprintf(stderr, "ironfold-assetgen: %s\n", err.c_str());
        failed = true;
      }
    }
  };
  unsigned n = std::max(2u, std::thread::hardware_concurrency());
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < n; ++t) threads.emplace_back(worker);
  for (auto& t : threads) t.join();
  if (failed) return 1;

  // every file the manifest names in the groups that ran must now exist
  for (const Asset& a : kManifest) {
    std::string p = a.path;
    std::string g = p.substr(0, p.find('/'));
    if (!only.empty() && g != only) continue;
    if (!fs::exists(out + "/" + p)) {
      std::fprintf(stderr, "ironfold-assetgen: %s was not written\n", (out + "/" + p).c_str());
      return 1;
    }
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("ironfold-assetgen: %zu jobs into %s in %.1f s\n", jobs.size(), out.c_str(), secs);
  return 0;
}
