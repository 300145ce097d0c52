// Runs the ironfold-viewer program on real files. Skipped where it cannot
// open a GL display at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <string>

#include "engine/media/image.h"

namespace {

const std::string kViewer = std::string(IFOLD_BIN_DIR) + "/ironfold-viewer";
const std::string kData = IFOLD_SHARED_TESTDATA_DIR;

struct ViewerRun {
  int status = -1;
  std::string out, err;
};

ViewerRun run_viewer(const std::string& args) {
  // Test programs run in parallel: each keeps its captured output apart.
  const std::string dir = testing::TempDir() + "/viewer_" + std::to_string(::getpid());
  const std::string o = dir + "_stdout.txt", e = dir + "_stderr.txt";
  ViewerRun r;
  // In a sanitizer build the GL driver's own allocations would read as leaks
  // and change the exit status; leaks are not what these tests look at.
  const std::string env = "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 ";
  const int rc = std::system((env + kViewer + " " + args + " >" + o + " 2>" + e).c_str());
  r.status = (rc != -1 && WIFEXITED(rc)) ? WEXITSTATUS(rc) : -1;
  std::stringstream so, se;
  so << std::ifstream(o).rdbuf();
  se << std::ifstream(e).rdbuf();
  r.out = so.str(), r.err = se.str();
  std::remove(o.c_str());
  std::remove(e.c_str());
  return r;
}

class Viewer : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(kViewer)) GTEST_SKIP() << "ironfold-viewer not built";
    // Status 2 with a good file means no GL display could be opened here.
    static const int probe =
        run_viewer(kData + "/bmp/pal1.bmp --size 16x16 --out " + tmp("probe.png")).status;
    if (probe == 2) GTEST_SKIP() << "no GL display for the viewer";
  }
  std::string tmp(const std::string& name) { return testing::TempDir() + "/" + name; }
};

bool is_background(const std::uint8_t* p) {
  return std::abs(p[0] - 58) < 3 && std::abs(p[1] - 64) < 3 && std::abs(p[2] - 76) < 3;
}

TEST_F(Viewer, RendersAModelFramedInThePicture) {
  const std::string out = tmp("door.png");
  std::remove(out.c_str());
  const ViewerRun r = run_viewer(kData + "/b3d/door_b.b3d --out " + out + " --size 320x240");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("24 vertices, 12 triangles, 1 surfaces, 1 nodes"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("y -0.499..1.499"), std::string::npos) << r.out;
  eng::Image img;
  std::string err;
  ASSERT_TRUE(eng::load_image_file(out, img, err)) << err;
  ASSERT_EQ(img.width, 320);
  ASSERT_EQ(img.height, 240);
  // The door fills most of the height without touching the edges.
  int top = img.height, bottom = -1, left = img.width, right = -1;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (!is_background(img.pixel(x, y))) {
        top = std::min(top, y), bottom = std::max(bottom, y);
        left = std::min(left, x), right = std::max(right, x);
      }
  ASSERT_GE(bottom, 0) << "nothing drawn";
  EXPECT_GT(bottom - top, img.height / 2);
  EXPECT_GT(top, 0);
  EXPECT_LT(bottom, img.height - 1);
  EXPECT_GT(left, 0);
  EXPECT_LT(right, img.width - 1);
  // The wood texture is on it: a brownish pixel at the door's middle.
  const std::uint8_t* mid = img.pixel((left + right) / 2, top + (bottom - top) * 3 / 4);
  EXPECT_GT(mid[0], mid[2] + 20);
}

