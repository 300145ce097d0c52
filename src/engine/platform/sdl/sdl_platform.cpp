#include "engine/platform/sdl/sdl_platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "engine/platform/sdl/sdl_common.h"

namespace eng {

int vk_from_scancode(int sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return '0';
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return 97 + (sc - SDL_SCANCODE_KP_1);
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return 112 + (sc - SDL_SCANCODE_F1);
  switch (sc) {
    case SDL_SCANCODE_ESCAPE: return 27;
    case SDL_SCANCODE_RETURN: return 13;
    case SDL_SCANCODE_KP_ENTER: return 13;
    case SDL_SCANCODE_SPACE: return 32;
    case SDL_SCANCODE_LEFT: return 37;
    case SDL_SCANCODE_UP: return 38;
    case SDL_SCANCODE_RIGHT: return 39;
    case SDL_SCANCODE_DOWN: return 40;
    case SDL_SCANCODE_KP_0: return 96;
    case SDL_SCANCODE_KP_PLUS: return 107;
    case SDL_SCANCODE_KP_MINUS: return 109;
    case SDL_SCANCODE_LSHIFT: return 160;
    case SDL_SCANCODE_RSHIFT: return 161;
    case SDL_SCANCODE_LCTRL: return 162;
    case SDL_SCANCODE_RCTRL: return 163;
    case SDL_SCANCODE_LALT: return 164;
    case SDL_SCANCODE_RALT: return 165;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_TAB: return 9;
    default: return 0;
  }
}

namespace {

void audio_callback(void* userdata, Uint8* stream, int len) {
  static_cast<Mixer*>(userdata)->mix(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

// Appends the characters of a UTF-8 text that fit in one byte (Latin-1).
void type_utf8(InputState& in, const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    unsigned cp;
    int extra;
    if (*p < 0x80) {
      cp = *p;
      extra = 0;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      extra = 3;
    } else {
      ++p;  // stray continuation byte
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    if (ok && cp > 0 && cp < 256) in.type_char(static_cast<int>(cp));
  }
}

}  // namespace

SdlPlatform::SdlPlatform() : start_(Clock::now()) {
  // The clock starts from the wall clock (modulo 2^30 ms), so a seed taken
  // from it differs between runs, and still grows for twelve days before it
  // could wrap.
  const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
  clock_offset_ = static_cast<std::int64_t>(wall) & ((std::int64_t{1} << 30) - 1);
}

SdlPlatform::~SdlPlatform() {
  if (audio_device_ != 0) {
    SDL_CloseAudioDevice(audio_device_);  // waits for the callback to finish
    audio_device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  close_display();
  if (video_ready_) sdl::quit_video();
}

void SdlPlatform::set_title(const std::string& title) {
  title_ = title;
  if (window_) SDL_SetWindowTitle(window_, title_.c_str());
}

void SdlPlatform::hide_pointer() {
  pointer_hidden_ = true;
  if (video_ready_) SDL_ShowCursor(SDL_DISABLE);
}

bool SdlPlatform::open_display(const DisplayRequest& req, int& out_w, int& out_h) {
  close_display();
  if (!video_ready_) video_ready_ = sdl::init_video();
  if (!video_ready_) return false;

  int w = req.width, h = req.height;
  std::string note;
  if (!sdl::sane_size(w, h)) {
    note = "display size " + std::to_string(w) + "x" + std::to_string(h) + " is not usable; opening 800x600";
    w = 800;
    h = 600;
  }
  SDL_GLContext ctx = nullptr;
  window_ = sdl::create_gl_window(title_.c_str(), w, h, SDL_WINDOW_SHOWN, ctx);
  if (!window_ && (w != 800 || h != 600)) {
    note = "a " + std::to_string(w) + "x" + std::to_string(h) + " window cannot be opened (" + SDL_GetError() +
           "); opening 800x600";
    w = 800;
    h = 600;
    window_ = sdl::create_gl_window(title_.c_str(), w, h, SDL_WINDOW_SHOWN, ctx);
  }
  if (!window_) {
    std::fprintf(stderr, "Ironfold: cannot open a window with OpenGL 3.3: %s\n", SDL_GetError());
    return false;
  }
  context_ = ctx;

  fullscreen_ = false;
  if (req.mode == 1 && note.empty()) {
    // A real mode switch: the display takes the requested size, depth and 60 Hz.
    const int depth = req.depth == 0 ? 16 : req.depth;
    SDL_DisplayMode want{};
    want.format = depth <= 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    want.w = w;
    want.h = h;
    want.refresh_rate = 60;
    SDL_DisplayMode closest{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetClosestDisplayMode(display, &want, &closest) && closest.w == w && closest.h == h &&
        SDL_SetWindowDisplayMode(window_, &closest) == 0 &&
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0) {
      fullscreen_ = true;
    } else {
      SDL_SetWindowFullscreen(window_, 0);
      note = "full screen " + std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(depth) +
             " bits is not available; opening a window of that size";
    }
  }
  if (!note.empty()) std::fprintf(stderr, "Ironfold: %s\n", note.c_str());

  swap_interval_ = -2;
  next_slot_ = {};
  last_synced_ = {};
  fast_frames_ = 0;
  vsync_missing_ = false;
  SDL_DisplayMode current{};
  const int display = SDL_GetWindowDisplayIndex(window_);
  refresh_hz_ = display >= 0 && SDL_GetCurrentDisplayMode(display, &current) == 0 && current.refresh_rate >= 24 &&
                        current.refresh_rate <= 500
                    ? current.refresh_rate
                    : 60;
  SDL_StartTextInput();
  if (pointer_hidden_) SDL_ShowCursor(SDL_DISABLE);
  input_.suspended = false;
  SDL_GetWindowSize(window_, &out_w, &out_h);
  return true;
}

void SdlPlatform::close_display() {
  if (!window_) return;
  SDL_GLContext ctx = context_;
  sdl::destroy_gl_window(window_, ctx);
  context_ = nullptr;
  fullscreen_ = false;
}

void SdlPlatform::pace(int hz) {
  const auto period = std::chrono::microseconds(1000000 / hz);
  const auto now = Clock::now();
  if (next_slot_ == Clock::time_point{} || now > next_slot_ + period) {
    next_slot_ = now;  // first frame, or far behind: start afresh
  } else if (now < next_slot_) {
    std::this_thread::sleep_until(next_slot_);
  }
  next_slot_ += period;
}

void SdlPlatform::watch_vsync() {
  // With vsync, frames come back one refresh period apart at the soonest.
  // Many in a row much sooner than that mean the driver does not wait.
  constexpr int kEvidence = 30;
  const auto now = Clock::now();
  const auto soon = std::chrono::microseconds(750000 / refresh_hz_);
  if (last_synced_ != Clock::time_point{} && now - last_synced_ < soon) {
    if (++fast_frames_ >= kEvidence) vsync_missing_ = true;
  } else {
    fast_frames_ = 0;
  }
  last_synced_ = now;
}

void SdlPlatform::present(int sync) {
  if (window_) {
    const bool driver_sync = sync == 1 && !vsync_missing_;
    const int interval = driver_sync ? 1 : 0;
    if (interval != swap_interval_) {
      if (SDL_GL_SetSwapInterval(interval) != 0 && interval == 1) vsync_missing_ = true;
      swap_interval_ = interval;
    }
    if (sync == -1) {
      pace(60);  // the rate the display was opened with, whether or not the driver syncs
    } else if (sync == 1 && vsync_missing_) {
      pace(refresh_hz_);
    }
    SDL_GL_SwapWindow(window_);
    if (driver_sync) {
      watch_vsync();
    } else {
      last_synced_ = {};
      fast_frames_ = 0;
    }
  }
  pump();
}

std::int32_t SdlPlatform::millisecs() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  return static_cast<std::int32_t>(clock_offset_ + ms);
}

void SdlPlatform::delay(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  pump();
}

void SdlPlatform::handle_event(const void* event) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(event);
  switch (e.type) {
    case SDL_KEYDOWN: {
      const int vk = vk_from_scancode(e.key.keysym.scancode);
      if (vk) {
        if (e.key.repeat) {
          input_.down[static_cast<size_t>(vk)] = true;  // auto-repeat is no new hit
        } else {
          input_.press(vk);
        }
      }
      // Keys that type a control character (auto-repeat included).
      switch (e.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER: input_.type_char(13); break;
        case SDLK_BACKSPACE: input_.type_char(8); break;
        case SDLK_ESCAPE: input_.type_char(27); break;
        default: break;
      }
      break;
    }
    case SDL_KEYUP:
      input_.release(vk_from_scancode(e.key.keysym.scancode));
      break;
    case SDL_TEXTINPUT:
      type_utf8(input_, e.text.text);
      break;
    case SDL_QUIT:
      input_.close_requested = true;
      break;
    case SDL_AUDIODEVICEREMOVED:
      if (!e.adevice.iscapture && audio_device_ != 0 && e.adevice.which == audio_device_) {
        // The sound card went away (a headset unplugged): try the default
        // device again, else go on silently. Channels keep their state.
        SDL_CloseAudioDevice(audio_device_);
        audio_device_ = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        silent_started_ = false;
        open_audio();
      }
      break;
    case SDL_WINDOWEVENT:
      // A closed window's late events (its focus loss above all) must not
      // suspend the window that replaced it.
      if (!window_ || e.window.windowID != SDL_GetWindowID(window_)) break;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: input_.close_requested = true; break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          input_.suspended = true;
          input_.down.fill(false);  // their key-up events would go elsewhere
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: input_.suspended = false; break;
        default: break;
      }
      break;
    default: break;
  }
}

void SdlPlatform::pump() {
  if (video_ready_) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) handle_event(&e);
  }
  advance_silent_mixer();
}

