// Decoded images: 8-bit RGBA, rows top to bottom (row 0 is the top of the picture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eng {

struct Image {
  int width = 0;
  int height = 0;
  bool has_alpha = false;          // the file carried an alpha channel or a transparent key
  std::vector<std::uint8_t> rgba;  // width * height * 4 bytes

  std::uint8_t* pixel(int x, int y) { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
  const std::uint8_t* pixel(int x, int y) const {
    return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  }
};

// Decodes PNG, JPEG, TGA or BMP from memory (chosen by content, the name only
// helps with TGA which has no signature). On failure returns false and says why.
bool decode_image(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                  std::string& error);
// Reads and decodes a file (path already native).
bool load_image_file(const std::string& path, Image& out, std::string& error);
// Writes an 8-bit RGBA PNG (alpha kept) . False on failure.
bool write_png(const std::string& path, const Image& img);
bool encode_png(const Image& img, std::vector<std::uint8_t>& out);

}  // namespace eng
