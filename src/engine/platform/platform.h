// The backend interface under the engine: a window with a GL context (or none),
// a clock, input events and an audio output. Two implementations: SDL for the
// real game, virtual for the harness and tests.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace eng {

class Mixer;

// Keyboard state in virtual-key codes, filled by the backend from its events.
struct InputState {
  std::array<int, 256> hits{};
  std::array<bool, 256> down{};
  std::deque<int> chars;  // typed characters, at most 256 kept
  bool close_requested = false;
  bool suspended = false;

  void press(int vk);
  void release(int vk);
  void type_char(int c);
  void flush();
};

struct DisplayRequest {
  int width = 800;
  int height = 600;
  int depth = 0;
  int mode = 2;  // 1 full screen, 2 window
  int rate = 60;
};

// One recorded sound request (virtual backend), for tests to read.
struct SoundEvent {
  std::string op;  // "play", "cue", "pause", "resume", "stop", "volume", "load", "free"
  int sound = 0;
  int channel = 0;
  float value = 0;
  std::int32_t time = 0;  // clock at the request
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual const char* name() const = 0;
  virtual void set_title(const std::string& title) = 0;
  virtual void hide_pointer() = 0;

  // Opens a window (and a GL context when the backend renders). On success
  // out_w/out_h hold the size actually opened. False when nothing could open.
  virtual bool open_display(const DisplayRequest& req, int& out_w, int& out_h) = 0;
  virtual void close_display() = 0;
  virtual bool display_open() const = 0;
  // True when a current GL 3.3 core context exists.
  virtual bool has_gl() const = 0;
  // True when the window is not shown (harness, tests): the renderer then draws
  // into a framebuffer object of the display size instead of the window.
  virtual bool offscreen() const { return false; }
  virtual void set_multisample(int samples) { (void)samples; }

  virtual void present(int sync) = 0;
  virtual std::int32_t millisecs() = 0;
  virtual void delay(int ms) = 0;

  // Processes pending events into input().
  virtual void pump() = 0;
  InputState& input() { return input_; }

  // Sound output: the backend pulls mixed samples from the mixer (SDL) or
  // only records requests (virtual). record() is called for every request.
  virtual Mixer* mixer() { return nullptr; }
  virtual void record(const SoundEvent& ev) { (void)ev; }
  virtual const std::vector<SoundEvent>* sound_log() const { return nullptr; }

 protected:
  InputState input_;
};

}  // namespace eng
