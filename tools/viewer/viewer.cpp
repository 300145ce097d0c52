// ironfold-viewer: renders a model (.b3d, with its textures), a texture or one
// frame of an animated texture to a PNG through the engine, offscreen, and
// prints what the file holds. With --sheet it renders many files into one
// captioned grid for reviewing content.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/media/model.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace {

constexpr float kPi = 3.14159265358979f;

struct Options {
  std::vector<std::string> files;
  std::string out;
  std::string sheet;
  std::string texture;  // extra texture put on a model (layer 0)
  float yaw = 30, pitch = 25;
  float dist = 0;  // 0: frame the model automatically
  int width = 640, height = 480;
  bool size_given = false;
  int frame = -1, frame_w = 0, frame_h = 0;
  int flags = 1;
  float sx = 1, sy = 1, sz = 1;
  int columns = 0;
  bool quiet = false;
  int view_h = 0;  // sheet cells: the picture's height above the caption strip
};

const char* kUsage =
    "usage: ironfold-viewer FILE --out PNG [options]\n"
    "       ironfold-viewer --sheet OUT.png [options] FILE...\n"
    "FILE is a .b3d model or a PNG, JPEG, BMP or TGA texture.\n"
    "options:\n"
    "  --yaw D, --pitch D    camera angles in degrees (default 30, 25: from the\n"
    "                        -z side, a little to +x, looking down; yaw 0 looks\n"
    "                        along +z, yaw 90 along -x, positive pitch down)\n"
    "  --dist F              camera distance from the model's centre (default: fit)\n"
    "  --size WxH            picture size (sheet: size of each cell; default 640x480,\n"
    "                        sheet 256x256; a texture defaults to its own size)\n"
    "  --scale x,y,z         scale the model before framing it\n"
    "  --texture FILE        put this texture on the model (layer 0)\n"
    "  --flags N             texture flags (1 colour, 2 alpha, 4 masked; default 1)\n"
    "  --frame N --frame-size WxH   show frame N of an animated texture\n"
    "  --columns N           sheet columns (default: about square)\n"
    "  --quiet               do not print the file summary\n"
    "exit status: 0 done; 1 a file could not be read or the PNG not written\n"
    "(a sheet is still written, with the failed cells marked); 2 bad arguments\n"
    "or no display (run under xvfb-run -a when there is no X server).\n";

bool parse_size(const std::string& s, int& w, int& h) {
  int a = 0, b = 0;
  char x = 0, extra = 0;
  if (std::sscanf(s.c_str(), "%d%c%d%c", &a, &x, &b, &extra) != 3 || (x != 'x' && x != 'X')) return false;
  if (a <= 0 || b <= 0 || a > 8192 || b > 8192) return false;
  w = a, h = b;
  return true;
}

