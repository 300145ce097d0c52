// Image decoders against the PngSuite, BMP Suite and TGA reference files, plus
// broken, truncated and oversized inputs.
#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/media/image.h"

namespace {

const std::string kData = IFOLD_SHARED_TESTDATA_DIR;

std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

eng::Image load(const std::string& rel) {
  eng::Image img;
  std::string err;
  EXPECT_TRUE(eng::load_image_file(kData + "/" + rel, img, err)) << err;
  return img;
}

// Largest per-channel difference; -1 when the sizes differ.
int max_diff(const eng::Image& a, const eng::Image& b) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return -1;
  int worst = 0;
  for (std::size_t i = 0; i < a.rgba.size(); ++i)
    worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
  return worst;
}

struct Expect {
  const char* file;
  int w, h;
  bool alpha;
};

TEST(PngDecode, SuiteFilesHaveTheirSizeAndAlpha) {
  const Expect cases[] = {
      {"png/basn0g01.png", 32, 32, false}, {"png/basn0g04.png", 32, 32, false},
      {"png/basn0g08.png", 32, 32, false}, {"png/basn0g16.png", 32, 32, false},
      {"png/basn2c08.png", 32, 32, false}, {"png/basn2c16.png", 32, 32, false},
      {"png/basn3p01.png", 32, 32, false}, {"png/basn3p04.png", 32, 32, false},
      {"png/basn3p08.png", 32, 32, false}, {"png/basn4a08.png", 32, 32, true},
      {"png/basn6a08.png", 32, 32, true},  {"png/basn6a16.png", 32, 32, true},
      {"png/basi3p04.png", 32, 32, false}, {"png/basi6a08.png", 32, 32, true},
      {"png/s39i3p04.png", 39, 39, false}, {"png/s01n3p01.png", 1, 1, false},
      {"png/tbbn2c16.png", 32, 32, true},  {"png/tbrn2c08.png", 32, 32, true},
      {"png/tbbn3p08.png", 32, 32, true},  {"png/tm3n3p02.png", 32, 32, true},
      {"png/f99n0g04.png", 32, 32, false}, {"png/oi9n2c16.png", 32, 32, false},
      {"png/z00n2c08.png", 32, 32, false},
  };
  for (const Expect& c : cases) {
    SCOPED_TRACE(c.file);
    const eng::Image img = load(c.file);
    EXPECT_EQ(img.width, c.w);
    EXPECT_EQ(img.height, c.h);
    EXPECT_EQ(img.has_alpha, c.alpha);
    ASSERT_EQ(img.rgba.size(), std::size_t(c.w) * c.h * 4);
    if (!c.alpha) {
      for (std::size_t i = 3; i < img.rgba.size(); i += 4) ASSERT_EQ(img.rgba[i], 255);
    }
  }
}

TEST(PngDecode, InterlacedAndSplitFilesMatchTheirPlainTwins) {
  EXPECT_EQ(max_diff(load("png/basi3p04.png"), load("png/basn3p04.png")), 0);
  EXPECT_EQ(max_diff(load("png/basi6a08.png"), load("png/basn6a08.png")), 0);
  EXPECT_EQ(max_diff(load("png/oi9n2c16.png"), load("png/basn2c16.png")), 0);
}

