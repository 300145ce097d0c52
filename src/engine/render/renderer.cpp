// The OpenGL 3.3 renderer: display set-up and teardown, the back buffer
// (window, offscreen or multisampled framebuffer), cameras, batched and
// instanced drawing of meshes and sprites, per-pixel lighting, text, and the
// back-buffer copies (to a texture, to a PNG).
//
// GL objects are made lazily while drawing and all dropped when the display
// closes; the scene itself never needs a context.
#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/platform/platform.h"
#include "engine/render/font_data.h"
#include "engine/render/render.h"
#include "engine/scene/scene_internal.h"
#include "engine/system.h"

namespace eng::render {

using scene::Entity;
using scene::Kind;
using scene::Surface;
using scene::Texture;

namespace {

constexpr int kInstanceVec4s = 5;  // per instance: 3 matrix rows, colour, frames
constexpr GLuint kInstanceAttrib = 5;  // first of the per-instance vertex attributes
constexpr int kMaxLights = 8;

struct Program {
  GLuint id = 0;
  GLint u_viewproj = -1, u_tex0 = -1, u_tex1 = -1, u_scale0 = -1, u_scale1 = -1,
        u_ambient = -1, u_ldir = -1, u_lcol = -1, u_eye = -1, u_shininess = -1;
};

struct GlState {
  bool ready = false;
  Platform* owner = nullptr;
  int width = 0, height = 0;
  bool offscreen = false;
  bool want_aa = false;
  int samples = 0;
  int live = 0;  // GL objects we own
  int last_draw_calls = 0;

  GLuint fbo = 0, fbo_color = 0, fbo_depth = 0;      // single-sample back buffer (offscreen / resolve)
  GLuint msaa_fbo = 0, msaa_color = 0, msaa_depth = 0;
  GLuint inst_buf = 0;  // per-instance attributes, refilled for every camera
  GLuint sprite_vao = 0, sprite_vbo = 0, sprite_ibo = 0;
  GLuint white_tex = 0;
  GLuint font_tex = 0, text_vao = 0, text_vbo = 0, text_prog = 0;
  GLint text_u_screen = -1, text_u_font = -1;
  std::unordered_map<std::uint32_t, Program> programs;
  // textures and surfaces that hold GL names, for the teardown
  std::vector<Texture*> gl_textures;
  std::vector<Surface*> gl_surfaces;
};

GlState& gl() {
  static GlState* s = new GlState;  // outlives every texture and surface
  return *s;
}

// ---- object bookkeeping ---------------------------------------------------------

GLuint gen_buffer() {
  GLuint b = 0;
  glGenBuffers(1, &b);
  ++gl().live;
  return b;
}
GLuint gen_texture() {
  GLuint t = 0;
  glGenTextures(1, &t);
  ++gl().live;
  return t;
}
GLuint gen_vao() {
  GLuint v = 0;
  glGenVertexArrays(1, &v);
  ++gl().live;
  return v;
}
GLuint gen_fbo() {
  GLuint f = 0;
  glGenFramebuffers(1, &f);
  ++gl().live;
  return f;
}
GLuint gen_rbo() {
  GLuint r = 0;
  glGenRenderbuffers(1, &r);
  ++gl().live;
  return r;
}
void del_buffer(GLuint& b) {
  if (!b) return;
  glDeleteBuffers(1, &b);
  b = 0;
  --gl().live;
}
void del_texture(GLuint& t) {
  if (!t) return;
  glDeleteTextures(1, &t);
  t = 0;
  --gl().live;
}
void del_vao(GLuint& v) {
  if (!v) return;
  glDeleteVertexArrays(1, &v);
  v = 0;
  --gl().live;
}
void del_fbo(GLuint& f) {
  if (!f) return;
  glDeleteFramebuffers(1, &f);
  f = 0;
  --gl().live;
}
void del_rbo(GLuint& r) {
  if (!r) return;
  glDeleteRenderbuffers(1, &r);
  r = 0;
  --gl().live;
}
void del_program(GLuint& p) {
  if (!p) return;
  glDeleteProgram(p);
  p = 0;
  --gl().live;
}

// The context we set up is still the current one and alive.
bool context_alive() {
  GlState& g = gl();
  if (!g.ready) return false;
  if (!HasPlatform() || &CurrentPlatform() != g.owner || !g.owner->display_open() || !g.owner->has_gl())
    return false;
  return true;
}

void forget_all();

// Usable GL: set up, and the context was not closed behind our back.
bool usable() {
  GlState& g = gl();
  if (!g.ready) return false;
  if (!context_alive()) {
    forget_all();
    return false;
  }
  return true;
}

// ---- shaders -----------------------------------------------------------------------

GLuint compile(GLenum type, const std::string& src) {
  GLuint s = glCreateShader(type);
  const char* p = src.c_str();
  glShaderSource(s, 1, &p, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetShaderInfoLog(s, sizeof log, nullptr, log);
    std::fprintf(stderr, "Ironfold: shader compile failed: %s\n", log);
  }
  return s;
}

GLuint link(const std::string& vs, const std::string& fs) {
  GLuint v = compile(GL_VERTEX_SHADER, vs), f = compile(GL_FRAGMENT_SHADER, fs);
  GLuint p = glCreateProgram();
  glAttachShader(p, v);
  glAttachShader(p, f);
  glLinkProgram(p);
  glDeleteShader(v);
  glDeleteShader(f);
  GLint ok = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetProgramInfoLog(p, sizeof log, nullptr, log);
    std::fprintf(stderr, "Ironfold: shader link failed: %s\n", log);
  }
  ++gl().live;
  return p;
}

// Variant bits: layer modes (texture blend + 1, 0 = no layer) in bits 0-2 and
// 3-5; 64 lit; 128 vertex colours; 256 alpha test; 512 vertex alpha; 1024
// both sides lit; 2048 specular highlight; 4096 flat triangles (the normal is
// not interpolated, and without a normal map the light is worked out per
// vertex); the number of directional lights from bit 13 (a constant loop bound
// is cheaper per pixel on software renderers).
enum : std::uint32_t {
  kLit = 64,
  kVertexColor = 128,
  kAlphaTest = 256,
  kVertexAlpha = 512,
  kTwoSided = 1024,
  kSpecular = 2048,
  kFlat = 4096
};
constexpr int kLightShift = 13;

const char* kVertexShader = R"(
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_nrm;
layout(location = 2) in vec2 a_uv0;
layout(location = 3) in vec2 a_uv1;
layout(location = 4) in vec4 a_col;
layout(location = 5) in vec4 i_row0;
layout(location = 6) in vec4 i_row1;
layout(location = 7) in vec4 i_row2;
layout(location = 8) in vec4 i_color;
layout(location = 9) in vec4 i_frames;
uniform mat4 u_viewproj;
uniform vec2 u_scale0;
uniform vec2 u_scale1;
out vec3 v_wpos;
#ifdef FLAT
flat out vec3 v_nrm;
#else
out vec3 v_nrm;
#endif
#ifdef VERTEX_LIGHT
uniform vec3 u_ambient;
#if NLIGHTS > 0
uniform vec3 u_ldir[NLIGHTS];
uniform vec3 u_lcol[NLIGHTS];
#endif
flat out vec3 v_light;
#endif
out vec3 v_uv0;
out vec3 v_uv1;
out vec4 v_col;
void main() {
  vec4 r0 = i_row0, r1 = i_row1, r2 = i_row2, col = i_color, frm = i_frames;
  vec4 p = vec4(a_pos, 1.0);
  vec3 w = vec3(dot(r0, p), dot(r1, p), dot(r2, p));
  v_wpos = w;
  gl_Position = u_viewproj * vec4(w, 1.0);
#ifdef LIT
  vec3 c0 = vec3(r0.x, r1.x, r2.x), c1 = vec3(r0.y, r1.y, r2.y), c2 = vec3(r0.z, r1.z, r2.z);
  vec3 x12 = cross(c1, c2);
  // inverse transpose up to a positive factor: keeps normals right under any scale
  v_nrm = mat3(x12, cross(c2, c0), cross(c0, c1)) * a_nrm * sign(dot(c0, x12));
#ifdef FLAT
  v_nrm = normalize(v_nrm);
#endif
#ifdef VERTEX_LIGHT
  // Flat triangles: the same light as per pixel, worked out once.
  vec3 light = u_ambient;
#if NLIGHTS > 0
  for (int i = 0; i < NLIGHTS; ++i) light += u_lcol[i] * max(dot(v_nrm, -u_ldir[i]), 0.0);
#endif
  v_light = light;
#endif
#else
  v_nrm = vec3(0.0, 1.0, 0.0);
#endif
  v_uv0 = vec3(a_uv0 / u_scale0, frm.x);
  v_uv1 = vec3(a_uv1 / u_scale1, frm.y);
#ifdef VERTEX_COLOR
  col.rgb *= a_col.rgb;
#endif
#ifdef VERTEX_ALPHA
  col.a *= a_col.a;
#endif
  v_col = col;
}
)";

