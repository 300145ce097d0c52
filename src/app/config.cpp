#include "app/config.h"

#include <cstdio>
#include <filesystem>

#include "engine/system.h"

namespace ifold {
namespace {

// Key texts in file order; each line's value starts after its key.
constexpr const char* kKeys[11] = {"WightScr=", "HighScr=", "Colorbits=", "FullScr=", "Vmode=",
                                   "Antialias=", "Dot3=", "Svol=", "Mvol=", "Showhelp=",
                                   "ShowFPS="};
// Characters taken from the end of each line; 0 = everything after the first '='.
constexpr int kTail[11] = {4, 4, 2, 1, 1, 1, 1, 0, 0, 1, 1};

// The setting a line holds (works for const and mutable games alike).
template <class G>
auto* setting(G& g, int line) {
  decltype(&g.screen_width) fields[11] = {&g.screen_width, &g.screen_height, &g.color_depth, &g.fullscreen_mode,
                     &g.view_mode,    &g.antialias,     &g.dot3_enabled, &g.sound_volume,
                     &g.music_volume, &g.show_help,     &g.show_fps};
  return fields[line];
}

// Width and height keep at least four digits ("0800").
std::string size_text(int v) { return v <= 999 ? "0" + eng::Str(v) : eng::Str(v); }

// A directory or other non-file in place of the settings file cannot be used.
bool usable_path(const char* path) {
  std::error_code ec;
  auto st = std::filesystem::status(path, ec);
  return ec || st.type() == std::filesystem::file_type::not_found ||
         st.type() == std::filesystem::file_type::regular;
}

void set_defaults(Game& g) {
  g.screen_width = 800;
  g.screen_height = 600;
  g.color_depth = 32;
  g.fullscreen_mode = 2;
  if (g.view_mode < 1 || g.view_mode > 3) g.view_mode = kDefaultViewMode;
  g.antialias = 0;
  g.dot3_enabled = 1;
  g.sound_volume = 20;
  g.music_volume = 20;
  g.show_help = 1;
  g.show_fps = 0;
}

void warn_once(const std::string& what) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "Ironfold: %s; playing with the settings in memory.\n", what.c_str());
}

bool write_lines(const Game& g) {
  if (!usable_path(kConfigFile)) return false;
  eng::FileHandle f = eng::WriteFile(kConfigFile);
  if (!f) return false;
  for (int i = 0; i < 11; ++i) eng::WriteLine(f, config_line(g, i));
  eng::CloseFile(f);
  return true;
}

}  // namespace

std::string config_line(const Game& g, int line) {
  int v = *setting(g, line);
  return kKeys[line] + (line < 2 ? size_text(v) : eng::Str(v));
}

bool write_default_config(Game& g) {
  Game d = g;
  set_defaults(d);
  return write_lines(d);
}

bool save_config(Game& g) {
  if (write_lines(g)) return true;
  warn_once("cannot write \"config.cfg\" in " + std::filesystem::current_path().string());
  return false;
}

void read_config(Game& g) {
  eng::FileHandle f = usable_path(kConfigFile) ? eng::ReadFile(kConfigFile) : 0;
  if (!f) {
    write_default_config(g);
    f = usable_path(kConfigFile) ? eng::ReadFile(kConfigFile) : 0;
  }
  if (!f) {
    warn_once("cannot read or write \"config.cfg\" in " +
              std::filesystem::current_path().string());
    set_defaults(g);
    return;
  }
  for (int i = 0; i < 11; ++i) {
    std::string text = eng::Eof(f) ? std::string() : eng::ReadLine(f);
    std::string value;
    if (kTail[i] > 0) {
      value = eng::Right(text, kTail[i]);
    } else {
      auto eq = text.find('=');
      value = eq == std::string::npos ? text : text.substr(eq + 1);
    }
    *setting(g, i) = eng::ToInt(value);
  }
  eng::CloseFile(f);
}

}  // namespace ifold
