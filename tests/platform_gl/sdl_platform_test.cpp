// The SDL backend under a real X display (Xvfb in CI): windows, GL contexts,
// full-screen fallback, open/close cycles, events into the input state, and
// the hidden window of the virtual backend.
#include <GL/gl.h>
#include <SDL.h>
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>

#include "engine/media/mixer.h"
#include "engine/platform/sdl/sdl_platform.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace {

int open_fds() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// Lines of our own on stderr (drivers may add theirs, e.g. about XDG_RUNTIME_DIR).
int own_lines(const std::string& said) {
  int n = 0;
  for (size_t at = said.find("Ironfold:"); at != std::string::npos; at = said.find("Ironfold:", at + 1)) ++n;
  return n;
}

int live_windows() {
  int n = 0;
  for (Uint32 id = 1; id < 4096; ++id) n += SDL_GetWindowFromID(id) != nullptr;
  return n;
}

void push_key(Uint32 type, SDL_Scancode sc, SDL_Keycode sym = SDLK_UNKNOWN, int repeat = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = static_cast<Uint8>(repeat);
  e.key.keysym.scancode = sc;
  e.key.keysym.sym = sym;
  SDL_PushEvent(&e);
}

void push_window(SDL_Window* w, SDL_WindowEventID ev) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = ev;
  e.window.windowID = SDL_GetWindowID(w);
  SDL_PushEvent(&e);
}

TEST(SdlPlatform, OpensAGl33CoreWindowWithItsTitle) {
  eng::SdlPlatform p;
  p.set_title("Ironfold - Linux version 1.10");
  p.hide_pointer();
  int w = 0, h = 0;
  ASSERT_TRUE(p.open_display({.width = 640, .height = 480, .depth = 32, .mode = 2}, w, h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_TRUE(p.display_open());
  EXPECT_TRUE(p.has_gl());
  EXPECT_FALSE(p.offscreen());
  EXPECT_STREQ(SDL_GetWindowTitle(p.window()), "Ironfold - Linux version 1.10");
  p.set_title("renamed");
  EXPECT_STREQ(SDL_GetWindowTitle(p.window()), "renamed");
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

  int major = 0, minor = 0, profile = 0, depth = 0;
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  EXPECT_GE(major * 10 + minor, 33);
  EXPECT_EQ(profile, SDL_GL_CONTEXT_PROFILE_CORE);
  EXPECT_GE(depth, 24);

  // The context draws: a cleared back buffer reads back.
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char px[4] = {};
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
  p.present(0);

  p.close_display();
  EXPECT_FALSE(p.display_open());
  EXPECT_FALSE(p.has_gl());
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
}

TEST(SdlPlatform, UnusableSizesOpen800x600) {
  eng::SdlPlatform p;
  for (auto [rw, rh] : {std::pair{0, 0}, std::pair{-640, 480}, std::pair{640, -1}, std::pair{99999, 480}}) {
    int w = 0, h = 0;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(p.open_display({.width = rw, .height = rh, .mode = 2}, w, h));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(w, 800) << rw << "x" << rh;
    EXPECT_EQ(h, 600) << rw << "x" << rh;
    EXPECT_EQ(own_lines(said), 1) << said;
  }
}

TEST(SdlPlatform, FullScreenSwitchesOrFallsBackToAWindowOnce) {
  eng::SdlPlatform p;
  int w = 0, h = 0;
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240, .mode = 2}, w, h));
  SDL_DisplayMode desk{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desk), 0);
  p.close_display();

  // The desktop's own size is a mode the display has.
  testing::internal::CaptureStderr();
  ASSERT_TRUE(p.open_display({.width = desk.w, .height = desk.h, .depth = 32, .mode = 1}, w, h));
  EXPECT_EQ(own_lines(testing::internal::GetCapturedStderr()), 0);
  EXPECT_TRUE(p.fullscreen());
  EXPECT_TRUE(SDL_GetWindowFlags(p.window()) & SDL_WINDOW_FULLSCREEN);
  EXPECT_EQ(w, desk.w);
  EXPECT_EQ(h, desk.h);

  // A size no mode has: a window of that size, and one line saying so.
  const int odd_w = desk.w - 37, odd_h = desk.h - 41;
  SDL_DisplayMode want{SDL_PIXELFORMAT_RGB565, odd_w, odd_h, 60, nullptr}, closest{};
  if (SDL_GetClosestDisplayMode(0, &want, &closest) && closest.w == odd_w && closest.h == odd_h) {
    GTEST_SKIP() << "this X server has a " << odd_w << "x" << odd_h << " mode";
  }
  testing::internal::CaptureStderr();
  ASSERT_TRUE(p.open_display({.width = odd_w, .height = odd_h, .depth = 0, .mode = 1}, w, h));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(p.fullscreen());
  EXPECT_FALSE(SDL_GetWindowFlags(p.window()) & SDL_WINDOW_FULLSCREEN);
  EXPECT_EQ(w, odd_w);
  EXPECT_EQ(h, odd_h);
  EXPECT_EQ(own_lines(said), 1) << said;
  EXPECT_NE(said.find("16 bits"), std::string::npos) << said;  // depth 0 asks for 16
}

