// The software mixer, driven directly: no sound card needed.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/media/mixer.h"

namespace {

// A sound whose left sample is the frame index (scaled) and right is constant.
std::shared_ptr<eng::SoundData> ramp(int frames, float right = 0.25f, bool loop = false) {
  auto s = std::make_shared<eng::SoundData>();
  for (int i = 0; i < frames; ++i) {
    s->samples.push_back(static_cast<float>(i + 1) / 1000.0f);
    s->samples.push_back(right);
  }
  s->loop = loop;
  return s;
}

std::vector<float> mix(eng::Mixer& m, int frames) {
  std::vector<float> out(static_cast<size_t>(frames) * 2, 99.0f);  // mix() must overwrite
  m.mix(out.data(), frames);
  return out;
}

TEST(Mixer, PlaysWithChannelVolumeAndEndsOneShots) {
  eng::Mixer m;
  m.set_volume(1, 0.5f);  // a volume set before playing is kept
  m.play(1, ramp(4), false);
  EXPECT_TRUE(m.playing(1));
  const auto out = mix(m, 6);
  const std::vector<float> want = {0.0005f, 0.125f, 0.001f, 0.125f, 0.0015f, 0.125f, 0.002f, 0.125f, 0, 0, 0, 0};
  for (size_t i = 0; i < want.size(); ++i) EXPECT_FLOAT_EQ(out[i], want[i]) << i;
  EXPECT_FALSE(m.playing(1));
  EXPECT_EQ(m.busy_channels(), 0);
}

TEST(Mixer, OneShotEndingOnTheLastFrameOfABlockIsDone) {
  eng::Mixer m;
  m.play(1, ramp(4), false);
  mix(m, 4);
  EXPECT_FALSE(m.playing(1));
}

TEST(Mixer, LoopWrapsWithoutAGap) {
  eng::Mixer m;
  m.play(3, ramp(3, 0.0f, true), false);
  const auto out = mix(m, 8);
  const float want[] = {0.001f, 0.002f, 0.003f, 0.001f, 0.002f, 0.003f, 0.001f, 0.002f};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(out[2 * i], want[i]) << i;
  EXPECT_TRUE(m.playing(3));
  // Across block boundaries too.
  const auto next = mix(m, 2);
  EXPECT_FLOAT_EQ(next[0], 0.003f);
  EXPECT_FLOAT_EQ(next[2], 0.001f);
}

TEST(Mixer, PauseHoldsThePositionAndResumeContinues) {
  eng::Mixer m;
  m.play(1, ramp(10), false);
  mix(m, 2);
  m.pause(1);
  EXPECT_FALSE(m.playing(1));
  EXPECT_TRUE(m.paused(1));
  const auto silent = mix(m, 3);
  for (float v : silent) EXPECT_EQ(v, 0.0f);
  m.resume(1);
  const auto out = mix(m, 1);
  EXPECT_FLOAT_EQ(out[0], 0.003f);
}

TEST(Mixer, CueStartsPausedAndStopClears) {
  eng::Mixer m;
  m.play(2, ramp(10, 0.5f, true), true);
  EXPECT_FALSE(m.playing(2));
  EXPECT_EQ(mix(m, 1)[1], 0.0f);
  m.resume(2);
  EXPECT_FLOAT_EQ(mix(m, 1)[1], 0.5f);
  m.stop(2);
  EXPECT_FALSE(m.playing(2));
  m.resume(2);  // nothing left to resume
  EXPECT_EQ(mix(m, 1)[1], 0.0f);
}

TEST(Mixer, PlayOnABusyChannelReplacesItsSound) {
  eng::Mixer m;
  m.play(1, ramp(100, 0.1f), false);
  mix(m, 5);
  m.play(1, ramp(100, 0.3f), false);
  const auto out = mix(m, 1);
  EXPECT_FLOAT_EQ(out[0], 0.001f);  // from the start of the new sound
  EXPECT_FLOAT_EQ(out[1], 0.3f);    // and only the new one
  EXPECT_EQ(m.busy_channels(), 1);
}

TEST(Mixer, ChannelsAddAndOutputIsClamped) {
  eng::Mixer m;
  m.play(1, ramp(10, 0.7f), false);
  m.play(2, ramp(10, 0.2f), false);
  EXPECT_FLOAT_EQ(mix(m, 1)[1], 0.9f);
  m.play(3, ramp(10, 0.7f), false);
  m.play(4, ramp(10, -0.9f), false);
  EXPECT_FLOAT_EQ(mix(m, 1)[1], 0.7f);
  m.stop(4);
  EXPECT_EQ(mix(m, 1)[1], 1.0f);  // 1.6 clamped
  m.stop(1);
  m.stop(2);
  m.stop(3);
  m.play(5, ramp(10, -0.8f), false);
  m.play(6, ramp(10, -0.8f), false);
  EXPECT_EQ(mix(m, 1)[1], -1.0f);
}

TEST(Mixer, VolumeChangesGlideAndAreClamped) {
  eng::Mixer m;
  m.play(1, ramp(2000, 1.0f, true), false);
  m.set_volume(1, 0.0f);
  const auto out = mix(m, eng::Mixer::kVolumeRamp + 10);
  EXPECT_GT(out[1], 0.9f);   // no jump to silence
  EXPECT_LT(out[1], 1.0f);
  for (int i = 1; i < eng::Mixer::kVolumeRamp; ++i) EXPECT_LE(out[2 * i + 1], out[2 * i - 1]);
  EXPECT_EQ(out[2 * (eng::Mixer::kVolumeRamp + 5) + 1], 0.0f);
  m.set_volume(1, 7.0f);
  EXPECT_EQ(m.volume(1), 1.0f);
  m.set_volume(1, -1.0f);
  EXPECT_EQ(m.volume(1), 0.0f);
  m.set_volume(1, std::nanf(""));
  EXPECT_EQ(m.volume(1), 0.0f);
}

TEST(Mixer, AdvanceMovesLikeMix) {
  eng::Mixer a, b;
  a.play(1, ramp(7, 0.0f, true), false);
  b.play(1, ramp(7, 0.0f, true), false);
  a.advance(23);
  mix(b, 23);
  EXPECT_EQ(mix(a, 1)[0], mix(b, 1)[0]);
  a.play(2, ramp(5), false);
  a.advance(5);
  EXPECT_FALSE(a.playing(2));
}

TEST(Mixer, StopSoundStopsEveryChannelPlayingIt) {
  eng::Mixer m;
  auto s = ramp(10, 0.1f, true);
  m.play(1, s, false);
  m.play(2, s, true);
  m.play(3, ramp(10), false);
  m.stop_sound(s.get());
  EXPECT_FALSE(m.playing(1));
  EXPECT_FALSE(m.paused(2));
  EXPECT_TRUE(m.playing(3));
  EXPECT_EQ(s.use_count(), 1);  // the mixer let go of it
}

}  // namespace
