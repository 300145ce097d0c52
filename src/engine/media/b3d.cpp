// .b3d reader and writer. Each record layout is written once, as a template
// over a reading or a writing archive, so the two directions cannot drift
// apart; the chunk walkers around them check every length, count and index.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/media/file_write.h"
#include "engine/media/model.h"

namespace eng {
namespace {


// ---- archives -------------------------------------------------------------

// Reads fields from [pos, end); the first failure sticks and later reads
// yield zeros, so callers test ok() once per record.
class ReadArchive {
 public:
  ReadArchive(const std::uint8_t* data, std::size_t pos, std::size_t end)
      : data_(data), pos_(pos), end_(end) {}

  void i32(int& v) {
    std::uint8_t b[4] = {0, 0, 0, 0};
    take(b, 4);
    v = static_cast<int>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                         (static_cast<std::uint32_t>(b[2]) << 16) |
                         (static_cast<std::uint32_t>(b[3]) << 24));
  }
  void f32(float& v) {
    int bits = 0;
    i32(bits);
    std::memcpy(&v, &bits, 4);
  }
  template <std::size_t N>
  void f32s(std::array<float, N>& a) {
    for (float& f : a) f32(f);
  }
  void str(std::string& s) {
    s.clear();
    if (!ok_) return;
    const void* zero = std::memchr(data_ + pos_, 0, end_ - pos_);
    if (!zero) {
      ok_ = false;
      return;
    }
    const std::size_t len = static_cast<const std::uint8_t*>(zero) - (data_ + pos_);
    s.assign(reinterpret_cast<const char*>(data_ + pos_), len);
    pos_ += len + 1;
  }

  bool ok() const { return ok_; }
  std::size_t pos() const { return pos_; }
  std::size_t left() const { return end_ - pos_; }
  bool at_end() const { return pos_ >= end_; }

 private:
  void take(std::uint8_t* b, std::size_t n) {
    if (!ok_ || end_ - pos_ < n) {
      ok_ = false;
      return;
    }
    std::memcpy(b, data_ + pos_, n);
    pos_ += n;
  }

  const std::uint8_t* data_;
  std::size_t pos_, end_;
  bool ok_ = true;
};

class WriteArchive {
 public:

  void i32(const int& v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
  }
  void f32(const float& v) {
    int bits = 0;
    std::memcpy(&bits, &v, 4);
    i32(bits);
  }
  template <std::size_t N>
  void f32s(const std::array<float, N>& a) {
    for (float f : a) f32(f);
  }
  void str(const std::string& s) {
    // A name cannot hold the terminator; cut it there.
    const std::size_t len = std::min(s.size(), std::strlen(s.c_str()));
    for (std::size_t i = 0; i < len; ++i) out.push_back(static_cast<std::uint8_t>(s[i]));
    out.push_back(0);
  }
  std::size_t begin(const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
    const std::size_t at = out.size();
    i32(0);
    return at;
  }
  void end(std::size_t at) {
    const auto len = static_cast<std::uint32_t>(out.size() - at - 4);
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(len >> (8 * i));
  }

