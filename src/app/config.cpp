#include "app/config.h"

#include <array>
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
std::string line_text(int line, int v) {
  return kKeys[line] + (line < 2 && v <= 999 ? "0" + eng::Str(v) : eng::Str(v));
}

// A directory or other non-file in place of the settings file cannot be used.
bool usable_path(const char* path) {
  std::error_code ec;
  auto st = std::filesystem::status(path, ec);
  return ec || st.type() == std::filesystem::file_type::not_found ||
         st.type() == std::filesystem::file_type::regular;
}

using Values = std::array<int, 11>;

Values defaults(int view_mode) {
  if (view_mode < 1 || view_mode > 3) view_mode = kDefaultViewMode;
  return {800, 600, 32, 2, view_mode, 0, 1, 20, 20, 1, 0};
}

void warn_once(const std::string& what) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "Ironfold: %s; playing with the settings in memory.\n", what.c_str());
}

bool write_values(const Values& v) {
  if (!usable_path(kConfigFile)) return false;
  eng::FileHandle f = eng::WriteFile(kConfigFile);
  if (!f) return false;
  for (int i = 0; i < 11; ++i) eng::WriteLine(f, line_text(i, v[i]));
  eng::CloseFile(f);
  return true;
}

Values values_of(const Game& g) {
  Values v{};
  for (int i = 0; i < 11; ++i) v[i] = *setting(g, i);
  return v;
}

}  // namespace

std::string config_line(const Game& g, int line) { return line_text(line, *setting(g, line)); }

bool write_default_config(Game& g) { return write_values(defaults(g.view_mode)); }

bool save_config(Game& g) {
  if (write_values(values_of(g))) return true;
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
    Values d = defaults(g.view_mode);
    for (int i = 0; i < 11; ++i) *setting(g, i) = d[i];
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
