#include "harness.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/config.h"
#include "app/game.h"
#include "app/state_machine.h"
#include "engine/engine.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"
#include "world/data_error.h"

namespace fs = std::filesystem;

namespace ifold::harness {
namespace {

struct Stop {
  std::string reason;
};

// The virtual backend plus the harness's per-frame duties: screenshots of the
// frame about to be shown, and the frame and time limits.
class HarnessPlatform : public eng::VirtualPlatform {
 public:
  HarnessPlatform(const Options& opt, eng::VirtualConfig cfg)
      : eng::VirtualPlatform(cfg), opt_(opt), dice_(opt.seed * 2654435761u + 1) {}

  void present(int sync) override {
    if (opt_.bot) drive_bot();
    std::int64_t frame = frames();
    bool want = opt_.shot_frames.count(frame) ||
                (opt_.shot_every > 0 && frame % opt_.shot_every == 0);
    if (want) shoot(frame);
    eng::VirtualPlatform::present(sync);
    if (opt_.max_frames > 0 && frames() >= opt_.max_frames) finish("frame-limit");
    if (opt_.max_time_ms > 0 && millisecs() >= opt_.max_time_ms) finish("time-limit");
  }

  int shots = 0;

 private:
  void finish(const char* reason) {
    if (opt_.shot_last) shoot(frames() - 1);
    throw Stop{reason};
  }
  void shoot(std::int64_t frame) {
    if (opt_.shot_dir.empty() || !has_gl()) return;
    char name[64];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frame));
    if (eng::SaveBackBuffer((fs::path(opt_.shot_dir) / name).string())) ++shots;
  }
  // Each player holds one direction (or none) for 20-120 frames. It fires
  // only while it faces up the field, so it never shoots its own base.
  void drive_bot() {
    static constexpr int kDirs[2][4] = {{37, 38, 39, 40}, {65, 87, 68, 83}};
    static constexpr int kUp = 1;
    static constexpr int kFire[2] = {163, 162};
    for (int p = 0; p < 2; ++p) {
      if (--hold_[p] > 0) continue;
      if (dir_[p]) input().release(dir_[p]);
      int pick = static_cast<int>(next() % 6);  // 4 directions, 2 ways to stand still
      dir_[p] = pick < 4 ? kDirs[p][pick] : 0;
      if (dir_[p]) {
        input().press(dir_[p]);
        facing_[p] = pick;
      }
      hold_[p] = 20 + static_cast<int>(next() % 100);
      if (facing_[p] == kUp)
        input().press(kFire[p]);
      else
        input().release(kFire[p]);
    }
  }
  std::uint32_t next() {
    dice_ ^= dice_ << 13;
    dice_ ^= dice_ >> 17;
    dice_ ^= dice_ << 5;
    return dice_;
  }

  const Options& opt_;
  std::uint32_t dice_;
  int hold_[2] = {0, 0};
  int dir_[2] = {0, 0};
  int facing_[2] = {1, 1};  // tanks spawn facing up
};

std::string default_data_dir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "data";
  return (exe.parent_path().parent_path() / "data").string();
}

// A fresh folder that shows the data tree through links, so that the run's
// config.cfg never touches the real one.
fs::path make_work_dir(const std::string& data_dir) {
  std::string tmpl = (fs::temp_directory_path() / "ironfold-harness-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return {};
  fs::path dir = tmpl;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(data_dir, ec)) {
    if (entry.path().filename() == "config.cfg") continue;
    fs::create_symlink(fs::absolute(entry.path()), dir / entry.path().filename(), ec);
  }
  return dir;
}

bool parse_int(const std::string& s, long long& out) {
  char* end = nullptr;
  out = std::strtoll(s.c_str(), &end, 10);
  return !s.empty() && end && *end == 0;
}

}  // namespace