  std::vector<std::uint8_t> out;
};

// ---- record layouts, shared by both directions -----------------------------

template <class A, class T>
void texs_record(A& a, T& t) {
  a.str(t.file);
  a.i32(t.flags);
  a.i32(t.blend);
  a.f32(t.pos_u), a.f32(t.pos_v);
  a.f32(t.scale_u), a.f32(t.scale_v);
  a.f32(t.rotation);
}

// The brush's layer list must already hold n_texs entries.
template <class A, class T>
void brus_record(A& a, T& b) {
  a.str(b.name);
  a.f32(b.red), a.f32(b.green), a.f32(b.blue), a.f32(b.alpha);
  a.f32(b.shininess);
  a.i32(b.blend);
  a.i32(b.fx);
  for (auto& id : b.textures) a.i32(id);
}

template <class A, class T>
void node_header(A& a, T& n) {
  a.str(n.name);
  a.f32s(n.position);
  a.f32s(n.scale);
  a.f32s(n.rotation);
}

template <class A, class M>
void vrts_header(A& a, M& m, int& flags) {
  a.i32(flags);
  a.i32(m.tex_coord_sets);
  a.i32(m.tex_coord_size);
}

// The engine keeps two texture-coordinate sets of (u, v).
template <class V>
auto& uv_slot(V& v, int set, int k) {
  return set == 0 ? (k == 0 ? v.u : v.v) : (k == 0 ? v.u2 : v.v2);
}

// Coordinates beyond those two sets of two are read and dropped; the writer
// fills them with zeros.
template <class A, class V>
void vrts_record(A& a, V& v, int flags, int sets, int size) {
  a.f32(v.x), a.f32(v.y), a.f32(v.z);
  if (flags & 1) a.f32(v.nx), a.f32(v.ny), a.f32(v.nz);
  if (flags & 2) a.f32(v.r), a.f32(v.g), a.f32(v.b), a.f32(v.a);
  for (int s = 0; s < sets; ++s) {
    for (int k = 0; k < size; ++k) {
      if (s < 2 && k < 2) {
        a.f32(uv_slot(v, s, k));
      } else {
        float spare = 0;
        a.f32(spare);
      }
    }
  }
}

template <class A, class T>
void tris_record(A& a, T& t) {
  a.i32(t[0]), a.i32(t[1]), a.i32(t[2]);
}

template <class A, class W>
void bone_record(A& a, W& w) {
  a.i32(w.vertex);
  a.f32(w.weight);
}

template <class A, class K>
void keys_record(A& a, K& k, int flags) {
  a.i32(k.frame);
  if (flags & 1) a.f32s(k.position);
  if (flags & 2) a.f32s(k.scale);
  if (flags & 4) a.f32s(k.rotation);
}

template <class A, class N>
void anim_record(A& a, N& n) {
  a.i32(n.flags);
  a.i32(n.frames);
  a.f32(n.fps);
}

// ---- reading ---------------------------------------------------------------

constexpr int kMaxDepth = 256;
constexpr int kMaxLayers = 8;

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  Model& model;
  std::string& error;

  bool fail(const std::string& what, std::size_t at) {
    error = what + " (at byte " + std::to_string(at) + ")";
    return false;
  }

  // Walks the child chunks of [pos, end), calling handle(tag, content_begin,
  // content_end) for each. A child reaching past its parent is an error.
  template <class F>
  bool children(std::size_t pos, std::size_t end, F&& handle) {
    while (end - pos >= 8) {
      char tag[5] = {0, 0, 0, 0, 0};
      std::memcpy(tag, data + pos, 4);
      int len = 0;
      ReadArchive h(data, pos + 4, end);
      h.i32(len);
      if (len < 0 || static_cast<std::size_t>(len) > end - pos - 8) {
        return fail(std::string("chunk ") + printable(tag) + " length " + std::to_string(len) +
                        " runs past the end of its parent (truncated or corrupt)",
                    pos);
      }
      const std::size_t b = pos + 8, e = b + static_cast<std::size_t>(len);
      if (!handle(std::string(tag, 4), b, e)) return false;
      pos = e;
    }
    return true;
  }

