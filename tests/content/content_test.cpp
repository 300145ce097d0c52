// The generated data tree: every file the game opens exists with the geometry
// the game cuts it into, every model loads and has its intended size once the
// game's scale is applied, and the generator writes the same bytes every run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <unistd.h>
#include <string>
#include <vector>

#include "../../tools/assetgen/manifest.h"
#include "engine/media/image.h"
#include "engine/media/model.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = IFOLD_DATA_DIR;

std::string name_of(const testing::TestParamInfo<ag::Asset>& info) {
  std::string s = info.param.path;
  for (char& c : s)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
}

struct Bounds {
  float mn[3] = {1e30f, 1e30f, 1e30f}, mx[3] = {-1e30f, -1e30f, -1e30f};
  float size(int a) const { return mx[a] - mn[a]; }
};

Bounds bounds(const eng::Model& m, float sx = 1, float sy = 1, float sz = 1) {
  Bounds b;
  for (const auto& v : m.root.mesh.vertices) {
    float p[3] = {v.x * sx, v.y * sy, v.z * sz};
    for (int a = 0; a < 3; ++a) b.mn[a] = std::min(b.mn[a], p[a]), b.mx[a] = std::max(b.mx[a], p[a]);
  }
  return b;
}

eng::Model load_model(const std::string& rel) {
  eng::Model m;
  std::string err;
  EXPECT_TRUE(eng::load_b3d_file(kData + "/" + rel, m, err)) << err;
  return m;
}

eng::Image load_image(const std::string& rel) {
  eng::Image img;
  std::string err;
  EXPECT_TRUE(eng::load_image_file(kData + "/" + rel, img, err)) << err;
  return img;
}

// Spread of luminance over a region: near zero for a blank picture.
float luminance_spread(const eng::Image& img, int x0, int y0, int w, int h) {
  double sum = 0, sum2 = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      const std::uint8_t* p = img.pixel(x, y);
      double l = (0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]) * p[3] / 255.0;
      sum += l, sum2 += l * l;
    }
  double n = static_cast<double>(w) * h;
  return static_cast<float>(std::sqrt(std::max(0.0, sum2 / n - (sum / n) * (sum / n))));
}

float mean_channel(const eng::Image& img, int ch) {
  double s = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) s += img.pixel(x, y)[ch];
  return static_cast<float>(s / (static_cast<double>(img.width) * img.height) / 255.0);
}

class AssetFile : public testing::TestWithParam<ag::Asset> {};

