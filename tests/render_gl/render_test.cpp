// Renders known scenes through the virtual backend's hidden GL window and
// checks pixels where something must be. The frames are kept as PNGs under
// the build tree (bin/render_gl_shots) for looking at.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/platform/sdl/sdl_platform.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/render/render.h"
#include "engine/system.h"

using namespace eng;

namespace {

const std::string kShots = std::string(IFOLD_BIN_DIR) + "/render_gl_shots/";

struct Rgb {
  int r, g, b;
};

class RenderGl : public ::testing::Test {
 protected:
  static constexpr int W = 640, H = 480;

  void SetUp() override {
    std::filesystem::create_directories(kShots);
    VirtualConfig cfg;
    cfg.render = true;
    UsePlatform(std::make_unique<VirtualPlatform>(cfg));
    ASSERT_TRUE(Graphics3D(W, H, 0, 2, 60));
    if (!render::gl_ready()) GTEST_SKIP() << "no GL 3.3 context here";
    ClearWorld(true, true);
    AmbientLight(127, 127, 127);
  }
  void TearDown() override {
    ClearWorld(true, true);
    EndGraphics();
  }

  // Saves the back buffer under the test's name and reads it back.
  Image shot(const std::string& tag = "") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = kShots + info->name() + tag + ".png";
    EXPECT_TRUE(SaveBackBuffer(path));
    Image img;
    std::string err;
    EXPECT_TRUE(load_image_file(path, img, err)) << err;
    return img;
  }

  static Rgb at(const Image& img, int x, int y) {
    const std::uint8_t* p = img.pixel(x, y);
    return {p[0], p[1], p[2]};
  }

  // Writes an image file for the engine to load.
  static std::string write_image(const std::string& name, int w, int h, bool alpha,
                                 const std::function<Rgb(int, int)>& f, int a = 255) {
    Image img;
    img.width = w;
    img.height = h;
    img.has_alpha = alpha;
    img.rgba.resize(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Rgb c = f(x, y);
        std::uint8_t* p = img.pixel(x, y);
        p[0] = static_cast<std::uint8_t>(c.r);
        p[1] = static_cast<std::uint8_t>(c.g);
        p[2] = static_cast<std::uint8_t>(c.b);
        p[3] = static_cast<std::uint8_t>(a);
      }
    const std::string path = kShots + name;
    EXPECT_TRUE(write_png(path, img));
    return path;
  }

  // Four quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
  static std::string quadrant_image() {
    return write_image("quadrants.png", 64, 64, false, [](int x, int y) -> Rgb {
      if (y < 32) return x < 32 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
      return x < 32 ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
    });
  }

  // A square of half-size s facing -z (toward a camera looking along +z),
  // texture v = 0 along its top edge.
  static Handle make_quad(float s) {
    Handle m = CreateMesh();
    Handle surf = CreateSurface(m);
    AddVertex(surf, -s, s, 0, 0, 0);
    AddVertex(surf, s, s, 0, 1, 0);
    AddVertex(surf, s, -s, 0, 1, 1);
    AddVertex(surf, -s, -s, 0, 0, 1);
    AddTriangle(surf, 0, 1, 2);
    AddTriangle(surf, 0, 2, 3);
    UpdateNormals(m);
    return m;
  }
};

#define EXPECT_COLOR(img, x, y, cond)                                             \
  do {                                                                            \
    const Rgb c_ = at(img, x, y);                                                 \
    const int r = c_.r, g = c_.g, b = c_.b;                                       \
    (void)r, (void)g, (void)b;                                                    \
    EXPECT_TRUE(cond) << "pixel (" << (x) << ", " << (y) << ") = " << r << ", " << g << ", " << b; \
  } while (0)

