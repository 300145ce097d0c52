// Checked loading of the level's assets: a missing or undecodable file ends the
// program with one message naming it, before anything uses the entity.
#pragma once

#include <string>

#include "engine/engine.h"
#include "world/data_error.h"

namespace ifold {

// Prints the message on stderr and throws FatalDataError.
[[noreturn]] void fail_data(const std::string& message);
// "cannot find "x"" or "cannot read "x" (the file is damaged ...)" for a game path.
[[noreturn]] void fail_file(const std::string& game_path, const char* what);

eng::Handle load_mesh_checked(const std::string& file, eng::Handle parent = 0);
eng::Handle load_texture_checked(const std::string& file, int flags);
eng::Handle load_sprite_checked(const std::string& file, int flags);

}  // namespace ifold