TEST_F(Viewer, ShowsATextureUprightAsStored) {
  const std::string src = kData + "/bmp/rgb24_reference.png", out = tmp("tex.png");
  const ViewerRun r = run_viewer(src + " --out " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  eng::Image shown, ref;
  std::string err;
  ASSERT_TRUE(eng::load_image_file(out, shown, err)) << err;
  ASSERT_TRUE(eng::load_image_file(src, ref, err)) << err;
  ASSERT_EQ(shown.width, ref.width);
  ASSERT_EQ(shown.height, ref.height);
  int worst = 0;
  for (std::size_t i = 0; i < ref.rgba.size(); ++i)
    worst = std::max(worst, std::abs(int(shown.rgba[i]) - int(ref.rgba[i])));
  EXPECT_LE(worst, 8);
}

TEST_F(Viewer, ShowsOneFrameOfAnAnimatedTexture) {
  // 2 x 2 frames of 8 x 8, each a solid colour.
  eng::Image strip;
  strip.width = 16, strip.height = 16;
  strip.rgba.resize(16 * 16 * 4);
  const std::uint8_t colours[4][3] = {{250, 0, 0}, {0, 250, 0}, {0, 0, 250}, {250, 250, 0}};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int f = (y / 8) * 2 + x / 8;
      std::uint8_t* p = strip.pixel(x, y);
      p[0] = colours[f][0], p[1] = colours[f][1], p[2] = colours[f][2], p[3] = 255;
    }
  const std::string src = tmp("frames.png"), out = tmp("frame2.png");
  ASSERT_TRUE(eng::write_png(src, strip));
  const ViewerRun r = run_viewer(src + " --frame 2 --frame-size 8x8 --size 64x64 --out " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  eng::Image img;
  std::string err;
  ASSERT_TRUE(eng::load_image_file(out, img, err)) << err;
  const std::uint8_t* c = img.pixel(32, 32);
  EXPECT_LT(c[0], 20);
  EXPECT_LT(c[1], 20);
  EXPECT_GT(c[2], 230);

  const ViewerRun bad = run_viewer(src + " --frame 4 --frame-size 8x8 --out " + out);
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.err.find("no frame 4"), std::string::npos) << bad.err;
}

TEST_F(Viewer, UnreadableFilesFailWithTheirName) {
  const ViewerRun missing = run_viewer(tmp("no_such_model.b3d") + " --out " + tmp("x.png"));
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.err.find("no_such_model.b3d"), std::string::npos) << missing.err;
  const ViewerRun broken = run_viewer(kData + "/bmp/shortfile.bmp --out " + tmp("x.png"));
  EXPECT_NE(broken.status, 0);
  EXPECT_NE(broken.err.find("shortfile.bmp"), std::string::npos) << broken.err;
  const ViewerRun usage = run_viewer("--out " + tmp("x.png"));
  EXPECT_NE(usage.status, 0);
  EXPECT_NE(usage.err.find("usage"), std::string::npos);
}

TEST_F(Viewer, ContactSheetKeepsFileOrderAndMarksFailures) {
  const std::string out = tmp("sheet.png");
  std::remove(out.c_str());
  const ViewerRun r = run_viewer("--sheet " + out + " --size 96x96 --columns 2 " + kData + "/b3d/door_b.b3d " +
                           kData + "/bmp/shortfile.bmp " + kData + "/tga/200x32_rgb.png");
  EXPECT_EQ(r.status, 1);  // one file could not be read
  EXPECT_NE(r.err.find("shortfile.bmp"), std::string::npos);
  eng::Image img;
  std::string err;
  ASSERT_TRUE(eng::load_image_file(out, img, err)) << err;
  const int cell_h = img.height / 2;
  ASSERT_EQ(img.width, 2 * 96);
  ASSERT_EQ(img.height % 2, 0);
  ASSERT_GT(cell_h, 96);
  // Cell 2 (top right) is the failure cell, dark red; cell 3 (bottom left)
  // holds the colourful texture; cell 4 stays background.
  const std::uint8_t* fail = img.pixel(96 + 48, 60);
  EXPECT_GT(fail[0], 80);
  EXPECT_LT(fail[1], 40);
  const std::uint8_t* tex = img.pixel(48, cell_h + 48);
  EXPECT_FALSE(is_background(tex));
  EXPECT_TRUE(is_background(img.pixel(96 + 48, cell_h + 48)));
}

}  // namespace
