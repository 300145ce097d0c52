#include "engine/media/mixer.h"

#include <algorithm>
#include <cstring>

namespace eng {

Mixer::Channel& Mixer::get(int ch) { return channels_[ch]; }

const Mixer::Channel* Mixer::find(int ch) const {
  auto it = channels_.find(ch);
  return it == channels_.end() ? nullptr : &it->second;
}

void Mixer::add(int ch) {
  std::lock_guard<std::mutex> lock(mutex_);
  get(ch);
}

void Mixer::play(int ch, std::shared_ptr<const SoundData> sound, bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  Channel& c = get(ch);
  c.sound = sound && sound->frames() > 0 ? std::move(sound) : nullptr;
  c.pos = 0;
  c.paused = paused;
  c.gain = c.volume;  // a fresh sound starts at its volume: nothing to glide from
}

void Mixer::pause(int ch) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = channels_.find(ch);
  if (it != channels_.end()) it->second.paused = true;
}

void Mixer::resume(int ch) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = channels_.find(ch);
  if (it != channels_.end()) it->second.paused = false;
}

void Mixer::stop(int ch) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = channels_.find(ch);
  if (it != channels_.end()) {
    it->second.sound.reset();
    it->second.pos = 0;
    it->second.paused = false;
  }
}

void Mixer::set_volume(int ch, float volume) {
  if (!(volume >= 0.0f)) volume = 0.0f;  // also catches NaN
  if (volume > 1.0f) volume = 1.0f;
  std::lock_guard<std::mutex> lock(mutex_);
  Channel& c = get(ch);
  c.volume = volume;
  if (!c.sound) c.gain = volume;
}

bool Mixer::playing(int ch) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Channel* c = find(ch);
  return c && c->sound && !c->paused;
}

bool Mixer::paused(int ch) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Channel* c = find(ch);
  return c && c->sound && c->paused;
}

float Mixer::volume(int ch) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Channel* c = find(ch);
  return c ? c->volume : 1.0f;
}

void Mixer::stop_sound(const SoundData* sound) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, c] : channels_) {
    if (c.sound.get() == sound) {
      c.sound.reset();
      c.pos = 0;
      c.paused = false;
    }
  }
}

int Mixer::busy_channels() const {
  std::lock_guard<std::mutex> lock(mutex_);
  int n = 0;
  for (const auto& [id, c] : channels_) n += c.sound ? 1 : 0;
  return n;
}

void Mixer::mix(float* out, int frames) {
  if (frames <= 0) return;
  std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
  std::lock_guard<std::mutex> lock(mutex_);
  const float step = 1.0f / kVolumeRamp;
  for (auto& [id, c] : channels_) {
    if (!c.sound || c.paused) continue;
    const float* src = c.sound->samples.data();
    const std::int64_t len = c.sound->frames();
    for (int i = 0; i < frames; ++i) {
      if (c.pos >= len) {
        if (!c.sound->loop) {
          c.sound.reset();
          c.pos = 0;
          break;
        }
        c.pos = 0;  // the loop restarts on the very next frame: no gap, no click
      }
      if (c.gain != c.volume) {
        c.gain = c.gain < c.volume ? std::min(c.volume, c.gain + step) : std::max(c.volume, c.gain - step);
      }
      out[2 * i] += src[2 * c.pos] * c.gain;
      out[2 * i + 1] += src[2 * c.pos + 1] * c.gain;
      ++c.pos;
    }
    // A one-shot that ended exactly on the last frame is done too.
    if (c.sound && !c.sound->loop && c.pos >= len) {
      c.sound.reset();
      c.pos = 0;
    }
  }
  for (int i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void Mixer::advance(std::int64_t frames) {
  if (frames <= 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, c] : channels_) {
    if (!c.sound || c.paused) continue;
    const std::int64_t len = c.sound->frames();
    c.gain = c.volume;
    if (c.sound->loop) {
      c.pos = (c.pos + frames) % len;
    } else if (c.pos + frames >= len) {
      c.sound.reset();
      c.pos = 0;
    } else {
      c.pos += frames;
    }
  }
}

}  // namespace eng
