#include "engine/platform/sdl/sdl_common.h"

#include <cstdio>

namespace eng::sdl {

bool init_video() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  static bool said = false;
  if (!said) {
    std::fprintf(stderr, "Ironfold: cannot open the display: %s\n", SDL_GetError());
    said = true;
  }
  return false;
}

void quit_video() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

void set_gl_attributes() {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
}

SDL_Window* create_gl_window(const char* title, int w, int h, Uint32 flags, SDL_GLContext& context) {
  set_gl_attributes();
  SDL_Window* window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                        flags | SDL_WINDOW_OPENGL);
  if (!window) return nullptr;
  context = SDL_GL_CreateContext(window);
  if (!context) {
    SDL_DestroyWindow(window);
    return nullptr;
  }
  if (SDL_GL_MakeCurrent(window, context) != 0) {
    SDL_GL_DeleteContext(context);
    context = nullptr;
    SDL_DestroyWindow(window);
    return nullptr;
  }
  return window;
}

void destroy_gl_window(SDL_Window*& window, SDL_GLContext& context) {
  if (context) {
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    context = nullptr;
  }
  if (window) {
    SDL_DestroyWindow(window);
    window = nullptr;
  }
}

}  // namespace eng::sdl
