// Swept unit sphere against triangles and ellipsoid blobs, with stop and slide.
//
// Everything here works in the mover's ellipsoid space (world divided by the
// mover's radii), where the mover is a unit sphere. Double precision throughout.
// Pure geometry: no scene access, so it can be tested on plain triangle lists.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

namespace eng::collision::geom {

struct D3 {
  double x = 0, y = 0, z = 0;
};
inline D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline D3 operator-(D3 a) { return {-a.x, -a.y, -a.z}; }
inline D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline D3 cross(D3 a, D3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double len(D3 a) { return std::sqrt(dot(a, a)); }
inline D3 mul(D3 a, D3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline D3 div(D3 a, D3 b) { return {a.x / b.x, a.y / b.y, a.z / b.z}; }

// Gap kept between the mover and what it touches, in ellipsoid units.
constexpr double kSkin = 1e-3;
// Slide iterations per move.
constexpr int kMaxIterations = 5;

// A triangle; its front side is the one from which (b-a)x(c-a) points, which
// for the engine's left-handed world is the side that sees it clockwise.
struct Tri {
  D3 a, b, c;
  int owner = 0;  // caller's index of the entity the triangle belongs to
  int index = 0;  // triangle number within that entity
};

// An axis-aligned ellipsoid obstacle (an entity without triangles that has a
// radius). `r` is the combined reach: the mover's unit radius plus the
// obstacle's own radii, so the mover's centre is swept as a point against it.
struct Blob {
  D3 c, r;
  int owner = 0;
};

enum class Feature { Face = 0, Edge = 1, Vertex = 2, Blob = 3, None = 4 };

struct Hit {
  bool valid = false;
  double t = 1;
  D3 point;   // contact point on the obstacle
  D3 normal;  // unit normal pointing from the obstacle towards the mover
  Feature kind = Feature::None;
  int owner = -1;
  int index = -1;
};

// Earliest contact of the unit sphere at b moving along v over t in [0, 1].
// Features the sphere already overlaps at t = 0 block only motion into them
// (a hit at t = 0); moving apart or along them is free.
Hit sweep(D3 b, D3 v, const std::vector<Tri>& tris, const std::vector<Blob>& blobs);

struct Touch {
  int owner, index;
  D3 point, normal;
};

// Moves the unit sphere from b along v, stopping or sliding at each contact.
// stops(owner) says whether hitting that owner stops the mover (else it slides).
// Every contact is appended to touches. Returns the final centre.
D3 move(D3 b, D3 v, const std::vector<Tri>& tris, const std::vector<Blob>& blobs,
        const std::function<bool(int)>& stops, std::vector<Touch>& touches);

// Pushes a centre that starts overlapping obstacles out along their normals,
// to the skin distance, up to `max_push` in total. Only owners for which
// pushable(owner) is true push; the push is itself swept, so it never crosses
// another obstacle. Records a touch for every feature pushed out of.
D3 push_out(D3 b, const std::vector<Tri>& tris, const std::vector<Blob>& blobs,
            const std::function<bool(int)>& pushable, double max_push, std::vector<Touch>& touches);

}  // namespace eng::collision::geom