const char* kFragmentShader = R"(
in vec3 v_wpos;
#ifdef FLAT
flat in vec3 v_nrm;
#else
in vec3 v_nrm;
#endif
#ifdef VERTEX_LIGHT
flat in vec3 v_light;
#endif
in vec3 v_uv0;
in vec3 v_uv1;
in vec4 v_col;
uniform sampler2DArray u_tex0;
uniform sampler2DArray u_tex1;
uniform vec3 u_ambient;
uniform vec3 u_eye;
uniform float u_shininess;
#if NLIGHTS > 0
uniform vec3 u_ldir[NLIGHTS];
uniform vec3 u_lcol[NLIGHTS];
#endif
out vec4 o_color;

vec4 apply_layer(vec4 base, vec4 t, int mode) {
  if (mode == 1) return vec4(t.rgb, base.a * t.a);                 // replace
  if (mode == 2) return vec4(mix(base.rgb, t.rgb, t.a), base.a);   // alpha
  if (mode == 3) return base * t;                                  // multiply
  if (mode == 4) return vec4(base.rgb + t.rgb, base.a);            // add
  if (mode == 6) return vec4(base.rgb * t.rgb * 2.0, base.a * t.a); // multiply 2x
  return base;                                                     // dot3: in the lighting
}

// Tangent frame from screen-space derivatives, for the normal-map layer. The
// world is left-handed, so the perpendiculars are taken the other way round
// from the usual right-handed derivation.
vec3 perturb(vec3 n, vec3 p, vec2 uv, vec3 tn) {
  vec3 dp1 = dFdx(p), dp2 = dFdy(p);
  vec2 duv1 = dFdx(uv), duv2 = dFdy(uv);
  vec3 dp2perp = cross(n, dp2), dp1perp = cross(dp1, n);
  vec3 t = dp2perp * duv1.x + dp1perp * duv2.x;
  vec3 b = dp2perp * duv1.y + dp1perp * duv2.y;
  float m = max(dot(t, t), dot(b, b));
  if (m < 1e-20) return n;
  float inv = inversesqrt(m);
  return normalize(mat3(t * inv, -b * inv, n) * tn);
}

void main() {
  vec4 base = v_col;
#ifdef VERTEX_LIGHT
  base.rgb *= v_light;
#elif defined(LIT)
#ifdef FLAT
  vec3 n = v_nrm;  // normalised once per triangle
#else
  vec3 n = normalize(v_nrm);
#endif
#ifdef TWO_SIDED
  if (!gl_FrontFacing) n = -n;
#endif
#if MODE0 == 5
  n = perturb(n, v_wpos, v_uv0.xy, texture(u_tex0, v_uv0).xyz * 2.0 - 1.0);
#endif
#if MODE1 == 5
  n = perturb(n, v_wpos, v_uv1.xy, texture(u_tex1, v_uv1).xyz * 2.0 - 1.0);
#endif
  vec3 light = u_ambient;
#ifdef SPECULAR
  vec3 spec = vec3(0.0);
  vec3 to_eye = normalize(u_eye - v_wpos);
#endif
#if NLIGHTS > 0
  for (int i = 0; i < NLIGHTS; ++i) {
    light += u_lcol[i] * max(dot(n, -u_ldir[i]), 0.0);
#ifdef SPECULAR
    spec += u_lcol[i] * pow(max(dot(n, normalize(to_eye - u_ldir[i])), 0.0), 32.0);
#endif
  }
#endif
  base.rgb *= light;
#endif
#if MODE0 != 0 && MODE0 != 5
  base = apply_layer(base, texture(u_tex0, v_uv0), MODE0);
#endif
#if MODE1 != 0 && MODE1 != 5
  base = apply_layer(base, texture(u_tex1, v_uv1), MODE1);
#endif
#ifdef SPECULAR
  base.rgb += spec * u_shininess;
#endif
#ifdef ALPHA_TEST
  if (base.a < 0.5) discard;
#endif
  o_color = clamp(base, 0.0, 1.0);
}
)";

