// The engine against a bare OpenGL loop on the same scene, in the same run:
// 500 lit, textured cubes and 300 blended sprites seen from above at
// 1024x768. The bare loop issues one draw call per object with the same
// per-pixel shading (ambient plus one directional light, a multiplied texture,
// alpha-blended sprites); the engine draws the same scene through RenderWorld.
// Rounds alternate so that both see the same machine load; the ratio of the
// engine's frame rate to the bare loop's is printed at the end.
#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/media/image.h"
#include "engine/platform/virtual/virtual_platform.h"
#include "engine/render/render.h"
#include "engine/scene/math.h"
#include "engine/system.h"
#include "scene_a.h"

using namespace eng;

namespace {

using namespace bench_scene;

// ---- the bare loop --------------------------------------------------------------------

struct Bare {
  GLuint prog = 0, cube_vao = 0, cube_vbo = 0, quad_vao = 0, quad_vbo = 0, tex_brick = 0, tex_glow = 0;
  GLuint fbo = 0, color = 0, depth = 0;
  GLint u_mvp = -1, u_model = -1, u_color = -1, u_tex = -1, u_ambient = -1, u_ldir = -1, u_lit = -1;
  Mat4 viewproj;
  std::vector<Mat4> cube_m, sprite_m;
};

GLuint shader(GLenum type, const char* src) {
  GLuint s = glCreateShader(type);
  glShaderSource(s, 1, &src, nullptr);
  glCompileShader(s);
  return s;
}

GLuint upload_texture(const Image& img) {
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, img.width, img.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, img.rgba.data());
  glGenerateMipmap(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);  // as the engine samples
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return t;
}

GLuint vertex_array(const std::vector<float>& v, GLuint& vbo) {
  GLuint vao = 0;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(1, &vbo);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(v.size() * 4), v.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(12));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(24));
  return vao;
}

void build_bare(Bare& b) {
  const char* vs = R"(#version 330 core
layout(location = 0) in vec3 a_pos;
layout(location = 1) in vec3 a_nrm;
layout(location = 2) in vec2 a_uv;
uniform mat4 u_mvp;
uniform mat4 u_model;
out vec3 v_nrm;
out vec2 v_uv;
void main() {
  gl_Position = u_mvp * vec4(a_pos, 1.0);
  v_nrm = mat3(u_model) * a_nrm;
  v_uv = a_uv;
})";
  const char* fs = R"(#version 330 core
