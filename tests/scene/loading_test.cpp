// Headless loading: .b3d models into meshes, textures with their load flags,
// animation frames, and clear failures for missing or damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/scene/scene_access.h"
#include "engine/scene/scene_internal.h"

using namespace eng;

namespace {

const std::string kB3d = std::string(IFOLD_SHARED_TESTDATA_DIR) + "/b3d/";

class Loading : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("ifold_scene_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    ClearWorld(true, true);
  }
  void TearDown() override {
    ClearWorld(true, true);
    std::filesystem::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // 2x2 blocks of 4x4 texels: red, green / blue, black, as a 24-bit BMP
  // (no alpha channel).
  std::string write_blocks(const std::string& name) const {
    const int w = 8, h = 8, row = w * 3;
    std::string f(54 + row * h, '\0');
    auto put32 = [&](int at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>((v >> (8 * i)) & 255);
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int q = (y / 4) * 2 + x / 4;  // y from the top
        const int at = 54 + (h - 1 - y) * row + x * 3;  // rows stored bottom-up, BGR
        f[at + 2] = static_cast<char>(q == 0 ? 200 : 0);
        f[at + 1] = static_cast<char>(q == 1 ? 100 : 0);
        f[at + 0] = static_cast<char>(q == 2 ? 50 : 0);
      }
    std::ofstream(path(name), std::ios::binary) << f;
    return path(name);
  }

  std::filesystem::path dir_;
};

const std::uint8_t* texel(Handle tex, int frame, int x, int y) {
  const scene::Texture* t = scene::find_texture(tex);
  return &t->pixels[((static_cast<std::size_t>(frame) * t->height + y) * t->width + x) * 4];
}

TEST_F(Loading, TextureFlagsShapeTheAlpha) {
  const std::string file = write_blocks("blocks.bmp");
  struct Case {
    int flags;
    int red_alpha, black_alpha;  // alpha of a red texel (brightness 200) and a black one
  };
  for (const Case& c : {Case{1, 255, 255}, Case{2, 200, 0}, Case{4, 255, 0}, Case{1 | 2 | 4, 200, 0}}) {
    Handle t = LoadTexture(file, c.flags);
    ASSERT_NE(t, 0);
    SCOPED_TRACE(c.flags);
    EXPECT_EQ(texel(t, 0, 1, 1)[3], c.red_alpha);
    EXPECT_EQ(texel(t, 0, 6, 6)[3], c.black_alpha);
    EXPECT_EQ(texel(t, 0, 6, 1)[1], 100);  // colour itself untouched
    FreeTexture(t);
  }
  EXPECT_EQ(LiveTextureCount(), 0);
}

TEST_F(Loading, SpritePictureKeepsItsOwnAlphaChannel) {
  Image img;
  img.width = img.height = 2;
  img.has_alpha = true;
  img.rgba = {255, 255, 255, 100, 255, 255, 255, 0, 0, 0, 0, 255, 9, 9, 9, 255};
  ASSERT_TRUE(write_png(path("glow.png"), img));
  Handle tex = LoadTexture(path("glow.png"), 1);  // a colour texture is opaque
  EXPECT_EQ(texel(tex, 0, 0, 0)[3], 255);
  Handle spr = LoadSprite(path("glow.png"), 1);  // a sprite keeps the picture's alpha
  ASSERT_NE(spr, 0);
  const scene::Texture& st = *scene::find(spr)->tex[0];
  EXPECT_EQ(st.pixels[3], 100);
  EXPECT_EQ(st.pixels[7], 0);
  EXPECT_TRUE(st.alpha_blend());
}

TEST_F(Loading, AnimTextureFramesRunLeftToRightThenDown) {
  Handle t = LoadAnimTexture(write_blocks("anim.bmp"), 1, 4, 4, 1, 3);
  ASSERT_NE(t, 0);
  EXPECT_EQ(TextureWidth(t), 4);
  EXPECT_EQ(TextureHeight(t), 4);
  EXPECT_EQ(scene::find_texture(t)->frames, 3);
  EXPECT_EQ(texel(t, 0, 0, 0)[1], 100);  // frame 0 is cell 1: green, top right
  EXPECT_EQ(texel(t, 1, 3, 3)[2], 50);   // then blue, bottom left
  EXPECT_EQ(texel(t, 2, 2, 2)[0], 0);    // then black
  // More frames than the image holds: only the ones that exist.
  Handle more = LoadAnimTexture(path("anim.bmp"), 1, 4, 4, 2, 10);
  ASSERT_NE(more, 0);
  EXPECT_EQ(scene::find_texture(more)->frames, 2);
  // Frames larger than the image: a clear failure.
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadAnimTexture(path("anim.bmp"), 1, 16, 16, 0, 1), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("anim.bmp"), std::string::npos);
}

