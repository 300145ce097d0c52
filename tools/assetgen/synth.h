// Small synthesiser toolkit for the game's sounds and music: oscillators,
// noise, filters, envelopes, a reverb, loop helpers, level measurement and an
// Ogg Vorbis writer. Deterministic: all noise comes from seeded generators.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

constexpr int kRate = 44100;
constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2.0f * kPi;

using Buffer = std::vector<float>;

struct Stereo {
  Buffer l, r;
  Stereo() = default;
  explicit Stereo(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
  size_t size() const { return l.size(); }
};

inline size_t samples(double seconds) { return static_cast<size_t>(seconds * kRate + 0.5); }

// xorshift32: fast, seedable, identical on every machine.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : s_(seed ? seed : 0x9e3779b9u) {}
  std::uint32_t next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
  float bipolar() { return uniform() * 2.0f - 1.0f; }                                  // [-1, 1)
  int range(int a, int b) { return a + static_cast<int>(next() % static_cast<std::uint32_t>(b - a + 1)); }

 private:
  std::uint32_t s_;
};

// Biquad filter (RBJ cookbook forms), direct form I.
class Biquad {
 public:
  enum class Kind { LowPass, HighPass, BandPass, Peak };
  Biquad() = default;
  Biquad(Kind k, float freq, float q, float gain_db = 0.0f) { set(k, freq, q, gain_db); }
  void set(Kind k, float freq, float q, float gain_db = 0.0f);
  float process(float x) {
    const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }
  void reset() { x1_ = x2_ = y1_ = y2_ = 0.0f; }

 private:
  float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  float x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One-pole low-pass, cheap smoothing for noise and envelopes.
class OnePole {
 public:
  void set(float freq) { a_ = 1.0f - std::exp(-kTwoPi * freq / kRate); }
  float process(float x) { return z_ += a_ * (x - z_); }

 private:
  float a_ = 1.0f, z_ = 0.0f;
};

// Band-limited-enough oscillators from a phase in cycles [0, 1).
inline float osc_sine(float ph) { return std::sin(kTwoPi * ph); }

// polyBLEP residual for a step at phase 0 (dt = phase step per sample).
inline float poly_blep(float t, float dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0f;
  }
  if (t > 1.0f - dt) {
    t = (t - 1.0f) / dt;
    return t * t + t + t + 1.0f;
  }
  return 0.0f;
}

inline float osc_saw(float ph, float dphase) {
  ph -= std::floor(ph);
  return 2.0f * ph - 1.0f - poly_blep(ph, dphase);
}

inline float osc_pulse(float ph, float dphase, float width) {
  ph -= std::floor(ph);
  float v = ph < width ? 1.0f : -1.0f;
  v += poly_blep(ph, dphase);
  float ph2 = ph - width;
  ph2 -= std::floor(ph2);
  return v - poly_blep(ph2, dphase);
}
inline float osc_tri(float ph) { return 4.0f * std::fabs(ph - std::floor(ph + 0.5f)) - 1.0f; }

// Envelopes of time t in seconds.
inline float env_exp(float t, float tau) { return t < 0 ? 0.0f : std::exp(-t / tau); }
// Attack (linear), then exponential decay.
inline float env_ad(float t, float attack, float tau) {
  if (t < 0) return 0.0f;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

// Soft saturation that keeps small signals linear.
inline float saturate(float x) { return std::tanh(x); }

// Stereo reverb (Schroeder/Freeverb style combs and all-passes). Adds `wet` of
// the reverberated input to out; `size` 0..1 sets the decay.
void add_reverb(const Buffer& in, Stereo& out, float wet, float size, float damp = 0.4f);

// Loops: adds everything beyond `length` back onto the start (a tail that
// rings past the loop end continues into the next pass) and truncates.
void fold_tail(Stereo& s, size_t length);
void fold_tail(Buffer& b, size_t length);

// Turns a loop so that it starts at its quietest spot (least energy within
// +-`half` samples). The loop stays the same cycle; the Vorbis encoder, which
// pads before the first and after the last sample with silence, then has no
// step to smear at the wrap. With `before` > 0 only starts up to that many
// samples ahead of the current start are considered (music keeps its downbeat
// near the top of the file).
void rotate_to_quiet(Stereo& s, size_t half = 48, size_t before = 0);

// Levels.
float peak(const Stereo& s);
float rms(const Stereo& s);
// Loudest RMS over any window of `window` samples (hop = window / 4).
float window_rms(const Stereo& s, size_t window);
inline float db(float v) { return 20.0f * std::log10(std::max(v, 1e-9f)); }
inline float from_db(float d) { return std::pow(10.0f, d / 20.0f); }
void scale(Stereo& s, float g);
// Scales so the loudest `window` RMS hits target_db, then lowers the gain if
// needed so the peak stays at or under peak_db.
void normalise(Stereo& s, float target_db, float peak_db, size_t window);

// Short fades against clicks at the very start and end of a one-shot.
void fade_edges(Stereo& s, size_t in, size_t out);

// Encodes 44.1 kHz stereo as Ogg Vorbis (VBR quality -0.1..1) into `path`.
bool write_ogg(const std::string& path, const Stereo& s, float quality, std::string& error);

}  // namespace synth
