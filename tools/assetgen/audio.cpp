// The game's sound effects, synthesised. Each is built dry in mono, then put
// in stereo with a little room reverb, levelled and written as Ogg Vorbis.
#include "audio.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "audio_internal.h"
#include "synth.h"

namespace {

using namespace synth;
using BQ = Biquad::Kind;

// Mono dry signal to stereo: equal in both channels, plus reverb.
Stereo to_stereo(const Buffer& dry, float wet, float size, float damp = 0.4f) {
  Stereo s(dry.size());
  for (size_t i = 0; i < dry.size(); ++i) s.l[i] = s.r[i] = dry[i];
  add_reverb(dry, s, wet, size, damp);
  return s;
}

// Low thump: a sine whose pitch falls exponentially from f0 to f1.
void add_thump(Buffer& b, size_t at, float f0, float f1, float sweep_tau, float decay_tau, float amp) {
  float ph = 0;
  for (size_t i = at; i < b.size(); ++i) {
    const float t = static_cast<float>(i - at) / kRate;
    const float f = f1 + (f0 - f1) * std::exp(-t / sweep_tau);
    ph += f / kRate;
    b[i] += amp * std::sin(kTwoPi * ph) * env_ad(t, 0.002f, decay_tau);
  }
}

// Noise through a low-pass whose cut-off falls from c0 to c1; envelope attack/decay.
void add_noise_sweep(Buffer& b, Rng& rng, size_t at, float c0, float c1, float sweep_tau, float attack,
                     float decay_tau, float amp, float q = 0.8f) {
  Biquad f;
  for (size_t i = at; i < b.size(); ++i) {
    const float t = static_cast<float>(i - at) / kRate;
    if ((i - at) % 32 == 0) f.set(BQ::LowPass, c1 + (c0 - c1) * std::exp(-t / sweep_tau), q);
    b[i] += amp * f.process(rng.bipolar()) * env_ad(t, attack, decay_tau);
  }
}

// Band of noise (band-pass) with an envelope.
void add_noise_band(Buffer& b, Rng& rng, size_t at, float centre, float q, float attack, float decay_tau,
                    float amp) {
  Biquad f(BQ::BandPass, centre, q);
  for (size_t i = at; i < b.size(); ++i) {
    const float t = static_cast<float>(i - at) / kRate;
    b[i] += amp * f.process(rng.bipolar()) * env_ad(t, attack, decay_tau);
  }
}

// Sparse crackle: random clicks through a band-pass, thinning out over time.
void add_crackle(Buffer& b, Rng& rng, size_t at, float density, float decay_tau, float centre, float amp) {
  Biquad f(BQ::BandPass, centre, 1.2f), soften(BQ::LowPass, std::min(centre * 2.5f, 9000.0f), 0.7f);
  for (size_t i = at; i < b.size(); ++i) {
    const float t = static_cast<float>(i - at) / kRate;
    const float e = env_exp(t, decay_tau);
    float x = 0;
    if (rng.uniform() < density * e / kRate) x = rng.bipolar() * 8.0f;
    b[i] += amp * soften.process(f.process(x));
  }
}

// Inharmonic metal partials, each with its own decay.
void add_partials(Buffer& b, size_t at, const std::vector<std::pair<float, float>>& partials, float decay_tau,
                  float amp) {
  for (size_t k = 0; k < partials.size(); ++k) {
    const float f = partials[k].first, a = partials[k].second;
    const float tau = decay_tau / (1.0f + 0.35f * static_cast<float>(k));
    for (size_t i = at; i < b.size(); ++i) {
      const float t = static_cast<float>(i - at) / kRate;
      b[i] += amp * a * std::sin(kTwoPi * f * t) * env_ad(t, 0.0008f, tau);
    }
  }
}

void soft_clip(Buffer& b, float drive) {
  for (float& x : b) x = saturate(x * drive) / drive;
}

// ---- effects ------------------------------------------------------------

// Cannon: a cracking transient, a deep falling thump and a rolling blast of
// low-passed noise; drive gives it grit.
Stereo cannon(std::uint32_t seed, float pitch, float body, float crack, float length, float wet) {
  Rng rng(seed);
  Buffer b(samples(length), 0.0f);
  add_noise_band(b, rng, 0, 2600 * pitch, 0.7f, 0.0005f, 0.015f, 2.2f * crack);   // crack
  add_thump(b, 0, 170 * pitch, 42 * pitch, 0.04f, 0.14f * body, 1.4f);               // thump
  add_noise_sweep(b, rng, 0, 5000 * pitch, 180 * pitch, 0.05f, 0.001f, 0.12f * body, 1.8f);  // blast
  add_noise_sweep(b, rng, samples(0.02), 900 * pitch, 120, 0.2f, 0.02f, 0.4f * body, 0.45f);  // roll
  soft_clip(b, 1.4f);
  Stereo s = to_stereo(b, wet, 0.72f);
  fade_edges(s, 8, samples(0.05));
  return s;
}

Stereo explosion(std::uint32_t seed, float length) {
  Rng rng(seed);
  Buffer b(samples(length), 0.0f);
  add_thump(b, 0, 110, 28, 0.12f, 0.55f, 1.6f);
  add_noise_sweep(b, rng, 0, 7000, 160, 0.12f, 0.002f, 0.5f, 1.8f, 0.9f);
  add_noise_sweep(b, rng, samples(0.05), 1400, 90, 0.5f, 0.05f, 0.8f, 0.8f);
  add_crackle(b, rng, samples(0.03), 900, 0.45f, 2200, 0.9f);
  add_crackle(b, rng, samples(0.1), 250, 0.7f, 700, 1.2f);
  soft_clip(b, 2.8f);
  Stereo s = to_stereo(b, 0.32f, 0.82f);
  fade_edges(s, 8, samples(0.15));
  return s;
}

// Shell impact on a wall: a short dull thud and crumbling grit.
Stereo impact(std::uint32_t seed) {
  Rng rng(seed);
  Buffer b(samples(0.7), 0.0f);
  add_thump(b, 0, 140, 55, 0.03f, 0.08f, 1.0f);
  add_noise_sweep(b, rng, 0, 4200, 400, 0.03f, 0.0008f, 0.07f, 1.4f);
  add_crackle(b, rng, samples(0.01), 700, 0.12f, 1800, 0.9f);
  add_noise_band(b, rng, samples(0.02), 1200, 1.0f, 0.01f, 0.12f, 0.35f);
  soft_clip(b, 2.0f);
  Stereo s = to_stereo(b, 0.22f, 0.6f);
  fade_edges(s, 8, samples(0.05));
  return s;
}

// Shell striking armour: a bright metallic clang with a tick on top.
Stereo armour(std::uint32_t seed) {
  Rng rng(seed);
  Buffer b(samples(0.8), 0.0f);
  add_noise_band(b, rng, 0, 5200, 0.8f, 0.0003f, 0.006f, 1.2f);
  add_partials(b, 0, {{412, 1.0f}, {1096, 0.7f}, {1743, 0.55f}, {2381, 0.4f}, {3177, 0.3f}, {4410, 0.2f}}, 0.16f,
               0.5f);
  add_thump(b, 0, 180, 90, 0.02f, 0.05f, 0.6f);
  soft_clip(b, 1.5f);
  Stereo s = to_stereo(b, 0.2f, 0.55f, 0.25f);
  fade_edges(s, 8, samples(0.05));
  return s;
}

// A square-wave note with a plucky envelope, for the bonus jingles.
void add_note(Buffer& b, size_t at, float freq, float dur, float amp, float width = 0.25f) {
  const size_t n = samples(dur + 0.25);
  float ph = 0;
  const float dp = freq / kRate;
  Biquad lp(BQ::LowPass, std::min(freq * 6.0f, 12000.0f), 0.7f);
  for (size_t i = 0; i < n && at + i < b.size(); ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float e = t < dur ? env_ad(t, 0.003f, dur * 0.9f) : env_ad(dur, 0.003f, dur * 0.9f) * env_exp(t - dur, 0.03f);
    b[at + i] += amp * e * lp.process(0.6f * osc_pulse(ph, dp, width) + 0.4f * osc_sine(ph));
    ph += dp;
    if (ph >= 1) ph -= 1;
  }
}

float note_hz(int midi) { return 440.0f * std::pow(2.0f, static_cast<float>(midi - 69) / 12.0f); }

// A bonus has appeared: a bright rising call, repeated once an octave up.
Stereo bonus_appears() {
  Buffer b(samples(1.1), 0.0f);
  const int notes[] = {67, 71, 74, 79};
  for (int rep = 0; rep < 2; ++rep)
    for (int k = 0; k < 4; ++k)
      add_note(b, samples(0.055 * k + 0.26 * rep), note_hz(notes[k] + 12 * rep), 0.07f, rep ? 0.45f : 0.6f);
  Stereo s = to_stereo(b, 0.3f, 0.6f);
  fade_edges(s, 8, samples(0.1));
  return s;
}

// Pickup: a fast upward sweep ending on a major chord.
Stereo pickup() {
  Buffer b(samples(0.9), 0.0f);
  float ph = 0;
  for (size_t i = 0; i < samples(0.14); ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float f = 300.0f * std::pow(2.0f, t / 0.14f * 2.0f);
    ph += f / kRate;
    b[i] += 0.35f * osc_pulse(ph, f / kRate, 0.5f) * env_ad(t, 0.005f, 0.2f);
  }
  for (int m : {72, 76, 79, 84}) add_note(b, samples(0.14), note_hz(m), 0.28f, 0.28f, 0.5f);
  Stereo s = to_stereo(b, 0.28f, 0.6f);
  fade_edges(s, 8, samples(0.1));
  return s;
}

// Freeze: an icy shimmer of high bells sliding down over a cold whoosh.
Stereo freeze(std::uint32_t seed) {
  Rng rng(seed);
  Buffer b(samples(2.0), 0.0f);
  add_noise_band(b, rng, 0, 6500, 1.5f, 0.25f, 0.45f, 0.7f);
  const float base[] = {1568, 2093, 2637, 3136, 3951};
  for (int k = 0; k < 5; ++k) {
    float ph = 0;
    const size_t at = samples(0.05 * k);
    for (size_t i = at; i < b.size(); ++i) {
      const float t = static_cast<float>(i - at) / kRate;
      const float f = base[k] * (1.0f - 0.18f * (1.0f - std::exp(-t / 0.6f)));
      ph += f / kRate;
      b[i] += 0.22f * std::sin(kTwoPi * ph) * (1.0f + 0.3f * std::sin(kTwoPi * 7.0f * t)) * env_ad(t, 0.01f, 0.45f);
    }
  }
  Stereo s = to_stereo(b, 0.5f, 0.88f, 0.2f);
  fade_edges(s, 8, samples(0.2));
  return s;
}

// Bomb: a falling whistle, then a big blast that covers the field.
Stereo bomb(std::uint32_t seed) {
  Rng rng(seed);
  const float whistle = 0.75f;
  Buffer b(samples(3.0), 0.0f);
  float ph = 0;
  for (size_t i = 0; i < samples(whistle); ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float f = 2200.0f - 1500.0f * (t / whistle) * (t / whistle);
    ph += f / kRate;
    b[i] += 0.3f * std::sin(kTwoPi * ph) * std::min(1.0f, t / 0.3f);
  }
  Rng r2(seed + 1);
  Buffer blast(b.size() - samples(whistle), 0.0f);
  add_thump(blast, 0, 95, 24, 0.15f, 0.7f, 1.8f);
  add_noise_sweep(blast, r2, 0, 6000, 120, 0.15f, 0.002f, 0.7f, 1.9f, 0.9f);
  add_crackle(blast, r2, samples(0.05), 800, 0.6f, 1600, 1.0f);
  add_crackle(blast, r2, samples(0.1), 300, 0.8f, 500, 1.2f);
  soft_clip(blast, 3.0f);
  for (size_t i = 0; i < blast.size(); ++i) b[samples(whistle) + i] += blast[i];
  Stereo s = to_stereo(b, 0.32f, 0.85f);
  fade_edges(s, 8, samples(0.2));
  return s;
}

// Circular filtering: running a filter over the loop twice and keeping the
// second pass leaves no seam where the loop wraps.
template <typename F>
Buffer circular(const Buffer& in, F&& filter) {
  Buffer out(in.size());
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < in.size(); ++i) out[i] = filter(in[i]);
  return out;
}