TEST(PngDecode, GreyAndTransparencyValues) {
  // 4-bit grey scales to multiples of 17 and comes out as equal R, G, B.
  const eng::Image g4 = load("png/basn0g04.png");
  std::set<int> greys;
  for (int y = 0; y < g4.height; ++y)
    for (int x = 0; x < g4.width; ++x) {
      const std::uint8_t* p = g4.pixel(x, y);
      ASSERT_EQ(p[0], p[1]);
      ASSERT_EQ(p[1], p[2]);
      ASSERT_EQ(p[0] % 17, 0);
      greys.insert(p[0]);
    }
  EXPECT_GT(greys.size(), 8u);

  // tRNS white on RGB: exactly the white pixels are transparent.
  const eng::Image t = load("png/tbrn2c08.png");
  int transparent = 0;
  for (int y = 0; y < t.height; ++y)
    for (int x = 0; x < t.width; ++x) {
      const std::uint8_t* p = t.pixel(x, y);
      const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
      ASSERT_EQ(p[3], white ? 0 : 255) << x << "," << y;
      transparent += white;
    }
  EXPECT_GT(transparent, 0);

  // Palette alpha: the three blue entries carry 0x00, 0x55, 0xaa; one is opaque.
  const eng::Image p2 = load("png/tm3n3p02.png");
  std::set<int> alphas;
  for (std::size_t i = 3; i < p2.rgba.size(); i += 4) alphas.insert(p2.rgba[i]);
  EXPECT_EQ(alphas, (std::set<int>{0x00, 0x55, 0xaa, 0xff}));
}

TEST(BmpDecode, SuiteFilesMatchReferencePictures) {
  const eng::Image rgb_ref = load("bmp/rgb24_reference.png");
  const eng::Image pal_ref = load("bmp/pal8_reference.png");
  ASSERT_EQ(rgb_ref.width, 127);
  ASSERT_EQ(rgb_ref.height, 64);
  struct Case {
    const char* file;
    const eng::Image* ref;
    int tolerance;
  } cases[] = {
      {"bmp/rgb24.bmp", &rgb_ref, 0},       {"bmp/rgb32.bmp", &rgb_ref, 0},
      {"bmp/rgb32bf.bmp", &rgb_ref, 0},     {"bmp/pal8.bmp", &pal_ref, 1},
      {"bmp/pal8topdown.bmp", &pal_ref, 1}, {"bmp/pal8rle.bmp", &pal_ref, 1},
      // 5-6-5 keeps 5 or 6 bits per channel of the same picture.
      {"bmp/rgb16-565.bmp", &rgb_ref, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const eng::Image img = load(c.file);
    EXPECT_FALSE(img.has_alpha);
    const int d = max_diff(img, *c.ref);
    EXPECT_GE(d, 0);
    EXPECT_LE(d, c.tolerance);
  }
}

TEST(BmpDecode, SmallPalettesAndAlpha) {
  // 1-bit and 4-bit files show the same picture with fewer colours.
  const eng::Image p1 = load("bmp/pal1.bmp");
  const eng::Image p4 = load("bmp/pal4.bmp");
  std::set<std::uint32_t> c1, c4;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 127; ++x) {
      auto key = [](const std::uint8_t* p) { return p[0] << 16 | p[1] << 8 | p[2]; };
      c1.insert(key(p1.pixel(x, y)));
      c4.insert(key(p4.pixel(x, y)));
    }
  EXPECT_EQ(c1.size(), 2u);
  EXPECT_GT(c4.size(), 2u);
  EXPECT_LE(c4.size(), 12u);

  const eng::Image a = load("bmp/rgba32.bmp");
  EXPECT_TRUE(a.has_alpha);
  std::set<int> alphas;
  for (std::size_t i = 3; i < a.rgba.size(); i += 4) alphas.insert(a.rgba[i]);
  EXPECT_EQ(alphas.size(), 12u);
  EXPECT_EQ(*alphas.begin(), 0);
  EXPECT_EQ(*alphas.rbegin(), 255);
}

