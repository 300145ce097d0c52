// The game's music: four original marches, synthesised from a written score.
//
// A track is a list of sections; each section has one chord per bar, a lead
// melody in scale-degree notation, and named patterns for drums and bass.
// Everything is rendered into stems, mixed with a reverb send, and every
// sound that rings past the end is folded back onto the start, so the file
// loops without a seam.
#include <algorithm>
#include <array>
#include <filesystem>
#include <sstream>

#include "audio.h"
#include "audio_internal.h"
#include "synth.h"

namespace {

using namespace synth;
using BQ = Biquad::Kind;

// ---- score ----------------------------------------------------------------

struct Note {
  int step;     // start, in sixteenths from the start of the track
  int length;   // sixteenths
  int midi;
  float vel;
};

struct Section {
  std::string chords;  // one chord per bar: a degree 1..7, optional 'b'/'#' before it
  std::string melody;  // lead tokens, see parse_melody; empty for none
  std::string drums;   // march, drive, half, roll, intro, none
  std::string bass;    // march, eighths, gallop, long, none
  bool pad = true;
  bool arp = false;
  bool timpani = false;
};

struct Track {
  std::string file;
  int bpm;
  int root;            // MIDI note of degree 1 of the lead's octave
  int lead;            // 0 brass, 1 pulse
  std::uint32_t seed;
  std::vector<Section> sections;
};

constexpr int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};

// Degree token "[b|#]d['...|,...]" -> semitones above the root; false if bad.
bool parse_degree(const std::string& t, size_t& at, int& semis) {
  int acc = 0;
  while (at < t.size() && (t[at] == 'b' || t[at] == '#')) acc += t[at++] == '#' ? 1 : -1;
  if (at >= t.size() || t[at] < '1' || t[at] > '7') return false;
  semis = kMinor[t[at++] - '1'] + acc;
  while (at < t.size() && (t[at] == '\'' || t[at] == ',')) semis += t[at++] == '\'' ? 12 : -12;
  return true;
}

int parse_length(const std::string& t, size_t& at) {
  if (at >= t.size()) return 0;
  int len = 0;
  switch (t[at++]) {
    case 's': len = 1; break;
    case 'e': len = 2; break;
    case 'q': len = 4; break;
    case 'h': len = 8; break;
    case 'w': len = 16; break;
    default: return 0;
  }
  if (at < t.size() && t[at] == '.') {
    len += len / 2;
    ++at;
  }
  return len;
}

// Melody tokens: a degree with its length ("5e.", "#7q", "1'h"), or a rest
// ("rq"). Lengths: s e q h w, '.' adds half. Each bar must fill 16 steps.
bool parse_melody(const std::string& text, int root, int start_step, int bars, std::vector<Note>& out,
                  std::string& error) {
  std::istringstream in(text);
  std::string tok;
  int step = start_step;
  while (in >> tok) {
    size_t at = 0;
    int semis = 0;
    bool rest = tok[0] == 'r';
    if (rest) {
      at = 1;
    } else if (!parse_degree(tok, at, semis)) {
      error = "bad melody token \"" + tok + "\"";
      return false;
    }
    const int len = parse_length(tok, at);
    if (len == 0 || at != tok.size()) {
      error = "bad melody token \"" + tok + "\"";
      return false;
    }
    if (!rest) {
      // Accents on the beat, a little softer off it.
      const float vel = (step % 4 == 0) ? 1.0f : 0.85f;
      out.push_back({step, len, root + semis, vel});
    }
    step += len;
  }
  if (step - start_step != bars * 16) {
    error = "melody fills " + std::to_string(step - start_step) + " sixteenths, the section has " +
            std::to_string(bars * 16);
    return false;
  }
  return true;
}