TEST_P(AssetFile, ExistsWithItsGeometry) {
  const ag::Asset& a = GetParam();
  const std::string path = kData + "/" + a.path;
  ASSERT_TRUE(fs::exists(path)) << path << " is missing (is the data target built?)";
  if (a.kind == ag::AssetKind::Image) {
    eng::Image img = load_image(a.path);
    ASSERT_GT(img.width, 0);
    if (a.frames > 0) {
      // the game cuts frames left to right, then top to bottom
      ASSERT_EQ(img.width % a.frame_w, 0) << a.path;
      ASSERT_EQ(img.height % a.frame_h, 0) << a.path;
      const int cols = img.width / a.frame_w;
      ASSERT_GE(cols * (img.height / a.frame_h), a.frames) << a.path;
      // each frame shows something, and no two frames are the same picture
      std::set<std::vector<std::uint8_t>> seen;
      for (int f = 0; f < a.frames; ++f) {
        int fx = (f % cols) * a.frame_w, fy = (f / cols) * a.frame_h;
        EXPECT_GT(luminance_spread(img, fx, fy, a.frame_w, a.frame_h), 8.f) << a.path << " frame " << f;
        std::vector<std::uint8_t> bytes;
        for (int y = fy; y < fy + a.frame_h; ++y)
          bytes.insert(bytes.end(), img.pixel(fx, y), img.pixel(fx, y) + a.frame_w * 4);
        EXPECT_TRUE(seen.insert(bytes).second) << a.path << " frame " << f << " repeats an earlier frame";
      }
    } else {
      if (a.aspect > 0) {
        EXPECT_NEAR(static_cast<float>(img.width) / img.height, a.aspect, a.aspect * 0.1f) << a.path;
      }
      EXPECT_GT(luminance_spread(img, 0, 0, img.width, img.height), 4.f) << a.path << " looks blank";
    }
  } else {
    eng::Model m = load_model(a.path);
    ASSERT_TRUE(m.root.has_mesh) << a.path;
    ASSERT_FALSE(m.root.mesh.vertices.empty()) << a.path;
    size_t tris = 0;
    for (const auto& s : m.root.mesh.surfaces) tris += s.triangles.size();
    EXPECT_GT(tris, 0u) << a.path;
    Bounds b = bounds(m, std::fabs(a.sx), std::fabs(a.sy), std::fabs(a.sz));
    const float want[3] = {a.wx, a.wy, a.wz};
    for (int ax = 0; ax < 3; ++ax) {
      if (want[ax] < 0) continue;
      EXPECT_NEAR(b.size(ax), want[ax], std::max(0.12f * want[ax], 0.3f)) << a.path << " axis " << ax;
    }
    // stored normals agree with the clockwise front-face winding
    const auto& v = m.root.mesh.vertices;
    int disagree = 0;
    for (const auto& s : m.root.mesh.surfaces)
      for (const auto& t : s.triangles) {
        const auto &p0 = v[t[0]], &p1 = v[t[1]], &p2 = v[t[2]];
        float e1[3] = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}, e2[3] = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
        float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        float stored[3] = {p0.nx + p1.nx + p2.nx, p0.ny + p1.ny + p2.ny, p0.nz + p1.nz + p2.nz};
        if (n[0] * stored[0] + n[1] * stored[1] + n[2] * stored[2] < 0) ++disagree;
      }
    EXPECT_EQ(disagree, 0) << a.path << ": faces wound against their normals";
    // textures the model names sit beside it
    for (const auto& t : m.textures) EXPECT_TRUE(fs::exists(kData + "/models/" + t.file)) << a.path << " names " << t.file;
  }
}

INSTANTIATE_TEST_SUITE_P(Manifest, AssetFile, testing::ValuesIn(ag::kManifest), name_of);

// Where the game hangs its muzzle pivots the model must have its gun.
struct GunCase {
  const char* path;
  float sx, sy, sz;
  bool turned;          // the game turns the mesh 180 degrees (player tank)
  float px, py, pz;     // pivot in the tank's own space, before scaling
};

class GunAtPivot : public testing::TestWithParam<GunCase> {};

TEST_P(GunAtPivot, PivotSitsAtTheGun) {
  const GunCase& g = GetParam();
  eng::Model m = load_model(g.path);
  const float wx = g.px * g.sx, wy = g.py * g.sy, wz = g.pz * g.sz;
  float best = 1e30f, front = -1e30f;
  for (const auto& v : m.root.mesh.vertices) {
    float x = v.x * g.sx, y = v.y * g.sy, z = v.z * g.sz;
    if (g.turned) x = -x, z = -z;
    best = std::min(best, std::hypot(x - wx, y - wy, z - wz));
    front = std::max(front, g.turned ? z : -z);
  }
  EXPECT_LT(best, 0.8f) << g.path << ": no part of the model near the pivot";
  // the gun is the front-most part: the pivot is within a metre of the tip
  EXPECT_LT(std::fabs(front - std::fabs(wz)), 1.2f) << g.path;
}

INSTANTIATE_TEST_SUITE_P(
    Tanks, GunAtPivot,
    testing::Values(GunCase{"models/t-34c.b3d", 0.08f, 0.081f, 0.081f, true, 0, 40, 50},
                    GunCase{"models/stug-081.b3d", 0.047f, 0.047f, 0.037f, false, 0, 30, -90},
                    GunCase{"models/hetcer-08.b3d", 0.067f, 0.07f, 0.053f, false, 0, 30, -90},
                    GunCase{"models/tiger-08b.b3d", 0.095f, 0.07f, 0.073f, false, 0, 30, -90},
                    GunCase{"models/elefant-08-01.b3d", 0.11f, 0.08f, 0.085f, false, 0, 30, -90}),
    [](const testing::TestParamInfo<GunCase>& i) {
      std::string s = fs::path(i.param.path).stem().string();
      for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return s;
    });

