// Renderer internals visible to tests and tools (not to the game).
#pragma once

namespace eng::render {

// GL objects (textures, buffers, vertex arrays, framebuffers, renderbuffers,
// shaders, programs) the renderer currently owns. 0 once the display is closed.
int live_gl_objects();
// True when a display with a usable GL 3.3 context is open and set up.
bool gl_ready();
// Number of samples of the multisampled back buffer (0: none).
int multisample_samples();

}  // namespace eng::render