// Chord tones (semitones above the key root) for a chord token. The fifth
// degree is made major (raised seventh) for a proper dominant.
bool chord_tones(const std::string& tok, std::array<int, 3>& tones) {
  size_t at = 0;
  int acc = 0;
  while (at < tok.size() && (tok[at] == 'b' || tok[at] == '#')) acc += tok[at++] == '#' ? 1 : -1;
  if (at + 1 != tok.size() || tok[at] < '1' || tok[at] > '7') return false;
  const int d = tok[at] - '1';
  auto deg = [&](int k) { return kMinor[k % 7] + 12 * (k / 7); };
  tones = {deg(d) + acc, deg(d + 2), deg(d + 4)};
  if (acc != 0) {
    // A borrowed chord on a flattened root is major: keep the third a major third up.
    tones[1] = tones[0] + 4;
    tones[2] = tones[0] + 7;
  }
  if (d == 4 && acc == 0) tones[1] += 1;
  return true;
}

// ---- instruments ----------------------------------------------------------

struct Mix {
  Stereo out;
  Buffer send;  // mono reverb send
  explicit Mix(size_t n) : out(n), send(n, 0.0f) {}
  void add(size_t i, float v, float pan, float rev) {
    if (i >= out.size()) return;
    out.l[i] += v * (1.0f - pan);
    out.r[i] += v * (1.0f + pan);
    send[i] += v * rev;
  }
};

// Every note is rendered over a fixed window; the last 30 ms of it fade out
// so that cutting the window never leaves a step.
inline float end_fade(size_t i, size_t n) {
  const size_t f = samples(0.03);
  return n - i >= f ? 1.0f : static_cast<float>(n - i) / static_cast<float>(f);
}

float hz(float midi) { return 440.0f * std::pow(2.0f, (midi - 69.0f) / 12.0f); }

void kick(Mix& m, size_t at, float vel) {
  const size_t n = samples(1.0);
  float ph = 0;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float f = 46.0f + 120.0f * std::exp(-t / 0.025f);
    ph += f / kRate;
    float v = std::sin(kTwoPi * ph) * env_ad(t, 0.001f, 0.22f);
    v += 0.3f * std::exp(-t / 0.002f) * std::sin(kTwoPi * 1800.0f * t);  // beater click
    m.add(at + i, end_fade(i, n) * 0.95f * vel * saturate(1.5f * v), 0.0f, 0.02f);
  }
}

void snare(Mix& m, Rng& rng, size_t at, float vel) {
  const size_t n = samples(0.5);
  Biquad hp(BQ::HighPass, 900, 0.7f), bp(BQ::BandPass, 3500, 0.6f);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float nz = rng.bipolar();
    float v = 0.8f * (hp.process(nz) + bp.process(nz)) * env_ad(t, 0.0008f, 0.075f);
    v += 0.55f * std::sin(kTwoPi * 185.0f * t) * env_ad(t, 0.001f, 0.04f);
    v += 0.25f * std::sin(kTwoPi * 330.0f * t) * env_ad(t, 0.001f, 0.02f);
    m.add(at + i, end_fade(i, n) * 0.5f * vel * v, -0.08f, 0.18f);
  }
}

void hat(Mix& m, Rng& rng, size_t at, float vel) {
  const size_t n = samples(0.08);
  Biquad hp(BQ::HighPass, 7500, 0.7f);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    m.add(at + i, end_fade(i, n) * 0.16f * vel * hp.process(rng.bipolar()) * env_ad(t, 0.0005f, 0.018f), 0.3f, 0.03f);
  }
}

void crash(Mix& m, Rng& rng, size_t at, float vel) {
  const size_t n = samples(3.2);
  Biquad hp(BQ::HighPass, 3800, 0.6f), bp(BQ::BandPass, 6200, 0.9f);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float nz = rng.bipolar();
    m.add(at + i, end_fade(i, n) * 0.17f * vel * (hp.process(nz) + 0.6f * bp.process(nz)) * env_ad(t, 0.002f, 0.55f), -0.35f, 0.2f);
  }
}

