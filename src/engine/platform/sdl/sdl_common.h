// Helpers shared by the two backends that open SDL windows.
#pragma once

#include <SDL.h>

namespace eng::sdl {

// Sizes a player could never have meant (zero, negative, beyond any GL
// framebuffer) become 800x600.
constexpr int kMaxDisplaySide = 16384;
inline bool sane_size(int w, int h) { return w > 0 && h > 0 && w <= kMaxDisplaySide && h <= kMaxDisplaySide; }

// Initialises SDL video once per caller (SDL counts the calls). False and a
// message on stderr, once per process, when no video driver is available.
bool init_video();
void quit_video();

// Requests an OpenGL 3.3 core context with a 24-bit depth buffer, double buffered.
void set_gl_attributes();

// Creates a window with an OpenGL context made current. Null (and nothing left
// behind) when either cannot be had.
SDL_Window* create_gl_window(const char* title, int w, int h, Uint32 flags, SDL_GLContext& context);
void destroy_gl_window(SDL_Window*& window, SDL_GLContext& context);

}  // namespace eng::sdl