TEST(SdlPlatform, FiftyCloseReopenCyclesLeakNoWindowsOrFiles) {
  eng::SdlPlatform p;
  int w = 0, h = 0;
  // A first cycle lets SDL and the GL driver set up what they keep for good.
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  p.present(0);
  p.close_display();
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  p.close_display();
  const int fds = open_fds();
  EXPECT_EQ(live_windows(), 0);
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(p.open_display({.width = 320 + i, .height = 240}, w, h)) << "cycle " << i;
    ASSERT_EQ(live_windows(), 1);
    glClear(GL_COLOR_BUFFER_BIT);
    p.present(0);
    p.close_display();
  }
  EXPECT_EQ(live_windows(), 0);
  EXPECT_EQ(open_fds(), fds);
}

TEST(SdlPlatform, EventsBecomeKeysCharactersCloseAndFocus) {
  eng::SdlPlatform p;
  int w = 0, h = 0;
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  p.pump();
  eng::InputState& in = p.input();
  in.flush();

  push_key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL, SDLK_UNKNOWN, 1);  // auto-repeat: no new hit
  push_key(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER);
  push_key(SDL_KEYUP, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
  SDL_Event t{};
  t.type = SDL_TEXTINPUT;
  std::snprintf(t.text.text, sizeof t.text.text, "a\xC3\xA9\xE2\x82\xAC");  // a, e-acute, euro sign
  SDL_PushEvent(&t);
  p.pump();
  EXPECT_EQ(in.hits[163], 1);
  EXPECT_TRUE(in.down[163]);
  EXPECT_FALSE(in.down[162]);
  EXPECT_EQ(in.hits[13], 1);
  EXPECT_FALSE(in.down[13]);
  const std::deque<int> chars = {13, 8, 'a', 0xE9};  // the euro sign has no byte
  EXPECT_EQ(in.chars, chars);

  push_window(p.window(), SDL_WINDOWEVENT_FOCUS_LOST);
  p.pump();
  EXPECT_TRUE(in.suspended);
  EXPECT_FALSE(in.down[163]);
  push_window(p.window(), SDL_WINDOWEVENT_FOCUS_GAINED);
  p.pump();
  EXPECT_FALSE(in.suspended);

  push_window(p.window(), SDL_WINDOWEVENT_CLOSE);
  p.pump();
  EXPECT_TRUE(in.close_requested);
  in.close_requested = false;
  SDL_Event q{};
  q.type = SDL_QUIT;
  SDL_PushEvent(&q);
  p.pump();
  EXPECT_TRUE(in.close_requested);
}

TEST(SdlPlatform, LateEventsOfAClosedWindowDoNotSuspendItsSuccessor) {
  eng::SdlPlatform p;
  int w = 0, h = 0;
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  e.window.windowID = SDL_GetWindowID(p.window());
  p.close_display();
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  // Let the new window's own focus traffic from the display settle first, so
  // only the stale event is judged.
  SDL_Delay(50);
  p.pump();
  p.input().suspended = false;
  SDL_PushEvent(&e);
  p.pump();
  EXPECT_FALSE(p.input().suspended);
}

