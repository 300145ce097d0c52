#include "engine/platform/virtual/virtual_platform.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "engine/platform/sdl/sdl_common.h"

namespace eng {

// ---- script --------------------------------------------------------------------

int script_key_code(const std::string& raw) {
  std::string n;
  for (char c : raw) n.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  if (n.empty()) return 0;
  if (n.size() == 1) {
    const char c = n[0];
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= '0' && c <= '9') return c;
    return 0;
  }
  if (std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (n.size() > 3) return 0;
    const int v = std::stoi(n);
    return v > 0 && v < 256 ? v : 0;
  }
  static const struct {
    const char* name;
    int code;
  } names[] = {{"ESC", 27},    {"ENTER", 13},  {"SPACE", 32},  {"LEFT", 37},      {"UP", 38},
               {"RIGHT", 39},  {"DOWN", 40},   {"LCTRL", 162}, {"RCTRL", 163},    {"LALT", 164},
               {"RALT", 165},  {"LSHIFT", 160}, {"RSHIFT", 161}, {"PLUS", 187},   {"MINUS", 189},
               {"BACKSPACE", 8}, {"TAB", 9}};
  for (const auto& k : names) {
    if (n == k.name) return k.code;
  }
  if (n.size() == 4 && n.compare(0, 3, "NUM") == 0 && n[3] >= '0' && n[3] <= '9') return 96 + (n[3] - '0');
  if (n[0] == 'F' && n.size() <= 3 && std::all_of(n.begin() + 1, n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int f = std::stoi(n.substr(1));
    if (f >= 1 && f <= 12) return 111 + f;
  }
  return 0;
}

bool parse_script(const std::string& text, std::vector<ScriptEvent>& out, std::string& error) {
  std::istringstream in(text);
  std::string raw;
  int line_no = 0;
  while (std::getline(in, raw)) {
    ++line_no;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(line_no) + ": " + what;
      return false;
    };
    std::string line = raw;
    std::istringstream words(line);
    std::string when, action;
    if (!(words >> when) || when[0] == '#') continue;

    ScriptEvent ev;
    ev.line = line_no;
    if (when[0] == 'f' || when[0] == 'F') {
      ev.when = ScriptEvent::When::Frame;
    } else if (when[0] == 't' || when[0] == 'T') {
      ev.when = ScriptEvent::When::Time;
    } else {
      return fail("expected f<frame> or t<ms> at the start, found '" + when + "'");
    }
    const std::string num = when.substr(1);
    if (num.empty() || num.size() > 15 ||
        !std::all_of(num.begin(), num.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return fail("bad frame or time '" + when + "'");
    }
    ev.at = std::stoll(num);

    if (!(words >> action) || action[0] == '#') return fail("missing action after '" + when + "'");
    for (char& c : action) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    if (action == "type") {
      // Rest of the line, verbatim (a '#' here is typed, not a comment).
      std::string rest;
      std::getline(words, rest);
      if (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t')) rest.erase(0, 1);
      if (rest.empty()) return fail("'type' needs a text");
      ev.action = ScriptEvent::Action::Type;
      ev.text = rest;
      out.push_back(ev);
      continue;
    }

    std::string arg, extra;
    words >> arg;
    if (!arg.empty() && arg[0] == '#') arg.clear();
    if (words >> extra && extra[0] != '#') return fail("unexpected '" + extra + "' after the event");

    if (action == "hit" || action == "down" || action == "up") {
      if (arg.empty()) return fail("'" + action + "' needs a key");
      ev.key = script_key_code(arg);
      if (ev.key == 0) return fail("unknown key '" + arg + "'");
      ev.action = action == "hit"    ? ScriptEvent::Action::Hit
                  : action == "down" ? ScriptEvent::Action::Down
                                     : ScriptEvent::Action::Up;
    } else if (action == "close" || action == "blur" || action == "focus") {
      if (!arg.empty()) return fail("'" + action + "' takes no argument");
      ev.action = action == "close"  ? ScriptEvent::Action::Close
                  : action == "blur" ? ScriptEvent::Action::Blur
                                     : ScriptEvent::Action::Focus;
    } else {
      return fail("unknown action '" + action + "'");
    }
    out.push_back(ev);
  }
  return true;
}

// ---- platform ------------------------------------------------------------------

VirtualPlatform::VirtualPlatform(VirtualConfig config) : config_(config) {
  if (config_.refresh_hz <= 0) config_.refresh_hz = 60;
  if (config_.present_ms < 0) config_.present_ms = 0;
}

VirtualPlatform::~VirtualPlatform() {
  close_display();
  if (video_ready_) sdl::quit_video();
}

bool VirtualPlatform::open_display(const DisplayRequest& req, int& out_w, int& out_h) {
  close_display();
  request_ = req;
  int w = req.width, h = req.height;
  if (!sdl::sane_size(w, h)) {
    w = 800;
    h = 600;
  }
  if (config_.render) {
    // Ctrl+C must still stop a harness run: SDL would turn it into a quit
    // event that this backend never reads.
    if (!video_ready_) SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!video_ready_) video_ready_ = sdl::init_video();
    if (!video_ready_) return false;
    SDL_GLContext ctx = nullptr;
    window_ = sdl::create_gl_window(title_.c_str(), w, h, SDL_WINDOW_HIDDEN, ctx);
    if (!window_) return false;
    context_ = ctx;
  }
  open_ = true;
  width_ = w;
  height_ = h;
  ++opened_count_;
  out_w = w;
  out_h = h;
  return true;
}

void VirtualPlatform::close_display() {
  if (window_ || context_) {
    SDL_GLContext ctx = context_;
    sdl::destroy_gl_window(window_, ctx);
    context_ = nullptr;
  }
  open_ = false;
}

void VirtualPlatform::advance_to(std::int64_t t) {
  if (t <= now_) return;
  // Sound positions follow the virtual clock, so one-shots end on time.
  const std::int64_t f0 = now_ * Mixer::kRate / 1000;
  const std::int64_t f1 = t * Mixer::kRate / 1000;
  mixer_.advance(f1 - f0);
  now_ = t;
}

void VirtualPlatform::present(int sync) {
  if (window_) SDL_GL_SwapWindow(window_);
  if (sync == 0) {
    advance_to(now_ + config_.present_ms);
  } else {
    // Next refresh boundary strictly after now: floor(k * 1000 / hz).
    const std::int64_t hz = config_.refresh_hz;
    std::int64_t k = now_ * hz / 1000;
    while (k * 1000 / hz <= now_) ++k;
    advance_to(k * 1000 / hz);
  }
  ++frames_;
  pump();
}

void VirtualPlatform::delay(int ms) {
  if (ms > 0) advance_to(now_ + ms);
  pump();
}

void VirtualPlatform::schedule(const std::vector<ScriptEvent>& events) {
  script_.insert(script_.end(), events.begin(), events.end());
}

void VirtualPlatform::apply(const ScriptEvent& ev) {
  InputState& in = input_;
  switch (ev.action) {
    case ScriptEvent::Action::Hit:
      in.press(ev.key);
      in.release(ev.key);
      break;
    case ScriptEvent::Action::Down:
      in.press(ev.key);
      break;
    case ScriptEvent::Action::Up:
      in.release(ev.key);
      break;
    case ScriptEvent::Action::Type:
      for (unsigned char c : ev.text) in.type_char(c);
      break;
    case ScriptEvent::Action::Close:
      in.close_requested = true;
      break;
    case ScriptEvent::Action::Blur:
      in.suspended = true;
      in.down.fill(false);
      break;
    case ScriptEvent::Action::Focus:
      in.suspended = false;
      break;
  }
}

void VirtualPlatform::pump() {
  if (window_) {
    // Keep the hidden window's event queue from growing; its events mean nothing here.
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
  }
  const auto due = [this](const ScriptEvent& ev) {
    return ev.when == ScriptEvent::When::Frame ? ev.at <= frames_ : ev.at <= now_;
  };
  if (std::none_of(script_.begin(), script_.end(), due)) return;
  std::vector<ScriptEvent> rest;
  for (const ScriptEvent& ev : script_) {
    if (due(ev)) {
      apply(ev);
    } else {
      rest.push_back(ev);
    }
  }
  script_.swap(rest);
}

}  // namespace eng