  static std::string printable(const char* tag) {
    std::string s = "\"";
    for (int i = 0; i < 4; ++i) {
      const unsigned char c = static_cast<unsigned char>(tag[i]);
      s += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    return s + "\"";
  }

  bool texs(std::size_t b, std::size_t e) {
    ReadArchive a(data, b, e);
    while (!a.at_end()) {
      const std::size_t at = a.pos();
      ModelTexture t;
      texs_record(a, t);
      if (!a.ok()) return fail("TEXS entry " + std::to_string(model.textures.size()) + " is cut short", at);
      model.textures.push_back(std::move(t));
    }
    return true;
  }

  bool brus(std::size_t b, std::size_t e) {
    ReadArchive a(data, b, e);
    int n_texs = 0;
    a.i32(n_texs);
    if (!a.ok()) return fail("BRUS chunk is too short for its layer count", b);
    if (n_texs < 0 || n_texs > kMaxLayers)
      return fail("BRUS layer count " + std::to_string(n_texs) + " is outside 0.." +
                      std::to_string(kMaxLayers),
                  b);
    while (!a.at_end()) {
      const std::size_t at = a.pos();
      ModelBrush br;
      br.textures.assign(static_cast<std::size_t>(n_texs), -1);
      brus_record(a, br);
      if (!a.ok()) return fail("BRUS entry " + std::to_string(model.brushes.size()) + " is cut short", at);
      // Real files name textures that are absent (a renamed TEXS chunk); such
      // a layer is simply empty.
      for (int& id : br.textures)
        if (id < -1 || id >= static_cast<int>(model.textures.size())) id = -1;
      model.brushes.push_back(std::move(br));
    }
    return true;
  }

  bool brush_id(int id, const char* where, std::size_t at) {
    if (id == -1 || (id >= 0 && id < static_cast<int>(model.brushes.size()))) return true;
    return fail(std::string(where) + " brush id " + std::to_string(id) + " is out of range (" +
                    std::to_string(model.brushes.size()) + " brushes)",
                at);
  }

  bool mesh(std::size_t b, std::size_t e, ModelMesh& m) {
    ReadArchive a(data, b, e);
    a.i32(m.brush);
    if (!a.ok()) return fail("MESH chunk is too short for its brush id", b);
    if (!brush_id(m.brush, "MESH", b)) return false;
    bool have_vrts = false;
    return children(a.pos(), e, [&](const std::string& tag, std::size_t cb, std::size_t ce) {
      if (tag == "VRTS") {
        if (have_vrts) return fail("MESH has a second VRTS chunk", cb - 8);
        have_vrts = true;
        return vrts(cb, ce, m);
      }
      if (tag == "TRIS") {
        if (!have_vrts) return fail("TRIS chunk comes before the mesh's VRTS", cb - 8);
        return tris(cb, ce, m);
      }
      return true;  // unknown chunk: skipped
    });
  }

  bool vrts(std::size_t b, std::size_t e, ModelMesh& m) {
    ReadArchive a(data, b, e);
    int flags = 0;
    vrts_header(a, m, flags);
    if (!a.ok()) return fail("VRTS chunk is too short for its header", b);
    if (m.tex_coord_sets < 0 || m.tex_coord_sets > 8)
      return fail("VRTS texture-coordinate set count " + std::to_string(m.tex_coord_sets) +
                      " is outside 0..8",
                  b);
    if (m.tex_coord_size < 0 || m.tex_coord_size > 4)
      return fail("VRTS texture-coordinate size " + std::to_string(m.tex_coord_size) +
                      " is outside 0..4",
                  b);
    m.has_normals = (flags & 1) != 0;
    m.has_colors = (flags & 2) != 0;
    const std::size_t record =
        4 * (3 + (m.has_normals ? 3 : 0) + (m.has_colors ? 4 : 0) +
             static_cast<std::size_t>(m.tex_coord_sets) * static_cast<std::size_t>(m.tex_coord_size));
    if (a.left() % record != 0)
      return fail("VRTS data (" + std::to_string(a.left()) + " bytes) is not a whole number of " +
                      std::to_string(record) + "-byte vertices",
                  b);
    m.vertices.resize(a.left() / record);
    for (ModelVertex& v : m.vertices) {
      const std::size_t at = a.pos();
      vrts_record(a, v, flags, m.tex_coord_sets, m.tex_coord_size);
      if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
        return fail("VRTS vertex " + std::to_string(&v - m.vertices.data()) + " has a non-finite position", at);
    }
    return a.ok() || fail("VRTS data is cut short", b);
  }

  bool tris(std::size_t b, std::size_t e, ModelMesh& m) {
    ReadArchive a(data, b, e);
    ModelSurface s;
    a.i32(s.brush);
    if (!a.ok()) return fail("TRIS chunk is too short for its brush id", b);
    if (!brush_id(s.brush, "TRIS", b)) return false;
    if (a.left() % 12 != 0)
      return fail("TRIS data (" + std::to_string(a.left()) + " bytes) is not a whole number of triangles", b);
    s.triangles.resize(a.left() / 12);
    const int nv = static_cast<int>(m.vertices.size());
    for (auto& t : s.triangles) {
      const std::size_t at = a.pos();
      tris_record(a, t);
      for (int i : t)
        if (i < 0 || i >= nv)
          return fail("TRIS vertex index " + std::to_string(i) + " is out of range (" +
                          std::to_string(nv) + " vertices)",
                      at);
    }
    m.surfaces.push_back(std::move(s));
    return true;
  }

  bool node(std::size_t b, std::size_t e, ModelNode& n, int depth, const ModelMesh* owner) {
    if (depth > kMaxDepth)
      return fail("NODE hierarchy is nested deeper than " + std::to_string(kMaxDepth) + " levels", b);
    ReadArchive a(data, b, e);
    node_header(a, n);
    if (!a.ok()) return fail("NODE header is cut short", b);
    for (float f : n.position)
      if (!std::isfinite(f)) return fail("NODE \"" + n.name + "\" has a non-finite position", b);
    for (float f : n.scale)
      if (!std::isfinite(f)) return fail("NODE \"" + n.name + "\" has a non-finite scale", b);
    for (float f : n.rotation)
      if (!std::isfinite(f)) return fail("NODE \"" + n.name + "\" has a non-finite rotation", b);
    return children(a.pos(), e, [&](const std::string& tag, std::size_t cb, std::size_t ce) {
      if (tag == "MESH") {
        if (n.has_mesh || n.has_bone) return fail("NODE \"" + n.name + "\" holds a second MESH or BONE", cb - 8);
        n.has_mesh = true;
        return mesh(cb, ce, n.mesh);
      }
      if (tag == "BONE") {
        if (n.has_mesh || n.has_bone) return fail("NODE \"" + n.name + "\" holds a second MESH or BONE", cb - 8);
        n.has_bone = true;
        return bone(cb, ce, n, owner);
      }
      if (tag == "KEYS") return keys(cb, ce, n);
      if (tag == "ANIM") {
        ReadArchive k(data, cb, ce);
        anim_record(k, n.anim);
        if (!k.ok()) return fail("ANIM chunk is cut short", cb - 8);
        n.has_anim = true;
        return true;
      }
      if (tag == "NODE") {
        n.children.emplace_back();
        return node(cb, ce, n.children.back(), depth + 1, n.has_mesh ? &n.mesh : owner);
      }
      return true;  // unknown chunk: skipped
    });
  }

  bool bone(std::size_t b, std::size_t e, ModelNode& n, const ModelMesh* owner) {
    ReadArchive a(data, b, e);
    if (a.left() % 8 != 0)
      return fail("BONE data (" + std::to_string(a.left()) + " bytes) is not a whole number of weights", b);
    const int nv = owner ? static_cast<int>(owner->vertices.size()) : 0;
    n.bone.resize(a.left() / 8);
    for (ModelBoneWeight& w : n.bone) {
      const std::size_t at = a.pos();
      bone_record(a, w);
      if (w.vertex < 0 || w.vertex >= nv)
        return fail("BONE \"" + n.name + "\" names vertex " + std::to_string(w.vertex) +
                        " but its mesh has " + std::to_string(nv),
                    at);
    }
    return true;
  }

  bool keys(std::size_t b, std::size_t e, ModelNode& n) {
    ReadArchive a(data, b, e);
    int flags = 0;
    a.i32(flags);
    if (!a.ok()) return fail("KEYS chunk is too short for its flags", b);
    if (flags & ~7) return fail("KEYS flags " + std::to_string(flags) + " are not a mix of 1, 2 and 4", b);
    const std::size_t record = 4 + ((flags & 1) ? 12 : 0) + ((flags & 2) ? 12 : 0) + ((flags & 4) ? 16 : 0);
    if (a.left() % record != 0)
      return fail("KEYS data (" + std::to_string(a.left()) + " bytes) is not a whole number of keys", b);
    const std::size_t count = a.left() / record;
    n.keys.reserve(n.keys.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
      ModelKey k;
      k.flags = flags;
      keys_record(a, k, flags);
      n.keys.push_back(k);
    }
    return true;
  }

  bool run() {
    if (size < 8 || std::memcmp(data, "BB3D", 4) != 0) return fail("not a .b3d model (no BB3D header)", 0);
    ReadArchive h(data, 4, size);
    int len = 0, version = 0;
    h.i32(len);
    if (len < 4) return fail("BB3D chunk length " + std::to_string(len) + " is too small", 4);
    // Tolerate a length beyond the file (clamped); the chunks inside are still
    // checked against what is really there.
    const std::size_t end = std::min<std::size_t>(size, 8 + static_cast<std::size_t>(len));
    h.i32(version);
    if (!h.ok() || 8 + 4 > end) return fail("file ends inside the BB3D header (truncated)", 8);
    if (version < 1 || version >= 100)
      return fail("unsupported .b3d version " + std::to_string(version), 8);
    model.version = version;
    bool have_root = false;
    if (!children(12, end, [&](const std::string& tag, std::size_t b, std::size_t e) {
          if (tag == "TEXS") return texs(b, e);
          if (tag == "BRUS") return brus(b, e);
          if (tag == "NODE") {
            if (have_root) return true;  // only the first root node is used
            have_root = true;
            return node(b, e, model.root, 0, nullptr);
          }
          return true;
        }))
      return false;
    if (!have_root) return fail("model has no NODE chunk", 8);
    return true;
  }
};

// ---- writing ---------------------------------------------------------------

void write_node(WriteArchive& w, const ModelNode& n) {
  const std::size_t node_at = w.begin("NODE");
  node_header(w, n);
  if (n.has_mesh) {
    const ModelMesh& m = n.mesh;
    const std::size_t mesh_at = w.begin("MESH");
    w.i32(m.brush);
    const std::size_t vrts_at = w.begin("VRTS");
    int flags = (m.has_normals ? 1 : 0) | (m.has_colors ? 2 : 0);
    vrts_header(w, m, flags);
    for (const ModelVertex& v : m.vertices) vrts_record(w, v, flags, m.tex_coord_sets, m.tex_coord_size);
    w.end(vrts_at);
    for (const ModelSurface& s : m.surfaces) {
      const std::size_t tris_at = w.begin("TRIS");
      w.i32(s.brush);
      for (const auto& t : s.triangles) tris_record(w, t);
      w.end(tris_at);
    }
    w.end(mesh_at);
  } else if (n.has_bone) {
    const std::size_t bone_at = w.begin("BONE");
    for (const ModelBoneWeight& bw : n.bone) bone_record(w, bw);
    w.end(bone_at);
  }
  // Consecutive keys with the same flags share one KEYS chunk.
  for (std::size_t i = 0; i < n.keys.size();) {
    const int flags = n.keys[i].flags & 7;
    const std::size_t keys_at = w.begin("KEYS");
    w.i32(flags);
    for (; i < n.keys.size() && (n.keys[i].flags & 7) == flags; ++i) keys_record(w, n.keys[i], flags);
    w.end(keys_at);
  }
  if (n.has_anim) {
    const std::size_t anim_at = w.begin("ANIM");
    anim_record(w, n.anim);
    w.end(anim_at);
  }
  for (const ModelNode& c : n.children) write_node(w, c);
  w.end(node_at);
}

}  // namespace

