// In-memory form of a .b3d model file, shared by the reader (the engine's
// LoadMesh) and the writer (the asset generator).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eng {

struct ModelTexture {
  std::string file;
  int flags = 1;
  int blend = 2;
  float pos_u = 0, pos_v = 0;
  float scale_u = 1, scale_v = 1;
  float rotation = 0;
};

struct ModelBrush {
  std::string name;
  float red = 1, green = 1, blue = 1, alpha = 1;
  float shininess = 0;
  int blend = 1;
  int fx = 0;
  std::vector<int> textures;  // one TEXS index per layer, -1 = empty
};

struct ModelVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  float r = 1, g = 1, b = 1, a = 1;
  float u = 0, v = 0;    // first texture-coordinate set
  float u2 = 0, v2 = 0;  // second set, when present
};

struct ModelSurface {
  int brush = -1;  // -1: the mesh's brush
  std::vector<std::array<int, 3>> triangles;
};

struct ModelMesh {
  int brush = -1;
  bool has_normals = false;
  bool has_colors = false;
  int tex_coord_sets = 1;
  int tex_coord_size = 2;
  std::vector<ModelVertex> vertices;
  std::vector<ModelSurface> surfaces;
};

// One BONE record: the weight of this joint on a vertex of the nearest
// ancestor mesh.
struct ModelBoneWeight {
  int vertex = 0;
  float weight = 0;
};

// One KEYS record; `flags` says which parts it carries (1 position, 2 scale,
// 4 rotation), the others keep their defaults.
struct ModelKey {
  int frame = 1;
  int flags = 0;
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> scale{1, 1, 1};
  std::array<float, 4> rotation{1, 0, 0, 0};  // w, x, y, z
};

struct ModelAnim {
  int flags = 0;
  int frames = 0;
  float fps = 60;
};

struct ModelNode {
  std::string name;
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> scale{1, 1, 1};
  std::array<float, 4> rotation{1, 0, 0, 0};  // quaternion w, x, y, z
  bool has_mesh = false;
  ModelMesh mesh;
  // Skeleton and animation data, kept so a file survives a read-write trip;
  // the engine draws the bind pose (the transforms above).
  bool has_bone = false;
  std::vector<ModelBoneWeight> bone;
  std::vector<ModelKey> keys;  // in file order
  bool has_anim = false;
  ModelAnim anim;
  std::vector<ModelNode> children;
};

struct Model {
  int version = 1;
  std::vector<ModelTexture> textures;
  std::vector<ModelBrush> brushes;
  ModelNode root;
};

// Parses a .b3d image in memory; every count, length and offset is checked.
bool read_b3d(const std::uint8_t* data, std::size_t size, Model& out, std::string& error);
bool load_b3d_file(const std::string& path, Model& out, std::string& error);
// Serialises a model; write_b3d(read_b3d(x)) keeps all the fields above.
std::vector<std::uint8_t> write_b3d(const Model& model);
bool save_b3d_file(const std::string& path, const Model& model);

}  // namespace eng
