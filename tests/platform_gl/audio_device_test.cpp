// The audio path through a real SDL device: SDL's "disk" driver stands in for a
// sound card and writes what the callback pulled from the mixer into a file.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/platform/sdl/sdl_platform.h"
#include "engine/system.h"

namespace {

TEST(AudioDevice, CallbackPlaysTheMixedChannels) {
  const std::string raw =
      (std::filesystem::temp_directory_path() / ("ifold_audio_" + std::to_string(::getpid()) + ".raw")).string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  {
    auto owned = std::make_unique<eng::SdlPlatform>();
    eng::SdlPlatform* p = owned.get();
    eng::UsePlatform(std::move(owned));
    const eng::SoundHandle s =
        eng::LoadSound(std::string(IFOLD_SHARED_TESTDATA_DIR) + "/ogg/default_sand_footstep.1.ogg");
    ASSERT_NE(s, 0);
    p->mixer();  // the device opens with the first sound request
    if (!p->audio_open()) {
      unsetenv("SDL_AUDIODRIVER");
      GTEST_SKIP() << "SDL has no disk audio driver here";
    }
    const eng::ChannelHandle ch = eng::PlaySound(s);
    eng::ChannelVolume(ch, 0.5f);
    for (int i = 0; i < 100 && eng::ChannelPlaying(ch); ++i) eng::Delay(20);
    EXPECT_FALSE(eng::ChannelPlaying(ch));  // the device consumed it
    eng::Delay(100);
    eng::UsePlatform(nullptr);  // closes the device, flushing the file
  }
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");

  std::ifstream in(raw, std::ios::binary);
  std::vector<float> samples;
  float v;
  while (in.read(reinterpret_cast<char*>(&v), sizeof v)) samples.push_back(v);
  std::filesystem::remove(raw);
  ASSERT_GT(samples.size(), 44100u / 4);
  // Frames that carry sound: about the footstep's 0.28 s, at the channel's volume.
  size_t first = samples.size(), last = 0;
  float peak = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    ASSERT_TRUE(std::isfinite(samples[i]));
    if (std::abs(samples[i]) > 1e-4f) {
      first = std::min(first, i);
      last = i;
    }
    peak = std::max(peak, std::abs(samples[i]));
  }
  ASSERT_LT(first, last);
  const double seconds = static_cast<double>(last - first) / 2 / 44100;
  EXPECT_NEAR(seconds, 0.28, 0.05);
  EXPECT_GT(peak, 0.01f);
  EXPECT_LE(peak, 0.5f);
}

TEST(AudioDevice, AfterTheDeviceIsRemovedChannelsGoOnSilently) {
  const std::string raw =
      (std::filesystem::temp_directory_path() / ("ifold_audio2_" + std::to_string(::getpid()) + ".raw")).string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  auto owned = std::make_unique<eng::SdlPlatform>();
  eng::SdlPlatform* p = owned.get();
  eng::UsePlatform(std::move(owned));
  int w = 0, h = 0;
  ASSERT_TRUE(p->open_display({.width = 320, .height = 240}, w, h));  // events need the video side
  const eng::SoundHandle s =
      eng::LoadSound(std::string(IFOLD_SHARED_TESTDATA_DIR) + "/ogg/default_sand_footstep.1.ogg");
  ASSERT_NE(s, 0);
  p->mixer();
  if (!p->audio_open()) {
    eng::UsePlatform(nullptr);
    unsetenv("SDL_AUDIODRIVER");
    GTEST_SKIP() << "SDL has no disk audio driver here";
  }
  const eng::ChannelHandle ch = eng::PlaySound(s);
  const std::uint32_t old_device = p->audio_device();
  SDL_Event e{};
  e.type = SDL_AUDIODEVICEREMOVED;
  e.adevice.which = old_device;
  e.adevice.iscapture = 0;
  SDL_PushEvent(&e);
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);  // no replacement device either
  p->pump();
  EXPECT_FALSE(p->audio_open());
  EXPECT_TRUE(eng::ChannelPlaying(ch));  // the channel kept its state
  for (int i = 0; i < 100 && eng::ChannelPlaying(ch); ++i) eng::Delay(20);
  EXPECT_FALSE(eng::ChannelPlaying(ch));
  eng::UsePlatform(nullptr);
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
  std::filesystem::remove(raw);
}

}  // namespace