// Player engine: a diesel firing at 36 Hz with uneven cylinders, through a
// muffled exhaust, plus the squeal and clatter of tracks. Every component
// repeats a whole number of times in the 2 s loop.
Stereo engine_loop(std::uint32_t seed) {
  const float loop_s = 2.0f;
  const size_t n = samples(loop_s);
  Rng rng(seed);
  Buffer b(n, 0.0f);
  const float f0 = 36.0f;  // 72 firing cycles per loop
  const float cyl[4] = {1.0f, 0.78f, 0.92f, 0.7f};
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float ph = f0 * t;
    const int k = static_cast<int>(ph) % 4;
    const float fr = ph - std::floor(ph);
    // Each firing: a sharp pressure pulse that dies away within the cycle.
    const float pulse = cyl[k] * std::exp(-fr * 7.0f) * std::sin(kTwoPi * fr * 2.0f);
    const float wobble = 1.0f + 0.12f * std::sin(kTwoPi * 1.5f * t);
    b[i] = pulse * wobble;
  }
  Biquad lp1(BQ::LowPass, 420, 0.9f), lp2(BQ::LowPass, 600, 0.7f);
  Buffer body = circular(b, [&](float x) { return lp2.process(lp1.process(x)); });
  // Track clatter: noise gated by link strikes at 9 Hz (18 per loop).
  Buffer noise(n);
  for (float& x : noise) x = rng.bipolar();
  Biquad bp(BQ::BandPass, 1900, 1.1f);
  Buffer clat = circular(noise, [&](float x) { return bp.process(x); });
  Biquad lp3(BQ::LowPass, 160, 0.7f);
  Buffer growl = circular(noise, [&](float x) { return lp3.process(x); });
  Buffer out(n);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float g = 9.0f * t;
    const float gate = std::exp(-(g - std::floor(g)) * 9.0f);
    out[i] = 1.6f * body[i] + 0.22f * clat[i] * gate + 1.1f * growl[i];
  }
  Biquad dc(BQ::HighPass, 28, 0.7f);
  out = circular(out, [&](float x) { return dc.process(x); });
  soft_clip(out, 1.6f);
  Stereo s(n);
  for (size_t i = 0; i < n; ++i) s.l[i] = s.r[i] = out[i];
  // Reverb that wraps: run it over two passes of the loop and keep the second.
  Buffer twice(2 * n);
  for (size_t i = 0; i < 2 * n; ++i) twice[i] = out[i % n];
  Stereo wet(2 * n);
  add_reverb(twice, wet, 0.12f, 0.5f);
  for (size_t i = 0; i < n; ++i) {
    s.l[i] += wet.l[n + i];
    s.r[i] += wet.r[n + i];
  }
  return s;
}