TEST(ContentShapes, FenceStandsOutsideTheFieldWithInwardInnerFaces) {
  eng::Model m = load_model("models/ograda3.b3d");
  const auto& v = m.root.mesh.vertices;
  int inner = 0;
  for (const auto& p : v) EXPECT_GE(std::max(std::fabs(p.x), std::fabs(p.z)), 64.99f) << "fence reaches into the field";
  for (const auto& s : m.root.mesh.surfaces)
    for (const auto& t : s.triangles) {
      const auto& p = v[t[0]];
      bool on_x = std::fabs(std::fabs(p.x) - 65) < 1e-3f && std::fabs(std::fabs(v[t[1]].x) - 65) < 1e-3f &&
                  std::fabs(std::fabs(v[t[2]].x) - 65) < 1e-3f;
      bool on_z = std::fabs(std::fabs(p.z) - 65) < 1e-3f && std::fabs(std::fabs(v[t[1]].z) - 65) < 1e-3f &&
                  std::fabs(std::fabs(v[t[2]].z) - 65) < 1e-3f;
      if (on_x) {
        ++inner;
        EXPECT_LT(p.nx * p.x, 0) << "inner face at x = " << p.x << " faces outward";
      }
      if (on_z) {
        ++inner;
        EXPECT_LT(p.nz * p.z, 0) << "inner face at z = " << p.z << " faces outward";
      }
    }
  EXPECT_GE(inner, 8);
  // placed at y -1: from the ground to 4..6 above it
  Bounds b = bounds(m);
  EXPECT_NEAR(b.mn[1] - 1, -1, 0.01f);
  EXPECT_GE(b.mx[1] - 1, 4.f);
  EXPECT_LE(b.mx[1] - 1, 6.f);
}

TEST(ContentShapes, ShellsFlyOverIndestructibleBlocks) {
  // block: mesh scale (0.03, 0.02, 0.03), placed at y 1.5; enemy shells leave
  // at 2 above a tank's origin (3.5 above the ground), player shells higher
  Bounds b = bounds(load_model("models/iblock.b3d"), 0.03f, 0.02f, 0.03f);
  EXPECT_NEAR(b.mn[1] + 1.5f, 0.f, 0.05f);
  EXPECT_LE(b.mx[1] + 1.5f, 1.55f);
  EXPECT_LT(b.mx[1] + 1.5f + 0.25f, 3.5f);
}

TEST(ContentShapes, ShellPointsAlongPlusZ) {
  eng::Model m = load_model("models/shell.b3d");
  Bounds b = bounds(m);
  float r_front = 0, r_back = 0;
  for (const auto& v : m.root.mesh.vertices) {
    float r = std::hypot(v.x, v.y);
    if (v.z > b.mx[2] - 0.5f) r_front = std::max(r_front, r);
    if (v.z < b.mn[2] + 0.5f) r_back = std::max(r_back, r);
  }
  EXPECT_LT(r_front, 0.5f * r_back) << "the pointed end should be at +z";
}

TEST(ContentShapes, FlatModelsFaceTheirViewer) {
  // ground and plates face up; the banners face -z (the game pitches them up)
  for (const char* f : {"models/plane.b3d", "models/101.b3d", "models/pwup.b3d"}) {
    eng::Model m = load_model(f);
    for (const auto& v : m.root.mesh.vertices) EXPECT_GT(v.ny, 0.99f) << f;
  }
  for (const char* f : {"models/vic.b3d", "models/def.b3d"}) {
    eng::Model m = load_model(f);
    for (const auto& v : m.root.mesh.vertices) EXPECT_LT(v.nz, -0.99f) << f;
  }
  // the plane's texture coordinates cover the image once
  eng::Model p = load_model("models/plane.b3d");
  float umin = 1, umax = 0, vmin = 1, vmax = 0;
  for (const auto& v : p.root.mesh.vertices)
    umin = std::min(umin, v.u), umax = std::max(umax, v.u), vmin = std::min(vmin, v.v), vmax = std::max(vmax, v.v);
  EXPECT_FLOAT_EQ(umin, 0);
  EXPECT_FLOAT_EQ(umax, 1);
  EXPECT_FLOAT_EQ(vmin, 0);
  EXPECT_FLOAT_EQ(vmax, 1);
}

