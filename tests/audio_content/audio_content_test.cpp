// Checks the generated sounds and music in the data tree: every file decodes,
// has a sensible length, stays under -1 dBFS, sits at a consistent loudness,
// and the looping ones wrap without a click.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct Decoded {
  int rate = 0;
  int channels = 0;
  std::vector<std::vector<float>> ch;  // per channel
  size_t frames() const { return ch.empty() ? 0 : ch[0].size(); }
};

bool decode(const std::string& path, Decoded& out, std::string& error) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) {
    error = path + ": not a readable Ogg Vorbis file";
    return false;
  }
  const vorbis_info* vi = ov_info(&vf, -1);
  out.rate = static_cast<int>(vi->rate);
  out.channels = vi->channels;
  out.ch.assign(static_cast<size_t>(vi->channels), {});
  int section = 0;
  for (;;) {
    float** pcm = nullptr;
    const long n = ov_read_float(&vf, &pcm, 4096, &section);
    if (n == 0) break;
    if (n < 0) {
      ov_clear(&vf);
      error = path + ": decode error " + std::to_string(n);
      return false;
    }
    for (int c = 0; c < out.channels; ++c) out.ch[static_cast<size_t>(c)].insert(out.ch[static_cast<size_t>(c)].end(), pcm[c], pcm[c] + n);
  }
  ov_clear(&vf);
  return true;
}

float peak(const Decoded& d) {
  float p = 0;
  for (const auto& c : d.ch)
    for (float x : c) p = std::max(p, std::fabs(x));
  return p;
}

// Loudest RMS over 300 ms windows, in dBFS.
float loud_db(const Decoded& d) {
  const size_t w = static_cast<size_t>(d.rate * 3 / 10);
  const size_t n = d.frames();
  std::vector<double> acc(n + 1, 0.0);
  for (size_t i = 0; i < n; ++i) {
    double s = 0;
    for (const auto& c : d.ch) s += double(c[i]) * c[i];
    acc[i + 1] = acc[i] + s / d.channels;
  }
  double best = 0;
  if (n <= w) {
    best = acc[n] / std::max<size_t>(n, 1);
  } else {
    for (size_t a = 0; a + w <= n; a += w / 4) best = std::max(best, (acc[a + w] - acc[a]) / w);
  }
  return 10.0f * static_cast<float>(std::log10(std::max(best, 1e-12)));
}

// A loop is seamless when stepping from the last sample to the first looks
// like any step inside the loop: the jump and the bend (second difference)
// at the wrap stay within a few times their typical size inside.
bool seamless(const std::vector<float>& x, std::string& why) {
  const size_t n = x.size();
  if (n < 16) {
    why = "too short";
    return false;
  }
  double d1 = 0, d2 = 0;
  for (size_t i = 1; i + 1 < n; ++i) {
    d1 += double(x[i + 1] - x[i]) * (x[i + 1] - x[i]);
    const double b = double(x[i + 1]) - 2.0 * x[i] + x[i - 1];
    d2 += b * b;
  }
  d1 = std::sqrt(d1 / (n - 2));
  d2 = std::sqrt(d2 / (n - 2));
  const double jump = std::fabs(double(x[0]) - x[n - 1]);
  const double bend = std::fabs(double(x[0]) - 2.0 * x[n - 1] + x[n - 2]);
  if (jump > 4.0 * d1 + 0.005 || bend > 5.0 * d2 + 0.005) {
    why = "jump " + std::to_string(jump) + " (typical step " + std::to_string(d1) + "), bend " +
          std::to_string(bend) + " (typical " + std::to_string(d2) + ")";
    return false;
  }
  return true;
}

std::string data(const std::string& rel) { return std::string(IFOLD_DATA_DIR) + "/" + rel; }

struct Expect {
  const char* file;
  double min_s, max_s;
  bool loop;
};

