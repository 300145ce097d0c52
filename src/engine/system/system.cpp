// Backend selection, process end, window title, clock and key queries.
#include "engine/system.h"

#include "engine/platform/platform.h"
#include "engine/platform/virtual/virtual_platform.h"

namespace eng {

namespace {
std::unique_ptr<Platform>& current() {
  static std::unique_ptr<Platform> platform;
  return platform;
}
}  // namespace

void UsePlatform(std::unique_ptr<Platform> platform) {
  auto& cur = current();
  // The renderer gives its GL objects back before the old display goes.
  if (cur && cur->display_open()) EndGraphics();
  cur = std::move(platform);
}

Platform& CurrentPlatform() {
  auto& cur = current();
  // Facilities used before any backend was chosen (tools, tests) get a silent
  // virtual one rather than a null dereference.
  if (!cur) cur = std::make_unique<VirtualPlatform>();
  return *cur;
}

bool HasPlatform() { return current() != nullptr; }

void End() { throw ProgramEnd{0}; }

void AppTitle(const std::string& title) { CurrentPlatform().set_title(title); }
void HidePointer() { CurrentPlatform().hide_pointer(); }

void Delay(int ms) { CurrentPlatform().delay(ms); }
std::int32_t MilliSecs() { return CurrentPlatform().millisecs(); }

int KeyHit(int vk) {
  if (vk <= 0 || vk > 255) return 0;
  auto& hits = CurrentPlatform().input().hits;
  const int n = hits[static_cast<size_t>(vk)];
  hits[static_cast<size_t>(vk)] = 0;
  return n;
}

bool KeyDown(int vk) {
  if (vk <= 0 || vk > 255) return false;
  return CurrentPlatform().input().down[static_cast<size_t>(vk)];
}

int GetKey() {
  auto& chars = CurrentPlatform().input().chars;
  if (chars.empty()) return 0;
  const int c = chars.front();
  chars.pop_front();
  return c;
}

void FlushKeys() { CurrentPlatform().input().flush(); }

bool CloseRequested() {
  InputState& in = CurrentPlatform().input();
  const bool r = in.close_requested;
  in.close_requested = false;
  return r;
}

bool Suspended() { return CurrentPlatform().input().suspended; }

}  // namespace eng
