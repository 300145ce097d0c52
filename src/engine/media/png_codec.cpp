// PNG through libpng: every colour type and depth is expanded to 8-bit RGBA.
// libpng reports errors by longjmp, so the functions that call it keep every
// object with a destructor in their callers.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "engine/media/image_internal.h"

namespace eng {
namespace image_detail {
namespace {

struct PngReadState {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  char message[256] = {0};
};

void png_read_from_memory(png_structp png, png_bytep dst, png_size_t length) {
  auto* st = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (length > st->size - st->pos) {
    png_error(png, "file ends too early (truncated)");
  }
  std::memcpy(dst, st->data + st->pos, length);
  st->pos += length;
}

void png_on_error(png_structp png, png_const_charp msg) {
  auto* st = static_cast<PngReadState*>(png_get_error_ptr(png));
  if (st && st->message[0] == 0) {
    std::snprintf(st->message, sizeof st->message, "%s", msg ? msg : "decoding error");
  }
  png_longjmp(png, 1);
}

void png_on_warning(png_structp, png_const_charp) {}

// Outcome of the libpng part, kept plain so nothing is skipped by a longjmp.
enum class PngStep { ok, failed, too_big };

// Reads the header, sets up the transforms and decodes into `out` (sized by
// the caller-visible `rows`). Only trivially destructible locals live here.
PngStep png_decode_into(png_structp png, png_infop info, Image* out,
                        std::vector<png_bytep>* rows, std::string* size_error,
                        const std::string* name) {
  if (setjmp(png_jmpbuf(png))) return PngStep::failed;

  png_set_user_limits(png, static_cast<png_uint_32>(kMaxSide), static_cast<png_uint_32>(kMaxSide));
  png_set_chunk_malloc_max(png, 8u * 1024 * 1024);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bit_depth = 0, color_type = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bit_depth, &color_type, &interlace, nullptr, nullptr);
  if (!check_dimensions(width, height, *name, *size_error)) return PngStep::too_big;

  // Deflate cannot shrink data by more than about 1032:1, so a file whose
  // declared image needs far more than that is corrupt; refuse it before
  // allocating.
  const unsigned long long raw =
      static_cast<unsigned long long>(height) *
      ((static_cast<unsigned long long>(width) * bit_depth *
            (color_type == PNG_COLOR_TYPE_RGB_ALPHA   ? 4
             : color_type == PNG_COLOR_TYPE_RGB       ? 3
             : color_type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                       : 1) +
        7) / 8 + 1);
  PngReadState* st = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (raw > static_cast<unsigned long long>(st->size) * 1100ull + 65536ull) {
    *size_error = *name + ": declared image size " + std::to_string(width) + "x" +
                  std::to_string(height) + " does not fit the file (corrupt or truncated)";
    return PngStep::too_big;
  }

  const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  out->has_alpha = (color_type & PNG_COLOR_MASK_ALPHA) != 0 || trns;

  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (trns) png_set_tRNS_to_alpha(png);
  if (bit_depth == 16) png_set_scale_16(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if (!(color_type & PNG_COLOR_MASK_ALPHA) && !trns) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) {
    png_error(png, "unexpected row layout after conversion");
  }

  allocate(*out, static_cast<int>(width), static_cast<int>(height));
  out->has_alpha = (color_type & PNG_COLOR_MASK_ALPHA) != 0 || trns;
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = out->pixel(0, static_cast<int>(y));
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  return PngStep::ok;
}

struct PngWriteState {
  std::vector<std::uint8_t>* out = nullptr;
};

void png_write_to_memory(png_structp png, png_bytep src, png_size_t length) {
  auto* st = static_cast<PngWriteState*>(png_get_io_ptr(png));
  st->out->insert(st->out->end(), src, src + length);
}
void png_flush_nothing(png_structp) {}

bool png_encode_into(png_structp png, png_infop info, const Image* img,
                     std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(img->width),
               static_cast<png_uint_32>(img->height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows->data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool decode_png(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                std::string& error) {
  PngReadState state;
  state.data = data;
  state.size = size;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, png_on_error, png_on_warning);
  if (!png) {
    error = name + ": out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = name + ": out of memory";
    return false;
  }
  png_set_read_fn(png, &state, png_read_from_memory);

  std::vector<png_bytep> rows;
  std::string size_error;
  const PngStep step = png_decode_into(png, info, &out, &rows, &size_error, &name);
  png_destroy_read_struct(&png, &info, nullptr);
  switch (step) {
    case PngStep::ok:
      return true;
    case PngStep::too_big:
      error = size_error;
      return false;
    case PngStep::failed:
      break;
  }
  error = name + ": bad PNG (" + (state.message[0] ? state.message : "decoding error") + ")";
  return false;
}

}  // namespace image_detail

bool encode_png(const Image& img, std::vector<std::uint8_t>& out) {
  out.clear();
  if (img.width <= 0 || img.height <= 0 ||
      img.rgba.size() != static_cast<std::size_t>(img.width) * img.height * 4) {
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  image_detail::PngWriteState state{&out};
  png_set_write_fn(png, &state, image_detail::png_write_to_memory, image_detail::png_flush_nothing);
  std::vector<png_bytep> rows(static_cast<std::size_t>(img.height));
  for (int y = 0; y < img.height; ++y)
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(img.pixel(0, y));
  const bool ok = image_detail::png_encode_into(png, info, &img, &rows);
  png_destroy_write_struct(&png, &info);
  if (!ok) out.clear();
  return ok;
}

}  // namespace eng