// Background rumble: a deep, slow-breathing roar of distant armour.
Stereo rumble_loop(std::uint32_t seed) {
  const size_t n = samples(4.0);
  Rng rng(seed);
  Buffer noise(n);
  for (float& x : noise) x = rng.bipolar();
  Biquad lp1(BQ::LowPass, 90, 0.8f), lp2(BQ::LowPass, 140, 0.7f);
  Buffer deep = circular(noise, [&](float x) { return lp2.process(lp1.process(x)); });
  Biquad bp(BQ::BandPass, 320, 0.9f);
  Buffer mid = circular(noise, [&](float x) { return bp.process(x); });
  Stereo s(n);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    // Periods of 4 s, 2 s and 1/27 s: all whole within the loop.
    const float swell = 1.0f + 0.25f * std::sin(kTwoPi * 0.25f * t) + 0.1f * std::sin(kTwoPi * 0.5f * t + 1.0f);
    const float hum = 0.25f * std::sin(kTwoPi * 27.0f * t) + 0.12f * std::sin(kTwoPi * 54.0f * t + 0.5f);
    const float v = swell * (3.0f * deep[i] + hum) + 0.35f * mid[i] * swell;
    s.l[i] = v;
    s.r[i] = v;
  }
  // A slight stereo spread: the right channel reads the loop a quarter later.
  Buffer right(n);
  for (size_t i = 0; i < n; ++i) right[i] = s.l[(i + n / 4) % n];
  for (size_t i = 0; i < n; ++i) s.r[i] = 0.7f * s.l[i] + 0.3f * right[i];
  return s;
}