TEST_F(RenderGl, ColouredCubeInFrontOfTheCameraWithNinetyDegreeView) {
  Handle cam = CreateCamera();
  CameraClsColor(cam, 0, 0, 0);
  Handle light = CreateLight(1);  // shines along +z, onto the cube's front
  (void)light;
  Handle cube = CreateCube();
  PositionEntity(cube, 0, 0, 5);
  EntityColor(cube, 255, 40, 40);
  RenderWorld();
  Image img = shot();
  EXPECT_COLOR(img, W / 2, H / 2, r > 200 && g < 80 && b < 80);
  // The front face is at z = 4: half-size 1 spans W/2 * 1/4 = 80 pixels with a 90 degree view.
  EXPECT_COLOR(img, W / 2 + 70, H / 2, r > 200);
  EXPECT_COLOR(img, W / 2 + 90, H / 2, r < 10 && g < 10 && b < 10);
  EXPECT_COLOR(img, W / 2, H / 2 - 70, r > 200);
  EXPECT_COLOR(img, W / 2, H / 2 - 90, r < 10);
  EXPECT_COLOR(img, 5, 5, r < 10 && g < 10 && b < 10);

  // Unlit side: the light from the back leaves only the ambient share.
  RotateEntity(light, 0, 180, 0);
  RenderWorld();
  Image dim = shot("_ambient");
  EXPECT_COLOR(dim, W / 2, H / 2, r > 100 && r < 160);
}

TEST_F(RenderGl, CopiesOfOneMeshAreDrawnInstanced) {
  CreateCamera();
  CreateLight(1);
  Handle cube = CreateCube();
  PositionEntity(cube, 0, 0, 30);
  for (int i = 0; i < 99; ++i) {
    Handle c = CopyEntity(cube);
    PositionEntity(c, static_cast<float>(i % 10 - 5) * 3, static_cast<float>(i / 10 - 5) * 3, 30);
  }
  RenderWorld();
  EXPECT_EQ(LastDrawCalls(), 1);
  Image img = shot();
  EXPECT_COLOR(img, W / 2 - 160, H / 2 - 120, r > 60);
}

TEST_F(RenderGl, MaskedTextureCutsOutBlackTexels) {
  const std::string file = write_image("mask.png", 64, 64, false,
                                       [](int x, int) -> Rgb { return x < 32 ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; });
  Handle cam = CreateCamera();
  CameraClsColor(cam, 0, 0, 200);
  AmbientLight(255, 255, 255);
  Handle tex = LoadTexture(file, 1 | 4);
  ASSERT_NE(tex, 0);
  Handle q = make_quad(2);
  PositionEntity(q, 0, 0, 4);
  EntityTexture(q, tex);
  RenderWorld();
  Image img = shot();
  // Quad spans W/2 * 2/4 = 160 px each side of the centre.
  EXPECT_COLOR(img, W / 2 - 80, H / 2, b > 180 && r < 20);   // cut out: background shows
  EXPECT_COLOR(img, W / 2 + 80, H / 2, r > 240 && g > 240);  // white half drawn
}

TEST_F(RenderGl, SpriteFacesTheCameraAndBlends) {
  const std::string file = write_image("white.png", 16, 16, false, [](int, int) -> Rgb { return {255, 255, 255}; });
  Handle cam = CreateCamera();
  RotateEntity(cam, 20, 70, 0);  // look somewhere oblique
  Handle spr = LoadSprite(file, 1);
  ASSERT_NE(spr, 0);
  // Ten units ahead of the camera; half-size 1 covers W/2 / 10 = 32 pixels.
  PositionEntity(spr, 0, 0, 0);
  RotateEntity(spr, 0, 0, 0);
  {
    Handle probe = CreatePivot();
    RotateEntity(probe, 20, 70, 0);
    MoveEntity(probe, 0, 0, 10);
    PositionEntity(spr, EntityX(probe), EntityY(probe), EntityZ(probe));
    FreeEntity(probe);
  }
  RenderWorld();
  Image img = shot();
  for (auto [dx, dy] : {std::pair{0, 0}, {28, 0}, {-28, 0}, {0, 28}, {0, -28}, {25, 25}})
    EXPECT_COLOR(img, W / 2 + dx, H / 2 + dy, r > 240 && g > 240 && b > 240);
  EXPECT_COLOR(img, W / 2 + 40, H / 2, r < 10);

  ScaleSprite(spr, 2, 1);
  EntityAlpha(spr, 0.5f);
  RenderWorld();
  Image half = shot("_scaled_alpha");
  EXPECT_COLOR(half, W / 2 + 50, H / 2, r > 110 && r < 145);  // half white over black
  EXPECT_COLOR(half, W / 2, H / 2 + 40, r < 10);
}

