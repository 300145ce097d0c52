// Decoding real Ogg Vorbis files, failures, and the sound and channel
// facilities under the virtual backend (which records every request).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/media/sound.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace fs = std::filesystem;

namespace {

const std::string kOgg = std::string(IFOLD_SHARED_TESTDATA_DIR) + "/ogg/";

TEST(OggDecode, RealFilesComeOutStereoAtTheMixerRate) {
  // name, seconds (granule / rate), first-half stereo difference expected
  const struct {
    const char* file;
    double seconds;
    bool mono;
  } files[] = {
      {"tnt_gunpowder_burning.ogg", 1.01, true},   // 8000 Hz mono
      {"default_sand_footstep.1.ogg", 0.28, true},  // 48000 Hz mono
      {"armor_wood_walk.ogg", 0.245, false},       // 44100 Hz stereo
  };
  for (const auto& f : files) {
    std::string err;
    auto s = eng::decode_ogg_file(kOgg + f.file, err);
    ASSERT_TRUE(s) << f.file << ": " << err;
    EXPECT_EQ(s->samples.size() % 2, 0u);
    EXPECT_NEAR(static_cast<double>(s->frames()) / eng::Mixer::kRate, f.seconds, 0.02) << f.file;
    float peak = 0, side = 0;
    for (size_t i = 0; i < s->samples.size(); i += 2) {
      peak = std::max(peak, std::abs(s->samples[i]));
      side = std::max(side, std::abs(s->samples[i] - s->samples[i + 1]));
      ASSERT_LE(std::abs(s->samples[i]), 1.5f);
    }
    EXPECT_GT(peak, 0.01f) << f.file << " decoded to silence";
    if (f.mono) {
      EXPECT_EQ(side, 0.0f) << f.file;  // mono is doubled
    } else {
      EXPECT_GT(side, 0.0f) << f.file;
    }
  }
}

TEST(OggDecode, ResampleKeepsDurationAndInterpolates) {
  std::vector<float> in = {0, 0, 1, -1, 2, -2, 3, -3};  // 4 frames
  auto out = eng::resample_stereo(in, 1000, 2000);
  ASSERT_EQ(out.size(), 16u);
  EXPECT_FLOAT_EQ(out[2], 0.5f);
  EXPECT_FLOAT_EQ(out[3], -0.5f);
  EXPECT_FLOAT_EQ(out[4], 1.0f);
  EXPECT_EQ(eng::resample_stereo(in, 4000, 1000).size(), 2u);
  EXPECT_TRUE(eng::resample_stereo({}, 8000, 44100).empty());
}

class Sounds : public ::testing::Test {
 protected:
  void SetUp() override {
    auto p = std::make_unique<eng::VirtualPlatform>();
    vp_ = p.get();
    eng::UsePlatform(std::move(p));
    dir_ = fs::temp_directory_path() / ("ifold_snd_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  const std::vector<eng::SoundEvent>& log() { return *vp_->sound_log(); }

  eng::VirtualPlatform* vp_ = nullptr;
  fs::path dir_;
};

TEST_F(Sounds, MissingOrCorruptFilesGiveZeroAndOneMessageNamingTheFile) {
  const std::string junk = (dir_ / "junk.ogg").string();
  std::ofstream(junk) << "OggS this is not really an ogg stream at all";
  const std::string truncated = (dir_ / "half.ogg").string();
  {
    std::ifstream in(kOgg + "armor_wood_walk.ogg", std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::ofstream(truncated, std::ios::binary) << bytes.substr(0, 200);
  }
  const int before = eng::LiveSoundCount();
  for (const std::string& path : {(dir_ / "missing.ogg").string(), junk, truncated}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(eng::LoadSound(path), 0) << path;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(path), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  }
  EXPECT_EQ(eng::LiveSoundCount(), before);
  // Playing "no sound" is harmless.
  EXPECT_EQ(eng::PlaySound(0), 0);
}

TEST_F(Sounds, ChannelRequestsAreRecordedAndHandlesNeverReused) {
  const eng::SoundHandle shot = eng::LoadSound(kOgg + "default_sand_footstep.1.ogg");
  const eng::SoundHandle engine = eng::LoadSound(kOgg + "armor_wood_walk.ogg", 1);
  ASSERT_NE(shot, 0);
  ASSERT_NE(engine, 0);
  EXPECT_NE(shot, engine);
  EXPECT_EQ(eng::LiveSoundCount(), 2);

  const eng::ChannelHandle fire = eng::AllocChannel();
  const eng::ChannelHandle eng1 = eng::CueSound(engine);
  EXPECT_NE(fire, 0);
  EXPECT_NE(eng1, 0);
  EXPECT_NE(fire, eng1);
  EXPECT_FALSE(eng::ChannelPlaying(fire));
  EXPECT_FALSE(eng::ChannelPlaying(eng1));  // cued: paused

  eng::ChannelVolume(fire, 0.9f);
  EXPECT_EQ(eng::PlaySound(shot, fire), fire);
  EXPECT_TRUE(eng::ChannelPlaying(fire));
  eng::ResumeChannel(eng1);
  EXPECT_TRUE(eng::ChannelPlaying(eng1));

  // The footstep is 0.28 s: still playing after 0.2 s of virtual time, done after 0.4 s.
  eng::Delay(200);
  EXPECT_TRUE(eng::ChannelPlaying(fire));
  eng::Delay(200);
  EXPECT_FALSE(eng::ChannelPlaying(fire));
  EXPECT_TRUE(eng::ChannelPlaying(eng1));  // loops

  eng::PauseChannel(eng1);
  EXPECT_FALSE(eng::ChannelPlaying(eng1));
  eng::StopChannel(eng1);

  const auto& l = log();
  std::vector<std::string> ops;
  for (const auto& e : l) ops.push_back(e.op);
  const std::vector<std::string> want = {"load", "load", "cue", "volume", "play", "resume", "pause", "stop"};
  EXPECT_EQ(ops, want);
  EXPECT_EQ(l[3].channel, fire);
  EXPECT_FLOAT_EQ(l[3].value, 0.9f);
  EXPECT_EQ(l[4].sound, shot);
  EXPECT_EQ(l[6].time, 400);

  // Freeing a sound stops its channels; handles never come back.
  eng::PlaySound(engine, eng1);
  eng::FreeSound(engine);
  EXPECT_FALSE(eng::ChannelPlaying(eng1));
  EXPECT_EQ(eng::LiveSoundCount(), 1);
  EXPECT_EQ(eng::PlaySound(engine), 0);  // stale handle: nothing
  const eng::SoundHandle again = eng::LoadSound(kOgg + "armor_wood_walk.ogg");
  EXPECT_NE(again, engine);
  EXPECT_NE(again, shot);
  EXPECT_GT(eng::AllocChannel(), eng1);
  eng::FreeSound(shot);
  eng::FreeSound(again);
  eng::FreeSound(again);  // twice: harmless
  EXPECT_EQ(eng::LiveSoundCount(), 0);
}

TEST_F(Sounds, ANewPlayOnABusyChannelCutsTheOldSound) {
  const eng::SoundHandle a = eng::LoadSound(kOgg + "tnt_gunpowder_burning.ogg");
  const eng::SoundHandle b = eng::LoadSound(kOgg + "default_sand_footstep.1.ogg");
  const eng::ChannelHandle ch = eng::AllocChannel();
  eng::PlaySound(a, ch);  // 1.01 s
  eng::Delay(100);
  eng::PlaySound(b, ch);  // 0.28 s, replaces
  eng::Delay(300);
  EXPECT_FALSE(eng::ChannelPlaying(ch));  // had the first kept going, it would still play
  // Requests on channels that were never handed out do nothing.
  EXPECT_EQ(eng::PlaySound(a, ch + 1000), 0);
  eng::ChannelVolume(-3, 0.5f);
  eng::PauseChannel(0);
  EXPECT_FALSE(eng::ChannelPlaying(ch + 1000));
  eng::FreeSound(a);
  eng::FreeSound(b);
}

}  // namespace