Program& program(std::uint32_t variant) {
  GlState& g = gl();
  auto it = g.programs.find(variant);
  if (it != g.programs.end()) return it->second;
  std::string defs = "#version 330 core\n";
  defs += "#define MODE0 " + std::to_string(variant & 7) + "\n";
  defs += "#define MODE1 " + std::to_string((variant >> 3) & 7) + "\n";
  if (variant & kLit) defs += "#define LIT\n";
  if (variant & kVertexColor) defs += "#define VERTEX_COLOR\n";
  if (variant & kAlphaTest) defs += "#define ALPHA_TEST\n";
  if (variant & kVertexAlpha) defs += "#define VERTEX_ALPHA\n";
  if (variant & kTwoSided) defs += "#define TWO_SIDED\n";
  if (variant & kSpecular) defs += "#define SPECULAR\n";
  if ((variant & kFlat) && (variant & kLit)) {
    defs += "#define FLAT\n";
    const bool normal_map = (variant & 7) == 5 || ((variant >> 3) & 7) == 5;
    if (!normal_map && !(variant & (kSpecular | kTwoSided))) defs += "#define VERTEX_LIGHT\n";
  }
  defs += "#define NLIGHTS " + std::to_string(variant >> kLightShift) + "\n";
  Program p;
  p.id = link(defs + kVertexShader, defs + kFragmentShader);
  p.u_viewproj = glGetUniformLocation(p.id, "u_viewproj");
  p.u_tex0 = glGetUniformLocation(p.id, "u_tex0");
  p.u_tex1 = glGetUniformLocation(p.id, "u_tex1");
  p.u_scale0 = glGetUniformLocation(p.id, "u_scale0");
  p.u_scale1 = glGetUniformLocation(p.id, "u_scale1");
  p.u_ambient = glGetUniformLocation(p.id, "u_ambient");
  p.u_ldir = glGetUniformLocation(p.id, "u_ldir");
  p.u_eye = glGetUniformLocation(p.id, "u_eye");
  p.u_shininess = glGetUniformLocation(p.id, "u_shininess");
  p.u_lcol = glGetUniformLocation(p.id, "u_lcol");
  glUseProgram(p.id);
  glUniform1i(p.u_tex0, 1);
  glUniform1i(p.u_tex1, 2);
  return g.programs.emplace(variant, p).first->second;
}

// ---- textures and surfaces on the GPU ----------------------------------------------

void track(std::vector<Texture*>& v, Texture* t) { v.push_back(t); }
void untrack(std::vector<Texture*>& v, Texture* t) {
  auto it = std::find(v.begin(), v.end(), t);
  if (it != v.end()) {
    *it = v.back();
    v.pop_back();
  }
}
void untrack(std::vector<Surface*>& v, Surface* s) {
  auto it = std::find(v.begin(), v.end(), s);
  if (it != v.end()) {
    *it = v.back();
    v.pop_back();
  }
}

GLint max_texture_size() {
  GLint m = 4096;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &m);
  return m;
}

// Makes sure the texture has an up-to-date GL array texture; 0 when it cannot.
GLuint ensure_texture(Texture& t) {
  if (t.freed || t.width <= 0 || t.height <= 0) return 0;
  if (t.gl_name && !t.gl_dirty) return t.gl_name;
  static GLint max_size = 0;
  if (!max_size) max_size = max_texture_size();
  if (t.width > max_size || t.height > max_size) return 0;
  const bool fresh = t.gl_name == 0;
  if (fresh) {
    t.gl_name = gen_texture();
    track(gl().gl_textures, &t);
  }
  glActiveTexture(GL_TEXTURE3);
  glBindTexture(GL_TEXTURE_2D_ARRAY, t.gl_name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (fresh) {
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA8, t.width, t.height, t.frames, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 t.pixels.data());
    // Bilinear within the nearest mip level: on a software renderer this
    // shades almost twice as fast as trilinear, and seen from above the game
    // shows no visible seams between levels.
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_T, GL_REPEAT);
  } else {
    glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, t.width, t.height, t.frames, GL_RGBA, GL_UNSIGNED_BYTE,
                    t.pixels.data());
  }
  glGenerateMipmap(GL_TEXTURE_2D_ARRAY);
  t.gl_dirty = false;
  return t.gl_name;
}

struct GpuVertex {
  float p[3], n[3], uv0[2], uv1[2], c[4];
};

void setup_vertex_layout() {
  const GLsizei stride = sizeof(GpuVertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, p)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, n)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, uv0)));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, uv1)));
  glEnableVertexAttribArray(4);
  glVertexAttribPointer(4, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GpuVertex, c)));
  for (GLuint k = 0; k < kInstanceVec4s; ++k) {
    glEnableVertexAttribArray(kInstanceAttrib + k);
    glVertexAttribDivisor(kInstanceAttrib + k, 1);
  }
}

bool ensure_surface(Surface& s) {
  if (s.idx.empty() || s.verts.empty()) return false;
  GlState& g = gl();
  if (!s.gl_vao) {
    s.gl_vao = gen_vao();
    s.gl_vbo = gen_buffer();
    s.gl_ibo = gen_buffer();
    g.gl_surfaces.push_back(&s);
    glBindVertexArray(s.gl_vao);
    glBindBuffer(GL_ARRAY_BUFFER, s.gl_vbo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.gl_ibo);
    setup_vertex_layout();
    s.gl_version = 0;
  }
  if (s.gl_version != s.version || s.gl_version == 0) {
    // Vertices never given a normal (built by hand, no UpdateNormals) get one
    // from their triangles, so that they are lit rather than black.
    std::vector<Vec3> auto_n;
    bool need_auto = false;
    for (const auto& v : s.verts)
      if (v.n.x == 0 && v.n.y == 0 && v.n.z == 0) need_auto = true;
    if (need_auto) {
      auto_n.assign(s.verts.size(), Vec3{});
      for (std::size_t i = 0; i + 2 < s.idx.size(); i += 3) {
        const Vec3 n = cross(s.verts[s.idx[i + 1]].p - s.verts[s.idx[i]].p, s.verts[s.idx[i + 2]].p - s.verts[s.idx[i]].p);
        for (int k = 0; k < 3; ++k) auto_n[s.idx[i + k]] += n;
      }
    }
    std::vector<GpuVertex> buf(s.verts.size());
    for (std::size_t i = 0; i < s.verts.size(); ++i) {
      const auto& v = s.verts[i];
      Vec3 n = v.n;
      if (need_auto && n.x == 0 && n.y == 0 && n.z == 0) n = normalize(auto_n[i]);
      buf[i] = {{v.p.x, v.p.y, v.p.z}, {n.x, n.y, n.z}, {v.u, v.v}, {v.u2, v.v2}, {v.r, v.g, v.b, v.a}};
    }
    s.gl_flat = true;
    for (std::size_t i = 0; i + 2 < s.idx.size() && s.gl_flat; i += 3) {
      const float* n0 = buf[s.idx[i]].n;
      for (int k = 1; k < 3; ++k)
        if (std::memcmp(n0, buf[s.idx[i + k]].n, sizeof buf[0].n) != 0) s.gl_flat = false;
    }
    glBindVertexArray(s.gl_vao);
    glBindBuffer(GL_ARRAY_BUFFER, s.gl_vbo);
    const std::size_t vbytes = buf.size() * sizeof(GpuVertex), ibytes = s.idx.size() * 4;
    if (vbytes > s.gl_vcap) {
      glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vbytes), buf.data(), GL_DYNAMIC_DRAW);
      s.gl_vcap = vbytes;
    } else {
      glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vbytes), buf.data());
    }
    if (ibytes > s.gl_icap) {
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(ibytes), s.idx.data(), GL_DYNAMIC_DRAW);
      s.gl_icap = ibytes;
    } else {
      glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(ibytes), s.idx.data());
    }
    s.gl_version = s.version ? s.version : 1;
    if (s.version == 0) s.version = 1;
  }
  return true;
}

