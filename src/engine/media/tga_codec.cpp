// TGA reader: uncompressed and RLE; true-colour (15/16/24/32 bits), grey
// (8, or 16 with alpha) and colour-mapped (8 or 16-bit indices into a 15/16/
// 24/32-bit map); any origin corner.
#include <algorithm>

#include "engine/media/image_internal.h"

namespace eng::image_detail {
namespace {

struct TgaHeader {
  int id_length, cmap_type, image_type;
  int cmap_first, cmap_length, cmap_bits;
  int width, height, bits, descriptor;
};

TgaHeader parse_header(const std::uint8_t* d) {
  TgaHeader h;
  h.id_length = d[0];
  h.cmap_type = d[1];
  h.image_type = d[2];
  h.cmap_first = le16(d + 3);
  h.cmap_length = le16(d + 5);
  h.cmap_bits = d[7];
  h.width = le16(d + 12);
  h.height = le16(d + 14);
  h.bits = d[16];
  h.descriptor = d[17];
  return h;
}

bool valid_pixel_bits(const TgaHeader& h) {
  switch (h.image_type & 7) {
    case 1:
      return h.bits == 8 || h.bits == 16;
    case 2:
      return h.bits == 15 || h.bits == 16 || h.bits == 24 || h.bits == 32;
    case 3:
      return h.bits == 8 || h.bits == 16;
    default:
      return false;
  }
}

// One stored colour (true-colour pixel or colour-map entry) to RGBA.
void colour_to_rgba(const std::uint8_t* p, int bits, bool alpha_bit, std::uint8_t* dst) {
  switch (bits) {
    case 15:
    case 16: {
      const int v = p[0] | (p[1] << 8);
      const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      dst[0] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
      dst[1] = static_cast<std::uint8_t>((g << 3) | (g >> 2));
      dst[2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
      dst[3] = (bits == 16 && alpha_bit) ? ((v & 0x8000) ? 255 : 0) : 255;
      break;
    }
    case 24:
      dst[0] = p[2], dst[1] = p[1], dst[2] = p[0], dst[3] = 255;
      break;
    case 32:
      dst[0] = p[2], dst[1] = p[1], dst[2] = p[0], dst[3] = p[3];
      break;
    default:
      dst[0] = dst[1] = dst[2] = 0, dst[3] = 255;
  }
}

}  // namespace

bool looks_like_tga(const std::uint8_t* data, std::size_t size) {
  if (size < 18) return false;
  const TgaHeader h = parse_header(data);
  if (h.cmap_type > 1) return false;
  if (h.image_type != 1 && h.image_type != 2 && h.image_type != 3 && h.image_type != 9 &&
      h.image_type != 10 && h.image_type != 11)
    return false;
  if ((h.image_type & 7) == 1 && h.cmap_type != 1) return false;
  return h.width > 0 && h.height > 0 && valid_pixel_bits(h);
}

bool decode_tga(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                std::string& error) {
  if (size < 18) {
    error = name + ": file is too short for a TGA header (truncated)";
    return false;
  }
  const TgaHeader h = parse_header(data);
  const int kind = h.image_type & 7;
  const bool rle = (h.image_type & 8) != 0;
  if (h.image_type == 0 || kind < 1 || kind > 3 || (h.image_type & ~11) != 0 || h.cmap_type > 1) {
    error = name + ": not a TGA image (or an unsupported TGA type " +
            std::to_string(h.image_type) + ")";
    return false;
  }
  if (!valid_pixel_bits(h)) {
    error = name + ": unsupported TGA pixel size " + std::to_string(h.bits) + " bits";
    return false;
  }
  if (!check_dimensions(h.width, h.height, name, error)) return false;

  std::size_t pos = 18 + static_cast<std::size_t>(h.id_length);
  // The colour map, when present, sits after the image ID (even for images
  // that do not use it).
  std::vector<std::uint8_t> palette;  // RGBA per entry
  bool palette_alpha = false;
  if (h.cmap_type == 1) {
    if (h.cmap_bits != 15 && h.cmap_bits != 16 && h.cmap_bits != 24 && h.cmap_bits != 32) {
      error = name + ": unsupported TGA colour-map entry size " + std::to_string(h.cmap_bits);
      return false;
    }
    const std::size_t entry = static_cast<std::size_t>((h.cmap_bits + 7) / 8);
    const std::size_t bytes = entry * static_cast<std::size_t>(h.cmap_length);
    if (pos > size || bytes > size - pos) {
      error = name + ": file ends inside the colour map (truncated)";
      return false;
    }
    if (kind == 1) {
      palette.resize(static_cast<std::size_t>(h.cmap_length) * 4);
      const bool alpha_bit = (h.descriptor & 15) > 0;
      for (int i = 0; i < h.cmap_length; ++i)
        colour_to_rgba(data + pos + i * entry, h.cmap_bits, alpha_bit, &palette[i * 4]);
      palette_alpha = h.cmap_bits == 32 || (h.cmap_bits == 16 && alpha_bit);
    }
    pos += bytes;
  } else if (kind == 1) {
    error = name + ": colour-mapped TGA without a colour map";
    return false;
  }
  if (pos > size) {
    error = name + ": file ends inside the header (truncated)";
    return false;
  }

  const std::size_t bpp = static_cast<std::size_t>((h.bits + 7) / 8);
  const std::size_t pixels = static_cast<std::size_t>(h.width) * h.height;
  const std::size_t remaining = size - pos;
  // Refuse before allocating when the data cannot possibly cover the image.
  if (!rle && pixels * bpp > remaining) {
    error = name + ": file ends inside the pixel data (truncated)";
    return false;
  }
  if (rle && (pixels + 127) / 128 * (1 + bpp) > remaining) {
    error = name + ": file ends inside the pixel data (truncated)";
    return false;
  }

  allocate(out, h.width, h.height);
  const bool top_origin = (h.descriptor & 0x20) != 0;
  const bool right_origin = (h.descriptor & 0x10) != 0;
  const bool alpha_bit = (h.descriptor & 15) > 0;
  bool may_have_alpha = false;
  if (kind == 1) may_have_alpha = palette_alpha;
  if (kind == 2) may_have_alpha = h.bits == 32 || (h.bits == 16 && alpha_bit);
  if (kind == 3) may_have_alpha = h.bits == 16;

  auto store = [&](std::size_t index, const std::uint8_t* p) {
    const int row = static_cast<int>(index / static_cast<std::size_t>(h.width));
    const int col = static_cast<int>(index % static_cast<std::size_t>(h.width));
    const int y = top_origin ? row : h.height - 1 - row;
    const int x = right_origin ? h.width - 1 - col : col;
    std::uint8_t* dst = out.pixel(x, y);
    if (kind == 1) {
      const int v = h.bits == 8 ? p[0] : (p[0] | (p[1] << 8));
      const int e = v - h.cmap_first;
      if (e >= 0 && e < h.cmap_length) {
        std::copy_n(&palette[static_cast<std::size_t>(e) * 4], 4, dst);
      } else {
        dst[0] = dst[1] = dst[2] = 0, dst[3] = 255;
      }
    } else if (kind == 3) {
      dst[0] = dst[1] = dst[2] = p[0];
      dst[3] = h.bits == 16 ? p[1] : 255;
    } else {
      colour_to_rgba(p, h.bits, alpha_bit, dst);
    }
  };

  const std::uint8_t* src = data + pos;
  if (!rle) {
    for (std::size_t i = 0; i < pixels; ++i) store(i, src + i * bpp);
  } else {
    std::size_t i = 0, at = 0;
    while (i < pixels) {
      if (at >= remaining) {
        error = name + ": file ends inside the RLE pixel data (truncated)";
        return false;
      }
      const int header = src[at++];
      const std::size_t count = std::min<std::size_t>((header & 0x7f) + 1, pixels - i);
      if (header & 0x80) {
        if (bpp > remaining - at) {
          error = name + ": file ends inside the RLE pixel data (truncated)";
          return false;
        }
        for (std::size_t k = 0; k < count; ++k) store(i++, src + at);
        at += bpp;
      } else {
        const std::size_t need = static_cast<std::size_t>((header & 0x7f) + 1) * bpp;
        if (need > remaining - at) {
          error = name + ": file ends inside the RLE pixel data (truncated)";
          return false;
        }
        for (std::size_t k = 0; k < count; ++k) store(i++, src + at + k * bpp);
        at += need;
      }
    }
  }

  if (may_have_alpha) settle_alpha(out);
  return true;
}

}  // namespace eng::image_detail
