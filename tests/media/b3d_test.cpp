// .b3d reader and writer: real third-party files, round trips and damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/media/model.h"

namespace {

const std::string kB3d = std::string(IFOLD_SHARED_TESTDATA_DIR) + "/b3d/";

std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Counts {
  int nodes = 0, meshes = 0, surfaces = 0, verts = 0, tris = 0, bones = 0, max_frame = 0;
};

void count(const eng::ModelNode& n, Counts& c) {
  ++c.nodes;
  if (n.has_mesh) {
    ++c.meshes;
    c.surfaces += int(n.mesh.surfaces.size());
    c.verts += int(n.mesh.vertices.size());
    for (const auto& s : n.mesh.surfaces) c.tris += int(s.triangles.size());
  }
  c.bones += n.has_bone;
  for (const auto& k : n.keys) c.max_frame = std::max(c.max_frame, k.frame);
  for (const auto& ch : n.children) count(ch, c);
}

TEST(B3dRead, ThirdPartyFilesHaveTheirCounts) {
  struct Row {
    const char* file;
    int nodes, meshes, surfaces, brushes, texs, verts, tris, bones, max_frame;
  } rows[] = {
      {"door_b.b3d", 1, 1, 1, 1, 1, 24, 12, 0, 0},
      {"trike_pointer.b3d", 1, 1, 1, 1, 0, 42, 14, 0, 0},
      {"mobs_rat.b3d", 2, 1, 1, 1, 1, 264, 88, 1, 2},
      {"mobs_bunny.b3d", 28, 1, 1, 1, 0, 480, 160, 27, 24},
      {"mobs_chicken.b3d", 15, 1, 1, 1, 1, 200, 100, 14, 200},
      {"trike_body.b3d", 24, 17, 21, 14, 0, 2247, 1109, 6, 12},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    eng::Model m;
    std::string err;
    ASSERT_TRUE(eng::load_b3d_file(kB3d + r.file, m, err)) << err;
    Counts c;
    count(m.root, c);
    EXPECT_EQ(m.version, 1);
    EXPECT_EQ(c.nodes, r.nodes);
    EXPECT_EQ(c.meshes, r.meshes);
    EXPECT_EQ(c.surfaces, r.surfaces);
    EXPECT_EQ(int(m.brushes.size()), r.brushes);
    EXPECT_EQ(int(m.textures.size()), r.texs);
    EXPECT_EQ(c.verts, r.verts);
    EXPECT_EQ(c.tris, r.tris);
    EXPECT_EQ(c.bones, r.bones);
    EXPECT_EQ(c.max_frame, r.max_frame);
  }
}

TEST(B3dRead, DetailsOfRealFiles) {
  eng::Model m;
  std::string err;
  ASSERT_TRUE(eng::load_b3d_file(kB3d + "trike_pointer.b3d", m, err)) << err;
  ASSERT_EQ(m.brushes.size(), 1u);
  EXPECT_EQ(m.brushes[0].name, "pointer");
  EXPECT_EQ(m.brushes[0].textures, std::vector<int>{-1});

  // mobs_chicken names a texture that is not shipped: still loads, brush keeps it.
  ASSERT_TRUE(eng::load_b3d_file(kB3d + "mobs_chicken.b3d", m, err)) << err;
  ASSERT_EQ(m.textures.size(), 1u);
  EXPECT_EQ(m.textures[0].file, "mobs_chicken_white.png");

  ASSERT_TRUE(eng::load_b3d_file(kB3d + "mobs_rat.b3d", m, err)) << err;
  ASSERT_EQ(m.root.children.size(), 1u);
  EXPECT_TRUE(m.root.children[0].has_bone);
  EXPECT_TRUE(m.root.children[0].bone.empty());
  EXPECT_TRUE(m.root.has_anim);
  EXPECT_EQ(m.root.anim.frames, 1);
  EXPECT_FLOAT_EQ(m.root.anim.fps, 60);
}

// Rotation of a stored (w, x, y, z): the textbook matrix of (w, -x, -y, -z).
std::array<float, 3> rotate(const std::array<float, 4>& q, std::array<float, 3> v) {
  const float w = q[0], x = -q[1], y = -q[2], z = -q[3];
  return {(1 - 2 * (y * y + z * z)) * v[0] + 2 * (x * y - w * z) * v[1] + 2 * (x * z + w * y) * v[2],
          2 * (x * y + w * z) * v[0] + (1 - 2 * (x * x + z * z)) * v[1] + 2 * (y * z - w * x) * v[2],
          2 * (x * z - w * y) * v[0] + 2 * (y * z + w * x) * v[1] + (1 - 2 * (x * x + y * y)) * v[2]};
}

TEST(B3dRead, DoorComesOutUprightAfterItsNodeTransform) {
  eng::Model m;
  std::string err;
  ASSERT_TRUE(eng::load_b3d_file(kB3d + "door_b.b3d", m, err)) << err;
  const eng::ModelNode& n = m.root;
  EXPECT_NEAR(n.scale[0], 1.0f / 16, 1e-6);
  EXPECT_NEAR(n.rotation[0], 0.7071f, 1e-3);
  EXPECT_NEAR(n.rotation[1], 0.7071f, 1e-3);
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (const eng::ModelVertex& v : n.mesh.vertices) {
    const auto r = rotate(n.rotation, {v.x * n.scale[0], v.y * n.scale[1], v.z * n.scale[2]});
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], r[i] + n.position[i]);
      hi[i] = std::max(hi[i], r[i] + n.position[i]);
    }
  }
  EXPECT_NEAR(lo[0], -0.5, 1e-3);
  EXPECT_NEAR(hi[0], 0.5, 1e-3);
  EXPECT_NEAR(lo[1], -0.5, 1e-3);
  EXPECT_NEAR(hi[1], 1.5, 1e-3);
  EXPECT_NEAR(lo[2], -0.5, 1e-3);
  EXPECT_NEAR(hi[2], -0.375, 1e-3);
}