void timpani(Mix& m, size_t at, float midi, float vel) {
  const size_t n = samples(3.0);
  const float f = hz(midi);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float bend = 1.0f + 0.04f * std::exp(-t / 0.05f);
    float v = std::sin(kTwoPi * f * bend * t) * env_ad(t, 0.002f, 0.55f);
    v += 0.5f * std::sin(kTwoPi * f * 1.504f * t) * env_ad(t, 0.002f, 0.3f);
    v += 0.3f * std::sin(kTwoPi * f * 1.742f * t) * env_ad(t, 0.002f, 0.18f);
    m.add(at + i, end_fade(i, n) * 0.5f * vel * v, 0.1f, 0.3f);
  }
}

// Bass: a saw and a sub sine through a low-pass that opens on each note.
void bass(Mix& m, size_t at, float midi, float dur, float vel) {
  const float f = hz(midi), dp = f / kRate;
  const size_t n = samples(dur + 0.08);
  Biquad lp;
  float ph = 0;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    if (i % 32 == 0) lp.set(BQ::LowPass, 180.0f + 1100.0f * std::exp(-t / 0.07f), 1.1f);
    const float gate = t < dur ? 1.0f : std::exp(-(t - dur) / 0.015f);
    const float e = std::min(1.0f, t / 0.004f) * gate * (0.75f + 0.25f * std::exp(-t / 0.2f));
    const float v = lp.process(osc_saw(ph, dp)) + 0.6f * std::sin(kTwoPi * ph);
    ph += dp;
    ph -= std::floor(ph);
    m.add(at + i, end_fade(i, n) * 0.42f * vel * e * v, 0.0f, 0.02f);
  }
}

// Pad: three detuned saws per chord tone, slow attack, soft low-pass.
void pad(Mix& m, size_t at, const std::vector<float>& midis, float dur, float vel) {
  const size_t n = samples(dur + 0.6);
  for (size_t k = 0; k < midis.size(); ++k) {
    const float f = hz(midis[k]);
    const float det[3] = {-0.0045f, 0.0f, 0.0052f};
    float ph[3] = {0.13f * k, 0.41f, 0.77f};
    Biquad lpl(BQ::LowPass, 1600, 0.6f), lpr(BQ::LowPass, 1600, 0.6f);
    for (size_t i = 0; i < n; ++i) {
      const float t = static_cast<float>(i) / kRate;
      const float e = std::min(1.0f, t / 0.18f) * (t < dur ? 1.0f : std::exp(-(t - dur) / 0.12f)) * end_fade(i, n);
      float l = 0, r = 0;
      for (int v = 0; v < 3; ++v) {
        const float dp = f * (1.0f + det[v]) / kRate;
        const float s = osc_saw(ph[v], dp);
        ph[v] += dp;
        ph[v] -= std::floor(ph[v]);
        if (v != 2) l += s;  // outer voices spread left and right, the middle one in both
        if (v != 0) r += s;
      }
      const size_t idx = at + i;
      if (idx >= m.out.size()) break;
      const float lv = lpl.process(l) * e * vel * 0.06f, rv = lpr.process(r) * e * vel * 0.06f;
      m.out.l[idx] += lv;
      m.out.r[idx] += rv;
      m.send[idx] += 0.4f * (lv + rv);
    }
  }
}

