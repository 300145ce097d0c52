// The SDL backend of the real game: one window with an OpenGL 3.3 core
// context (windowed or full screen with a display-mode switch), keyboard,
// text, focus and close events, a millisecond clock, frame pacing, and an
// audio device fed by the software mixer. Without an audio device the game
// runs silently.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/media/mixer.h"
#include "engine/platform/platform.h"

struct SDL_Window;

namespace eng {

// Virtual-key code of an SDL scancode, 0 for keys the game does not know.
int vk_from_scancode(int scancode);

class SdlPlatform : public Platform {
 public:
  SdlPlatform();
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  const char* name() const override { return "sdl"; }
  void set_title(const std::string& title) override;
  void hide_pointer() override;

  bool open_display(const DisplayRequest& req, int& out_w, int& out_h) override;
  void close_display() override;
  bool display_open() const override { return window_ != nullptr; }
  bool has_gl() const override { return context_ != nullptr; }

  void present(int sync) override;
  std::int32_t millisecs() override;
  void delay(int ms) override;
  void pump() override;

  Mixer* mixer() override;

  // For tests: the window, whether audio output runs, the full-screen state.
  SDL_Window* window() const { return window_; }
  bool audio_open() const { return audio_device_ != 0; }
  std::uint32_t audio_device() const { return audio_device_; }
  bool fullscreen() const { return fullscreen_; }
  // True once present(1) turned out not to wait for the refresh (driver
  // without vsync) and the backend paces those frames itself.
  bool vsync_emulated() const { return vsync_missing_; }
  int refresh_hz() const { return refresh_hz_; }

 private:
  void open_audio();
  void handle_event(const void* event);
  void advance_silent_mixer();
  void pace(int hz);
  void watch_vsync();

  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  bool video_ready_ = false;
  bool fullscreen_ = false;
  std::string title_;
  bool pointer_hidden_ = false;
  int swap_interval_ = -2;  // last interval set on the context; -2 none yet

  using Clock = std::chrono::steady_clock;
  Clock::time_point start_;
  std::int64_t clock_offset_ = 0;  // added to the elapsed milliseconds
  Clock::time_point next_slot_{};  // own pacing: present(-1), or present(1) without vsync
  int refresh_hz_ = 60;            // of the display the window is on
  bool vsync_missing_ = false;
  int fast_frames_ = 0;            // present(1) in a row that came back too soon
  Clock::time_point last_synced_{};

  Mixer mixer_;
  bool audio_tried_ = false;
  std::uint32_t audio_device_ = 0;
  Clock::time_point silent_mixed_until_{};  // no device: the mixer follows the clock
  bool silent_started_ = false;
};

}  // namespace eng
