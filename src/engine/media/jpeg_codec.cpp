// JPEG through libjpeg. Its errors arrive by longjmp into jpeg_decode_into,
// which therefore holds no object with a destructor.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <vector>

#include "engine/media/image_internal.h"

namespace eng::image_detail {
namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void jpeg_on_error(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Corrupt-data warnings are common in real files and harmless; stay quiet.
// A file that ends before its picture does is refused, though: libjpeg would
// otherwise pad it with grey and call it a success.
void jpeg_on_emit(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "file ends too early (truncated)");
    std::longjmp(err->jump, 1);
  }
}
void jpeg_on_message(j_common_ptr) {}

enum class JpegStep { ok, failed, too_big };

JpegStep jpeg_decode_into(jpeg_decompress_struct* cinfo, JpegError* err, const std::uint8_t* data,
                          std::size_t size, Image* out, std::vector<std::uint8_t>* row,
                          std::string* size_error, const std::string* name) {
  if (setjmp(err->jump)) return JpegStep::failed;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);

  const long long w = cinfo->image_width, h = cinfo->image_height;
  if (!check_dimensions(w, h, *name, *size_error)) return JpegStep::too_big;
  // With Huffman coding even a flat picture costs at least a bit per 8x8
  // block, so a tiny file cannot hold a huge image. (Arithmetic coding can go
  // below that; only the general size cap applies to it.)
  if (!cinfo->arith_code && w * h > static_cast<long long>(size) * 4096 + 1024 * 1024) {
    *size_error = *name + ": declared image size " + std::to_string(w) + "x" + std::to_string(h) +
                  " does not fit the file (corrupt or truncated)";
    return JpegStep::too_big;
  }

  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  const bool grey = cinfo->num_components == 1;
  cinfo->out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(cinfo);
  const int comps = cinfo->output_components;
  if ((cmyk && comps != 4) || (grey && comps != 1) || (!cmyk && !grey && comps != 3)) {
    jpeg_abort_decompress(cinfo);
    return JpegStep::failed;
  }
  allocate(*out, static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height));
  row->resize(static_cast<std::size_t>(cinfo->output_width) * comps);
  // Adobe writes CMYK inverted; that is what almost every CMYK JPEG holds.
  const bool inverted = cmyk && cinfo->saw_Adobe_marker;
  while (cinfo->output_scanline < cinfo->output_height) {
    const int y = static_cast<int>(cinfo->output_scanline);
    JSAMPROW rp = row->data();
    if (jpeg_read_scanlines(cinfo, &rp, 1) != 1) break;
    std::uint8_t* dst = out->pixel(0, y);
    const std::uint8_t* src = row->data();
    for (JDIMENSION x = 0; x < cinfo->output_width; ++x, dst += 4) {
      if (grey) {
        dst[0] = dst[1] = dst[2] = src[x];
      } else if (cmyk) {
        const std::uint8_t* p = src + x * 4;
        int c = p[0], m = p[1], yy = p[2], k = p[3];
        if (!inverted) {
          c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        }
        dst[0] = static_cast<std::uint8_t>(c * k / 255);
        dst[1] = static_cast<std::uint8_t>(m * k / 255);
        dst[2] = static_cast<std::uint8_t>(yy * k / 255);
      } else {
        dst[0] = src[x * 3];
        dst[1] = src[x * 3 + 1];
        dst[2] = src[x * 3 + 2];
      }
      dst[3] = 255;
    }
  }
  jpeg_finish_decompress(cinfo);
  return JpegStep::ok;
}

}  // namespace

bool decode_jpeg(const std::uint8_t* data, std::size_t size, const std::string& name, Image& out,
                 std::string& error) {
  jpeg_decompress_struct cinfo{};
  JpegError err{};
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpeg_on_error;
  err.mgr.output_message = jpeg_on_message;
  err.mgr.emit_message = jpeg_on_emit;
  std::vector<std::uint8_t> row;
  std::string size_error;
  const JpegStep step = jpeg_decode_into(&cinfo, &err, data, size, &out, &row, &size_error, &name);
  jpeg_destroy_decompress(&cinfo);
  if (step == JpegStep::ok) return true;
  if (step == JpegStep::too_big) {
    error = size_error;
  } else {
    error = name + ": bad JPEG (" + (err.message[0] ? err.message : "unsupported layout") + ")";
  }
  return false;
}

}  // namespace eng::image_detail