TEST_F(RenderGl, CameraLookingStraightDownShowsPlusZUpAndPlusXRight) {
  Handle cam = CreateCamera();
  RotateEntity(cam, 90, 0, 0);
  AmbientLight(255, 255, 255);
  Handle tex = LoadTexture(quadrant_image(), 1);
  // A plane 10 below the camera, facing up: image top toward +z, image left toward -x.
  Handle m = CreateMesh();
  Handle s = CreateSurface(m);
  AddVertex(s, -8, -10, 8, 0, 0);
  AddVertex(s, 8, -10, 8, 1, 0);
  AddVertex(s, 8, -10, -8, 1, 1);
  AddVertex(s, -8, -10, -8, 0, 1);
  AddTriangle(s, 0, 1, 2);
  AddTriangle(s, 0, 2, 3);
  EntityTexture(m, tex);
  // A marker cube at +x, +z must land top-right.
  Handle marker = CreateCube();
  PositionEntity(marker, 6, -9, 6);
  ScaleEntity(marker, 0.5f, 0.5f, 0.5f);
  EntityColor(marker, 255, 255, 0);
  RenderWorld();
  Image img = shot();
  EXPECT_COLOR(img, W / 2 - 100, H / 2 - 40, r > 200 && g < 60 && b < 60);   // red: -x, +z
  EXPECT_COLOR(img, W / 2 + 40, H / 2 - 100, g > 200 && r < 60);             // green: +x, +z
  EXPECT_COLOR(img, W / 2 - 100, H / 2 + 100, b > 200 && r < 60);            // blue: -x, -z
  EXPECT_COLOR(img, W / 2 + 100, H / 2 + 40, r > 200 && g > 200 && b > 200); // white: +x, -z
  // marker at (6, 6) in a view 10 deep: 6/10 * 320 = 192 px right and 6/10 * 320 = 192 px up
  EXPECT_COLOR(img, W / 2 + 192, H / 2 - 192, r > 200 && g > 200 && b < 60);
}

TEST_F(RenderGl, BackBufferToTexRoundTripReadsUprightThroughFlippedScale) {
  // Board: the quadrant plane seen from above into the top-left 128x128 pixels.
  AmbientLight(255, 255, 255);
  Handle board_tex = LoadTexture(quadrant_image(), 1);
  Handle board = CreateMesh();
  Handle s = CreateSurface(board);
  AddVertex(s, -10, -10, 10, 0, 0);
  AddVertex(s, 10, -10, 10, 1, 0);
  AddVertex(s, 10, -10, -10, 1, 1);
  AddVertex(s, -10, -10, -10, 0, 1);
  AddTriangle(s, 0, 1, 2);
  AddTriangle(s, 0, 2, 3);
  EntityTexture(board, board_tex);
  Handle board_cam = CreateCamera();
  RotateEntity(board_cam, 90, 0, 0);
  CameraViewport(board_cam, 0, 0, 128, 128);
  CameraClsColor(board_cam, 180, 0, 0);

  // Banner: rows of vertices with v = 0 on top, like the menu's cloth strip.
  Handle capture = CreateTexture(128, 128, 1, 1);
  ScaleTexture(capture, 1, -1);
  Handle banner = make_quad(1);
  PositionEntity(banner, 0, 0, 20);
  EntityTexture(banner, capture);
  Handle view_cam = CreateCamera();
  PositionEntity(view_cam, 0, 0, 18);
  HideEntity(view_cam);

  RenderWorld();
  shot("_board");
  BackBufferToTex(capture, 0, 0);
  HideEntity(board_cam);
  ShowEntity(view_cam);
  HideEntity(board);
  RenderWorld();
  Image img = shot();
  // The banner (half-size 1 at distance 2) covers 160 px around the centre.
  EXPECT_COLOR(img, W / 2 - 80, H / 2 - 80, r > 200 && g < 60 && b < 60);   // red top-left
  EXPECT_COLOR(img, W / 2 + 80, H / 2 - 80, g > 200 && r < 60);             // green top-right
  EXPECT_COLOR(img, W / 2 - 80, H / 2 + 80, b > 200 && r < 60);             // blue bottom-left
  EXPECT_COLOR(img, W / 2 + 80, H / 2 + 80, r > 200 && g > 200 && b > 200); // white bottom-right
}