// ---- framebuffers ---------------------------------------------------------------------

void make_color_depth_fbo(GLuint& fbo, GLuint& color, GLuint& depth, int samples) {
  GlState& g = gl();
  fbo = gen_fbo();
  color = gen_rbo();
  depth = gen_rbo();
  glBindRenderbuffer(GL_RENDERBUFFER, color);
  if (samples > 0)
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, g.width, g.height);
  else
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, g.width, g.height);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  if (samples > 0)
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, g.width, g.height);
  else
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, g.width, g.height);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
}

void drop_msaa() {
  GlState& g = gl();
  del_fbo(g.msaa_fbo);
  del_rbo(g.msaa_color);
  del_rbo(g.msaa_depth);
  g.samples = 0;
}

void setup_msaa() {
  GlState& g = gl();
  drop_msaa();
  if (!g.want_aa) return;
  GLint max_samples = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &max_samples);
  const int samples = std::min(4, static_cast<int>(max_samples));
  if (samples < 2) return;
  make_color_depth_fbo(g.msaa_fbo, g.msaa_color, g.msaa_depth, samples);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    drop_msaa();
    return;
  }
  g.samples = samples;
  // The single-sample buffer receives the resolve (read-backs, and offscreen).
  if (!g.fbo) make_color_depth_fbo(g.fbo, g.fbo_color, g.fbo_depth, 0);
}

GLuint draw_target() {
  GlState& g = gl();
  if (g.msaa_fbo) return g.msaa_fbo;
  return g.offscreen ? g.fbo : 0;
}

// Framebuffer holding the finished picture for reading (resolving first).
GLuint read_target() {
  GlState& g = gl();
  if (g.msaa_fbo) {
    glDisable(GL_SCISSOR_TEST);  // blits are clipped by it
    glBindFramebuffer(GL_READ_FRAMEBUFFER, g.msaa_fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g.fbo);
    glBlitFramebuffer(0, 0, g.width, g.height, 0, 0, g.width, g.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return g.fbo;
  }
  return g.offscreen ? g.fbo : 0;
}

void bind_draw_target() {
  const GLuint t = draw_target();
  glBindFramebuffer(GL_FRAMEBUFFER, t);
  if (t == 0) glDrawBuffer(GL_BACK);
}

// ---- set-up and teardown ----------------------------------------------------------------

void setup_static_objects() {
  GlState& g = gl();
  // per-instance data, read as instanced vertex attributes
  g.inst_buf = gen_buffer();
  glBindBuffer(GL_ARRAY_BUFFER, g.inst_buf);
  glBufferData(GL_ARRAY_BUFFER, 64 * 1024, nullptr, GL_STREAM_DRAW);

  // the sprite quad: half-size 1, seen clockwise from -z
  const GpuVertex quad[4] = {{{-1, 1, 0}, {0, 0, -1}, {0, 0}, {0, 0}, {1, 1, 1, 1}},
                             {{1, 1, 0}, {0, 0, -1}, {1, 0}, {1, 0}, {1, 1, 1, 1}},
                             {{1, -1, 0}, {0, 0, -1}, {1, 1}, {1, 1}, {1, 1, 1, 1}},
                             {{-1, -1, 0}, {0, 0, -1}, {0, 1}, {0, 1}, {1, 1, 1, 1}}};
  const std::uint32_t qidx[6] = {0, 1, 2, 0, 2, 3};
  g.sprite_vao = gen_vao();
  g.sprite_vbo = gen_buffer();
  g.sprite_ibo = gen_buffer();
  glBindVertexArray(g.sprite_vao);
  glBindBuffer(GL_ARRAY_BUFFER, g.sprite_vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g.sprite_ibo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof qidx, qidx, GL_STATIC_DRAW);
  setup_vertex_layout();

  // a white texel for layers without a texture
  g.white_tex = gen_texture();
  const std::uint8_t white[4] = {255, 255, 255, 255};
  glActiveTexture(GL_TEXTURE3);
  glBindTexture(GL_TEXTURE_2D_ARRAY, g.white_tex);
  glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA8, 1, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

  // text: the font atlas and a streaming quad buffer
  g.font_tex = gen_texture();
  glBindTexture(GL_TEXTURE_2D, g.font_tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, font::kAtlasW, font::kAtlasH, 0, GL_RED, GL_UNSIGNED_BYTE, font::kAtlas);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  g.text_vao = gen_vao();
  g.text_vbo = gen_buffer();
  glBindVertexArray(g.text_vao);
  glBindBuffer(GL_ARRAY_BUFFER, g.text_vbo);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 16, nullptr);
  g.text_prog = link(R"(#version 330 core
layout(location = 0) in vec4 a_xyuv;
uniform vec2 u_screen;
out vec2 v_uv;
void main() {
  v_uv = a_xyuv.zw;
  gl_Position = vec4(a_xyuv.x / u_screen.x * 2.0 - 1.0, 1.0 - a_xyuv.y / u_screen.y * 2.0, 0.0, 1.0);
}
)",
                     R"(#version 330 core
in vec2 v_uv;
uniform sampler2D u_font;
out vec4 o_color;
void main() {
  float a = texture(u_font, v_uv).r;
  if (a < 0.02) discard;
  o_color = vec4(1.0, 1.0, 1.0, a);
}
)");
  g.text_u_screen = glGetUniformLocation(g.text_prog, "u_screen");
  g.text_u_font = glGetUniformLocation(g.text_prog, "u_font");
  glBindVertexArray(0);
}

// Zeroes every GL name without deleting: the context they lived in is gone.
void forget_all() {
  GlState& g = gl();
  for (Texture* t : g.gl_textures) {
    t->gl_name = 0;
    t->gl_dirty = true;
  }
  for (Surface* s : g.gl_surfaces) {
    s->gl_vao = s->gl_vbo = s->gl_ibo = 0;
    s->gl_version = 0;
    s->gl_vcap = s->gl_icap = 0;
  }
  const bool want_aa = g.want_aa;
  g = GlState{};
  g.want_aa = want_aa;
}