in vec3 v_nrm;
in vec2 v_uv;
uniform sampler2D u_tex;
uniform vec4 u_color;
uniform vec3 u_ambient;
uniform vec3 u_ldir;
uniform int u_lit;
out vec4 o_color;
void main() {
  vec4 c = u_color;
  if (u_lit != 0) c.rgb *= u_ambient + max(dot(normalize(v_nrm), -u_ldir), 0.0);
  o_color = clamp(c * texture(u_tex, v_uv), 0.0, 1.0);
})";
  b.prog = glCreateProgram();
  GLuint vsh = shader(GL_VERTEX_SHADER, vs), fsh = shader(GL_FRAGMENT_SHADER, fs);
  glAttachShader(b.prog, vsh);
  glAttachShader(b.prog, fsh);
  glLinkProgram(b.prog);
  glDeleteShader(vsh);
  glDeleteShader(fsh);
  b.u_mvp = glGetUniformLocation(b.prog, "u_mvp");
  b.u_model = glGetUniformLocation(b.prog, "u_model");
  b.u_color = glGetUniformLocation(b.prog, "u_color");
  b.u_tex = glGetUniformLocation(b.prog, "u_tex");
  b.u_ambient = glGetUniformLocation(b.prog, "u_ambient");
  b.u_ldir = glGetUniformLocation(b.prog, "u_ldir");
  b.u_lit = glGetUniformLocation(b.prog, "u_lit");

  // cube: 6 faces x 2 triangles, clockwise from outside
  std::vector<float> cube;
  const float faces[6][9] = {{0, 0, -1, 1, 0, 0, 0, 1, 0},  {1, 0, 0, 0, 0, 1, 0, 1, 0},  {0, 0, 1, -1, 0, 0, 0, 1, 0},
                             {-1, 0, 0, 0, 0, -1, 0, 1, 0}, {0, 1, 0, 1, 0, 0, 0, 0, 1},  {0, -1, 0, 1, 0, 0, 0, 0, -1}};
  for (const auto& fc : faces) {
    const Vec3 n{fc[0], fc[1], fc[2]}, r{fc[3], fc[4], fc[5]}, u{fc[6], fc[7], fc[8]};
    const float cu[6] = {-1, 1, 1, -1, 1, -1}, cv[6] = {1, 1, -1, 1, -1, -1};
    for (int k = 0; k < 6; ++k) {
      const Vec3 p = n + r * cu[k] + u * cv[k];
      for (float x : {p.x, p.y, p.z, n.x, n.y, n.z, (cu[k] + 1) / 2, (1 - cv[k]) / 2}) cube.push_back(x);
    }
  }
  b.cube_vao = vertex_array(cube, b.cube_vbo);
  // sprite quad facing the top camera: lies in xz, seen from +y
  std::vector<float> quad;
  const float qx[6] = {-1, 1, 1, -1, 1, -1}, qz[6] = {1, 1, -1, 1, -1, -1};
  for (int k = 0; k < 6; ++k)
    for (float x : {qx[k], 0.0f, qz[k], 0.0f, 1.0f, 0.0f, (qx[k] + 1) / 2, (1 - qz[k]) / 2}) quad.push_back(x);
  b.quad_vao = vertex_array(quad, b.quad_vbo);
  b.tex_brick = upload_texture(make_texture(false));
  b.tex_glow = upload_texture(make_texture(true));

  glGenFramebuffers(1, &b.fbo);
  glGenRenderbuffers(1, &b.color);
  glGenRenderbuffers(1, &b.depth);
  glBindRenderbuffer(GL_RENDERBUFFER, b.color);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kW, kH);
  glBindRenderbuffer(GL_RENDERBUFFER, b.depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kW, kH);
  glBindFramebuffer(GL_FRAMEBUFFER, b.fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, b.color);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, b.depth);

  // camera 110 up looking down, 90 degree horizontal view
  Mat4 view = affine_inverse(mat_translate({0, 110, 0}) * mat_rotate(90, 0, 0));
  Mat4 proj;
  const float n = 1, f = 1000, sx = 1, sy = static_cast<float>(kW) / kH;
  proj.m[0] = sx;
  proj.m[5] = sy;
  proj.m[10] = (f + n) / (f - n);
  proj.m[11] = 1;
  proj.m[14] = -2 * f * n / (f - n);
  proj.m[15] = 0;
  b.viewproj = proj * view;
  for (int i = 0; i < kCubes; ++i) b.cube_m.push_back(mat_translate(cube_pos(i)) * mat_scale({2.5f, 2.5f, 2.5f}));
  // back to front as seen from above: lowest first
  std::vector<int> order(kSprites);
  for (int i = 0; i < kSprites; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [](int a, int c) { return sprite_pos(a).y < sprite_pos(c).y; });
  for (int i : order) b.sprite_m.push_back(mat_translate(sprite_pos(i)) * mat_scale({3, 1, 3}));
}

