#include "engine/platform/platform.h"

namespace eng {

namespace {
constexpr size_t kMaxQueuedChars = 256;
bool valid_key(int vk) { return vk > 0 && vk < 256; }
}  // namespace

void InputState::press(int vk) {
  if (!valid_key(vk)) return;
  ++hits[static_cast<size_t>(vk)];
  down[static_cast<size_t>(vk)] = true;
}

void InputState::release(int vk) {
  if (!valid_key(vk)) return;
  down[static_cast<size_t>(vk)] = false;
}

void InputState::type_char(int c) {
  if (c <= 0 || c > 255) return;
  if (chars.size() >= kMaxQueuedChars) return;  // a full queue drops new characters
  chars.push_back(c);
}

void InputState::flush() {
  hits.fill(0);
  down.fill(false);
  chars.clear();
}

}  // namespace eng