TEST_F(Loading, BackslashPathsAndMissingFiles) {
  write_blocks("blocks.bmp");
  std::string win = path("blocks.bmp");
  std::replace(win.begin(), win.end(), '/', '\\');
  EXPECT_NE(LoadTexture(win, 1), 0);

  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadTexture(path("nothing.png")), 0);
  EXPECT_EQ(LoadSprite(path("nothing.bmp")), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("nothing.png"), std::string::npos);
  EXPECT_NE(err.find("nothing.bmp"), std::string::npos);
  EXPECT_EQ(LiveEntityCount(), 0);
}

TEST_F(Loading, ModelComesOutInTheRightPlaceWithItsTexture) {
  // A door whose only node is scaled 1/16 and turned 90 degrees about +x.
  Handle door = LoadMesh(kB3d + "door_b.b3d");
  ASSERT_NE(door, 0);
  ASSERT_EQ(CountSurfaces(door), 1);
  Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
  scene::for_each_triangle(door, [&](const Vec3& a, const Vec3& b, const Vec3& c) {
    for (const Vec3* p : {&a, &b, &c}) {
      lo = {std::min(lo.x, p->x), std::min(lo.y, p->y), std::min(lo.z, p->z)};
      hi = {std::max(hi.x, p->x), std::max(hi.y, p->y), std::max(hi.z, p->z)};
    }
  });
  EXPECT_NEAR(lo.x, -0.5f, 2e-3);
  EXPECT_NEAR(hi.x, 0.5f, 2e-3);
  EXPECT_NEAR(lo.y, -0.5f, 2e-3);
  EXPECT_NEAR(hi.y, 1.5f, 2e-3);
  EXPECT_NEAR(lo.z, -0.5f, 2e-3);
  EXPECT_NEAR(hi.z, -0.375f, 2e-3);
  // The texture named in the file is found beside the model.
  const scene::Entity* e = scene::find(door);
  const auto& tex = e->mesh->surfaces[0]->brush.tex[0];
  ASSERT_TRUE(tex);
  EXPECT_GT(tex->width, 0);
  // Textures that come with a model are the model's, not loose handles.
  EXPECT_EQ(LiveTextureCount(), 0);
  // The loaded entity itself carries no transform.
  EXPECT_EQ(EntityPitch(door), 0);
  EXPECT_EQ(EntityX(door), 0);
}

TEST_F(Loading, ModelWithMissingTextureStillLoads) {
  std::filesystem::copy_file(kB3d + "door_b.b3d", path("door_b.b3d"));
  Handle door = LoadMesh(path("door_b.b3d"));
  ASSERT_NE(door, 0);
  EXPECT_EQ(CountTriangles(GetSurface(door, 1)), 12);
  EXPECT_FALSE(scene::find(door)->mesh->surfaces[0]->brush.tex[0]);
}

TEST_F(Loading, MissingOrDamagedModelGivesZeroAndNamesTheFile) {
  {
    std::ifstream in(kB3d + "mobs_bunny.b3d", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 100u);
    bytes.resize(bytes.size() / 2);  // cut in the middle of a chunk
    std::ofstream(path("cut.b3d"), std::ios::binary) << bytes;
    std::ofstream(path("junk.b3d"), std::ios::binary) << "this is not a model";
  }
  for (const std::string name : {"missing.b3d", "cut.b3d", "junk.b3d"}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadMesh(path(name)), 0) << name;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(name), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  EXPECT_EQ(LiveEntityCount(), 0);
}

}  // namespace