TEST_F(RenderGl, NormalMapLayerShadesByTheDirectionalLight) {
  // Left third tilted toward +u (the quad's right), middle flat, right third toward -u.
  const std::string bump = write_image("bump.png", 48, 16, false, [](int x, int) -> Rgb {
    if (x < 16) return {218, 128, 218};
    if (x < 32) return {128, 128, 255};
    return {38, 128, 218};
  });
  const std::string colour = write_image("grey.png", 8, 8, false, [](int, int) -> Rgb { return {200, 200, 200}; });
  CreateCamera();
  AmbientLight(0, 0, 0);
  Handle light = CreateLight(1);
  RotateEntity(light, 0, 45, 0);  // shines along (-1, 0, 1): comes from the right
  Handle q = make_quad(3);
  PositionEntity(q, 0, 0, 4);
  Handle tb = LoadTexture(bump, 1);
  Handle tc = LoadTexture(colour, 1);
  TextureBlend(tb, 4);
  TextureBlend(tc, 2);
  EntityTexture(q, tb, 0, 0);
  EntityTexture(q, tc, 0, 1);
  RenderWorld();
  Image img = shot();
  // Quad of half-size 3 at distance 4 spans 240 px each side; thirds are 160 px wide.
  const int toward = at(img, W / 2 - 160, H / 2).r, flat = at(img, W / 2, H / 2).r,
            away = at(img, W / 2 + 160, H / 2).r;
  EXPECT_GT(toward, flat + 30);
  EXPECT_GT(flat, away + 30);
  EXPECT_NEAR(flat, 200 * 0.707, 12);  // the plain colour layer, lit at 45 degrees
}

TEST_F(RenderGl, SmoothNormalsAreLitPerPixelAndFlatFacesEvenly) {
  // A ridge toward the camera: two panels sharing their middle edge, so the
  // shared normals bend across each panel. A flat quad beside it is lit evenly.
  CreateCamera();
  AmbientLight(0, 0, 0);
  Handle light = CreateLight(1);
  RotateEntity(light, 0, 45, 0);  // shines along (-1, 0, 1): comes from the right
  Handle ridge = CreateMesh();
  Handle s = CreateSurface(ridge);
  const float xs[3] = {-2, 0, 2}, zs[3] = {0, -1, 0};
  for (float y : {2.0f, -2.0f})
    for (int i = 0; i < 3; ++i) AddVertex(s, xs[i], y, zs[i]);
  AddTriangle(s, 0, 1, 4);
  AddTriangle(s, 0, 4, 3);
  AddTriangle(s, 1, 2, 5);
  AddTriangle(s, 1, 5, 4);
  UpdateNormals(ridge);
  PositionEntity(ridge, 0, 1, 5);
  Handle flat = make_quad(1);
  PositionEntity(flat, 0, -2.5f, 5);
  RenderWorld();
  Image img = shot();
  // The ridge spans x = 192..448 on screen (its edges at depth 5, its middle at 4), y above the centre.
  const int y = H / 2 - 64;
  const int left_edge = at(img, 200, y).r, left_mid = at(img, 300, y).r, right_mid = at(img, 340, y).r,
            right_edge = at(img, 440, y).r;
  EXPECT_GT(left_mid, left_edge + 40);   // turning toward the light across the left panel
  EXPECT_GT(right_edge, right_mid + 20);
  EXPECT_GT(right_mid, left_mid);
  // The flat quad faces -z: lit at 45 degrees all over.
  const int fy = H / 2 + 160;
  EXPECT_NEAR(at(img, 280, fy).r, 255 * 0.707, 10);
  EXPECT_NEAR(at(img, 360, fy).r, 255 * 0.707, 10);
}