// Lead: brass (two saws, a filter that swells open, delayed vibrato) or a
// hollow pulse with a quicker envelope.
void lead(Mix& m, size_t at, float midi, float dur, float vel, int timbre) {
  const float f = hz(midi);
  const size_t n = samples(dur + 0.2);
  float ph1 = 0, ph2 = 0.5f;
  Biquad lp;
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float vib = 1.0f + 0.006f * std::min(1.0f, std::max(0.0f, (t - 0.18f) / 0.2f)) * std::sin(kTwoPi * 5.5f * t);
    const float dp1 = f * vib / kRate, dp2 = f * vib * 1.003f / kRate;
    const float gate = t < dur ? 1.0f : std::exp(-(t - dur) / 0.05f);
    float v, e;
    if (timbre == 0) {
      if (i % 32 == 0) lp.set(BQ::LowPass, 700.0f + 2600.0f * std::min(1.0f, t / 0.06f) * (0.6f + 0.4f * std::exp(-t / 0.3f)), 0.9f);
      e = std::min(1.0f, t / 0.025f) * gate;
      v = lp.process(0.6f * osc_saw(ph1, dp1) + 0.6f * osc_saw(ph2, dp2));
    } else {
      if (i % 32 == 0) lp.set(BQ::LowPass, 4200.0f, 0.7f);
      e = std::min(1.0f, t / 0.006f) * gate * (0.7f + 0.3f * std::exp(-t / 0.15f));
      v = lp.process(0.55f * osc_pulse(ph1, dp1, 0.3f) + 0.45f * osc_pulse(ph2, dp2, 0.5f));
    }
    ph1 += dp1;
    ph1 -= std::floor(ph1);
    ph2 += dp2;
    ph2 -= std::floor(ph2);
    m.add(at + i, end_fade(i, n) * 0.3f * vel * e * v, 0.0f, 0.3f);
  }
}

void arp_note(Mix& m, size_t at, float midi, float dur, float vel) {
  const float f = hz(midi), dp = f / kRate;
  const size_t n = samples(dur + 0.4);
  float ph = 0;
  Biquad lp(BQ::LowPass, 3000, 0.8f);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / kRate;
    const float e = std::min(1.0f, t / 0.002f) * std::exp(-t / 0.07f);
    m.add(at + i, end_fade(i, n) * 0.09f * vel * e * lp.process(osc_pulse(ph, dp, 0.125f)), 0.25f, 0.35f);
    ph += dp;
    ph -= std::floor(ph);
  }
}

// ---- patterns ---------------------------------------------------------------

struct DrumBar {
  const char* kick;
  const char* snare;
  const char* hat;
};

DrumBar drum_pattern(const std::string& style) {
  if (style == "march") return {"X.......x.......", "x..ox.x.X..ox.oo", "................"};
  if (style == "drive") return {"X...x...X...x...", "....X.......X...", "x.x.x.x.x.x.x.x."};
  if (style == "half") return {"X.........x.....", "........X.......", "x.o.x.o.x.o.x.o."};
  if (style == "gallop") return {"X..xX..xX..xX..x", "....X.......X..o", "x.xxx.xxx.xxx.xx"};
  if (style == "roll") return {"X...............", "oooooooooooooooo", "................"};
  if (style == "intro") return {"x.......x.......", "....o.......o.o.", "................"};
  return {"................", "................", "................"};
}

const char* kFill = "....x.x.xxxxXXXX";

float vel_of(char c) { return c == 'X' ? 1.0f : c == 'x' ? 0.8f : c == 'o' ? 0.38f : 0.0f; }