// Deletes every GL object we own while the context is still current.
void release_all() {
  GlState& g = gl();
  if (!g.ready) return;
  if (!context_alive()) {
    forget_all();
    return;
  }
  for (Texture* t : g.gl_textures) {
    del_texture(t->gl_name);
    t->gl_dirty = true;
  }
  g.gl_textures.clear();
  for (Surface* s : g.gl_surfaces) {
    del_vao(s->gl_vao);
    del_buffer(s->gl_vbo);
    del_buffer(s->gl_ibo);
    s->gl_version = 0;
    s->gl_vcap = s->gl_icap = 0;
  }
  g.gl_surfaces.clear();
  for (auto& kv : g.programs) del_program(kv.second.id);
  g.programs.clear();
  del_program(g.text_prog);
  del_vao(g.text_vao);
  del_buffer(g.text_vbo);
  del_texture(g.font_tex);
  del_texture(g.white_tex);
  del_vao(g.sprite_vao);
  del_buffer(g.sprite_vbo);
  del_buffer(g.sprite_ibo);
  del_buffer(g.inst_buf);
  drop_msaa();
  del_fbo(g.fbo);
  del_rbo(g.fbo_color);
  del_rbo(g.fbo_depth);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glFinish();
  if (g.live != 0) std::fprintf(stderr, "Ironfold: %d GL objects left at display close\n", g.live);
  forget_all();
}

bool init_gl(Platform& p, int w, int h) {
  GlState& g = gl();
  glewExperimental = GL_TRUE;
  const GLenum err = glewInit();
  // A GLEW built for GLX reports a missing GLX display under EGL; the core
  // entry points are still loaded then.
  if (err != GLEW_OK && !(err == GLEW_ERROR_NO_GLX_DISPLAY && glGenVertexArrays != nullptr)) {
    std::fprintf(stderr, "Ironfold: cannot initialise OpenGL: %s\n",
                 reinterpret_cast<const char*>(glewGetErrorString(err)));
    return false;
  }
  while (glGetError() != GL_NO_ERROR) {
  }
  g.owner = &p;
  g.width = w;
  g.height = h;
  g.offscreen = p.offscreen();
  g.ready = true;
  if (g.offscreen) {
    make_color_depth_fbo(g.fbo, g.fbo_color, g.fbo_depth, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      std::fprintf(stderr, "Ironfold: cannot create the offscreen frame buffer\n");
      release_all();
      return false;
    }
  }
  setup_static_objects();
  setup_msaa();
  bind_draw_target();
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return true;
}

// ---- drawing ------------------------------------------------------------------------------

struct Item {
  const Surface* surf = nullptr;  // null: the sprite quad
  Texture* tex[2] = {nullptr, nullptr};
  float frame[2] = {0, 0};
  std::uint32_t variant = 0;
  bool blended = false;
  bool mirrored = false;
  bool two_sided = false;
  float depth = 0;
  float m[12];
  float col[4];
};

struct LightInfo {
  float dir[3];
  float col[3];
};

int blend_mode(const Texture* t) {
  const int b = std::clamp(t->blend, 0, 5);
  return b + 1;
}

// Fills an item's material from the entity and a brush; false when nothing is drawn.
void set_material(Item& it, const Entity* e, const scene::Brush* brush, bool lit) {
  float r = e->r, g = e->g, b = e->b, a = e->alpha;
  int fx = 0;
  if (brush) {
    r *= brush->r;
    g *= brush->g;
    b *= brush->b;
    a *= brush->a;
    fx = brush->fx;
  }
  it.col[0] = r;
  it.col[1] = g;
  it.col[2] = b;
  it.col[3] = a;
  std::uint32_t v = 0;
  bool blended = a < 0.999f, masked = false;
  for (int layer = 0; layer < 2; ++layer) {
    Texture* t = e->tex[layer].get();
    int frame = e->frame[layer];
    if ((!t || t->freed) && brush) {
      t = brush->tex[layer].get();
      frame = brush->frame[layer];
    }
    if (t && t->freed) t = nullptr;
    if (!t) continue;
    it.tex[layer] = t;
    it.frame[layer] = static_cast<float>(std::clamp(frame, 0, t->frames - 1));
    v |= static_cast<std::uint32_t>(blend_mode(t)) << (3 * layer);
    if (t->alpha_blend()) blended = true;
    if (t->masked()) masked = true;
  }
  if (lit && !(fx & 1)) v |= kLit;
  if (fx & 2) v |= kVertexColor;
  if (fx & 32) {
    v |= kVertexAlpha;
    blended = true;
  }
  if (masked) v |= kAlphaTest;
  it.two_sided = (fx & 16) != 0;
  if (it.two_sided && (v & kLit)) v |= kTwoSided;
  if (brush && brush->shininess > 0 && (v & kLit)) v |= kSpecular;
  it.variant = v;
  it.blended = blended;
}

void put_matrix(Item& it, const Mat4& m) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) it.m[r * 4 + c] = m.at(r, c);
}

bool same_batch(const Item& a, const Item& b) {
  return a.surf == b.surf && a.variant == b.variant && a.tex[0] == b.tex[0] && a.tex[1] == b.tex[1] &&
         a.mirrored == b.mirrored && a.two_sided == b.two_sided && a.blended == b.blended;
}

struct Frustum {
  Mat4 view;
  float sx, sy, near_z, far_z;
  // sphere test in view space
  bool visible(const Vec3& wc, float r) const {
    const Vec3 c = view.transform_point(wc);
    if (c.z + r < near_z || c.z - r > far_z) return false;
    // side planes x = +-z / sx (normalised)
    const float nx = 1.0f / std::sqrt(1 + 1.0f / (sx * sx)), ny = 1.0f / std::sqrt(1 + 1.0f / (sy * sy));
    if ((c.x - c.z / sx) * nx > r || (-c.x - c.z / sx) * nx > r) return false;
    if ((c.y - c.z / sy) * ny > r || (-c.y - c.z / sy) * ny > r) return false;
    return true;
  }
};

struct FrameScene {
  std::vector<Entity*> meshes;
  std::vector<Entity*> sprites;
  std::vector<Entity*> cameras;
  std::vector<LightInfo> lights;
};

void gather(FrameScene& fs) {
  for (auto& kv : scene::world().entities) {
    Entity* e = kv.second.get();
    switch (e->kind) {
      case Kind::Mesh:
        if (e->mesh && !e->mesh->surfaces.empty() && e->alpha > 0 && scene::shown(e)) fs.meshes.push_back(e);
        break;
      case Kind::Sprite:
        if (e->alpha > 0 && scene::shown(e)) fs.sprites.push_back(e);
        break;
      case Kind::Camera:
        if (scene::shown(e)) fs.cameras.push_back(e);
        break;
      case Kind::Light:
        if (scene::shown(e) && static_cast<int>(fs.lights.size()) < kMaxLights) {
          const Vec3 d = normalize(scene::world_of(e).transform_dir({0, 0, 1}));
          fs.lights.push_back({{d.x, d.y, d.z}, {e->light_r, e->light_g, e->light_b}});
        }
        break;
      default:
        break;
    }
  }
}