TEST(SdlPlatform, ScancodeTable) {
  const struct {
    SDL_Scancode sc;
    int vk;
  } keys[] = {{SDL_SCANCODE_ESCAPE, 27},   {SDL_SCANCODE_RETURN, 13},    {SDL_SCANCODE_KP_ENTER, 13},
              {SDL_SCANCODE_SPACE, 32},    {SDL_SCANCODE_LEFT, 37},      {SDL_SCANCODE_UP, 38},
              {SDL_SCANCODE_RIGHT, 39},    {SDL_SCANCODE_DOWN, 40},      {SDL_SCANCODE_A, 65},
              {SDL_SCANCODE_Z, 90},        {SDL_SCANCODE_0, 48},         {SDL_SCANCODE_1, 49},
              {SDL_SCANCODE_9, 57},        {SDL_SCANCODE_KP_0, 96},      {SDL_SCANCODE_KP_1, 97},
              {SDL_SCANCODE_KP_9, 105},    {SDL_SCANCODE_KP_PLUS, 107},  {SDL_SCANCODE_KP_MINUS, 109},
              {SDL_SCANCODE_F1, 112},      {SDL_SCANCODE_F12, 123},      {SDL_SCANCODE_LSHIFT, 160},
              {SDL_SCANCODE_RSHIFT, 161},  {SDL_SCANCODE_LCTRL, 162},    {SDL_SCANCODE_RCTRL, 163},
              {SDL_SCANCODE_LALT, 164},    {SDL_SCANCODE_RALT, 165},     {SDL_SCANCODE_EQUALS, 187},
              {SDL_SCANCODE_MINUS, 189},   {SDL_SCANCODE_BACKSPACE, 8},  {SDL_SCANCODE_TAB, 9},
              {SDL_SCANCODE_CAPSLOCK, 0}};
  for (const auto& k : keys) EXPECT_EQ(eng::vk_from_scancode(k.sc), k.vk) << SDL_GetScancodeName(k.sc);
}

TEST(SdlPlatform, PacedPresentKeepsTo60Hz) {
  eng::SdlPlatform p;
  int w = 0, h = 0;
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 11; ++i) p.present(-1);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
  // The first frame opens slot 0; the eleventh cannot end before slot 10. A
  // floor only: sleeping never comes early, and a slow frame only delays more.
  EXPECT_GE(ms, 166);
}

TEST(SdlPlatform, SyncedPresentWaitsForTheRefreshEvenWithoutDriverVsync) {
  eng::SdlPlatform p;
  int w = 0, h = 0;
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  for (int i = 0; i < 40; ++i) p.present(1);  // enough for a driver without vsync to show itself
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 11; ++i) p.present(1);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  // Either the driver waits or the backend does: ten refresh periods at least.
  EXPECT_GE(ms, 10 * 1000.0 / p.refresh_hz() - 2.0) << (p.vsync_emulated() ? "own pacing" : "driver vsync");
  p.close_display();
  ASSERT_TRUE(p.open_display({.width = 320, .height = 240}, w, h));
  EXPECT_FALSE(p.vsync_emulated());  // a new context is judged afresh
}

TEST(SdlPlatform, SoundWithoutADeviceIsSilentAndChannelsStillEnd) {
  eng::UsePlatform(std::make_unique<eng::SdlPlatform>());
  testing::internal::CaptureStderr();
  const eng::SoundHandle s =
      eng::LoadSound(std::string(IFOLD_SHARED_TESTDATA_DIR) + "/ogg/default_sand_footstep.1.ogg");
  ASSERT_NE(s, 0);
  const eng::ChannelHandle ch = eng::PlaySound(s);
  EXPECT_TRUE(eng::ChannelPlaying(ch));
  for (int i = 0; i < 50 && eng::ChannelPlaying(ch); ++i) eng::Delay(20);
  EXPECT_FALSE(eng::ChannelPlaying(ch));  // 0.28 s sound, at most 1 s waited
  eng::FreeSound(s);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.find("ALSA"), std::string::npos) << said;
  EXPECT_EQ(own_lines(said), 0) << said;
  eng::UsePlatform(nullptr);
}

TEST(VirtualPlatform, RenderOpensAHiddenGlWindow) {
  eng::VirtualPlatform vp({.render = true});
  int w = 0, h = 0;
  ASSERT_TRUE(vp.open_display({.width = 400, .height = 300}, w, h));
  EXPECT_TRUE(vp.has_gl());
  EXPECT_TRUE(vp.offscreen());
  SDL_Window* win = SDL_GL_GetCurrentWindow();
  ASSERT_NE(win, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(win) & SDL_WINDOW_HIDDEN);
  int ww = 0, wh = 0;
  SDL_GetWindowSize(win, &ww, &wh);
  EXPECT_EQ(ww, 400);
  EXPECT_EQ(wh, 300);
  vp.present(1);
  EXPECT_EQ(vp.millisecs(), 16);  // still the virtual clock
  vp.close_display();
  EXPECT_FALSE(vp.has_gl());
  EXPECT_EQ(live_windows(), 0);
}

}  // namespace
