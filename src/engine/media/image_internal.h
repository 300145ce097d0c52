// Shared by the image decoders (not part of the engine's public surface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/media/image.h"

namespace eng::image_detail {

// Declared sizes above these are refused before anything is allocated.
constexpr long long kMaxSide = 16384;
constexpr long long kDefaultMaxPixels = 64ll * 1024 * 1024;
// The pixel-count limit in force; the fuzz targets lower it to stay fast.
long long max_pixels();
void set_max_pixels(long long limit);

// False (with a message naming the file) for empty or oversized images.
bool check_dimensions(long long width, long long height, const std::string& name,
                      std::string& error);
// Sizes out and fills it with transparent black.
void allocate(Image& out, int width, int height);
// Many writers leave the alpha bytes of a 32-bit (or masked 16-bit) image all
// zero; such a picture is meant opaque, not invisible. Sets has_alpha when any
// alpha byte is set, else makes every pixel opaque.
void settle_alpha(Image& out);

bool decode_png(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                std::string& error);
bool decode_jpeg(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                 std::string& error);
bool decode_bmp(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                std::string& error);
bool decode_tga(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                std::string& error);
// TGA has no signature: a plausible header is the best evidence there is.
bool looks_like_tga(const std::uint8_t* data, std::size_t size);

// Little-endian readers; callers check the bounds first.
inline std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace eng::image_detail