void draw_camera(Entity* cam, const FrameScene& fs, std::vector<Item>& items, std::vector<float>& inst) {
  GlState& g = gl();
  int vx = cam->vp_x, vy = cam->vp_y, vw = cam->vp_w, vh = cam->vp_h;
  if (vw < 0 || vh < 0) {
    vx = vy = 0;
    vw = g.width;
    vh = g.height;
  }
  if (vw <= 0 || vh <= 0) return;
  const int gl_y = g.height - vy - vh;
  glViewport(vx, gl_y, vw, vh);
  glEnable(GL_SCISSOR_TEST);
  glScissor(vx, gl_y, vw, vh);
  glClearColor(cam->cls_r, cam->cls_g, cam->cls_b, 1);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  const Mat4 cam_world = scene::world_of(cam);
  const Mat4 cam_rot = mat_rotation_of(cam_world);
  Mat4 cam_rigid = cam_rot;
  cam_rigid.at(0, 3) = cam_world.at(0, 3);
  cam_rigid.at(1, 3) = cam_world.at(1, 3);
  cam_rigid.at(2, 3) = cam_world.at(2, 3);
  const Mat4 view = affine_inverse(cam_rigid);
  const float n = cam->near_z, f = cam->far_z;
  const float sx = cam->zoom, sy = cam->zoom * static_cast<float>(vw) / static_cast<float>(vh);
  Mat4 proj;
  proj.m[0] = sx;
  proj.m[5] = sy;
  proj.m[10] = (f + n) / (f - n);
  proj.m[11] = 1;
  proj.m[14] = -2 * f * n / (f - n);
  proj.m[15] = 0;
  const Mat4 viewproj = proj * view;
  const Frustum fr{view, sx, sy, n, f};
  const Vec3 cam_pos = cam_world.translation();
  const Vec3 cam_fwd = cam_rot.transform_dir({0, 0, 1});

  items.clear();
  for (Entity* e : fs.meshes) {
    const Mat4& w = scene::world_of(e);
    scene::MeshData& md = *e->mesh;
    md.update_bounds();
    const Vec3 sc = mat_scale_of(w);
    const float r = md.radius * std::max(sc.x, std::max(sc.y, sc.z));
    const Vec3 wc = w.transform_point(md.center);
    if (!fr.visible(wc, r)) continue;
    const Vec3 c0{w.at(0, 0), w.at(1, 0), w.at(2, 0)}, c1{w.at(0, 1), w.at(1, 1), w.at(2, 1)},
        c2{w.at(0, 2), w.at(1, 2), w.at(2, 2)};
    const bool mirrored = dot(c0, cross(c1, c2)) < 0;
    const float depth = dot(wc - cam_pos, cam_fwd);
    for (const auto& sp : md.surfaces) {
      if (sp->idx.empty()) continue;
      Item it;
      it.surf = sp.get();
      set_material(it, e, &sp->brush, true);
      if (it.col[3] <= 0) continue;
      if (!ensure_surface(*sp)) continue;
      if ((it.variant & kLit) && sp->gl_flat) it.variant |= kFlat;
      if (it.variant & kLit) it.variant |= static_cast<std::uint32_t>(fs.lights.size()) << kLightShift;
      it.mirrored = mirrored;
      it.depth = depth;
      put_matrix(it, w);
      items.push_back(it);
    }
  }
  for (Entity* e : fs.sprites) {
    const Mat4& w = scene::world_of(e);
    const Vec3 pos = w.translation();
    const Vec3 sc = mat_scale_of(w);
    const float hx = e->sprite_sx * sc.x, hy = e->sprite_sy * sc.y;
    if (!fr.visible(pos, 1.5f * std::max(std::fabs(hx), std::fabs(hy)))) continue;
    Mat4 m;
    switch (e->view_mode) {
      case 2:  // free: its own orientation
        m = w * mat_scale({e->sprite_sx, e->sprite_sy, 1});
        break;
      case 4: {  // upright, turned toward the camera's position
        const Vec3 d = cam_pos - pos;
        const float yaw = std::atan2(d.x, -d.z) * kRadToDeg;
        m = mat_translate(pos) * mat_rotate(0, yaw, 0) * mat_scale({hx, hy, 1});
        break;
      }
      default:  // 1 and 3: parallel to the view, rolled by its own roll
        m = mat_translate(pos) * cam_rot * mat_rotate(0, 0, e->rot.z) * mat_scale({hx, hy, 1});
        break;
    }
    Item it;
    it.surf = nullptr;
    set_material(it, e, nullptr, false);
    it.two_sided = true;
    it.depth = dot(pos - cam_pos, cam_fwd);
    put_matrix(it, m);
    items.push_back(it);
  }
  if (items.empty()) return;

  // Opaque first, grouped to share state; then blended ones back to front.
  static std::vector<const Item*> order, grouped;
  order.clear();
  for (const Item& it : items) order.push_back(&it);
  const auto opaque_end = std::stable_partition(order.begin(), order.end(), [](const Item* i) { return !i->blended; });
  std::sort(order.begin(), opaque_end, [](const Item* a, const Item* b) {
    if (a->variant != b->variant) return a->variant < b->variant;
    if (a->tex[0] != b->tex[0]) return a->tex[0] < b->tex[0];
    if (a->tex[1] != b->tex[1]) return a->tex[1] < b->tex[1];
    if (a->surf != b->surf) return a->surf < b->surf;
    if (a->mirrored != b->mirrored) return a->mirrored < b->mirrored;
    if (a->two_sided != b->two_sided) return a->two_sided < b->two_sided;
    return a->depth < b->depth;
  });
  // Opaque batches nearest first (each already front to back inside), so the
  // depth test rejects hidden pixels before they are shaded: the ground, whose
  // centre lies beyond what stands on it, comes after. Alpha-tested batches
  // come last, as discarding shaders cannot test depth early.
  {
    struct Group {
      bool alpha_test;
      float depth;
      std::size_t begin, end;
    };
    static std::vector<Group> groups;
    groups.clear();
    const std::size_t n_opaque = static_cast<std::size_t>(opaque_end - order.begin());
    for (std::size_t i = 0; i < n_opaque;) {
      std::size_t j = i + 1;
      while (j < n_opaque && same_batch(*order[i], *order[j])) ++j;
      groups.push_back({(order[i]->variant & kAlphaTest) != 0, order[i]->depth, i, j});
      i = j;
    }
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
      if (a.alpha_test != b.alpha_test) return b.alpha_test;
      return a.depth < b.depth;
    });
    grouped.clear();
    for (const Group& gr : groups) grouped.insert(grouped.end(), order.begin() + gr.begin, order.begin() + gr.end);
    std::copy(grouped.begin(), grouped.end(), order.begin());
  }
  std::stable_sort(opaque_end, order.end(), [](const Item* a, const Item* b) { return a->depth > b->depth; });

  // GPU resources for everything drawn
  for (const Item* it : order) {
    if (it->surf) ensure_surface(*const_cast<Surface*>(it->surf));
    for (Texture* t : it->tex)
      if (t) ensure_texture(*t);
  }

  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);

  float ambient[3] = {scene::world().ambient[0], scene::world().ambient[1], scene::world().ambient[2]};
  float ldir[kMaxLights * 3], lcol[kMaxLights * 3];
  for (std::size_t i = 0; i < fs.lights.size(); ++i)
    for (int k = 0; k < 3; ++k) {
      ldir[i * 3 + k] = fs.lights[i].dir[k];
      lcol[i * 3 + k] = fs.lights[i].col[k];
    }

  const Program* cur_prog = nullptr;
  int cur_state = -1;  // blended/mirrored/two-sided combination
  GLuint cur_vao = ~0u, cur_t0 = ~0u, cur_t1 = ~0u;

  {
    const std::size_t start = 0, end = order.size();
    inst.resize(end * kInstanceVec4s * 4);
    for (std::size_t i = start; i < end; ++i) {
      float* d = &inst[i * kInstanceVec4s * 4];
      const Item& it = *order[i];
      std::memcpy(d, it.m, sizeof it.m);
      std::memcpy(d + 12, it.col, sizeof it.col);
      d[16] = it.frame[0];
      d[17] = it.frame[1];
      d[18] = d[19] = 0;
    }
    glBindBuffer(GL_ARRAY_BUFFER, g.inst_buf);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(inst.size() * sizeof(float)), inst.data(), GL_STREAM_DRAW);

    for (std::size_t i = start; i < end;) {
      const Item& first = *order[i];
      std::size_t j = i + 1;
      // Blended items batch only with their neighbours in depth order.
      while (j < end && same_batch(first, *order[j])) ++j;
      const int count = static_cast<int>(j - i);

      const Program& p = program(first.variant);
      if (&p != cur_prog) {
        glUseProgram(p.id);
        glUniformMatrix4fv(p.u_viewproj, 1, GL_FALSE, viewproj.m);
        glUniform3fv(p.u_ambient, 1, ambient);
        glUniform3f(p.u_eye, cam_pos.x, cam_pos.y, cam_pos.z);
        if (!fs.lights.empty() && (first.variant & kLit)) {
          glUniform3fv(p.u_ldir, static_cast<GLsizei>(fs.lights.size()), ldir);
          glUniform3fv(p.u_lcol, static_cast<GLsizei>(fs.lights.size()), lcol);
        }
        cur_prog = &p;
      }
      const int state = (first.blended ? 1 : 0) | (first.mirrored ? 2 : 0) | (first.two_sided ? 4 : 0);
      if (state != cur_state) {
        if (first.blended) {
          glEnable(GL_BLEND);
          glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
          glDepthMask(GL_FALSE);
        } else {
          glDisable(GL_BLEND);
          glDepthMask(GL_TRUE);
        }
        if (first.two_sided)
          glDisable(GL_CULL_FACE);
        else
          glEnable(GL_CULL_FACE);
        glFrontFace(first.mirrored ? GL_CCW : GL_CW);
        cur_state = state;
      }
      const GLuint t0 = first.tex[0] ? first.tex[0]->gl_name : g.white_tex;
      const GLuint t1 = first.tex[1] ? first.tex[1]->gl_name : g.white_tex;
      if (t0 != cur_t0) {
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D_ARRAY, t0 ? t0 : g.white_tex);
        cur_t0 = t0;
      }
      if (t1 != cur_t1) {
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D_ARRAY, t1 ? t1 : g.white_tex);
        cur_t1 = t1;
      }
      if (first.variant & kSpecular) glUniform1f(p.u_shininess, first.surf ? first.surf->brush.shininess : 0);
      glUniform2f(p.u_scale0, first.tex[0] ? first.tex[0]->scale_u : 1, first.tex[0] ? first.tex[0]->scale_v : 1);
      glUniform2f(p.u_scale1, first.tex[1] ? first.tex[1]->scale_u : 1, first.tex[1] ? first.tex[1]->scale_v : 1);
      const GLuint vao = first.surf ? first.surf->gl_vao : g.sprite_vao;
      if (vao != cur_vao) {
        glBindVertexArray(vao);
        cur_vao = vao;
      }
      // This batch's instances start at item i of the instance buffer.
      glBindBuffer(GL_ARRAY_BUFFER, g.inst_buf);
      for (GLuint k = 0; k < kInstanceVec4s; ++k)
        glVertexAttribPointer(kInstanceAttrib + k, 4, GL_FLOAT, GL_FALSE, kInstanceVec4s * 16,
                              reinterpret_cast<void*>((i * kInstanceVec4s + k) * 16));
      const GLsizei nidx = first.surf ? static_cast<GLsizei>(first.surf->idx.size()) : 6;
      if (vao) {
        glDrawElementsInstanced(GL_TRIANGLES, nidx, GL_UNSIGNED_INT, nullptr, count);
        ++g.last_draw_calls;
      }
      i = j;
    }
  }
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glBindVertexArray(0);
}

}  // namespace