bool read_b3d(const std::uint8_t* data, std::size_t size, Model& out, std::string& error) {
  out = Model{};
  if (data == nullptr) size = 0;
  static const std::uint8_t kEmpty[1] = {0};
  Reader r{data ? data : kEmpty, size, out, error};
  if (!r.run()) {
    out = Model{};
    return false;
  }
  return true;
}

bool load_b3d_file(const std::string& path, Model& out, std::string& error) {
  out = Model{};
  std::vector<std::uint8_t> bytes;
  if (!read_file(path, bytes, error)) return false;
  std::string why;
  if (!read_b3d(bytes.data(), bytes.size(), out, why)) {
    error = path + ": " + why;
    return false;
  }
  return true;
}

std::vector<std::uint8_t> write_b3d(const Model& model) {
  WriteArchive w;
  const std::size_t top = w.begin("BB3D");
  w.i32(model.version);
  if (!model.textures.empty()) {
    const std::size_t at = w.begin("TEXS");
    for (const ModelTexture& t : model.textures) texs_record(w, t);
    w.end(at);
  }
  // Every brush carries the same number of layers; shorter lists are padded
  // with empty (-1) layers.
  int layers = 0;
  for (const ModelBrush& b : model.brushes) layers = std::max(layers, static_cast<int>(b.textures.size()));
  if (!model.brushes.empty()) {
    const std::size_t at = w.begin("BRUS");
    w.i32(layers);
    for (const ModelBrush& b : model.brushes) {
      ModelBrush padded = b;
      padded.textures.resize(static_cast<std::size_t>(layers), -1);
      brus_record(w, padded);
    }
    w.end(at);
  }
  write_node(w, model.root);
  w.end(top);
  return std::move(w.out);
}

bool save_b3d_file(const std::string& path, const Model& model) {
  const std::vector<std::uint8_t> bytes = write_b3d(model);
  std::string error;
  return replace_file(path, bytes.data(), bytes.size(), error);
}

}  // namespace eng
