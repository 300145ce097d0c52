// The settings file: exact bytes written, the last-N-characters reads, and
// what happens with damaged, short, missing and unusable files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/config.h"
#include "app/display_mode.h"

namespace fs = std::filesystem;
using ifold::Game;

namespace {

// Runs each test in a fresh empty working directory.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("ifold_config_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  static std::string slurp(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static void spit(const char* path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  fs::path old_, dir_;
};

TEST_F(ConfigTest, FirstStartWritesDefaultsAndReadsThemBack) {
  Game g;
  ifold::read_config(g);
  EXPECT_EQ(slurp("config.cfg"),
            "WightScr=0800\r\nHighScr=0600\r\nColorbits=32\r\nFullScr=2\r\nVmode=2\r\n"
            "Antialias=0\r\nDot3=1\r\nSvol=20\r\nMvol=20\r\nShowhelp=1\r\nShowFPS=0\r\n");
  EXPECT_EQ(g.screen_width, 800);
  EXPECT_EQ(g.screen_height, 600);
  EXPECT_EQ(g.color_depth, 32);
  EXPECT_EQ(g.fullscreen_mode, 2);
  EXPECT_EQ(g.view_mode, ifold::kDefaultViewMode);
  EXPECT_EQ(g.antialias, 0);
  EXPECT_EQ(g.dot3_enabled, 1);
  EXPECT_EQ(g.sound_volume, 20);
  EXPECT_EQ(g.music_volume, 20);
  EXPECT_EQ(g.show_help, 1);
  EXPECT_EQ(g.show_fps, 0);
}

TEST_F(ConfigTest, SaveThenReadRoundTrips) {
  struct Case {
    int width, height, svol, mvol;
    const char* first_line;
    int width_read;
  };
  const Case cases[] = {
      {800, 600, 100, 0, "WightScr=0800\r\n", 800},
      {1024, 768, 20, 100, "WightScr=1024\r\n", 1024},
      {1920, 1440, 0, 20, "WightScr=1920\r\n", 1920},
      // One "0" in front, not padded to four: the last four characters are "=064".
      {64, 48, 50, 50, "WightScr=064\r\n", 0},
  };
  for (const Case& c : cases) {
    Game g;
    ifold::read_config(g);
    g.screen_width = c.width;
    g.screen_height = c.height;
    g.sound_volume = c.svol;
    g.music_volume = c.mvol;
    ASSERT_TRUE(ifold::save_config(g));
    EXPECT_EQ(slurp("config.cfg").substr(0, std::string(c.first_line).size()), c.first_line);
    Game r;
    ifold::read_config(r);
    EXPECT_EQ(r.screen_width, c.width_read);
    EXPECT_EQ(r.sound_volume, c.svol);
    EXPECT_EQ(r.music_volume, c.mvol);
  }
}

TEST_F(ConfigTest, LinesAreReadByPositionAndByTheirLastCharacters) {
  // Other key texts, a two-digit window mode, a one-digit colour depth.
  spit("config.cfg",
       "Height=0768\r\nWidth=1024\nColorbits=8\r\nFullScr=12\r\nV=3\r\nA=1\r\nD=0\r\n"
       "Svol=  70 dB\r\nMvol=$1F\r\nShowhelp=0\r\nShowFPS=1");
  Game g;
  ifold::read_config(g);
  EXPECT_EQ(g.screen_width, 768);   // line 1 is always the width
  EXPECT_EQ(g.screen_height, 1024);
  EXPECT_EQ(g.color_depth, 0);      // "=8": the last two characters start with '='
  EXPECT_EQ(g.fullscreen_mode, 2);  // last character only
  EXPECT_EQ(g.view_mode, 3);
  EXPECT_EQ(g.antialias, 1);
  EXPECT_EQ(g.dot3_enabled, 0);
  EXPECT_EQ(g.sound_volume, 70);    // blanks skipped, trailing text ignored
  EXPECT_EQ(g.music_volume, 31);    // "$" reads hexadecimal
  EXPECT_EQ(g.show_help, 0);
  EXPECT_EQ(g.show_fps, 1);         // last line without a line end
}

TEST_F(ConfigTest, ShortFileSetsMissingSettingsToZero) {
  spit("config.cfg", "WightScr=1280\r\nHighScr=0800\r\nColorbits=32\r\n");
  Game g;
  g.show_help = 7;
  ifold::read_config(g);
  EXPECT_EQ(g.screen_width, 1280);
  EXPECT_EQ(g.screen_height, 800);
  EXPECT_EQ(g.color_depth, 32);
  EXPECT_EQ(g.fullscreen_mode, 0);
  EXPECT_EQ(g.sound_volume, 0);
  EXPECT_EQ(g.show_help, 0);
  EXPECT_EQ(g.show_fps, 0);
}

TEST_F(ConfigTest, UnusableFileRunsOnDefaultsInMemory) {
  // A directory where the file should be: nothing can be read or written.
  fs::create_directory("config.cfg");
  Game g;
  ifold::read_config(g);
  EXPECT_EQ(g.screen_width, 800);
  EXPECT_EQ(g.screen_height, 600);
  EXPECT_EQ(g.fullscreen_mode, 2);
  EXPECT_EQ(g.sound_volume, 20);
  EXPECT_FALSE(ifold::save_config(g));
  EXPECT_TRUE(fs::is_directory("config.cfg"));
}

TEST_F(ConfigTest, ReadOnlyFolderRunsOnDefaults) {
  if (::geteuid() == 0) {
    // root writes through permissions; the directory case above covers the path.
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    Game g;
    ifold::read_config(g);
    EXPECT_EQ(g.screen_width, 800);
    return;
  }
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  Game g;
  ifold::read_config(g);
  EXPECT_EQ(g.screen_width, 800);
  EXPECT_EQ(g.dot3_enabled, 1);
  EXPECT_FALSE(fs::exists("config.cfg"));
  EXPECT_FALSE(ifold::save_config(g));
}

TEST_F(ConfigTest, DamagedSizesOpenAs800x600WithoutRewritingTheFile) {
  const std::string damaged =
      "WightScr=0000\r\nHighScr=-600\r\nColorbits=32\r\nFullScr=2\r\nVmode=1\r\n"
      "Antialias=0\r\nDot3=1\r\nSvol=20\r\nMvol=20\r\nShowhelp=1\r\nShowFPS=0\r\n";
  spit("config.cfg", damaged);
  Game g;
  ifold::read_config(g);
  ifold::derive_display_mode(g);
  EXPECT_EQ(g.screen_width, 800);
  EXPECT_EQ(g.screen_height, 600);
  EXPECT_EQ(g.widescreen, 0);
  EXPECT_EQ(slurp("config.cfg"), damaged);
}

}  // namespace
