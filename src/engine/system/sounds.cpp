// Sounds and channels. Decoded sounds live here; channel state lives in the
// backend's mixer (which the SDL backend plays and the virtual one advances
// with its clock). Every request is also handed to the backend's record().
#include <cstdio>
#include <unordered_map>

#include "engine/media/mixer.h"
#include "engine/media/sound.h"
#include "engine/platform/platform.h"
#include "engine/system.h"

namespace eng {

namespace {

struct SoundTable {
  std::unordered_map<SoundHandle, std::shared_ptr<const SoundData>> sounds;
  SoundHandle next_sound = 0;
  ChannelHandle next_channel = 0;
  Mixer fallback;  // for a backend without a mixer of its own
};

SoundTable& table() {
  static SoundTable t;
  return t;
}

Mixer& mixer() {
  Mixer* m = CurrentPlatform().mixer();
  return m ? *m : table().fallback;
}

void record(const char* op, int sound, int channel, float value = 0.0f) {
  Platform& p = CurrentPlatform();
  SoundEvent ev;
  ev.op = op;
  ev.sound = sound;
  ev.channel = channel;
  ev.value = value;
  ev.time = p.millisecs();
  p.record(ev);
}

std::shared_ptr<const SoundData> find_sound(SoundHandle s) {
  auto it = table().sounds.find(s);
  return it == table().sounds.end() ? nullptr : it->second;
}

bool known_channel(ChannelHandle ch) { return ch > 0 && ch <= table().next_channel; }

ChannelHandle start(SoundHandle s, ChannelHandle ch, bool paused) {
  auto sound = find_sound(s);
  if (!sound) return 0;
  if (ch == 0) {
    ch = ++table().next_channel;
  } else if (!known_channel(ch)) {
    return 0;
  }
  mixer().play(ch, sound, paused);
  record(paused ? "cue" : "play", s, ch);
  return ch;
}

}  // namespace

SoundHandle LoadSound(const std::string& file, int flags) {
  const std::string path = NativePath(file);
  std::string error;
  std::shared_ptr<SoundData> data = decode_ogg_file(path, error);
  if (!data) {
    std::fprintf(stderr, "Ironfold: cannot load sound \"%s\": %s\n", path.c_str(), error.c_str());
    return 0;
  }
  data->loop = (flags & 1) != 0;
  SoundTable& t = table();
  const SoundHandle h = ++t.next_sound;
  t.sounds.emplace(h, std::move(data));
  record("load", h, 0, static_cast<float>(flags));
  return h;
}

void FreeSound(SoundHandle s) {
  auto it = table().sounds.find(s);
  if (it == table().sounds.end()) return;
  mixer().stop_sound(it->second.get());
  table().sounds.erase(it);
  record("free", s, 0);
}

ChannelHandle AllocChannel() {
  const ChannelHandle ch = ++table().next_channel;
  mixer().add(ch);
  return ch;
}

ChannelHandle PlaySound(SoundHandle s, ChannelHandle ch) { return start(s, ch, false); }
ChannelHandle CueSound(SoundHandle s, ChannelHandle ch) { return start(s, ch, true); }

void PauseChannel(ChannelHandle ch) {
  if (!known_channel(ch)) return;
  mixer().pause(ch);
  record("pause", 0, ch);
}

void ResumeChannel(ChannelHandle ch) {
  if (!known_channel(ch)) return;
  mixer().resume(ch);
  record("resume", 0, ch);
}

void StopChannel(ChannelHandle ch) {
  if (!known_channel(ch)) return;
  mixer().stop(ch);
  record("stop", 0, ch);
}

void ChannelVolume(ChannelHandle ch, float volume) {
  if (!known_channel(ch)) return;
  mixer().set_volume(ch, volume);
  record("volume", 0, ch, volume);
}

bool ChannelPlaying(ChannelHandle ch) { return known_channel(ch) && mixer().playing(ch); }

int LiveSoundCount() { return static_cast<int>(table().sounds.size()); }

}  // namespace eng