namespace {

// Sound libraries under SDL print pages of diagnostics on a machine without a
// sound card; the game just plays silently there, so they are kept off stderr
// while the device is being opened.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace

void SdlPlatform::open_audio() {
  audio_tried_ = true;
  QuietStderr quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;  // no audio: silent play
  SDL_AudioSpec want{};
  want.freq = Mixer::kRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = audio_callback;
  want.userdata = &mixer_;
  SDL_AudioSpec have{};
  audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts if needed
  if (audio_device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  SDL_PauseAudioDevice(audio_device_, 0);
}

Mixer* SdlPlatform::mixer() {
  if (!audio_tried_) open_audio();
  return &mixer_;
}

void SdlPlatform::advance_silent_mixer() {
  if (audio_device_ != 0 || !audio_tried_) return;
  // Without a device the channels still run in real time, so one-shots end.
  const auto now = Clock::now();
  if (!silent_started_) {
    silent_started_ = true;
    silent_mixed_until_ = now;
    return;
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - silent_mixed_until_).count();
  const std::int64_t frames = us * Mixer::kRate / 1000000;
  if (frames <= 0) return;
  mixer_.advance(frames);
  silent_mixed_until_ += std::chrono::microseconds(frames * 1000000 / Mixer::kRate);
}

}  // namespace eng
