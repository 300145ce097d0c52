// BMP reader: OS/2 core and Windows info headers (40..124 bytes); 1/4/8-bit
// palettes, RLE8 and RLE4, 16-bit (555, 565, bit fields), 24 and 32 bits;
// bottom-up or top-down rows; alpha when the header gives an alpha mask.
#include <algorithm>
#include <bit>

#include "engine/media/image_internal.h"

namespace eng::image_detail {
namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

// Pulls one channel out of a packed pixel and scales it to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    max = (mask >> shift);
    // Gaps inside a mask make no sense; use its low contiguous run.
    const int bits = std::countr_one(static_cast<std::uint32_t>(max));
    max = bits >= 32 ? 0xffffffffull : ((1ull << bits) - 1);
  }
  std::uint8_t get(std::uint32_t v) const {
    if (mask == 0) return 0;
    const std::uint64_t c = (v >> shift) & max;
    return static_cast<std::uint8_t>((c * 255 + max / 2) / max);
  }
};

}  // namespace

bool decode_bmp(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                std::string& error) {
  auto truncated = [&](const char* where) {
    error = name + ": file ends inside the " + where + " (truncated)";
    return false;
  };
  if (size < 18) return truncated("BMP header");
  if (data[0] != 'B' || data[1] != 'M') {
    error = name + ": not a BMP image";
    return false;
  }
  const std::uint32_t pixel_offset = le32(data + 10);
  const std::uint32_t header_size = le32(data + 14);
  if (header_size != 12 && header_size != 16 && header_size != 40 && header_size != 52 &&
      header_size != 56 && header_size != 64 && header_size != 108 && header_size != 124) {
    error = name + ": unsupported BMP header size " + std::to_string(header_size);
    return false;
  }
  if (14 + static_cast<std::size_t>(header_size) > size) return truncated("BMP header");
  const std::uint8_t* hd = data + 14;

  long long width = 0, height = 0;
  int bits = 0;
  std::uint32_t compression = kRgb, colours_used = 0;
  bool core = header_size == 12;
  if (core) {
    width = le16(hd + 4);
    height = static_cast<std::int16_t>(le16(hd + 6));
    bits = le16(hd + 10);
  } else {
    width = static_cast<std::int32_t>(le32(hd + 4));
    height = static_cast<std::int32_t>(le32(hd + 8));
    bits = le16(hd + 14);
    if (header_size >= 20) compression = le32(hd + 16);
    if (header_size >= 36) colours_used = le32(hd + 32);
  }
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (!check_dimensions(width, height, name, error)) return false;

  // Bit-field masks: inside the longer headers, or right after a 40-byte one.
  std::size_t after_header = 14 + static_cast<std::size_t>(header_size);
  std::uint32_t masks[4] = {0, 0, 0, 0};
  const bool bitfields = compression == kBitfields || compression == kAlphaBitfields;
  if (bitfields) {
    if (bits != 16 && bits != 32) {
      error = name + ": BMP bit fields need 16 or 32 bits per pixel, not " + std::to_string(bits);
      return false;
    }
    const int count = compression == kAlphaBitfields ? 4 : 3;
    if (header_size >= 52) {
      for (int i = 0; i < count; ++i) masks[i] = le32(hd + 40 + 4 * i);
      if (header_size >= 56) masks[3] = le32(hd + 52);
    } else {
      if (after_header + 4 * count > size) return truncated("BMP colour masks");
      for (int i = 0; i < count; ++i) masks[i] = le32(data + after_header + 4 * i);
      after_header += 4 * count;
    }
  } else if (header_size >= 56 && bits == 32 && compression == kRgb) {
    // Some writers give a 32-bit BI_RGB image an alpha mask in a V4/V5 header.
    masks[3] = le32(hd + 52);
  }

  const bool rle8 = compression == kRle8, rle4 = compression == kRle4;
  if (rle8 && bits != 8) {
    error = name + ": RLE8 BMP must have 8 bits per pixel";
    return false;
  }
  if (rle4 && bits != 4) {
    error = name + ": RLE4 BMP must have 4 bits per pixel";
    return false;
  }
  if (!(compression == kRgb || rle8 || rle4 || bitfields)) {
    error = name + ": unsupported BMP compression " + std::to_string(compression);
    return false;
  }
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    error = name + ": unsupported BMP pixel size " + std::to_string(bits) + " bits";
    return false;
  }
  if ((rle8 || rle4) && top_down) {
    error = name + ": top-down BMP cannot be RLE-compressed";
    return false;
  }

  // Palette: 3-byte entries in the core header, 4-byte otherwise, between the
  // header (and masks) and the pixel data.
  std::vector<std::uint8_t> palette;  // RGB per entry, 256 entries
  if (bits <= 8) {
    const std::size_t entry = core ? 3 : 4;
    const std::size_t max_entries = std::size_t{1} << bits;
    std::size_t entries = colours_used == 0 ? max_entries : std::min<std::size_t>(colours_used, max_entries);
    // The palette ends where the pixels begin (many files list fewer entries
    // than the depth allows without saying so).
    if (pixel_offset >= after_header)
      entries = std::min<std::size_t>(entries, (pixel_offset - after_header) / entry);
    if (after_header > size || entries > (size - after_header) / entry) return truncated("BMP palette");
    palette.assign(256 * 3, 0);
    for (std::size_t i = 0; i < entries; ++i) {
      const std::uint8_t* p = data + after_header + i * entry;
      palette[i * 3] = p[2], palette[i * 3 + 1] = p[1], palette[i * 3 + 2] = p[0];
    }
  }

  if (pixel_offset >= size) return truncated("BMP pixel data");
  const std::uint8_t* src = data + pixel_offset;
  const std::size_t avail = size - pixel_offset;
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  auto row_y = [&](int file_row) { return top_down ? file_row : h - 1 - file_row; };

  if (rle8 || rle4) {
    allocate(out, w, h);
    // Pixels the RLE stream skips stay palette entry 0, opaque.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* d = out.pixel(x, y);
        d[0] = palette[0], d[1] = palette[1], d[2] = palette[2], d[3] = 255;
      }
    auto put = [&](int x, int row, int index) {
      if (x < 0 || x >= w || row < 0 || row >= h) return;
      std::uint8_t* d = out.pixel(x, row_y(row));
      d[0] = palette[index * 3], d[1] = palette[index * 3 + 1], d[2] = palette[index * 3 + 2];
    };
    std::size_t at = 0;
    int x = 0, row = 0;
    bool ended = false;
    while (!ended && row < h) {
      if (avail - at < 2) return truncated("BMP RLE data");
      const int count = src[at], value = src[at + 1];
      at += 2;
      if (count > 0) {
        for (int k = 0; k < count; ++k, ++x)
          put(x, row, rle8 ? value : (k % 2 == 0 ? value >> 4 : value & 15));
      } else if (value == 0) {
        x = 0, ++row;
      } else if (value == 1) {
        ended = true;
      } else if (value == 2) {
        if (avail - at < 2) return truncated("BMP RLE data");
        x += src[at], row += src[at + 1];
        at += 2;
      } else {
        // Absolute run of `value` pixels, padded to a 16-bit boundary.
        const std::size_t bytes = rle8 ? value : (value + 1) / 2;
        const std::size_t padded = (bytes + 1) & ~std::size_t{1};
        if (avail - at < padded) return truncated("BMP RLE data");
        for (int k = 0; k < value; ++k, ++x) {
          const int b = src[at + (rle8 ? k : k / 2)];
          put(x, row, rle8 ? b : (k % 2 == 0 ? b >> 4 : b & 15));
        }
        at += padded;
      }
      x = std::min(x, w);  // runs past the row's end are dropped, not wrapped
    }
    return true;
  }

  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  // The last row need not carry its padding.
  const std::size_t last_row = (static_cast<std::size_t>(width) * bits + 7) / 8;
  if (stride * (static_cast<std::size_t>(h) - 1) + last_row > avail)
    return truncated("BMP pixel data");

  allocate(out, w, h);
  Channel ch[4];
  if (bits == 16 || bits == 32) {
    if (!bitfields && masks[3] == 0) {
      if (bits == 16) masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
      else masks[0] = 0x00ff0000, masks[1] = 0x0000ff00, masks[2] = 0x000000ff;
    } else if (!bitfields) {
      masks[0] = 0x00ff0000, masks[1] = 0x0000ff00, masks[2] = 0x000000ff;
    }
    for (int i = 0; i < 4; ++i) ch[i] = Channel(masks[i]);
  }
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* s = src + stride * static_cast<std::size_t>(row);
    std::uint8_t* d = out.pixel(0, row_y(row));
    for (int x = 0; x < w; ++x, d += 4) {
      if (bits <= 8) {
        const int per_byte = 8 / bits;
        const int byte = s[x / per_byte];
        const int shift = 8 - bits * (x % per_byte + 1);
        const int index = (byte >> shift) & ((1 << bits) - 1);
        d[0] = palette[index * 3], d[1] = palette[index * 3 + 1], d[2] = palette[index * 3 + 2];
        d[3] = 255;
      } else if (bits == 24) {
        const std::uint8_t* p = s + x * 3;
        d[0] = p[2], d[1] = p[1], d[2] = p[0], d[3] = 255;
      } else {
        const std::uint32_t v = bits == 16 ? le16(s + x * 2) : le32(s + x * 4);
        d[0] = ch[0].get(v), d[1] = ch[1].get(v), d[2] = ch[2].get(v);
        d[3] = masks[3] ? ch[3].get(v) : 255;
      }
    }
  }
  // An alpha mask over all-zero alpha is an unused channel, not a hole.
  if (masks[3] != 0 && (bits == 16 || bits == 32)) settle_alpha(out);
  return true;
}

}  // namespace eng::image_detail