bool render_track(const Track& tr, Stereo& result, std::string& error) {
  const double step_s = 60.0 / tr.bpm / 4.0;
  int bars = 0;
  for (const Section& s : tr.sections) {
    std::istringstream in(s.chords);
    std::string tok;
    int n = 0;
    while (in >> tok) ++n;
    bars += n;
  }
  const size_t length = samples(bars * 16 * step_s);
  const size_t tail = samples(3.0);
  Mix m(length + tail);
  Rng rng(tr.seed);
  auto at = [&](double step) { return static_cast<size_t>(step * step_s * kRate + 0.5); };

  int bar0 = 0;
  for (size_t si = 0; si < tr.sections.size(); ++si) {
    const Section& s = tr.sections[si];
    std::vector<std::string> chords;
    {
      std::istringstream in(s.chords);
      std::string tok;
      while (in >> tok) chords.push_back(tok);
    }
    const int nb = static_cast<int>(chords.size());
    const std::string where = tr.file + ", section " + std::to_string(si + 1) + ": ";
    if (!s.melody.empty()) {
      std::vector<Note> notes;
      if (!parse_melody(s.melody, tr.root, bar0 * 16, nb, notes, error)) {
        error = where + error;
        return false;
      }
      for (const Note& n : notes)
        lead(m, at(n.step), static_cast<float>(n.midi), static_cast<float>(n.length * step_s * 0.92),
             n.vel, tr.lead);
    }
    const DrumBar db = drum_pattern(s.drums);
    if (s.drums != "none" && s.drums != "intro" && si > 0) crash(m, rng, at(bar0 * 16), 1.0f);
    for (int b = 0; b < nb; ++b) {
      std::array<int, 3> tones;
      if (!chord_tones(chords[static_cast<size_t>(b)], tones)) {
        error = where + "bad chord \"" + chords[static_cast<size_t>(b)] + "\"";
        return false;
      }
      const int step0 = (bar0 + b) * 16;
      const bool last = b == nb - 1;
      const bool fill = last && s.drums != "none" && s.drums != "intro" && s.drums != "roll";
      for (int k = 0; k < 16; ++k) {
        const size_t t0 = at(step0 + k);
        if (float v = vel_of(db.kick[k])) kick(m, t0, v);
        const char sc = fill && k >= 4 ? kFill[k] : db.snare[k];
        float sv = vel_of(sc);
        if (s.drums == "roll") sv *= 0.5f + 0.5f * static_cast<float>(b * 16 + k) / (nb * 16);  // swell
        if (sv > 0) snare(m, rng, t0, sv);
        if (float v = vel_of(db.hat[k])) hat(m, rng, t0, v);
      }
      const float bass_root = static_cast<float>(tr.root - 24 + tones[0] - (tones[0] >= 7 ? 12 : 0));
      const double bar_s = 16 * step_s;
      if (s.bass == "march") {
        for (int q = 0; q < 4; ++q)
          bass(m, at(step0 + 4 * q), bass_root + ((q % 2) ? static_cast<float>(tones[2] - tones[0]) - 12 : 0.0f),
               static_cast<float>(step_s * 3.2), q % 2 ? 0.8f : 1.0f);
      } else if (s.bass == "eighths") {
        for (int e = 0; e < 8; ++e)
          bass(m, at(step0 + 2 * e), bass_root + (e == 3 || e == 7 ? 12.0f : 0.0f), static_cast<float>(step_s * 1.6),
               e % 2 ? 0.8f : 1.0f);
      } else if (s.bass == "gallop") {
        for (int q = 0; q < 4; ++q)
          for (int k : {0, 2, 3})
            bass(m, at(step0 + 4 * q + k), bass_root, static_cast<float>(step_s * (k == 0 ? 1.7 : 0.8)),
                 k == 0 ? 1.0f : 0.75f);
      } else if (s.bass == "long") {
        bass(m, at(step0), bass_root, static_cast<float>(bar_s * 0.97), 0.9f);
      }
      if (s.pad) {
        std::vector<float> midis;
        for (int t : tones) midis.push_back(static_cast<float>(tr.root - 12 + t));
        pad(m, at(step0), midis, static_cast<float>(bar_s * 0.98), 1.0f);
      }
      if (s.arp) {
        const int order[8] = {0, 1, 2, 3, 2, 1, 0, 1};
        for (int k = 0; k < 16; ++k) {
          const int o = order[k % 8];
          const int semis = o == 3 ? tones[0] + 12 : tones[static_cast<size_t>(o)];
          arp_note(m, at(step0 + k), static_cast<float>(tr.root + semis), static_cast<float>(step_s * 0.8),
                   k % 4 == 0 ? 1.0f : 0.7f);
        }
      }
      if (s.timpani) {
        const float tm = static_cast<float>(tr.root - 24 + tones[0] - (tones[0] >= 5 ? 12 : 0));
        timpani(m, at(step0), tm, 1.0f);
        timpani(m, at(step0 + 8), tm + 7.0f, 0.7f);
        if (last) {
          timpani(m, at(step0 + 12), tm, 0.6f);
          timpani(m, at(step0 + 14), tm, 0.8f);
        }
      }
    }
    bar0 += nb;
  }

  add_reverb(m.send, m.out, 0.9f, 0.8f, 0.45f);
  fold_tail(m.out, length);
  // Level, then a gentle soft limit; memoryless, so the loop stays seamless.
  normalise(m.out, -15.0f, 6.0f, samples(3.0));
  for (size_t i = 0; i < length; ++i) {
    m.out.l[i] = 0.84f * saturate(m.out.l[i] / 0.84f);
    m.out.r[i] = 0.84f * saturate(m.out.r[i] / 0.84f);
  }
  normalise(m.out, -15.0f, -1.5f, samples(3.0));
  rotate_to_quiet(m.out, 64, samples(0.12));
  result = std::move(m.out);
  return true;
}