const Expect kSounds[] = {
    {"sound/tmove01.ogg", 1.0, 8.0, true},    {"sound/tmove02.ogg", 1.0, 8.0, true},
    {"sound/ch.ogg", 0.3, 3.0, false},        {"sound/fire01.ogg", 0.3, 3.0, false},
    {"sound/kaboom.ogg", 0.8, 4.0, false},    {"sound/kick.ogg", 0.2, 2.0, false},
    {"sound/kick01.ogg", 0.2, 2.0, false},    {"sound/bonus02.ogg", 0.3, 2.5, false},
    {"sound/bonus02up.ogg", 0.3, 2.5, false}, {"sound/freez.ogg", 0.5, 3.0, false},
    {"sound/air.ogg", 1.0, 4.0, false},
};

const char* kTracks[] = {"music/track0.ogg", "music/track1.ogg", "music/track2.ogg", "music/track3.ogg"};

}  // namespace

TEST(SeamCheck, FlagsAClickAndPassesAWholeNumberOfPeriods) {
  std::vector<float> good(44100), clicked(44100);
  for (size_t i = 0; i < good.size(); ++i) {
    good[i] = 0.5f * std::sin(2.0f * 3.14159265f * 50.0f * static_cast<float>(i) / 44100.0f);  // 50 whole periods
    clicked[i] = 0.5f * std::sin(2.0f * 3.14159265f * 50.3f * static_cast<float>(i) / 44100.0f);
  }
  std::string why;
  EXPECT_TRUE(seamless(good, why)) << why;
  EXPECT_FALSE(seamless(clicked, why));
}

TEST(SoundFiles, DecodeWithSaneLengthAndNoClipping) {
  std::vector<float> one_shot_db;
  for (const Expect& e : kSounds) {
    SCOPED_TRACE(e.file);
    Decoded d;
    std::string error;
    ASSERT_TRUE(decode(data(e.file), d, error)) << error;
    EXPECT_EQ(d.rate, 44100);
    EXPECT_GE(d.channels, 1);
    EXPECT_LE(d.channels, 2);
    const double seconds = static_cast<double>(d.frames()) / d.rate;
    EXPECT_GE(seconds, e.min_s);
    EXPECT_LE(seconds, e.max_s);
    EXPECT_LE(peak(d), 0.8913f) << "peak above -1 dBFS";
    const float db = loud_db(d);
    EXPECT_GT(db, -24.0f) << "too quiet";
    EXPECT_LT(db, -8.0f) << "too loud";
    if (!e.loop) one_shot_db.push_back(db);
  }
  // One-shot effects sit within a few dB of each other.
  ASSERT_FALSE(one_shot_db.empty());
  const auto [lo, hi] = std::minmax_element(one_shot_db.begin(), one_shot_db.end());
  EXPECT_LE(*hi - *lo, 6.0f);
}

TEST(SoundFiles, LoopsWrapWithoutAClick) {
  for (const Expect& e : kSounds) {
    if (!e.loop) continue;
    SCOPED_TRACE(e.file);
    Decoded d;
    std::string error;
    ASSERT_TRUE(decode(data(e.file), d, error)) << error;
    for (const auto& c : d.ch) {
      std::string why;
      EXPECT_TRUE(seamless(c, why)) << why;
    }
  }
}

TEST(MusicFiles, LoopsOfOneToTwoMinutesAtOneLevel) {
  std::vector<float> levels;
  for (const char* f : kTracks) {
    SCOPED_TRACE(f);
    Decoded d;
    std::string error;
    ASSERT_TRUE(decode(data(f), d, error)) << error;
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    const double seconds = static_cast<double>(d.frames()) / d.rate;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 120.0);
    EXPECT_LE(peak(d), 0.8913f) << "peak above -1 dBFS";
    for (const auto& c : d.ch) {
      std::string why;
      EXPECT_TRUE(seamless(c, why)) << why;
    }
    levels.push_back(loud_db(d));
  }
  const auto [lo, hi] = std::minmax_element(levels.begin(), levels.end());
  EXPECT_LE(*hi - *lo, 3.0f);
}