// ---- hooks from the scene ------------------------------------------------------------------

void release_texture(scene::Texture& t) {
  if (!t.gl_name) return;
  if (usable()) {
    del_texture(t.gl_name);
  } else {
    t.gl_name = 0;
  }
  untrack(gl().gl_textures, &t);
  t.gl_dirty = true;
}

void release_surface(scene::Surface& s) {
  if (!s.gl_vao && !s.gl_vbo && !s.gl_ibo) return;
  if (usable()) {
    del_vao(s.gl_vao);
    del_buffer(s.gl_vbo);
    del_buffer(s.gl_ibo);
  } else {
    s.gl_vao = s.gl_vbo = s.gl_ibo = 0;
  }
  untrack(gl().gl_surfaces, &s);
  s.gl_version = 0;
}

int live_gl_objects() { return gl().live; }
bool gl_ready() { return usable(); }
int multisample_samples() { return gl().samples; }

}  // namespace eng::render

// ---- public API ---------------------------------------------------------------------------------

namespace eng {

using render::gl;

bool Graphics3D(int width, int height, int depth, int mode, int rate) {
  Platform& p = CurrentPlatform();
  // Drop what belongs to an earlier display (or forget it if that context is gone).
  render::release_all();
  if (p.display_open()) p.close_display();
  DisplayRequest req;
  req.width = width;
  req.height = height;
  req.depth = depth;
  req.mode = mode;
  req.rate = rate;
  int w = 0, h = 0;
  if (!p.open_display(req, w, h)) return false;
  if (w <= 0 || h <= 0) {
    w = width;
    h = height;
  }
  auto& g = gl();
  g.width = w;
  g.height = h;
  if (p.has_gl() && !render::init_gl(p, w, h)) {
    // The window is open but cannot be drawn into: it still has its size.
    g.width = w;
    g.height = h;
  }
  return true;
}

void AntiAlias(int enable) {
  auto& g = gl();
  g.want_aa = enable != 0;
  if (render::usable()) {
    if (g.want_aa && !g.msaa_fbo)
      render::setup_msaa();
    else if (!g.want_aa && g.msaa_fbo)
      render::drop_msaa();
    render::bind_draw_target();
  }
}

int GraphicsWidth() { return gl().width; }
int GraphicsHeight() { return gl().height; }

void RenderWorld() {
  auto& g = gl();
  g.last_draw_calls = 0;
  if (!render::usable()) return;
  render::bind_draw_target();
  render::FrameScene fs;
  render::gather(fs);
  static std::vector<render::Item> items;
  static std::vector<float> inst;
  for (scene::Entity* cam : fs.cameras) render::draw_camera(cam, fs, items, inst);
  glViewport(0, 0, g.width, g.height);
}

void Text(int x, int y, const std::string& s) {
  auto& g = gl();
  if (s.empty() || !render::usable()) return;
  using namespace render::font;
  std::vector<float> v;
  v.reserve(s.size() * 24);
  const float aw = static_cast<float>(kAtlasW), ah = static_cast<float>(kAtlasH);
  int cx = x;
  for (unsigned char c : s) {
    if (c >= 32 && c < 127 && c != ' ') {
      const int i = c - 32;
      const float u0 = static_cast<float>((i % kCols) * kCellW) / aw, v0 = static_cast<float>((i / kCols) * kCellH) / ah;
      const float u1 = u0 + kCellW / aw, v1 = v0 + kCellH / ah;
      const float x0 = static_cast<float>(cx), y0 = static_cast<float>(y), x1 = x0 + kCellW, y1 = y0 + kCellH;
      const float q[24] = {x0, y0, u0, v0, x1, y0, u1, v0, x1, y1, u1, v1,
                           x0, y0, u0, v0, x1, y1, u1, v1, x0, y1, u0, v1};
      v.insert(v.end(), q, q + 24);
    }
    cx += kCellW;
  }
  if (v.empty()) return;
  render::bind_draw_target();
  glViewport(0, 0, g.width, g.height);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glUseProgram(g.text_prog);
  glUniform2f(g.text_u_screen, static_cast<float>(g.width), static_cast<float>(g.height));
  glUniform1i(g.text_u_font, 4);
  glActiveTexture(GL_TEXTURE4);
  glBindTexture(GL_TEXTURE_2D, g.font_tex);
  glBindVertexArray(g.text_vao);
  glBindBuffer(GL_ARRAY_BUFFER, g.text_vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(v.size() * sizeof(float)), v.data(), GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(v.size() / 4));
  glBindVertexArray(0);
  glDisable(GL_BLEND);
}

bool SaveBackBuffer(const std::string& png_path) {
  auto& g = gl();
  if (!render::usable() || g.width <= 0 || g.height <= 0) return false;
  const GLuint src = render::read_target();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, src);
  if (src == 0) glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(g.width) * g.height * 4);
  glReadPixels(0, 0, g.width, g.height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  render::bind_draw_target();
  Image img;
  img.width = g.width;
  img.height = g.height;
  img.has_alpha = false;
  img.rgba.resize(raw.size());
  const std::size_t row = static_cast<std::size_t>(g.width) * 4;
  for (int y = 0; y < g.height; ++y) {
    std::memcpy(&img.rgba[static_cast<std::size_t>(y) * row], &raw[static_cast<std::size_t>(g.height - 1 - y) * row], row);
  }
  for (std::size_t i = 3; i < img.rgba.size(); i += 4) img.rgba[i] = 255;
  std::string path = png_path;
  std::replace(path.begin(), path.end(), '\\', '/');
  return write_png(path, img);
}

