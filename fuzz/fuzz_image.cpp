// Fuzzes image decoding (PNG, JPEG, BMP and TGA by content; the first byte
// picks the name, so the TGA path without a signature is reached too).
// Anything decoded must be a consistent picture that the PNG writer keeps.
#include <cstdlib>

#include "engine/media/image.h"
#include "engine/media/image_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every size check runs the same way with a smaller cap; a huge picture
  // only costs time to fill.
  static const bool limited = (eng::image_detail::set_max_pixels(4 * 1024 * 1024), true);
  (void)limited;
  if (size < 1) return 0;
  const std::string name = (data[0] & 1) ? "fuzz.tga" : "fuzz.img";
  eng::Image img;
  std::string error;
  if (!eng::decode_image(data + 1, size - 1, name, img, error)) {
    if (error.find(name) == std::string::npos) std::abort();  // the message names the file
    if (!img.rgba.empty()) std::abort();
    return 0;
  }
  if (img.width <= 0 || img.height <= 0 ||
      img.rgba.size() != static_cast<std::size_t>(img.width) * img.height * 4)
    std::abort();
  if (img.width * static_cast<long long>(img.height) <= 256 * 256) {
    std::vector<std::uint8_t> png;
    if (!eng::encode_png(img, png)) std::abort();
    eng::Image back;
    if (!eng::decode_image(png.data(), png.size(), "back.png", back, error)) std::abort();
    if (back.rgba != img.rgba) std::abort();
  }
  return 0;
}