struct Job {
  std::string file;
  std::function<Stereo()> make;
  float rms_db;    // target loudness over the loudest 300 ms
  bool loop;
};

// Runs jobs on up to two threads; the first error wins.
bool run_jobs(size_t count, const std::function<bool(size_t, std::string&)>& job, std::string& error) {
  std::atomic<size_t> next{0};
  std::mutex m;
  std::string first_error;
  auto worker = [&] {
    for (size_t i; (i = next++) < count;) {
      std::string e;
      if (!job(i, e)) {
        std::lock_guard<std::mutex> lock(m);
        if (first_error.empty()) first_error = e;
      }
    }
  };
  const unsigned hw = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < hw; ++t) threads.emplace_back(worker);
  worker();
  for (auto& t : threads) t.join();
  if (!first_error.empty()) {
    error = first_error;
    return false;
  }
  return true;
}

bool make_dir(const std::filesystem::path& p, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(p, ec);
  if (ec) {
    error = p.string() + ": cannot create the folder: " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

namespace audio_internal {

bool run_parallel(size_t count, const std::function<bool(size_t, std::string&)>& job, std::string& error) {
  return run_jobs(count, job, error);
}

bool ensure_dir(const std::string& path, std::string& error) { return make_dir(path, error); }

}  // namespace audio_internal

bool generate_sounds(const std::string& data_dir, std::string& error) {
  const std::filesystem::path dir = std::filesystem::path(data_dir) / "sound";
  if (!make_dir(dir, error)) return false;
  // Loudness by kind: blasts loudest, shots and hits a little under, jingles
  // and loops lower so they sit behind the action.
  const std::vector<Job> jobs = {
      {"tmove01.ogg", [] { return engine_loop(11); }, -17.0f, true},
      {"tmove02.ogg", [] { return rumble_loop(12); }, -19.0f, true},
      {"ch.ogg", [] { return cannon(21, 1.0f, 1.0f, 1.0f, 1.4f, 0.25f); }, -11.0f, false},
      {"fire01.ogg", [] { return cannon(22, 1.3f, 0.75f, 1.3f, 1.1f, 0.2f); }, -11.5f, false},
      {"kaboom.ogg", [] { return explosion(31, 2.6f); }, -10.5f, false},
      {"kick.ogg", [] { return impact(41); }, -12.5f, false},
      {"kick01.ogg", [] { return armour(42); }, -12.5f, false},
      {"bonus02.ogg", [] { return bonus_appears(); }, -14.0f, false},
      {"bonus02up.ogg", [] { return pickup(); }, -14.0f, false},
      {"freez.ogg", [] { return freeze(51); }, -15.0f, false},
      {"air.ogg", [] { return bomb(61); }, -10.5f, false},
  };
  return run_jobs(jobs.size(), [&](size_t i, std::string& e) {
    Stereo s = jobs[i].make();
    normalise(s, jobs[i].rms_db, -1.5f, samples(0.3));
    if (jobs[i].loop) rotate_to_quiet(s);
    // Loops get a higher quality: the wrap point must not pick up coding noise.
    return write_ogg((dir / jobs[i].file).string(), s, jobs[i].loop ? 0.5f : 0.4f, e);
  }, error);
}