TEST(TgaDecode, AllOriginsAndEncodingsMatchTheirReference) {
  struct Case {
    const char* file;
    const char* ref;
    bool alpha;
  } cases[] = {
      {"tga/200x32_rgb_bl_raw.tga", "tga/200x32_rgb.png", false},
      {"tga/200x32_rgb_bl_rle.tga", "tga/200x32_rgb.png", false},
      {"tga/200x32_rgb_tl_rle.tga", "tga/200x32_rgb.png", false},
      {"tga/200x32_rgba_bl_raw.tga", "tga/200x32_rgba.png", true},
      {"tga/200x32_rgba_bl_rle.tga", "tga/200x32_rgba.png", true},
      {"tga/200x32_rgba_tl_raw.tga", "tga/200x32_rgba.png", true},
      {"tga/200x32_rgba_tl_rle.tga", "tga/200x32_rgba.png", true},
      {"tga/200x32_l_tl_rle.tga", "tga/200x32_l.png", false},
      {"tga/200x32_p_bl_rle.tga", "tga/200x32_p.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const eng::Image img = load(c.file);
    const eng::Image ref = load(c.ref);
    EXPECT_EQ(img.width, 200);
    EXPECT_EQ(img.height, 32);
    EXPECT_EQ(img.has_alpha, c.alpha);
    EXPECT_EQ(max_diff(img, ref), 0);
  }
}

TEST(ImageErrors, BrokenFilesFailWithTheirName) {
  for (const char* rel : {"png/xs1n0g01.png", "png/xcsn0g01.png", "png/xdtn0g01.png",
                          "bmp/shortfile.bmp"}) {
    SCOPED_TRACE(rel);
    eng::Image img;
    std::string err;
    EXPECT_FALSE(eng::load_image_file(kData + "/" + rel, img, err));
    EXPECT_NE(err.find(rel), std::string::npos) << err;
    EXPECT_TRUE(img.rgba.empty());
  }
  eng::Image img;
  std::string err;
  EXPECT_FALSE(eng::load_image_file(kData + "/png/no_such_file.png", img, err));
  EXPECT_NE(err.find("no_such_file.png"), std::string::npos);
  // A directory is not a picture; it must not throw.
  EXPECT_FALSE(eng::load_image_file(kData + "/png", img, err));
  EXPECT_NE(err.find("/png"), std::string::npos);
  const std::uint8_t junk[] = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
  EXPECT_FALSE(eng::decode_image(junk, sizeof junk, "junk.dat", img, err));
  EXPECT_NE(err.find("junk.dat"), std::string::npos);
  EXPECT_FALSE(eng::decode_image(junk, 0, "empty.png", img, err));
  EXPECT_NE(err.find("empty.png"), std::string::npos);
}

// Cutting any file anywhere before the end of its pixels must fail cleanly
// (and never read past the cut, which the sanitizer build checks).
TEST(ImageErrors, TruncatedFilesFail) {
  for (const char* rel : {"png/basn2c08.png", "png/basi6a08.png", "bmp/rgb24.bmp",
                          "bmp/pal8rle.bmp", "bmp/pal4.bmp", "bmp/rgb16-565.bmp",
                          "tga/200x32_rgb_bl_raw.tga", "tga/200x32_rgba_tl_rle.tga",
                          "tga/200x32_p_bl_rle.tga"}) {
    SCOPED_TRACE(rel);
    const std::vector<std::uint8_t> bytes = read_bytes(kData + "/" + rel);
    ASSERT_FALSE(bytes.empty());
    // Trailing bytes (TGA footer, BMP row padding, PNG IEND) may be missing
    // without losing pixels; anything shorter than 90 % cuts the pixel data.
    const std::size_t limit = bytes.size() * 9 / 10;
    for (std::size_t n = 0; n < limit; n += (n < 200 ? 1 : 37)) {
      std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
      eng::Image img;
      std::string err;
      ASSERT_FALSE(eng::decode_image(cut.data(), cut.size(), rel, img, err)) << "prefix " << n;
      ASSERT_NE(err.find(rel), std::string::npos) << err;
    }
  }
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

TEST(ImageErrors, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  eng::Image img;
  std::string err;
  // BMP: 100000 x 100000 24-bit with almost no data.
  std::vector<std::uint8_t> bmp = read_bytes(kData + "/bmp/rgb24.bmp");
  put32(bmp, 18, 100000);
  put32(bmp, 22, 100000);
  EXPECT_FALSE(eng::decode_image(bmp.data(), bmp.size(), "huge.bmp", img, err));
  EXPECT_NE(err.find("huge.bmp"), std::string::npos);
  // BMP RLE can legitimately describe big areas with few bytes: the side cap holds.
  std::vector<std::uint8_t> rle = read_bytes(kData + "/bmp/pal8rle.bmp");
  put32(rle, 18, 40000);
  EXPECT_FALSE(eng::decode_image(rle.data(), rle.size(), "huge_rle.bmp", img, err));
  // TGA: 65535 x 65535 RLE in a few kilobytes.
  std::vector<std::uint8_t> tga = read_bytes(kData + "/tga/200x32_rgb_bl_rle.tga");
  tga[12] = tga[13] = tga[14] = tga[15] = 0xff;
  EXPECT_FALSE(eng::decode_image(tga.data(), tga.size(), "huge.tga", img, err));
  EXPECT_NE(err.find("huge.tga"), std::string::npos);
  // PNG: an IHDR claiming 8000 x 8000 (with a matching CRC) in a tiny file.
  std::vector<std::uint8_t> png = read_bytes(kData + "/png/basn2c08.png");
  png[16] = 0, png[17] = 0, png[18] = 0x1f, png[19] = 0x40;
  png[20] = 0, png[21] = 0, png[22] = 0x1f, png[23] = 0x40;
  // CRC over "IHDR" + 13 bytes of data, big-endian after them.
  std::uint32_t crc = 0xffffffffu;
  for (int i = 12; i < 12 + 17; ++i) {
    crc ^= png[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  crc ^= 0xffffffffu;
  png[29] = std::uint8_t(crc >> 24), png[30] = std::uint8_t(crc >> 16);
  png[31] = std::uint8_t(crc >> 8), png[32] = std::uint8_t(crc);
  EXPECT_FALSE(eng::decode_image(png.data(), png.size(), "huge.png", img, err));
  EXPECT_NE(err.find("huge.png"), std::string::npos);
  EXPECT_NE(err.find("8000x8000"), std::string::npos) << err;
}

eng::Image test_pattern(int w, int h, bool alpha) {
  eng::Image img;
  img.width = w, img.height = h, img.has_alpha = alpha;
  img.rgba.resize(std::size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = img.pixel(x, y);
      p[0] = std::uint8_t(x * 255 / std::max(1, w - 1));
      p[1] = std::uint8_t(y * 255 / std::max(1, h - 1));
      p[2] = std::uint8_t((x + y) * 7);
      p[3] = alpha ? std::uint8_t((x * 31 + y * 17) & 255) : 255;
    }
  return img;
}

TEST(PngEncode, RoundTripKeepsPixelsAlphaAndOrientation) {
  const eng::Image src = test_pattern(37, 23, true);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(eng::encode_png(src, bytes));
  eng::Image back;
  std::string err;
  ASSERT_TRUE(eng::decode_image(bytes.data(), bytes.size(), "mem.png", back, err)) << err;
  EXPECT_TRUE(back.has_alpha);
  EXPECT_EQ(max_diff(src, back), 0);

  const std::string path = testing::TempDir() + "/ifold_roundtrip.png";
  ASSERT_TRUE(eng::write_png(path, src));
  eng::Image file;
  ASSERT_TRUE(eng::load_image_file(path, file, err)) << err;
  EXPECT_EQ(max_diff(src, file), 0);
  std::remove(path.c_str());

  eng::Image bad;
  bad.width = 4, bad.height = 4;  // pixels missing
  EXPECT_FALSE(eng::encode_png(bad, bytes));
  EXPECT_FALSE(eng::write_png("/nonexistent_dir/x.png", src));
}

std::vector<std::uint8_t> make_jpeg(const eng::Image& img, bool grey) {
  jpeg_compress_struct c{};
  jpeg_error_mgr e{};
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long len = 0;
  jpeg_mem_dest(&c, &buf, &len);
  c.image_width = img.width;
  c.image_height = img.height;
  c.input_components = grey ? 1 : 3;
  c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 98, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<std::uint8_t> row(std::size_t(img.width) * 3);
  while (c.next_scanline < c.image_height) {
    const std::uint8_t* p = img.pixel(0, c.next_scanline);
    for (int x = 0; x < img.width; ++x) {
      if (grey) {
        row[x] = p[x * 4 + 1];
      } else {
        row[x * 3] = p[x * 4], row[x * 3 + 1] = p[x * 4 + 1], row[x * 3 + 2] = p[x * 4 + 2];
      }
    }
    JSAMPROW rp = row.data();
    jpeg_write_scanlines(&c, &rp, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<std::uint8_t> out(buf, buf + len);
  std::free(buf);
  return out;
}

TEST(JpegDecode, ColourAndGreyDecodeUprightAndTruncationFails) {
  const eng::Image src = test_pattern(64, 48, false);
  for (bool grey : {false, true}) {
    SCOPED_TRACE(grey ? "grey" : "colour");
    const std::vector<std::uint8_t> jpg = make_jpeg(src, grey);
    eng::Image img;
    std::string err;
    ASSERT_TRUE(eng::decode_image(jpg.data(), jpg.size(), "t.jpg", img, err)) << err;
    ASSERT_EQ(img.width, 64);
    ASSERT_EQ(img.height, 48);
    EXPECT_FALSE(img.has_alpha);
    // Green rises down the picture: row 0 is the top.
    EXPECT_LT(img.pixel(10, 2)[1], 30);
    EXPECT_GT(img.pixel(10, 45)[1], 225);
    if (grey) {
      EXPECT_EQ(img.pixel(5, 5)[0], img.pixel(5, 5)[2]);
    } else {
      EXPECT_NEAR(img.pixel(60, 20)[0], 242, 12);
    }
    for (std::size_t n : {std::size_t(3), std::size_t(100), jpg.size() / 2, jpg.size() - 10}) {
      std::vector<std::uint8_t> cut(jpg.begin(), jpg.begin() + n);
      EXPECT_FALSE(eng::decode_image(cut.data(), cut.size(), "cut.jpg", img, err)) << n;
      EXPECT_NE(err.find("cut.jpg"), std::string::npos);
    }
  }
}

}  // namespace

namespace {

// ---- hand-built files for layouts the suites do not cover --------------------

struct Le {
  std::vector<std::uint8_t> b;
  Le& u8(int v) {
    b.push_back(std::uint8_t(v));
    return *this;
  }
  Le& u16(int v) { return u8(v & 255).u8((v >> 8) & 255); }
  Le& u32(std::uint32_t v) { return u16(int(v & 0xffff)).u16(int(v >> 16)); }
  Le& bytes(std::initializer_list<int> l) {
    for (int v : l) u8(v);
    return *this;
  }
};

// BMP with a 40-byte info header (or the 12-byte core header), palette given
// as 0xRRGGBB, then the pixel bytes.
std::vector<std::uint8_t> bmp(int w, int h, int bits, int compression, const std::vector<std::uint32_t>& pal,
                              const std::vector<std::uint8_t>& pixels, bool core = false) {
  const int header = core ? 12 : 40;
  const int entry = core ? 3 : 4;
  const std::uint32_t offset = 14 + header + entry * std::uint32_t(pal.size());
  Le f;
  f.u8('B').u8('M').u32(offset + std::uint32_t(pixels.size())).u32(0).u32(offset);
  if (core) {
    f.u32(12).u16(w).u16(h).u16(1).u16(bits);
  } else {
    f.u32(40).u32(std::uint32_t(w)).u32(std::uint32_t(h)).u16(1).u16(bits).u32(std::uint32_t(compression));
    f.u32(std::uint32_t(pixels.size())).u32(2835).u32(2835).u32(std::uint32_t(pal.size())).u32(0);
  }
  for (std::uint32_t c : pal) {
    f.u8(c & 255).u8((c >> 8) & 255).u8((c >> 16) & 255);
    if (!core) f.u8(0);
  }
  f.b.insert(f.b.end(), pixels.begin(), pixels.end());
  return f.b;
}

std::uint32_t rgb_at(const eng::Image& img, int x, int y) {
  const std::uint8_t* p = img.pixel(x, y);
  return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
}

eng::Image decode_ok(const std::vector<std::uint8_t>& bytes, const char* name) {
  eng::Image img;
  std::string err;
  EXPECT_TRUE(eng::decode_image(bytes.data(), bytes.size(), name, img, err)) << err;
  return img;
}

TEST(BmpDecode, RunLengthEncodingsWithRunsDeltasAndAbsoluteStretches) {
  const std::vector<std::uint32_t> pal = {0x000000, 0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff, 0xff00ff};
  // RLE4, 4 x 2, bottom row first: a run alternating 1,2; then an absolute
  // stretch 3,1,2 and a run of one 3.
  const eng::Image r4 = decode_ok(
      bmp(4, 2, 4, 2, pal, {4, 0x12, 0, 0, 0, 3, 0x31, 0x20, 1, 0x30, 0, 0, 0, 1}), "rle4.bmp");
  ASSERT_EQ(r4.width, 4);
  EXPECT_EQ(rgb_at(r4, 0, 0), 0x0000ffu);
  EXPECT_EQ(rgb_at(r4, 1, 0), 0xff0000u);
  EXPECT_EQ(rgb_at(r4, 2, 0), 0x00ff00u);
  EXPECT_EQ(rgb_at(r4, 3, 0), 0x0000ffu);
  EXPECT_EQ(rgb_at(r4, 0, 1), 0xff0000u);
  EXPECT_EQ(rgb_at(r4, 1, 1), 0x00ff00u);
  EXPECT_EQ(rgb_at(r4, 3, 1), 0x00ff00u);

  // RLE8, 4 x 3: two pixels of 5, a delta of (+1, +1), one pixel of 6, end.
  // Skipped pixels keep palette entry 0.
  const eng::Image r8 = decode_ok(bmp(4, 3, 8, 1, pal, {2, 5, 0, 2, 1, 1, 1, 6, 0, 1}), "rle8.bmp");
  ASSERT_EQ(r8.height, 3);
  EXPECT_EQ(rgb_at(r8, 0, 2), 0x00ffffu);  // bottom row is the last
  EXPECT_EQ(rgb_at(r8, 1, 2), 0x00ffffu);
  EXPECT_EQ(rgb_at(r8, 2, 2), 0x000000u);
  EXPECT_EQ(rgb_at(r8, 3, 1), 0xff00ffu);
  EXPECT_EQ(rgb_at(r8, 0, 0), 0x000000u);

  // Runs that overshoot the row, deltas past the picture and a missing end
  // marker after the last row stay inside the image.
  const eng::Image wild = decode_ok(bmp(2, 2, 8, 1, pal, {200, 1, 0, 2, 250, 250}), "wild.bmp");
  EXPECT_EQ(rgb_at(wild, 1, 1), 0xff0000u);
  // A stream that stops before the last row is truncated.
  eng::Image img;
  std::string err;
  const auto cut = bmp(2, 2, 8, 1, pal, {2, 1, 0});
  EXPECT_FALSE(eng::decode_image(cut.data(), cut.size(), "cut_rle.bmp", img, err));
  EXPECT_NE(err.find("cut_rle.bmp"), std::string::npos);
}

TEST(BmpDecode, OtherHeadersAndPixelFormats) {
  // 16-bit without masks is 5-5-5.
  const eng::Image p555 = decode_ok(bmp(2, 1, 16, 0, {}, {0x00, 0x7c, 0x1f, 0x00}), "555.bmp");
  EXPECT_EQ(rgb_at(p555, 0, 0), 0xff0000u);
  EXPECT_EQ(rgb_at(p555, 1, 0), 0x0000ffu);
  // OS/2 core header with 3-byte palette entries.
  const eng::Image core = decode_ok(bmp(2, 1, 8, 0, {0x102030, 0xa0b0c0}, {1, 0, 0, 0}, true), "core.bmp");
  EXPECT_EQ(rgb_at(core, 0, 0), 0xa0b0c0u);
  EXPECT_EQ(rgb_at(core, 1, 0), 0x102030u);
  // An index past a short palette reads as black rather than past the table.
  const eng::Image shortpal = decode_ok(bmp(2, 1, 8, 0, {0xffffff, 0xffffff}, {1, 200, 0, 0}), "pal.bmp");
  EXPECT_EQ(rgb_at(shortpal, 0, 0), 0xffffffu);
  EXPECT_EQ(rgb_at(shortpal, 1, 0), 0x000000u);
  // Unsupported compression is refused by name.
  eng::Image img;
  std::string err;
  const auto jpeg_in_bmp = bmp(2, 1, 24, 4, {}, {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(eng::decode_image(jpeg_in_bmp.data(), jpeg_in_bmp.size(), "j.bmp", img, err));
  EXPECT_NE(err.find("compression"), std::string::npos) << err;
}

std::vector<std::uint8_t> tga(int type, int cmap_first, int cmap_len, int cmap_bits, int w, int h, int bits,
                              int descriptor, const std::vector<std::uint8_t>& body) {
  Le f;
  f.u8(0).u8(cmap_len ? 1 : 0).u8(type).u16(cmap_first).u16(cmap_len).u8(cmap_bits);
  f.u16(0).u16(0).u16(w).u16(h).u8(bits).u8(descriptor);
  f.b.insert(f.b.end(), body.begin(), body.end());
  return f.b;
}

TEST(TgaDecode, SixteenBitColourMapsAndMirroredOrigin) {
  // 16-bit with one alpha bit: opaque red, transparent blue; top-left origin.
  const eng::Image a16 = decode_ok(tga(2, 0, 0, 0, 2, 1, 16, 0x21, {0x00, 0xfc, 0x1f, 0x00}), "a16.tga");
  EXPECT_TRUE(a16.has_alpha);
  EXPECT_EQ(rgb_at(a16, 0, 0), 0xff0000u);
  EXPECT_EQ(a16.pixel(0, 0)[3], 255);
  EXPECT_EQ(a16.pixel(1, 0)[3], 0);
  // Colour map starting at index 10; index 12 lies outside it.
  const eng::Image cm = decode_ok(
      tga(1, 10, 2, 24, 3, 1, 8, 0x20, {0x00, 0x00, 0xff, 0xff, 0x00, 0x00, 10, 11, 12}), "cm.tga");
  EXPECT_EQ(rgb_at(cm, 0, 0), 0xff0000u);
  EXPECT_EQ(rgb_at(cm, 1, 0), 0x0000ffu);
  EXPECT_EQ(rgb_at(cm, 2, 0), 0x000000u);
  EXPECT_FALSE(cm.has_alpha);
  // Right-to-left, bottom-up grey: the first stored pixel is bottom right.
  const eng::Image rl = decode_ok(tga(3, 0, 0, 0, 2, 2, 8, 0x10, {10, 20, 30, 40}), "rl.tga");
  EXPECT_EQ(rl.pixel(1, 1)[0], 10);
  EXPECT_EQ(rl.pixel(0, 1)[0], 20);
  EXPECT_EQ(rl.pixel(1, 0)[0], 30);
  // A 32-bit picture whose alpha bytes are all zero is opaque, not invisible.
  const eng::Image zero_a = decode_ok(tga(2, 0, 0, 0, 1, 1, 32, 0x20, {1, 2, 3, 0}), "za.tga");
  EXPECT_FALSE(zero_a.has_alpha);
  EXPECT_EQ(zero_a.pixel(0, 0)[3], 255);
  // An RLE packet may run across rows.
  const eng::Image across = decode_ok(tga(11, 0, 0, 0, 2, 2, 8, 0x20, {0x83, 77}), "rle.tga");
  EXPECT_EQ(across.pixel(1, 1)[0], 77);
}

}  // namespace