std::string usage() {
  return "usage: ironfold-harness [options]\n"
         "  --data DIR          data tree (default: ../data beside the binary)\n"
         "  --workdir DIR       folder for config.cfg (default: a fresh temporary one)\n"
         "  --seed N            random seed (default 1)\n"
         "  --script FILE       key script (see src/engine/platform/virtual/virtual_platform.h)\n"
         "  --event 'LINE'      one more script line (repeatable)\n"
         "  --frames N          stop after N presented frames (default 600; 0: no limit)\n"
         "  --time MS           stop once the virtual clock reaches MS\n"
         "  --present-ms MS     virtual time an unsynchronised present costs (default 0)\n"
         "  --no-render         no GL at all (fastest; no screenshots)\n"
         "  --shots DIR         save screenshots into DIR\n"
         "  --shot-frames A,B   frames to save      --shot-every N   every Nth frame\n"
         "  --shot-last         also save the last frame\n"
         "  --summary FILE      also write the JSON summary there\n"
         "  --state S           start in state S once the display is open (e.g. 1: level load)\n"
         "  --level N --set 1|2 --players 1|2   the level to start with\n"
         "  --size WxH          display size for a fresh config.cfg\n"
         "  --view-mode M       view mode for a fresh config.cfg\n"
         "  --bot               a simple bot drives both players (fires only facing up the field)\n";
}

bool parse_args(int argc, char** argv, Options& o, std::string& error) {
  o.data_dir = default_data_dir();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = "missing value after " + a;
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto number = [&](long long& out) {
      std::string v;
      if (!value(v)) return false;
      if (!parse_int(v, out)) {
        error = "not a number after " + a + ": " + v;
        return false;
      }
      return true;
    };
    std::string s;
    long long n = 0;
    if (a == "--data") {
      if (!value(o.data_dir)) return false;
    } else if (a == "--workdir") {
      if (!value(o.work_dir)) return false;
    } else if (a == "--seed") {
      if (!number(n)) return false;
      o.seed = static_cast<std::uint32_t>(n);
    } else if (a == "--script") {
      if (!value(o.script_file)) return false;
    } else if (a == "--event") {
      if (!value(s)) return false;
      o.script_text += s + "\n";
    } else if (a == "--frames") {
      if (!number(n)) return false;
      o.max_frames = n;
    } else if (a == "--time") {
      if (!number(n)) return false;
      o.max_time_ms = n;
    } else if (a == "--present-ms") {
      if (!number(n)) return false;
      o.present_ms = static_cast<int>(n);
    } else if (a == "--no-render") {
      o.render = false;
    } else if (a == "--shots") {
      if (!value(o.shot_dir)) return false;
    } else if (a == "--shot-frames") {
      if (!value(s)) return false;
      std::stringstream ss(s);
      std::string item;
      while (std::getline(ss, item, ',')) {
        if (!parse_int(item, n)) {
          error = "bad frame number in --shot-frames: " + item;
          return false;
        }
        o.shot_frames.insert(n);
      }
    } else if (a == "--shot-every") {
      if (!number(n)) return false;
      o.shot_every = n;
    } else if (a == "--shot-last") {
      o.shot_last = true;
    } else if (a == "--summary") {
      if (!value(o.summary_file)) return false;
    } else if (a == "--state") {
      if (!number(n)) return false;
      o.start_state = static_cast<int>(n);
    } else if (a == "--level") {
      if (!number(n)) return false;
      o.level = static_cast<int>(n);
    } else if (a == "--set") {
      if (!number(n)) return false;
      o.level_set = static_cast<int>(n);
    } else if (a == "--players") {
      if (!number(n)) return false;
      o.players = static_cast<int>(n);
    } else if (a == "--size") {
      if (!value(s)) return false;
      if (std::sscanf(s.c_str(), "%dx%d", &o.width, &o.height) != 2) {
        error = "bad --size, expected WxH: " + s;
        return false;
      }
    } else if (a == "--view-mode") {
      if (!number(n)) return false;
      o.view_mode = static_cast<int>(n);
    } else if (a == "--bot") {
      o.bot = true;
    } else if (a == "--help" || a == "-h") {
      error = "help";
      return false;
    } else {
      error = "unknown option " + a;
      return false;
    }
  }
  return true;
}

