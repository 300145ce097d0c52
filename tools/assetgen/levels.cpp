#include "levels.h"

#include <filesystem>
#include <string>

#include "mapc.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLevels = 35;
constexpr int kRosterLines = 20;

// A roster is twenty lines, each a single kind code 0..3 (0 light, 1 fast,
// 2 heavy, 3 heaviest), line-feed ends. The game reads whatever is there;
// we only ship files it reads exactly as meant.
bool check_roster(const std::string& text, const std::string& name, std::string& error) {
  int line = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) {
      error = name + ": line " + std::to_string(line + 1) + " has no line feed at its end";
      return false;
    }
    std::string s = text.substr(at, end - at);
    ++line;
    if (s.size() != 1 || s[0] < '0' || s[0] > '3') {
      error = name + ": line " + std::to_string(line) + ": expected one kind code 0..3, found \"" + s + "\"";
      return false;
    }
    at = end + 1;
  }
  if (line != kRosterLines) {
    error = name + ": holds " + std::to_string(line) + " lines, expected " + std::to_string(kRosterLines);
    return false;
  }
  return true;
}

}  // namespace

bool generate_levels(const std::string& content_dir, const std::string& data_dir, std::string& error) {
  std::error_code ec;
  const fs::path out_root = fs::path(data_dir) / "level";
  for (const char* set : {"classic", "extended"}) {
    const fs::path out_dir = out_root / set;
    fs::create_directories(out_dir, ec);
    if (ec) {
      error = out_dir.string() + ": cannot create the folder: " + ec.message();
      return false;
    }
    for (int n = 1; n <= kLevels; ++n) {
      const std::string file = "level" + std::to_string(n);
      const fs::path in = fs::path(content_dir) / "levels" / set / (file + ".txt");
      const std::string name = std::string(set) + "/" + file + " (" + in.string() + ")";
      if (!mapc::compile_file(in.string(), (out_dir / (file + ".map")).string(), name, error)) return false;
    }
  }
  for (int d = 0; d <= 9; ++d) {
    const std::string file = "level" + std::to_string(d) + ".rsp";
    const fs::path in = fs::path(content_dir) / "rosters" / file;
    std::string text;
    if (!mapc::read_file(in.string(), text, error) || !check_roster(text, in.string(), error)) return false;
    if (!mapc::write_file((out_root / file).string(), text.data(), text.size(), error)) return false;
  }
  return true;
}
