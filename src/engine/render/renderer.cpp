// Placeholder until the GL renderer lands.
#include "engine/scene/scene_internal.h"

namespace eng::render {
void release_texture(scene::Texture& t) { t.gl_name = 0; }
void release_surface(scene::Surface& s) { s.gl_vao = s.gl_vbo = s.gl_ibo = 0; }
}  // namespace eng::render
