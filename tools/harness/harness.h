// The harness runs the real game loop on the virtual backend: a seed, a key
// script, a frame or virtual-time limit, screenshots, and a summary at the end.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace ifold::harness {

struct Options {
  std::string data_dir;        // the data tree (default: ../data beside the binary)
  std::string work_dir;        // where config.cfg lives; empty: a fresh temporary folder
  std::uint32_t seed = 1;
  std::string script_file;
  std::string script_text;     // appended after the file's events
  std::int64_t max_frames = 600;
  std::int64_t max_time_ms = 0;  // 0: no limit
  bool render = true;
  int present_ms = 0;          // virtual time one unsynchronised present costs
  std::string shot_dir;
  std::set<std::int64_t> shot_frames;
  std::int64_t shot_every = 0;
  bool shot_last = false;
  std::string summary_file;
  // Start directly in a state once the display is open (-1: the normal way).
  int start_state = -1;
  int level = 1;
  int level_set = 1;
  int players = 1;
  int width = 0, height = 0;   // written into a fresh config.cfg when set
  int view_mode = 0;
  // A simple bot drives both players: it holds a random direction for a while
  // and fires whenever it may. Its dice are its own, seeded from `seed`.
  bool bot = false;
};

struct Result {
  std::string exit_reason;  // "frame-limit", "time-limit", "end", "data-error", "crash"
  std::string message;
  int game_state = 0;
  int level_number = 0;
  int level_won = 0;
  int p1_lives = 0, p2_lives = 0;
  int p1_score = 0, p2_score = 0;
  int level_kills = 0;
  std::int64_t ticks = 0;
  std::int64_t frames = 0;
  std::int32_t virtual_ms = 0;
  int live_entities = 0;
  int live_textures = 0;
  int shots_saved = 0;
  double wall_ms = 0;  // real time the run took

  std::string json() const;
};

// Parses command-line arguments; false with a message on a bad one.
bool parse_args(int argc, char** argv, Options& out, std::string& error);
std::string usage();
// Runs one game; never throws.
Result run(const Options& opt);

}  // namespace ifold::harness