void draw_bare(const Bare& b) {
  glBindFramebuffer(GL_FRAMEBUFFER, b.fbo);
  glViewport(0, 0, kW, kH);
  glClearColor(0, 0, 0, 1);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glUseProgram(b.prog);
  glUniform1i(b.u_tex, 0);
  glActiveTexture(GL_TEXTURE0);
  const Vec3 ld = mat_rotate(60, 30, 0).transform_dir({0, 0, 1});
  glUniform3f(b.u_ambient, 0.5f, 0.5f, 0.5f);
  glUniform3f(b.u_ldir, ld.x, ld.y, ld.z);
  glUniform4f(b.u_color, 1, 1, 1, 1);
  glUniform1i(b.u_lit, 1);
  glBindTexture(GL_TEXTURE_2D, b.tex_brick);
  glBindVertexArray(b.cube_vao);
  for (const Mat4& m : b.cube_m) {
    const Mat4 mvp = b.viewproj * m;
    glUniformMatrix4fv(b.u_mvp, 1, GL_FALSE, mvp.m);
    glUniformMatrix4fv(b.u_model, 1, GL_FALSE, m.m);
    glDrawArrays(GL_TRIANGLES, 0, 36);
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
  glUniform1i(b.u_lit, 0);
  glUniform4f(b.u_color, 1, 1, 1, 0.8f);
  glBindTexture(GL_TEXTURE_2D, b.tex_glow);
  glBindVertexArray(b.quad_vao);
  for (const Mat4& m : b.sprite_m) {
    const Mat4 mvp = b.viewproj * m;
    glUniformMatrix4fv(b.u_mvp, 1, GL_FALSE, mvp.m);
    glUniformMatrix4fv(b.u_model, 1, GL_FALSE, m.m);
    glDrawArrays(GL_TRIANGLES, 0, 6);
  }
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glBindVertexArray(0);
}

// ---- measuring ---------------------------------------------------------------------------

Bare g_bare;
bool g_ready = false;

bool setup() {
  if (g_ready) return true;
  VirtualConfig cfg;
  cfg.render = true;
  UsePlatform(std::make_unique<VirtualPlatform>(cfg));
  if (!Graphics3D(kW, kH, 0, 2, 60) || !render::gl_ready()) return false;
  build_engine_scene();
  RenderWorld();
  build_bare(g_bare);
  draw_bare(g_bare);
  glFinish();
  g_ready = true;
  return true;
}

void BM_Bare(benchmark::State& state) {
  if (!setup()) {
    state.SkipWithError("no GL display");
    return;
  }
  for (auto _ : state) {
    draw_bare(g_bare);
    Flip(0);
    glFinish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["draw_calls"] = kCubes + kSprites;
}

void BM_Engine(benchmark::State& state) {
  if (!setup()) {
    state.SkipWithError("no GL display");
    return;
  }
  int calls = 0;
  for (auto _ : state) {
    RenderWorld();
    calls = LastDrawCalls();
    Flip(0);
    glFinish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["draw_calls"] = calls;
}

// Adds up frames and seconds of each side from the reports, and keeps each
// round's ratio (engine against the bare round just before it).
double g_frames[2] = {0, 0}, g_seconds[2] = {0, 0};
std::vector<double> g_round_ratio;
double g_last_bare_fps = 0;

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.real_accumulated_time <= 0) continue;
      const bool engine = r.benchmark_name().rfind("engine", 0) == 0;
      const double fps = static_cast<double>(r.iterations) / r.real_accumulated_time;
      g_frames[engine] += static_cast<double>(r.iterations);
      g_seconds[engine] += r.real_accumulated_time;
      if (!engine) g_last_bare_fps = fps;
      else if (g_last_bare_fps > 0) g_round_ratio.push_back(fps / g_last_bare_fps);
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int round = 1; round <= 5; ++round) {
    benchmark::RegisterBenchmark(("bare_loop/round" + std::to_string(round)).c_str(), BM_Bare)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.5)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("engine/round" + std::to_string(round)).c_str(), BM_Engine)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.5)
        ->UseRealTime();
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (g_seconds[0] > 0 && g_seconds[1] > 0) {
    const double bare = g_frames[0] / g_seconds[0], engine = g_frames[1] / g_seconds[1];
    std::vector<double> r = g_round_ratio;
    std::sort(r.begin(), r.end());
    std::printf("bare loop %.1f fps, engine %.1f fps over all rounds: engine / bare = %.2f (target 0.8)\n", bare,
                engine, engine / bare);
    if (!r.empty())
      std::printf("per-round ratios: min %.2f, median %.2f, max %.2f\n", r.front(), r[r.size() / 2], r.back());
  }
  if (render::gl_ready()) std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  ClearWorld(true, true);
  EndGraphics();
  benchmark::Shutdown();
  return 0;
}
