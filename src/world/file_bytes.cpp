#include "world/file_bytes.h"

#include <fstream>
#include <iterator>

#include "engine/system.h"

namespace ifold {

std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::string& game_path) {
  std::ifstream in(eng::NativePath(game_path), std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace ifold