TEST_F(RenderGl, TextIsDrawnWhereAsked) {
  Cls();
  Text(100, 50, "IRONFOLD 1.10");
  Image img = shot();
  int lit = 0;
  for (int y = 50; y < 68; ++y)
    for (int x = 100; x < 100 + 13 * 9; ++x) lit += at(img, x, y).r > 128;
  EXPECT_GT(lit, 150);
  int outside = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if ((y < 48 || y > 70 || x < 98 || x > 100 + 13 * 9 + 2) && at(img, x, y).r > 0) ++outside;
  EXPECT_EQ(outside, 0);
}

TEST_F(RenderGl, TwoCamerasDrawIntoTheirOwnViewports) {
  Handle left = CreateCamera();
  CameraViewport(left, 0, 0, W / 2, H);
  CameraClsColor(left, 200, 0, 0);
  Handle right = CreateCamera();
  CameraViewport(right, W / 2, 0, W / 2, H / 2);
  CameraClsColor(right, 0, 200, 0);
  AmbientLight(255, 255, 255);
  Handle cube = CreateCube();
  PositionEntity(cube, 0, 0, 10);
  EntityColor(cube, 0, 0, 255);
  Cls();
  RenderWorld();
  Image img = shot();
  EXPECT_COLOR(img, 10, 10, r > 190 && g < 10);                     // left clear colour
  EXPECT_COLOR(img, W - 10, 10, g > 190 && r < 10);                 // right top
  EXPECT_COLOR(img, W - 10, H - 10, r < 10 && g < 10 && b < 10);    // untouched bottom-right
  EXPECT_COLOR(img, W / 4, H / 2, b > 200 && r < 10);               // cube centred in the left view
  EXPECT_COLOR(img, 3 * W / 4, H / 4, b > 200 && g < 10);           // and in the right one
  HideEntity(left);
  Cls();
  RenderWorld();
  Image one = shot("_one_hidden");
  EXPECT_COLOR(one, 10, 10, r < 10 && g < 10 && b < 10);
}

TEST_F(RenderGl, ClosingAndReopeningTwentyTimesLeaksNoGlObjects) {
  const std::string file = quadrant_image();
  Handle cam = CreateCamera();
  Handle cube = CreateCube();
  PositionEntity(cube, 0, 0, 5);
  EntityTexture(cube, LoadTexture(file, 1));
  Handle spr = LoadSprite(file, 2);
  PositionEntity(spr, 2, 0, 5);
  Handle anim = LoadAnimTexture(file, 1, 32, 32, 0, 4);
  Handle c2 = CopyEntity(cube);
  PositionEntity(c2, -2, 0, 5);
  EntityTexture(c2, anim, 3);
  (void)cam;
  int live_after_render = -1;
  for (int i = 0; i < 20; ++i) {
    RenderWorld();
    Text(0, 0, "x");
    Flip(0);
    const int live = render::live_gl_objects();
    EXPECT_GT(live, 0);
    if (live_after_render < 0) live_after_render = live;
    EXPECT_EQ(live, live_after_render) << "round " << i;
    EndGraphics();
    EXPECT_FALSE(GraphicsOpen());
    EXPECT_EQ(render::live_gl_objects(), 0) << "round " << i;
    ASSERT_TRUE(Graphics3D(W, H, 0, 2, 60));
  }
  AmbientLight(255, 255, 255);
  RenderWorld();
  Image img = shot();
  // The copy at x = -2 shows frame 3 of the cut image: the white quadrant.
  EXPECT_COLOR(img, W / 2 - 160, H / 2, r > 200 && g > 200 && b > 200);
}

