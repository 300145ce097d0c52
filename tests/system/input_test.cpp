// Key hits, held keys, the character queue, flush, close request and focus,
// through the facilities the game calls.
#include <gtest/gtest.h>

#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace {

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    auto p = std::make_unique<eng::VirtualPlatform>();
    vp_ = p.get();
    eng::UsePlatform(std::move(p));
  }
  eng::InputState& in() { return vp_->input(); }
  eng::VirtualPlatform* vp_ = nullptr;
};

TEST_F(Input, KeyHitCountsPressesAndTheQueryResets) {
  in().press(eng::KEY_RCTRL);
  in().release(eng::KEY_RCTRL);
  in().press(eng::KEY_RCTRL);
  EXPECT_EQ(eng::KeyHit(eng::KEY_RCTRL), 2);
  EXPECT_EQ(eng::KeyHit(eng::KEY_RCTRL), 0);
  EXPECT_TRUE(eng::KeyDown(eng::KEY_RCTRL));  // still held: the hit query leaves it
  EXPECT_FALSE(eng::KeyDown(eng::KEY_LCTRL));  // left and right are told apart
  in().release(eng::KEY_RCTRL);
  EXPECT_FALSE(eng::KeyDown(eng::KEY_RCTRL));
}

TEST_F(Input, OutOfRangeKeysAreIgnored) {
  for (int vk : {-1, 0, 256, 100000}) {
    in().press(vk);
    EXPECT_EQ(eng::KeyHit(vk), 0) << vk;
    EXPECT_FALSE(eng::KeyDown(vk)) << vk;
  }
}

TEST_F(Input, CharacterQueueIsFifoOf256AndEmptyGivesZero) {
  EXPECT_EQ(eng::GetKey(), 0);
  for (int i = 0; i < 300; ++i) in().type_char('a' + i % 26);
  in().type_char(0);  // no character
  const int first = eng::GetKey();
  const int second = eng::GetKey();
  int n = 2;
  while (eng::GetKey() != 0) ++n;
  EXPECT_EQ(first, 'a');
  EXPECT_EQ(second, 'b');
  EXPECT_EQ(n, 256);
  in().type_char(0xE9);  // one byte per character, above 127 too
  EXPECT_EQ(eng::GetKey(), 0xE9);
}

TEST_F(Input, FlushClearsHitsHeldKeysAndCharacters) {
  in().press(eng::KEY_SPACE);
  in().press(eng::KEY_UP);
  in().type_char('x');
  eng::FlushKeys();
  EXPECT_EQ(eng::KeyHit(eng::KEY_SPACE), 0);
  EXPECT_FALSE(eng::KeyDown(eng::KEY_UP));
  EXPECT_EQ(eng::GetKey(), 0);
}

TEST_F(Input, CloseRequestIsReportedOnce) {
  EXPECT_FALSE(eng::CloseRequested());
  in().close_requested = true;
  EXPECT_TRUE(eng::CloseRequested());
  EXPECT_FALSE(eng::CloseRequested());
}

TEST_F(Input, ScriptedBlurSuspendsAndReleasesHeldKeys) {
  std::vector<eng::ScriptEvent> ev;
  std::string err;
  ASSERT_TRUE(eng::parse_script("f0 down UP\nf2 blur\nf4 focus\n", ev, err)) << err;
  vp_->schedule(ev);
  eng::Delay(0);
  EXPECT_TRUE(eng::KeyDown(eng::KEY_UP));
  EXPECT_FALSE(eng::Suspended());
  vp_->present(0);
  vp_->present(0);
  EXPECT_TRUE(eng::Suspended());
  EXPECT_FALSE(eng::KeyDown(eng::KEY_UP));  // no key-up would ever come
  vp_->present(0);
  vp_->present(0);
  EXPECT_FALSE(eng::Suspended());
}

}  // namespace