TEST(ContentTextures, NormalMapsAndWinterVariants) {
  for (const char* f : {"models/t34-08-128-1dot3.tga", "models/elephant-128dot3.tga", "models/hetcer-128dot3.tga",
                        "models/tigr-08-1dot3.tga", "models/stug-08-01dot3.tga", "models/dotdot3.tga",
                        "models/dotddot3.tga", "tex/wall64dot3.tga"}) {
    eng::Image img = load_image(f);
    EXPECT_NEAR(mean_channel(img, 0), 0.5f, 0.06f) << f;
    EXPECT_NEAR(mean_channel(img, 1), 0.5f, 0.06f) << f;
    EXPECT_GT(mean_channel(img, 2), 0.85f) << f << " does not look like a normal map";
  }
  const char* pairs[][2] = {{"models/elephant-128.tga", "models/elephant-128w.tga"},
                            {"models/hetcer-128.tga", "models/hetcer-128w.tga"},
                            {"models/tigr-08-1.tga", "models/tigr-08-1w.tga"},
                            {"models/stug-08-01.tga", "models/stug-08-01w.tga"}};
  for (auto& p : pairs) {
    eng::Image plain = load_image(p[0]), winter = load_image(p[1]);
    float lp = mean_channel(plain, 0) + mean_channel(plain, 1) + mean_channel(plain, 2);
    float lw = mean_channel(winter, 0) + mean_channel(winter, 1) + mean_channel(winter, 2);
    EXPECT_GT(lw, lp + 0.5f) << p[1] << " is not whitewashed";
  }
  // the two players' tanks differ in colour
  eng::Image p1 = load_image("models/t34-08-128-3.tga"), p2 = load_image("models/t34-08-128-3r.tga");
  EXPECT_GT(std::fabs(mean_channel(p1, 2) - mean_channel(p2, 2)) + std::fabs(mean_channel(p1, 1) - mean_channel(p2, 1)),
            0.1f);
}

std::string read_all(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(ContentGenerator, SameBytesOnEveryRun) {
  const std::string gen = std::string(IFOLD_BIN_DIR) + "/ironfold-assetgen";
  ASSERT_TRUE(fs::exists(gen));
  fs::path base = fs::temp_directory_path() / ("ifold_assetgen_" + std::to_string(::getpid()));
  fs::remove_all(base);
  for (const char* run : {"a", "b"}) {
    std::string cmd = "\"" + gen + "\" --only tex --out \"" + (base / run).string() + "\" > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(base / "a")) {
    if (!e.is_regular_file()) continue;
    fs::path other = base / "b" / fs::relative(e.path(), base / "a");
    ASSERT_TRUE(fs::exists(other)) << other;
    EXPECT_EQ(read_all(e.path()), read_all(other)) << e.path() << " differs between runs";
    ++files;
  }
  EXPECT_GE(files, 16u);
  fs::remove_all(base);
}

TEST(ContentGenerator, UnwritableTreeFailsNamingTheFile) {
  const std::string gen = std::string(IFOLD_BIN_DIR) + "/ironfold-assetgen";
  fs::path base = fs::temp_directory_path() / ("ifold_assetgen_ro_" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  // a plain file where the tree's tex/ folder should go
  std::ofstream(base / "tex") << "in the way";
  fs::path log = base / "log.txt";
  std::string cmd = "\"" + gen + "\" --only tex --out \"" + base.string() + "\" > \"" + log.string() + "\" 2>&1";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  std::string out = read_all(log);
  EXPECT_NE(out.find("cannot write"), std::string::npos) << out;
  EXPECT_NE(out.find((base / "tex").string()), std::string::npos) << out;
  // an unknown group is refused before anything is written
  cmd = "\"" + gen + "\" --only pictures --out \"" + (base / "x").string() + "\" > /dev/null 2>&1";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  EXPECT_FALSE(fs::exists(base / "x"));
  fs::remove_all(base);
}

}  // namespace