// The game's own backend: a real window, drawing into its back buffer, then
// the multisampled back buffer that AntiAlias(1) adds.
TEST_F(RenderGl, ClearWorldReleasesTheGlObjectsOfWhatItFrees) {
  const std::string file = quadrant_image();
  int after_clear = -1;
  for (int round = 0; round < 3; ++round) {
    CreateCamera();
    for (int i = 0; i < 5; ++i) {
      Handle m = make_quad(1);  // a mesh of its own each time
      PositionEntity(m, static_cast<float>(i) - 2, 0, 6);
      EntityTexture(m, LoadTexture(file, 1));
    }
    RenderWorld();
    const int with_scene = render::live_gl_objects();
    ClearWorld(true, true);
    const int cleared = render::live_gl_objects();
    EXPECT_LE(cleared, with_scene - 5 * 4);  // 5 textures and 5 x (array, 2 buffers) at least
    if (after_clear < 0) after_clear = cleared;
    EXPECT_EQ(cleared, after_clear) << "round " << round;
  }
}

TEST(RenderWindow, WindowBackBufferWithAndWithoutMultisampling) {
  UsePlatform(std::make_unique<SdlPlatform>());
  if (!Graphics3D(320, 240, 0, 2, 60) || !render::gl_ready()) GTEST_SKIP() << "no SDL GL window here";
  ClearWorld(true, true);
  AmbientLight(255, 255, 255);
  CreateCamera();
  Handle cube = CreateCube();
  PositionEntity(cube, 0, 0, 4);
  TurnEntity(cube, 0, 0, 30);
  EntityColor(cube, 0, 255, 0);
  Handle board = CreateTexture(64, 64);
  for (int aa : {0, 1}) {
    AntiAlias(aa);
    RenderWorld();
    BackBufferToTex(board, 128, 88);  // the centre of the picture
    const std::string path = kShots + "window_aa" + std::to_string(aa) + ".png";
    ASSERT_TRUE(SaveBackBuffer(path));
    Flip(0);
    Image img;
    std::string err;
    ASSERT_TRUE(load_image_file(path, img, err)) << err;
    const std::uint8_t* c = img.pixel(160, 120);
    EXPECT_GT(c[1], 240) << "aa " << aa;
    EXPECT_LT(c[0], 10) << "aa " << aa;
    if (aa && render::multisample_samples() > 0) {
      // A tilted edge gets in-between shades once multisampled.
      int partial = 0;
      for (int y = 60; y < 180; ++y)
        for (int x = 60; x < 260; ++x) {
          const int g = img.pixel(x, y)[1];
          partial += g > 20 && g < 230;
        }
      EXPECT_GT(partial, 50);
    }
  }
  ClearWorld(true, true);
  EndGraphics();
  EXPECT_EQ(render::live_gl_objects(), 0);
  AntiAlias(0);
}

TEST(RenderNoGl, DrawsNothingAndSavesNothingWithoutAContext) {
  UsePlatform(std::make_unique<VirtualPlatform>());
  ASSERT_TRUE(Graphics3D(320, 240, 0, 2, 60));
  Handle cam = CreateCamera();
  Handle cube = CreateCube();
  PositionEntity(cube, 0, 0, 5);
  RenderWorld();
  Text(0, 0, "nothing");
  EXPECT_EQ(LastDrawCalls(), 0);
  EXPECT_FALSE(SaveBackBuffer(kShots + "none.png"));
  Flip(0);
  EndGraphics();
  FreeEntity(cam);
  FreeEntity(cube);
}

}  // namespace