// A model using every field the writer knows.
eng::Model full_model() {
  eng::Model m;
  m.textures.push_back({"tex\\hull.png", 1 | 8, 2, 0, 0, 1, 1, 0});
  m.textures.push_back({"bump.tga", 65536, 4, 0.25f, 0.5f, 2, 3, 45});
  eng::ModelBrush a;
  a.name = "hull";
  a.red = 0.5f, a.green = 0.25f, a.blue = 0.125f, a.alpha = 0.75f, a.shininess = 0.3f;
  a.blend = 3, a.fx = 1 | 16;
  a.textures = {1, 0};
  eng::ModelBrush b;
  b.name = "";
  b.textures = {-1, -1};
  m.brushes = {a, b};
  eng::ModelNode& root = m.root;
  root.name = "root";
  root.position = {1, 2, 3};
  root.scale = {0.5f, 2, 4};
  root.rotation = {0.7071068f, 0, 0.7071068f, 0};
  root.has_mesh = true;
  root.mesh.brush = 1;
  root.mesh.has_normals = true;
  root.mesh.has_colors = true;
  root.mesh.tex_coord_sets = 2;
  root.mesh.tex_coord_size = 2;
  for (int i = 0; i < 5; ++i) {
    eng::ModelVertex v;
    v.x = float(i), v.y = float(i * 2), v.z = -float(i);
    v.nx = 0, v.ny = 1, v.nz = 0;
    v.r = 0.1f * i, v.g = 0.2f, v.b = 0.3f, v.a = 0.9f;
    v.u = 0.25f * i, v.v = 1 - 0.25f * i, v.u2 = 0.5f, v.v2 = 0.125f * i;
    root.mesh.vertices.push_back(v);
  }
  root.mesh.surfaces.push_back({0, {{0, 1, 2}, {2, 3, 4}}});
  root.mesh.surfaces.push_back({-1, {{4, 3, 0}}});
  root.has_anim = true;
  root.anim = {0, 11, 30};
  eng::ModelNode bone;
  bone.name = "turret";
  bone.has_bone = true;
  bone.bone = {{0, 1.0f}, {4, 0.5f}};
  eng::ModelKey k1;
  k1.frame = 1, k1.flags = 1 | 4, k1.position = {0, 1, 0}, k1.rotation = {0, 0, 1, 0};
  eng::ModelKey k2 = k1;
  k2.frame = 12;
  eng::ModelKey k3;
  k3.frame = 6, k3.flags = 2, k3.scale = {2, 2, 2};
  bone.keys = {k1, k2, k3};
  eng::ModelNode pivot;
  pivot.name = "muzzle";
  pivot.position = {0, 0, 9};
  bone.children.push_back(pivot);
  root.children.push_back(bone);
  return m;
}