std::string Result::json() const {
  std::ostringstream o;
  auto esc = [](const std::string& s) {
    std::string r;
    for (char c : s) {
      if (c == '"' || c == '\\') r += '\\';
      if (static_cast<unsigned char>(c) < 0x20) {
        r += ' ';
        continue;
      }
      r += c;
    }
    return r;
  };
  o << "{\"exit_reason\": \"" << esc(exit_reason) << "\", \"message\": \"" << esc(message)
    << "\", \"game_state\": " << game_state << ", \"level_number\": " << level_number
    << ", \"level_won\": " << level_won << ", \"lives\": [" << p1_lives << ", " << p2_lives
    << "], \"scores\": [" << p1_score << ", " << p2_score << "], \"level_kills\": " << level_kills
    << ", \"ticks\": " << ticks << ", \"frames\": " << frames << ", \"virtual_ms\": " << virtual_ms
    << ", \"live_entities\": " << live_entities << ", \"live_textures\": " << live_textures
    << ", \"shots_saved\": " << shots_saved << ", \"wall_ms\": " << static_cast<long long>(wall_ms)
    << "}";
  return o.str();
}

Result run(const Options& opt) {
  Result r;
  std::string script = opt.script_text;
  if (!opt.script_file.empty()) {
    std::ifstream in(opt.script_file);
    if (!in) {
      r.exit_reason = "crash";
      r.message = "cannot read script " + opt.script_file;
      return r;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    script = ss.str() + "\n" + script;
  }
  std::vector<eng::ScriptEvent> events;
  std::string error;
  if (!eng::parse_script(script, events, error)) {
    r.exit_reason = "crash";
    r.message = "script: " + error;
    return r;
  }
  if (!opt.shot_dir.empty()) fs::create_directories(opt.shot_dir);

  fs::path old_cwd = fs::current_path();
  fs::path work = opt.work_dir.empty() ? make_work_dir(opt.data_dir) : fs::path(opt.work_dir);
  if (work.empty()) {
    r.exit_reason = "crash";
    r.message = "cannot make a working folder";
    return r;
  }
  fs::current_path(work);

  eng::VirtualConfig cfg;
  cfg.render = opt.render;
  cfg.present_ms = opt.present_ms;
  auto owned = std::make_unique<HarnessPlatform>(opt, cfg);
  HarnessPlatform* platform = owned.get();
  eng::UsePlatform(std::move(owned));
  platform->schedule(events);

  auto game = std::make_unique<Game>();
  Game& g = *game;
  if (opt.width > 0 || opt.view_mode > 0) {
    Game c;
    read_config(c);
    if (opt.width > 0) {
      c.screen_width = opt.width;
      c.screen_height = opt.height;
    }
    if (opt.view_mode > 0) c.view_mode = opt.view_mode;
    save_config(c);
  }

  auto wall_start = std::chrono::steady_clock::now();
  try {
    startup(g);
    eng::SeedRnd(opt.seed);
    if (opt.start_state >= 0) {
      open_display(g);
      g.game_state = opt.start_state;
      g.level_number = opt.level;
      g.level_set = opt.level_set;
      g.player_count = opt.players;
      if (opt.players == 1) g.p2_lives = 0;
    }
    for (;;) run_state(g);
  } catch (const Stop& s) {
    r.exit_reason = s.reason;
  } catch (const eng::ProgramEnd&) {
    r.exit_reason = "end";
  } catch (const FatalDataError& e) {
    r.exit_reason = "data-error";
    r.message = e.what();
  } catch (const std::exception& e) {
    r.exit_reason = "crash";
    r.message = e.what();
  }

  r.wall_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_start).count();
  r.game_state = g.game_state;
  r.level_number = g.level_number;
  r.level_won = g.level_won;
  r.p1_lives = g.p1_lives;
  r.p2_lives = g.p2_lives;
  r.p1_score = g.p1_score;
  r.p2_score = g.p2_score;
  r.level_kills = g.level_kills;
  r.ticks = g.ticks_run;
  r.frames = platform->frames();
  r.virtual_ms = platform->millisecs();
  r.live_entities = eng::LiveEntityCount();
  r.live_textures = eng::LiveTextureCount();
  r.shots_saved = platform->shots;

  eng::ClearWorld();
  eng::EndGraphics();
  fs::current_path(old_cwd);
  if (opt.work_dir.empty()) {
    std::error_code ec;
    fs::remove_all(work, ec);
  }
  return r;
}

}  // namespace ifold::harness