bool parse_float(const std::string& s, float& out) {
  char* end = nullptr;
  const float v = std::strtof(s.c_str(), &end);
  if (end == s.c_str() || *end != 0 || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool parse_int(const std::string& s, int& out) {
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (end == s.c_str() || *end != 0 || v < -1000000 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

bool parse_args(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= argc) {
        error = a + " needs a value";
        return false;
      }
      v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--out") {
      if (!value(o.out)) return false;
    } else if (a == "--sheet") {
      if (!value(o.sheet)) return false;
    } else if (a == "--texture") {
      if (!value(o.texture)) return false;
    } else if (a == "--yaw" || a == "--pitch" || a == "--dist") {
      if (!value(v)) return false;
      float f = 0;
      if (!parse_float(v, f)) {
        error = a + ": not a number: " + v;
        return false;
      }
      (a == "--yaw" ? o.yaw : a == "--pitch" ? o.pitch : o.dist) = f;
      if (a == "--dist" && f <= 0) {
        error = "--dist must be positive";
        return false;
      }
    } else if (a == "--size") {
      if (!value(v) || !parse_size(v, o.width, o.height)) {
        error = "--size needs WxH (1..8192 each)";
        return false;
      }
      o.size_given = true;
    } else if (a == "--frame-size") {
      if (!value(v) || !parse_size(v, o.frame_w, o.frame_h)) {
        error = "--frame-size needs WxH";
        return false;
      }
    } else if (a == "--frame" || a == "--flags" || a == "--columns") {
      if (!value(v)) return false;
      int n = 0;
      if (!parse_int(v, n) || n < 0) {
        error = a + ": not a whole number >= 0: " + v;
        return false;
      }
      (a == "--frame" ? o.frame : a == "--flags" ? o.flags : o.columns) = n;
    } else if (a == "--scale") {
      if (!value(v)) return false;
      char c1 = 0, c2 = 0, extra = 0;
      if (std::sscanf(v.c_str(), "%f%c%f%c%f%c", &o.sx, &c1, &o.sy, &c2, &o.sz, &extra) != 5 || c1 != ',' ||
          c2 != ',' || !std::isfinite(o.sx * o.sy * o.sz) || o.sx == 0 || o.sy == 0 || o.sz == 0) {
        error = "--scale needs x,y,z (non-zero numbers)";
        return false;
      }
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "-h" || a == "--help") {
      error.clear();
      return false;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      error = "unknown option " + a;
      return false;
    } else {
      o.files.push_back(a);
    }
  }
  if (o.sheet.empty()) {
    if (o.files.size() != 1 || o.out.empty()) {
      error = "give one FILE and --out PNG (or --sheet OUT.png FILE...)";
      return false;
    }
  } else if (o.files.empty()) {
    error = "--sheet needs at least one FILE";
    return false;
  }
  if (o.frame >= 0 && o.frame_w == 0) {
    error = "--frame needs --frame-size WxH";
    return false;
  }
  return true;
}

std::string lower_ext(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return "";
  std::string e = path.substr(dot);
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

std::string base_name(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- file summary (straight from the readers) -------------------------------

struct ModelStats {
  int nodes = 0, meshes = 0, bones = 0, surfaces = 0, vertices = 0, triangles = 0, max_frame = 0;
};

void gather(const eng::ModelNode& n, ModelStats& s) {
  ++s.nodes;
  if (n.has_mesh) {
    ++s.meshes;
    s.surfaces += static_cast<int>(n.mesh.surfaces.size());
    s.vertices += static_cast<int>(n.mesh.vertices.size());
    for (const auto& surf : n.mesh.surfaces) s.triangles += static_cast<int>(surf.triangles.size());
  }
  s.bones += n.has_bone ? 1 : 0;
  for (const auto& k : n.keys) s.max_frame = std::max(s.max_frame, k.frame);
  for (const auto& c : n.children) gather(c, s);
}

struct Box {
  float lo[3] = {1e30f, 1e30f, 1e30f};
  float hi[3] = {-1e30f, -1e30f, -1e30f};
  bool empty() const { return lo[0] > hi[0]; }
  void add(float x, float y, float z) {
    const float p[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) lo[i] = std::min(lo[i], p[i]), hi[i] = std::max(hi[i], p[i]);
  }
};

// Model-space bounds of what the engine loaded (node transforms applied).
Box mesh_box(eng::Handle mesh) {
  Box b;
  const int n = eng::CountSurfaces(mesh);
  for (int s = 1; s <= n; ++s) {
    const eng::Handle surf = eng::GetSurface(mesh, s);
    const int nv = eng::CountVertices(surf);
    for (int i = 0; i < nv; ++i) b.add(eng::VertexX(surf, i), eng::VertexY(surf, i), eng::VertexZ(surf, i));
  }
  return b;
}

// ---- rendering ---------------------------------------------------------------

bool open_display(int w, int h, std::string& error) {
  if (eng::GraphicsOpen() && eng::GraphicsWidth() == w && eng::GraphicsHeight() == h) return true;
  if (eng::GraphicsOpen()) eng::EndGraphics();
  if (!eng::Graphics3D(w, h, 0, 2, 60) || eng::GraphicsWidth() != w || eng::GraphicsHeight() != h) {
    error = "cannot open an offscreen " + std::to_string(w) + "x" + std::to_string(h) +
            " GL display (is there an X display? try xvfb-run -a)";
    return false;
  }
  return true;
}

// Renders one file into the open display. `caption` gets a one-line summary.
bool render_file(const std::string& file, const Options& o, std::string& caption, std::string& error) {
  eng::ClearWorld(true, true);
  const std::string ext = lower_ext(file);
  const int w = eng::GraphicsWidth(), h = o.view_h > 0 ? o.view_h : eng::GraphicsHeight();
  const eng::Handle cam = eng::CreateCamera();
  eng::CameraClsColor(cam, 58, 64, 76);
  eng::CameraViewport(cam, 0, 0, w, h);
  eng::Cls();

  if (ext == ".b3d") {
    eng::Model model;
    if (!eng::load_b3d_file(file, model, error)) return false;
    ModelStats st;
    gather(model.root, st);
    const eng::Handle mesh = eng::LoadMesh(file);
    if (mesh == 0) {
      error = file + ": the engine could not load this model";
      return false;
    }
    if (!o.texture.empty()) {
      const eng::Handle tex = eng::LoadTexture(o.texture, o.flags);
      if (tex == 0) {
        error = o.texture + ": cannot load texture";
        return false;
      }
      eng::EntityTexture(mesh, tex, 0, 0);
    }
    eng::ScaleEntity(mesh, o.sx, o.sy, o.sz);
    Box box = mesh_box(mesh);
    Box scaled;
    if (!box.empty()) {
      scaled.add(box.lo[0] * o.sx, box.lo[1] * o.sy, box.lo[2] * o.sz);
      scaled.add(box.hi[0] * o.sx, box.hi[1] * o.sy, box.hi[2] * o.sz);
    }
    if (!o.quiet) {
      std::printf("%s: %d vertices, %d triangles, %d surfaces, %d nodes (%d meshes, %d bones), "
                  "%zu brushes, %zu textures",
                  file.c_str(), st.vertices, st.triangles, st.surfaces, st.nodes, st.meshes, st.bones,
                  model.brushes.size(), model.textures.size());
      if (st.max_frame > 0) std::printf(", key frames up to %d", st.max_frame);
      std::printf("\n");
      if (scaled.empty()) {
        std::printf("  bounding box: empty\n");
      } else {
        std::printf("  bounding box: x %.4g..%.4g  y %.4g..%.4g  z %.4g..%.4g  (size %.4g x %.4g x %.4g)\n",
                    scaled.lo[0], scaled.hi[0], scaled.lo[1], scaled.hi[1], scaled.lo[2], scaled.hi[2],
                    scaled.hi[0] - scaled.lo[0], scaled.hi[1] - scaled.lo[1], scaled.hi[2] - scaled.lo[2]);
      }
      for (const auto& t : model.textures) std::printf("  texture \"%s\"\n", t.file.c_str());
    }
    caption = base_name(file) + "  " + std::to_string(st.triangles) + " tris";

    float c[3] = {0, 0, 0}, radius = 1;
    if (!scaled.empty()) {
      float d2 = 0;
      for (int i = 0; i < 3; ++i) {
        c[i] = (scaled.lo[i] + scaled.hi[i]) / 2;
        d2 += (scaled.hi[i] - scaled.lo[i]) * (scaled.hi[i] - scaled.lo[i]);
      }
      radius = std::max(std::sqrt(d2) / 2, 1e-4f);
    }
    const float yaw = o.yaw * kPi / 180, pitch = o.pitch * kPi / 180;
    // Camera axes at (pitch, yaw): yaw 0 looks along +z, yaw 90 along -x,
    // positive pitch looks down (at pitch 90, +z is at the top).
    const float f[3] = {-std::sin(yaw) * std::cos(pitch), -std::sin(pitch), std::cos(yaw) * std::cos(pitch)};
    const float right[3] = {std::cos(yaw), 0, std::sin(yaw)};
    const float up[3] = {-std::sin(yaw) * std::sin(pitch), std::cos(pitch), std::cos(yaw) * std::sin(pitch)};
    // Back off until every corner of the box lies inside the view (90 degrees
    // across, so tan = 1 horizontally and h/w vertically), with a margin.
    float dist = o.dist;
    if (dist <= 0) {
      const float margin = 0.9f, tan_h = 1.0f, tan_v = static_cast<float>(h) / static_cast<float>(w);
      dist = radius * 0.1f;
      for (int corner = 0; corner < 8 && !scaled.empty(); ++corner) {
        float q[3];
        for (int i = 0; i < 3; ++i) q[i] = ((corner >> i) & 1 ? scaled.hi[i] : scaled.lo[i]) - c[i];
        const float xc = q[0] * right[0] + q[1] * right[1] + q[2] * right[2];
        const float yc = q[0] * up[0] + q[1] * up[1] + q[2] * up[2];
        const float zc = q[0] * f[0] + q[1] * f[1] + q[2] * f[2];
        dist = std::max(dist, std::abs(xc) / (tan_h * margin) - zc);
        dist = std::max(dist, std::abs(yc) / (tan_v * margin) - zc);
      }
    }
    eng::PositionEntity(cam, c[0] - f[0] * dist, c[1] - f[1] * dist, c[2] - f[2] * dist);
    eng::RotateEntity(cam, o.pitch, o.yaw, 0);
    const float near_z = dist > radius ? std::max((dist - radius) * 0.9f, dist * 0.005f) : dist * 0.005f;
    eng::CameraRange(cam, near_z, dist + radius * 1.5f + 1);

    const eng::Handle light = eng::CreateLight(1);
    eng::RotateEntity(light, 40, o.yaw - 30, 0);
    eng::AmbientLight(110, 110, 110);
    eng::RenderWorld();
    return true;
  }

  if (ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" || ext == ".tga") {
    eng::Image img;
    if (!eng::load_image_file(file, img, error)) return false;
    eng::Handle tex = 0;
    int tw = img.width, th = img.height, frames = 1;
    if (o.frame >= 0) {
      frames = (img.width / o.frame_w) * (img.height / o.frame_h);
      if (o.frame >= frames) {
        error = file + ": has " + std::to_string(frames) + " frames of " + std::to_string(o.frame_w) + "x" +
                std::to_string(o.frame_h) + ", no frame " + std::to_string(o.frame);
        return false;
      }
      tex = eng::LoadAnimTexture(file, o.flags, o.frame_w, o.frame_h, 0, frames);
      tw = o.frame_w, th = o.frame_h;
    } else {
      tex = eng::LoadTexture(file, o.flags);
    }
    if (tex == 0) {
      error = file + ": the engine could not load this texture";
      return false;
    }
    if (!o.quiet) {
      std::printf("%s: %dx%d, %s", file.c_str(), img.width, img.height, img.has_alpha ? "alpha" : "no alpha");
      if (o.frame >= 0) std::printf(", %d frames of %dx%d, showing frame %d", frames, tw, th, o.frame);
      std::printf("\n");
    }
    caption = base_name(file) + "  " + std::to_string(img.width) + "x" + std::to_string(img.height);
    // A quad at distance 1 in front of the camera fills the 90-degree view's
    // width (2 units); keep the picture's aspect inside the display.
    const float view_w = 2, view_h = 2 * static_cast<float>(h) / static_cast<float>(w);
    const float fit = std::min(view_w / static_cast<float>(tw), view_h / static_cast<float>(th));
    const float qw = static_cast<float>(tw) * fit / 2, qh = static_cast<float>(th) * fit / 2;
    const eng::Handle quad = eng::CreateMesh();
    const eng::Handle surf = eng::CreateSurface(quad);
    eng::AddVertex(surf, -qw, qh, 1, 0, 0);
    eng::AddVertex(surf, qw, qh, 1, 1, 0);
    eng::AddVertex(surf, qw, -qh, 1, 1, 1);
    eng::AddVertex(surf, -qw, -qh, 1, 0, 1);
    eng::AddTriangle(surf, 0, 1, 2);
    eng::AddTriangle(surf, 0, 2, 3);
    eng::EntityTexture(quad, tex, std::max(o.frame, 0), 0);
    // Full ambient and no directional light: texels come out as stored.
    eng::AmbientLight(255, 255, 255);
    eng::CameraRange(cam, 0.1f, 10);
    eng::RenderWorld();
    return true;
  }

  error = file + ": not a model or texture file (expected .b3d, .png, .jpg, .bmp or .tga)";
  return false;
}

int run_single(const Options& o) {
  std::string error;
  // Read the file before opening a display, so a bad file is reported as such.
  {
    const std::string ext = lower_ext(o.files[0]);
    eng::Model model;
    eng::Image img;
    const bool ok = ext == ".b3d" ? eng::load_b3d_file(o.files[0], model, error)
                                  : eng::load_image_file(o.files[0], img, error);
    if (!ok) {
      std::fprintf(stderr, "ironfold-viewer: %s\n", error.c_str());
      return 1;
    }
  }
  int w = o.width, h = o.height;
  // A texture shown on its own defaults to its own size.
  if (!o.size_given && lower_ext(o.files[0]) != ".b3d") {
    if (o.frame >= 0) {
      w = o.frame_w, h = o.frame_h;
    } else {
      eng::Image img;
      if (eng::load_image_file(o.files[0], img, error)) {
        w = std::clamp(img.width, 16, 2048);
        h = std::clamp(img.height, 16, 2048);
      }
    }
  }
  if (!open_display(w, h, error)) {
    std::fprintf(stderr, "ironfold-viewer: %s\n", error.c_str());
    return 2;
  }
  std::string caption;
  if (!render_file(o.files[0], o, caption, error)) {
    std::fprintf(stderr, "ironfold-viewer: %s\n", error.c_str());
    return 1;
  }
  if (!eng::SaveBackBuffer(o.out)) {
    std::fprintf(stderr, "ironfold-viewer: cannot write %s\n", o.out.c_str());
    return 1;
  }
  return 0;
}

// Renders every file into a cell and lays the cells out in file order, left
// to right, top to bottom, each with its name underneath. A file that cannot
// be read gets a dark cell saying so; the exit status then reports it.
int run_sheet(Options o) {
  if (!o.size_given) o.width = o.height = 256;
  const int caption_h = 24;
  const int n = static_cast<int>(o.files.size());
  const int cols = o.columns > 0 ? std::min(o.columns, n)
                                 : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  const int rows = (n + cols - 1) / cols;
  const int cell_w = o.width, cell_h = o.height + caption_h;
  if (static_cast<long long>(cell_w) * cols * cell_h * rows > 16384LL * 16384) {
    std::fprintf(stderr, "ironfold-viewer: sheet would be too large; use a smaller --size\n");
    return 2;
  }
  std::string error;
  if (!open_display(cell_w, cell_h, error)) {
    std::fprintf(stderr, "ironfold-viewer: %s\n", error.c_str());
    return 2;
  }
  eng::Image sheet;
  sheet.width = cell_w * cols;
  sheet.height = cell_h * rows;
  sheet.rgba.resize(static_cast<std::size_t>(sheet.width) * sheet.height * 4);
  for (std::size_t i = 0; i < sheet.rgba.size(); i += 4) {
    sheet.rgba[i] = 58, sheet.rgba[i + 1] = 64, sheet.rgba[i + 2] = 76, sheet.rgba[i + 3] = 255;
  }

  const std::string tmp = o.sheet + ".cell.png";
  int failures = 0;
  Options cell = o;
  cell.size_given = true;
  cell.view_h = o.height;
  for (int i = 0; i < n; ++i) {
    const std::string& file = o.files[static_cast<std::size_t>(i)];
    std::string caption;
    if (!render_file(file, cell, caption, error)) {
      std::fprintf(stderr, "ironfold-viewer: %s\n", error.c_str());
      ++failures;
      eng::ClearWorld(true, true);
      const eng::Handle cam = eng::CreateCamera();
      eng::CameraClsColor(cam, 90, 20, 20);
      eng::CameraViewport(cam, 0, 0, cell_w, o.height);
      eng::Cls();
      eng::RenderWorld();
      eng::Text(4, 4, "cannot read");
      caption = base_name(file) + "  FAILED";
    }
    // Caption strip under the picture.
    eng::Text(4, o.height + 3, caption.substr(0, static_cast<std::size_t>(std::max(1, cell_w / 9 - 1))));
    eng::Image shot;
    if (!eng::SaveBackBuffer(tmp) || !eng::load_image_file(tmp, shot, error) || shot.width != cell_w ||
        shot.height != cell_h) {
      std::fprintf(stderr, "ironfold-viewer: cannot capture the cell for %s\n", file.c_str());
      std::remove(tmp.c_str());
      return 1;
    }
    const int ox = (i % cols) * cell_w, oy = (i / cols) * cell_h;
    for (int y = 0; y < cell_h; ++y)
      std::copy_n(shot.pixel(0, y), static_cast<std::size_t>(cell_w) * 4, sheet.pixel(ox, oy + y));
  }
  std::remove(tmp.c_str());
  if (!eng::write_png(o.sheet, sheet)) {
    std::fprintf(stderr, "ironfold-viewer: cannot write %s\n", o.sheet.c_str());
    return 1;
  }
  if (!o.quiet) std::printf("sheet %s: %d files, %d x %d cells of %dx%d\n", o.sheet.c_str(), n, cols, rows, cell_w, cell_h);
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!parse_args(argc, argv, o, error)) {
    if (!error.empty()) std::fprintf(stderr, "ironfold-viewer: %s\n", error.c_str());
    std::fprintf(error.empty() ? stdout : stderr, "%s", kUsage);
    return error.empty() ? 0 : 2;
  }
  eng::VirtualConfig cfg;
  cfg.render = true;
  eng::UsePlatform(std::make_unique<eng::VirtualPlatform>(cfg));
  int status = 0;
  try {
    status = o.sheet.empty() ? run_single(o) : run_sheet(o);
  } catch (const eng::ProgramEnd& end) {
    status = end.status;
  }
  eng::EndGraphics();
  return status;
}