TEST(B3dWrite, RoundTripKeepsEveryField) {
  const eng::Model src = full_model();
  const std::vector<std::uint8_t> bytes = eng::write_b3d(src);
  eng::Model back;
  std::string err;
  ASSERT_TRUE(eng::read_b3d(bytes.data(), bytes.size(), back, err)) << err;
  // The writer writes every field, so equal bytes on a second write mean
  // nothing was lost on the way back in.
  EXPECT_EQ(eng::write_b3d(back), bytes);

  ASSERT_EQ(back.textures.size(), 2u);
  EXPECT_EQ(back.textures[0].file, "tex\\hull.png");
  EXPECT_EQ(back.textures[1].flags, 65536);
  EXPECT_FLOAT_EQ(back.textures[1].rotation, 45);
  EXPECT_FLOAT_EQ(back.textures[1].scale_v, 3);
  ASSERT_EQ(back.brushes.size(), 2u);
  EXPECT_EQ(back.brushes[0].textures, (std::vector<int>{1, 0}));
  EXPECT_FLOAT_EQ(back.brushes[0].alpha, 0.75f);
  EXPECT_FLOAT_EQ(back.brushes[0].shininess, 0.3f);
  EXPECT_EQ(back.brushes[0].fx, 17);
  const eng::ModelMesh& mesh = back.root.mesh;
  EXPECT_TRUE(mesh.has_normals);
  EXPECT_TRUE(mesh.has_colors);
  EXPECT_EQ(mesh.tex_coord_sets, 2);
  ASSERT_EQ(mesh.vertices.size(), 5u);
  EXPECT_FLOAT_EQ(mesh.vertices[3].z, -3);
  EXPECT_FLOAT_EQ(mesh.vertices[3].r, 0.3f);
  EXPECT_FLOAT_EQ(mesh.vertices[3].v, 0.25f);
  EXPECT_FLOAT_EQ(mesh.vertices[3].v2, 0.375f);
  ASSERT_EQ(mesh.surfaces.size(), 2u);
  EXPECT_EQ(mesh.surfaces[1].brush, -1);
  EXPECT_EQ(mesh.surfaces[1].triangles[0], (std::array<int, 3>{4, 3, 0}));
  EXPECT_FLOAT_EQ(back.root.rotation[2], 0.7071068f);
  EXPECT_FLOAT_EQ(back.root.scale[2], 4);
  ASSERT_EQ(back.root.children.size(), 1u);
  const eng::ModelNode& bone = back.root.children[0];
  EXPECT_EQ(bone.name, "turret");
  ASSERT_EQ(bone.bone.size(), 2u);
  EXPECT_EQ(bone.bone[1].vertex, 4);
  ASSERT_EQ(bone.keys.size(), 3u);
  EXPECT_EQ(bone.keys[1].frame, 12);
  EXPECT_FLOAT_EQ(bone.keys[1].rotation[2], 1);
  EXPECT_FLOAT_EQ(bone.keys[2].scale[1], 2);
  EXPECT_EQ(back.root.anim.frames, 11);
  ASSERT_EQ(bone.children.size(), 1u);
  EXPECT_FLOAT_EQ(bone.children[0].position[2], 9);

  const std::string path = testing::TempDir() + "/ifold_roundtrip.b3d";
  ASSERT_TRUE(eng::save_b3d_file(path, src));
  eng::Model file;
  ASSERT_TRUE(eng::load_b3d_file(path, file, err)) << err;
  EXPECT_EQ(eng::write_b3d(file), bytes);
  std::remove(path.c_str());
}

