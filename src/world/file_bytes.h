// Whole-file reads for the small binary and text files of a level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ifold {

// The bytes of a game path ('\' separators allowed); nullopt when it cannot be opened.
std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::string& game_path);

}  // namespace ifold
