#include "world/data_check.h"

#include <cstdio>

#include "engine/system.h"

namespace ifold {

void fail_data(const std::string& message) {
  std::fprintf(stderr, "Ironfold: %s\n", message.c_str());
  std::fflush(stderr);
  throw FatalDataError(message);
}

void fail_file(const std::string& game_path, const char* what) {
  const std::string file = eng::NativePath(game_path);
  if (!eng::FileExists(game_path))
    fail_data(std::string("cannot find the ") + what + " file \"" + file + "\"");
  fail_data(std::string("cannot read the ") + what + " file \"" + file +
            "\": it is damaged or not in a known format");
}

eng::Handle load_mesh_checked(const std::string& file, eng::Handle parent) {
  const eng::Handle h = eng::LoadMesh(file, parent);
  if (!h) fail_file(file, "model");
  return h;
}

eng::Handle load_texture_checked(const std::string& file, int flags) {
  const eng::Handle h = eng::LoadTexture(file, flags);
  if (!h) fail_file(file, "texture");
  return h;
}

eng::Handle load_sprite_checked(const std::string& file, int flags) {
  const eng::Handle h = eng::LoadSprite(file, flags);
  if (!h) fail_file(file, "sprite");
  return h;
}

}  // namespace ifold