TEST(B3dWrite, RealFilesSurviveAReadWriteTrip) {
  for (const char* f : {"door_b.b3d", "trike_pointer.b3d", "mobs_rat.b3d", "mobs_bunny.b3d",
                        "mobs_chicken.b3d", "trike_body.b3d"}) {
    SCOPED_TRACE(f);
    eng::Model a, b;
    std::string err;
    ASSERT_TRUE(eng::load_b3d_file(kB3d + f, a, err)) << err;
    const std::vector<std::uint8_t> once = eng::write_b3d(a);
    ASSERT_TRUE(eng::read_b3d(once.data(), once.size(), b, err)) << err;
    EXPECT_EQ(eng::write_b3d(b), once);
    Counts ca, cb;
    count(a.root, ca);
    count(b.root, cb);
    EXPECT_EQ(ca.verts, cb.verts);
    EXPECT_EQ(ca.bones, cb.bones);
    EXPECT_EQ(ca.max_frame, cb.max_frame);
  }
}

// ---- damaged input -------------------------------------------------------------

struct Bytes {
  std::vector<std::uint8_t> b;
  Bytes& i32(int v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(unsigned(v) >> (8 * i)));
    return *this;
  }
  Bytes& f32(float f) {
    int v;
    std::memcpy(&v, &f, 4);
    return i32(v);
  }
  Bytes& str(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
    return *this;
  }
  Bytes& raw(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& chunk(const char* tag, const Bytes& content) {
    raw(tag).i32(int(content.b.size()));
    b.insert(b.end(), content.b.begin(), content.b.end());
    return *this;
  }
};

Bytes node_header(const std::string& name) {
  Bytes n;
  n.str(name);
  for (float f : {0.f, 0.f, 0.f, 1.f, 1.f, 1.f, 1.f, 0.f, 0.f, 0.f}) n.f32(f);
  return n;
}

Bytes triangle_vrts() {
  Bytes v;
  v.i32(0).i32(1).i32(2);
  for (int i = 0; i < 3; ++i) v.f32(float(i)).f32(0).f32(float(i * i)).f32(0.5f).f32(0.5f);
  return v;
}

Bytes file_of(const Bytes& content) {
  Bytes all;
  all.chunk("BB3D", Bytes().i32(1).raw(std::string(content.b.begin(), content.b.end())));
  return all;
}

bool parse(const Bytes& bytes, eng::Model& m, std::string& err) {
  return eng::read_b3d(bytes.b.data(), bytes.b.size(), m, err);
}

TEST(B3dRead, UnknownChunksAreSkippedAnywhere) {
  Bytes mesh;
  mesh.i32(-1).chunk("VRTS", triangle_vrts()).chunk("junk", Bytes().i32(7)).chunk(
      "TRIS", Bytes().i32(-1).i32(0).i32(1).i32(2));
  Bytes node = node_header("n");
  node.chunk("ZZZZ", Bytes().raw("whatever")).chunk("MESH", mesh);
  Bytes content;
  content.chunk("XXXX", Bytes().raw("not a texture list")).chunk("NODE", node);
  eng::Model m;
  std::string err;
  ASSERT_TRUE(parse(file_of(content), m, err)) << err;
  ASSERT_TRUE(m.root.has_mesh);
  EXPECT_EQ(m.root.mesh.vertices.size(), 3u);
  EXPECT_FLOAT_EQ(m.root.mesh.vertices[2].z, 4);
  ASSERT_EQ(m.root.mesh.surfaces.size(), 1u);
  EXPECT_EQ(m.root.mesh.surfaces[0].triangles.size(), 1u);
}