void BackBufferToTex(Handle tex, int x, int y) {
  auto& g = gl();
  scene::Texture* t = scene::find_texture(tex);
  if (!t || !render::usable()) return;
  if (!render::ensure_texture(*t)) return;
  // The region's top-left is (x, y) from the picture's top-left. GL rows
  // count from the bottom, so the texture's first row receives the region's
  // bottom row: the image is stored upside down, and a texture shown through
  // ScaleTexture(1, -1) reads upright.
  int w = std::min(t->width, g.width - x), h = std::min(t->height, g.height - y);
  if (x < 0 || y < 0 || w <= 0 || h <= 0) return;
  const GLuint src = render::read_target();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, src);
  if (src == 0) glReadBuffer(GL_BACK);
  glActiveTexture(GL_TEXTURE3);
  glBindTexture(GL_TEXTURE_2D_ARRAY, t->gl_name);
  glCopyTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, t->height - h, 0, x, g.height - y - h, w, h);
  glGenerateMipmap(GL_TEXTURE_2D_ARRAY);
  render::bind_draw_target();
}

int LastDrawCalls() { return gl().last_draw_calls; }

// ---- presentation (system facilities) ----------------------------------------------------------

void Flip(int sync) {
  auto& g = gl();
  Platform& p = CurrentPlatform();
  if (render::usable() && g.msaa_fbo) {
    // Resolve into our own buffer of the same format first (a multisample
    // resolve needs matching formats), then copy plainly to the window.
    render::read_target();
    if (!g.offscreen) {
      glBindFramebuffer(GL_READ_FRAMEBUFFER, g.fbo);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      glDrawBuffer(GL_BACK);
      glBlitFramebuffer(0, 0, g.width, g.height, 0, 0, g.width, g.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
  }
  if (p.display_open()) p.present(sync);
  if (render::usable()) render::bind_draw_target();
}

void Cls() {
  auto& g = gl();
  if (!render::usable()) return;
  render::bind_draw_target();
  glDisable(GL_SCISSOR_TEST);
  glViewport(0, 0, g.width, g.height);
  glClearColor(0, 0, 0, 1);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void EndGraphics() {
  render::release_all();
  if (HasPlatform() && CurrentPlatform().display_open()) CurrentPlatform().close_display();
}

bool GraphicsOpen() { return HasPlatform() && CurrentPlatform().display_open(); }

}  // namespace eng
