// Image decoding front door: picks the decoder by content, reads files, and
// holds the size limits every decoder applies before allocating.
#include "engine/media/image.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/media/file_write.h"
#include "engine/media/image_internal.h"

namespace eng {
namespace image_detail {

namespace {
long long g_max_pixels = kDefaultMaxPixels;
}  // namespace

long long max_pixels() { return g_max_pixels; }
void set_max_pixels(long long limit) { g_max_pixels = limit > 0 ? limit : kDefaultMaxPixels; }

bool check_dimensions(long long width, long long height, const std::string& name,
                      std::string& error) {
  if (width <= 0 || height <= 0) {
    error = name + ": image has no pixels (" + std::to_string(width) + "x" +
            std::to_string(height) + ")";
    return false;
  }
  if (width > kMaxSide || height > kMaxSide || width * height > g_max_pixels) {
    error = name + ": image size " + std::to_string(width) + "x" + std::to_string(height) +
            " is larger than supported (at most " + std::to_string(kMaxSide) + " per side and " +
            std::to_string(g_max_pixels) + " pixels)";
    return false;
  }
  return true;
}

void allocate(Image& out, int width, int height) {
  out.width = width;
  out.height = height;
  out.has_alpha = false;
  out.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
}

void settle_alpha(Image& out) {
  bool any = false;
  for (std::size_t i = 3; i < out.rgba.size(); i += 4) any |= out.rgba[i] != 0;
  if (any) {
    out.has_alpha = true;
    return;
  }
  for (std::size_t i = 3; i < out.rgba.size(); i += 4) out.rgba[i] = 255;
}

}  // namespace image_detail

namespace {


bool ends_with_tga(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".tga";
}

}  // namespace

bool decode_image(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                  std::string& error) {
  using namespace image_detail;
  out = Image{};
  if (data == nullptr || size == 0) {
    error = name + ": file is empty";
    return false;
  }
  bool ok = false;
  static const std::uint8_t kPngSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (size >= 8 && std::memcmp(data, kPngSig, 8) == 0) {
    ok = decode_png(data, size, name, out, error);
  } else if (size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff) {
    ok = decode_jpeg(data, size, name, out, error);
  } else if (size >= 2 && data[0] == 'B' && data[1] == 'M' && !ends_with_tga(name)) {
    ok = decode_bmp(data, size, name, out, error);
  } else if (ends_with_tga(name) || looks_like_tga(data, size)) {
    ok = decode_tga(data, size, name, out, error);
  } else {
    error = name + ": not a PNG, JPEG, BMP or TGA image";
  }
  if (!ok) out = Image{};
  return ok;
}

bool load_image_file(const std::string& path, Image& out, std::string& error) {
  out = Image{};
  std::vector<std::uint8_t> bytes;
  if (!read_file(path, bytes, error)) return false;
  return decode_image(bytes.data(), bytes.size(), path, out, error);
}

bool write_png(const std::string& path, const Image& img) {
  std::vector<std::uint8_t> bytes;
  if (!encode_png(img, bytes)) return false;
  std::string error;
  return replace_file(path, bytes.data(), bytes.size(), error);
}

}  // namespace eng