TEST(B3dRead, WideTextureCoordinateSetsKeepTheFirstTwoPairs) {
  // Normals, colours and 3 sets of 3 floats: the record is 3+3+4+9 floats.
  Bytes vrts;
  vrts.i32(3).i32(3).i32(3);
  for (int i = 0; i < 2; ++i) {
    for (int k = 0; k < 10; ++k) vrts.f32(float(k));
    for (int k = 0; k < 9; ++k) vrts.f32(100.f * i + float(k) + 0.5f);
  }
  Bytes mesh;
  mesh.i32(-1).chunk("VRTS", vrts);
  Bytes node = node_header("n");
  node.chunk("MESH", mesh);
  eng::Model m;
  std::string err;
  ASSERT_TRUE(parse(file_of(Bytes().chunk("NODE", node)), m, err)) << err;
  const auto& v = m.root.mesh.vertices;
  ASSERT_EQ(v.size(), 2u);
  EXPECT_FLOAT_EQ(v[1].nz, 5);
  EXPECT_FLOAT_EQ(v[1].a, 9);
  EXPECT_FLOAT_EQ(v[1].u, 100.5f);
  EXPECT_FLOAT_EQ(v[1].v, 101.5f);
  EXPECT_FLOAT_EQ(v[1].u2, 103.5f);  // set 1 starts after set 0's three floats
  EXPECT_FLOAT_EQ(v[1].v2, 104.5f);
}