// ---- the four tracks --------------------------------------------------------

std::vector<Track> score() {
  std::vector<Track> t;

  // track0, menus: D minor, 100 bpm, a slow heroic march.
  t.push_back({"track0.ogg", 100, 62, 0, 1000, {
      {"1 1 6 5", "", "intro", "long", true, false, true},
      {"1 6 3 7 1 4 5 5",
       "5e. 5s 5q 1'h  7q 6e 5e 6h  5e. 5s 5q 3'q 2'q  2'h 1'q 7q  "
       "1'e. 7s 6q 5q 4q  4q 6q 1'h  #7q 2'q 5'q 4'e 2'e  #7h. rq",
       "march", "march", true, false, true},
      {"6 7 3 1 4 6 5 5",
       "1'q. 3'e 1'q 6q  7q. 2'e 4'h  3'q. 2'e 1'q 7q  1'w  "
       "6q. 1'e 4'q 3'e 2'e  3'q 1'q 6q 1'q  2'e. 2's 2'e. #7s 5q 2'q  #7h 5h",
       "march", "march", true, false, false},
      {"1 6 3 7 1 4 5 1",
       "5e. 5s 5q 1'h  7q 6e 5e 6h  5e. 5s 5q 3'q 2'q  2'h 1'q 7q  "
       "1'e. 7s 6q 5q 4q  4q 6q 1'h  5q #7q 2'q 5'q  1'w",
       "march", "march", true, false, true},
      {"1 6 5 5", "", "intro", "long", true, false, true},
  }});

  // track1: E minor, 132 bpm, driving.
  const std::string a1 =
      "1e 1e 5e 1'e 7q 5q  4e 5e 3q 2e 3e 1q  6e 6e 1'e 3'e 2'q 1'q  7q. 1'e 2'h  "
      "3'e 2'e 1'e 7e 1'q 5q  4e 3e 4e 5e 3h  4e 6e 1'e 4'e 3'q 1'q  #7h 2'q 5q";
  t.push_back({"track1.ogg", 132, 64, 1, 1100, {
      {"1 1 6 7", "", "drive", "eighths", false, false, false},
      {"1 1 6 7 1 1 4 5", a1, "drive", "eighths", true, false, false},
      {"1 1 6 7 1 1 4 5", a1, "drive", "eighths", true, true, false},
      {"6 3 7 1 6 3 4 5",
       "3'h 1'q 6q  5'h 3'q 2'q  2'q. 1'e 7q 5q  1'h. rq  3'q 4'q 5'q 3'q  2'h 5q 7q  1'q. 7e 6q 4q  #7w",
       "half", "long", true, false, true},
      {"4 4 6 6 4 4 5 5",
       "rw rw rw rw  1e 1e 1e 1e 5q 1'q  2'e 2'e 2'e 2'e 5'q 2'q  3'q 2'q 1'q #7q  #7h 2'h",
       "roll", "gallop", true, true, true},
      {"1 1 6 7 1 1 4 5", a1, "drive", "eighths", true, true, false},
      {"1 6 7 5", "", "half", "long", true, false, true},
  }});

  // track2: G minor, 112 bpm, heavy and tense, with a flattened second.
  t.push_back({"track2.ogg", 112, 55, 0, 1200, {
      {"1 1 b2 1", "", "intro", "long", true, false, true},
      {"1 1 b2 1 6 6 5 5",
       "1q. b2e 1h  3q. 2e 1h  4q. 3e b2h  1w  6q. 5e 6q 1'q  3'h 1'q 6q  5q. 4e #7,q 2q  5h. rq",
       "half", "gallop", true, false, true},
      {"4 4 1 1 6 b2 5 5",
       "1'q 1'e 1'e 4'q 3'q  3'q. 2'e 1'h  5q 5e 5e 1'q 7q  1'h. rq  "
       "3'q 3'e 3'e 5'q 3'q  4'q. 3'e b2'h  2'q #7q 5q #7q  2'w",
       "march", "march", true, false, true},
      {"1 1 b2 1 6 6 5 5",
       "1q. b2e 1h  3q. 2e 1h  4q. 3e b2h  1w  6q. 5e 6q 1'q  3'h 1'q 6q  5q. 4e #7,q 2q  5h. rq",
       "half", "gallop", true, true, true},
      {"1 6 4 5 1 6 b2 5",
       "1'e 7e 1'e 2'e 3'q 1'q  3'e 2'e 1'e 7e 1'q 6q  4e 6e 1'e 4'e 3'q 1'q  #7q 2'q 5'h  "
       "5'q. 4'e 3'q 2'q  1'q. 7e 6h  b2'q 1'q 7q 6q  #7h 5h",
       "drive", "eighths", true, true, false},
      {"1 b2 5 5", "", "intro", "long", true, false, true},
  }});

  // track3: A minor, 150 bpm, urgent.
  const std::string a3 =
      "5e 1'e 5e 1'e 2'e 3'e 2'e 1'e  2'q 7e 5e 7q 2'q  1'e 6e 3e 6e 1'e 3'e 2'e 1'e  7h 2'h  "
      "3'e 3'e 3'e 2'e 1'q 5q  2'e 2'e 2'e 1'e 7q 5q  6e 7e 1'e 2'e 3'q 1'q  #7h. 5q";
  const std::string b3 =
      "4'h 3'q 1'q  6q. 1'e 3'h  1'h 5q 3q  1'w  3'h 1'q 6q  1'q. 7e 6q 3q  #7q 2'q 5'q #7q  #7w";
  t.push_back({"track3.ogg", 150, 57, 1, 1300, {
      {"1 7 6 5", "", "gallop", "gallop", false, false, true},
      {"1 7 6 7 1 7 6 5", a3, "drive", "eighths", true, false, false},
      {"1 7 6 7 1 7 6 5", a3, "gallop", "eighths", true, true, false},
      {"4 4 1 1 6 6 5 5", b3, "half", "long", true, false, true},
      {"1 1 6 6 4 4 5 5",
       "rw rw rw rw  1'e 1'e 1'e 1'e 4'q 1'q  6e 6e 6e 6e 1'q 6q  #7e #7e #7e #7e 2'q #7q  5'w",
       "roll", "gallop", true, true, true},
      {"1 7 6 7 1 7 6 5", a3, "drive", "eighths", true, true, false},
      {"4 4 1 1 6 6 5 5", b3, "half", "march", true, true, true},
      {"1 7 6 5", "", "gallop", "gallop", true, false, true},
  }});
  return t;
}

}  // namespace

bool generate_music(const std::string& data_dir, std::string& error) {
  const std::filesystem::path dir = std::filesystem::path(data_dir) / "music";
  if (!audio_internal::ensure_dir(dir.string(), error)) return false;
  const std::vector<Track> tracks = score();
  return audio_internal::run_parallel(tracks.size(), [&](size_t i, std::string& e) {
    Stereo s;
    if (!render_track(tracks[i], s, e)) return false;
    return write_ogg((dir / tracks[i].file).string(), s, 0.3f, e);
  }, error);
}
