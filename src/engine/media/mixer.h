// Software mixer: float stereo at a fixed rate, one sound per channel, with
// per-channel volume, pause and seamless looping. The SDL backend pulls from it
// in its audio callback; the virtual backend only advances it with its clock;
// tests call mix() directly. Every method is safe to call from two threads.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace eng {

// A decoded sound: interleaved stereo frames at the mixer rate.
struct SoundData {
  std::vector<float> samples;  // L R L R ...
  bool loop = false;
  std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
};

class Mixer {
 public:
  static constexpr int kRate = 44100;
  // Frames over which a volume change glides, so that it does not click.
  static constexpr int kVolumeRamp = 256;

  Mixer() = default;
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  int rate() const { return kRate; }

  // Makes an idle channel known (volume 1). Unknown ids are created on demand
  // by play(), so a channel only needs add() to keep a volume before playing.
  void add(int ch);
  // Starts `sound` from its beginning on `ch`, replacing what the channel
  // played. Paused: cued, waits for resume().
  void play(int ch, std::shared_ptr<const SoundData> sound, bool paused);
  void pause(int ch);
  void resume(int ch);
  void stop(int ch);
  void set_volume(int ch, float volume);  // clamped to 0..1
  // True while the channel holds an unfinished sound and is not paused.
  bool playing(int ch) const;
  bool paused(int ch) const;
  float volume(int ch) const;
  // Stops every channel that plays `sound` (the sound is being freed).
  void stop_sound(const SoundData* sound);
  // Number of channels that currently hold a sound (paused or not).
  int busy_channels() const;

  // Adds the playing channels into `out` (frames * 2 floats, overwritten),
  // clamped to -1..1, and advances them.
  void mix(float* out, int frames);
  // Advances the playing channels as mix() would, without producing samples.
  void advance(std::int64_t frames);

 private:
  struct Channel {
    std::shared_ptr<const SoundData> sound;
    std::int64_t pos = 0;
    bool paused = false;
    float volume = 1.0f;  // target
    float gain = 1.0f;    // current, glides toward volume
  };
  Channel& get(int ch);
  const Channel* find(int ch) const;

  mutable std::mutex mutex_;
  std::unordered_map<int, Channel> channels_;
};

}  // namespace eng