TEST(B3dRead, DamagedFilesFailWithAReason) {
  auto with_mesh = [](const Bytes& mesh_children, int brush = -1) {
    Bytes mesh;
    mesh.i32(brush).raw(std::string(mesh_children.b.begin(), mesh_children.b.end()));
    Bytes node = node_header("n");
    node.chunk("MESH", mesh);
    return file_of(Bytes().chunk("NODE", node));
  };
  const Bytes tris_ok = Bytes().i32(-1).i32(0).i32(1).i32(2);
  struct Case {
    const char* what;
    Bytes file;
    const char* message;
  } cases[] = {
      {"wrong magic", Bytes().raw("BB3E").i32(4).i32(1), "BB3D"},
      {"version too new", Bytes().chunk("BB3D", Bytes().i32(100)), "version"},
      {"no root node", file_of(Bytes().chunk("TEXS", Bytes())), "NODE"},
      {"vertex index = count",
       with_mesh(Bytes().chunk("VRTS", triangle_vrts()).chunk("TRIS", Bytes().i32(-1).i32(0).i32(1).i32(3))),
       "vertex index 3"},
      {"negative vertex index",
       with_mesh(Bytes().chunk("VRTS", triangle_vrts()).chunk("TRIS", Bytes().i32(-1).i32(-1).i32(1).i32(2))),
       "vertex index -1"},
      {"TRIS brush missing",
       with_mesh(Bytes().chunk("VRTS", triangle_vrts()).chunk("TRIS", Bytes().i32(0).i32(0).i32(1).i32(2))),
       "brush id 0"},
      {"MESH brush missing", with_mesh(Bytes().chunk("VRTS", triangle_vrts()).chunk("TRIS", tris_ok), 3),
       "brush id 3"},
      {"TRIS before VRTS", with_mesh(Bytes().chunk("TRIS", tris_ok).chunk("VRTS", triangle_vrts())),
       "before"},
      {"partial triangle",
       with_mesh(Bytes().chunk("VRTS", triangle_vrts()).chunk("TRIS", Bytes().i32(-1).i32(0).i32(1))),
       "whole number"},
      {"partial vertex", with_mesh(Bytes().chunk("VRTS", Bytes().i32(0).i32(1).i32(2).f32(1).f32(2))),
       "whole number"},
      {"too many uv sets", with_mesh(Bytes().chunk("VRTS", Bytes().i32(0).i32(9).i32(2))), "0..8"},
      {"uv set too wide", with_mesh(Bytes().chunk("VRTS", Bytes().i32(0).i32(1).i32(5))), "0..4"},
      {"child past its parent", file_of(Bytes().raw("NODE").i32(1000).raw("abc")), "past the end"},
      {"negative length", file_of(Bytes().raw("NODE").i32(-8).raw("abcdefgh")), "past the end"},
      {"unterminated texture name", file_of(Bytes().chunk("TEXS", Bytes().raw("abc"))), "TEXS"},
      {"texture record cut short", file_of(Bytes().chunk("TEXS", Bytes().str("a.png").i32(1))), "TEXS"},
      {"brush layer count absurd", file_of(Bytes().chunk("BRUS", Bytes().i32(1000000))), "layer count"},
      {"unterminated node name", file_of(Bytes().chunk("NODE", Bytes().raw("name"))), "NODE"},
      {"NaN position",
       file_of(Bytes().chunk("NODE", Bytes().str("n").f32(NAN).f32(0).f32(0).f32(1).f32(1).f32(1).f32(1).f32(0).f32(0).f32(0))),
       "non-finite"},
      {"bone names a vertex the mesh lacks",
       [&] {
         Bytes mesh;
         mesh.i32(-1).chunk("VRTS", triangle_vrts());
         Bytes bone = node_header("b");
         bone.chunk("BONE", Bytes().i32(3).f32(1));
         Bytes node = node_header("n");
         node.chunk("MESH", mesh).chunk("NODE", bone);
         return file_of(Bytes().chunk("NODE", node));
       }(),
       "vertex 3"},
      {"bad key flags", file_of(Bytes().chunk("NODE", node_header("n").chunk("KEYS", Bytes().i32(8)))), "flags"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    eng::Model m;
    std::string err;
    EXPECT_FALSE(parse(c.file, m, err));
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(m.root.has_mesh);
  }
}

TEST(B3dRead, EveryTruncationFailsAndTheFileIsNamed) {
  for (const char* f : {"door_b.b3d", "trike_pointer.b3d", "mobs_rat.b3d"}) {
    SCOPED_TRACE(f);
    const std::vector<std::uint8_t> bytes = read_bytes(kB3d + f);
    ASSERT_FALSE(bytes.empty());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      eng::Model m;
      std::string err;
      ASSERT_FALSE(eng::read_b3d(bytes.data(), n, m, err)) << "prefix " << n;
      ASSERT_FALSE(err.empty());
    }
  }
  eng::Model m;
  std::string err;
  EXPECT_FALSE(eng::load_b3d_file(kB3d + "missing.b3d", m, err));
  EXPECT_NE(err.find("missing.b3d"), std::string::npos);
  EXPECT_FALSE(eng::load_b3d_file(kB3d, m, err));  // a directory
  EXPECT_FALSE(err.empty());
  const std::string path = testing::TempDir() + "/ifold_cut.b3d";
  const std::vector<std::uint8_t> bytes = read_bytes(kB3d + "door_b.b3d");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 300);
  EXPECT_FALSE(eng::load_b3d_file(path, m, err));
  EXPECT_EQ(err.rfind(path + ": ", 0), 0u) << err;
  std::remove(path.c_str());
}

TEST(B3dRead, DeepHierarchiesLoadButRunawayNestingIsRefused) {
  auto nested = [](int depth) {
    eng::Model m;
    eng::ModelNode* n = &m.root;
    for (int i = 0; i < depth; ++i) {
      n->children.emplace_back();
      n = &n->children.back();
    }
    return eng::write_b3d(m);
  };
  eng::Model m;
  std::string err;
  const auto ok = nested(40);
  EXPECT_TRUE(eng::read_b3d(ok.data(), ok.size(), m, err)) << err;
  const auto deep = nested(300);
  EXPECT_FALSE(eng::read_b3d(deep.data(), deep.size(), m, err));
  EXPECT_NE(err.find("deeper"), std::string::npos) << err;
}

}  // namespace
