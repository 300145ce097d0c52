// The virtual backend for the harness and tests: a clock that moves only on
// delay and present, scripted input, recorded sound requests, and either no
// rendering at all or a hidden window whose GL context the renderer draws
// into offscreen. The same seed and script give the same run, tick for tick.
//
// Script format: one event per line; blank lines and text after '#' are ignored.
//
//   <when> <action> [arg]
//
//   when    f<N>   once N frames have been presented (f0: at the first pump)
//           t<MS>  once the virtual clock reaches MS milliseconds
//   action  hit KEY    press and release: one hit, the key is not left held
//           down KEY   press and hold
//           up KEY     release
//           type TEXT  the rest of the line, byte by byte, into the character
//                      queue (leading blank after "type" skipped)
//           close      the user asks to close the window
//           blur       the window loses the focus (held keys are released)
//           focus      the window gets the focus back
//   KEY     a name: ESC ENTER SPACE LEFT UP RIGHT DOWN A..Z 0..9 F1..F12 LCTRL
//           RCTRL LALT RALT LSHIFT RSHIFT NUM0..NUM9 PLUS MINUS BACKSPACE TAB
//           (case does not matter), or a virtual-key number of two or three
//           digits (a single digit names the digit key: "5" is key 53).
//
// Example:
//   f10 hit ENTER      # start from the main menu
//   t5000 down RCTRL
//   t5200 up RCTRL
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/media/mixer.h"
#include "engine/platform/platform.h"

struct SDL_Window;

namespace eng {

struct VirtualConfig {
  bool render = false;  // true: hidden window with a GL 3.3 core context
  int present_ms = 0;   // clock step of present(0)
  int refresh_hz = 60;  // boundary spacing of present(1) and present(-1)
};

struct ScriptEvent {
  enum class When { Frame, Time };
  enum class Action { Hit, Down, Up, Type, Close, Blur, Focus };
  When when = When::Frame;
  std::int64_t at = 0;  // frame number or milliseconds
  Action action = Action::Hit;
  int key = 0;
  std::string text;
  int line = 0;  // source line, for messages
};

// Parses a script (format above). On error returns false with `error` naming
// the line ("line 3: unknown key 'FOO'"); `out` then holds the events parsed
// before the faulty line.
bool parse_script(const std::string& text, std::vector<ScriptEvent>& out, std::string& error);

// Virtual-key code of a script key name or number; 0 when unknown.
int script_key_code(const std::string& name);

class VirtualPlatform : public Platform {
 public:
  explicit VirtualPlatform(VirtualConfig config = {});
  ~VirtualPlatform() override;

  const char* name() const override { return "virtual"; }
  void set_title(const std::string& title) override { title_ = title; }
  void hide_pointer() override { pointer_hidden_ = true; }

  bool open_display(const DisplayRequest& req, int& out_w, int& out_h) override;
  void close_display() override;
  bool display_open() const override { return open_; }
  bool has_gl() const override { return context_ != nullptr; }
  bool offscreen() const override { return true; }

  void present(int sync) override;
  std::int32_t millisecs() override { return static_cast<std::int32_t>(now_); }
  void delay(int ms) override;
  void pump() override;

  Mixer* mixer() override { return &mixer_; }
  void record(const SoundEvent& ev) override { sound_log_.push_back(ev); }
  const std::vector<SoundEvent>* sound_log() const override { return &sound_log_; }

  // Adds events to the pending script (kept in order; due ones apply in pump()).
  void schedule(const std::vector<ScriptEvent>& events);
  std::int64_t frames() const { return frames_; }
  size_t pending_events() const { return script_.size(); }

  const std::string& title() const { return title_; }
  bool pointer_hidden() const { return pointer_hidden_; }
  int width() const { return width_; }
  int height() const { return height_; }
  const DisplayRequest& last_request() const { return request_; }
  int displays_opened() const { return opened_count_; }

 private:
  void advance_to(std::int64_t t);
  void apply(const ScriptEvent& ev);

  VirtualConfig config_;
  std::int64_t now_ = 0;
  std::int64_t frames_ = 0;
  std::vector<ScriptEvent> script_;
  std::vector<SoundEvent> sound_log_;
  Mixer mixer_;
  std::string title_;
  bool pointer_hidden_ = false;
  bool open_ = false;
  int width_ = 0;
  int height_ = 0;
  int opened_count_ = 0;
  DisplayRequest request_;
  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  bool video_ready_ = false;
};

}  // namespace eng
