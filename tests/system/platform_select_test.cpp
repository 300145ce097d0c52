// Choosing the backend and ending the program.
#include <gtest/gtest.h>

#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace {

// Notes when its display is closed, even after it is gone.
class WatchedPlatform : public eng::VirtualPlatform {
 public:
  explicit WatchedPlatform(int* closes) : closes_(closes) {}
  void close_display() override {
    if (display_open()) ++*closes_;
    eng::VirtualPlatform::close_display();
  }

 private:
  int* closes_;
};

TEST(Platform, FacilitiesWithoutAChosenBackendGetASilentVirtualOne) {
  eng::UsePlatform(nullptr);
  EXPECT_FALSE(eng::HasPlatform());
  EXPECT_EQ(eng::MilliSecs(), 0);
  eng::Delay(5);
  EXPECT_EQ(eng::MilliSecs(), 5);
  EXPECT_TRUE(eng::HasPlatform());
  EXPECT_STREQ(eng::CurrentPlatform().name(), "virtual");
}

TEST(Platform, ReplacingTheBackendClosesTheOldDisplayFirst) {
  int closes = 0;
  auto first = std::make_unique<WatchedPlatform>(&closes);
  int w = 0, h = 0;
  ASSERT_TRUE(first->open_display({}, w, h));
  eng::UsePlatform(std::move(first));
  eng::AppTitle("Ironfold - Linux version 1.10");
  eng::HidePointer();
  auto& vp = static_cast<eng::VirtualPlatform&>(eng::CurrentPlatform());
  EXPECT_EQ(vp.title(), "Ironfold - Linux version 1.10");
  EXPECT_TRUE(vp.pointer_hidden());
  eng::UsePlatform(std::make_unique<eng::VirtualPlatform>());
  EXPECT_EQ(closes, 1);
}

TEST(Platform, EndUnwindsWithStatusZero) {
  try {
    eng::End();
    FAIL() << "End() returned";
  } catch (const eng::ProgramEnd& end) {
    EXPECT_EQ(end.status, 0);
  }
}

}  // namespace
