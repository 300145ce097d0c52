// Collision state and the collision block of the engine API: entity types and
// radii, the pair table, UpdateWorld (swept ellipsoids against target
// triangles, stop and slide) and the contacts it leaves behind.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "engine/collision/broadphase.h"
#include "engine/collision/sweep.h"
#include "engine/engine.h"
#include "engine/scene/scene_access.h"

namespace eng {
namespace {

using collision::geom::D3;
namespace geom = collision::geom;

struct Contact {
  Handle other;
  Vec3 point, normal;
};

struct State {
  int type = 0;
  float rx = 1, ry = 1;  // world units; the ellipsoid is (rx, ry, rx)
  D3 prev;               // world position at the last UpdateWorld / ResetEntity
  std::vector<Contact> contacts;

  // Target cache. The mesh's own triangles are copied when its geometry
  // changes; their world-space form is rebuilt only when a mover comes near
  // after the world matrix (parents included) changed.
  bool cache_valid = false;
  float cache_key[16] = {};  // world matrix the box and world triangles belong to
  std::uint64_t cache_geometry = 0;
  bool have_local = false;
  std::vector<Vec3> local_tris;  // 3 per triangle, mesh space
  Vec3 local_lo, local_hi;
  bool world_valid = false;
  std::vector<geom::Tri> world_tris;
  D3 lo, hi;  // world box: of the triangles, or of the ellipsoid when there are none
  D3 centre;  // world position (for entities without triangles)

  // Per-update scratch.
  bool moving = false;
  int slot = -1;  // index in the update's target list
};

struct Pair {
  int src, dst, method, response;
};

std::map<Handle, State> g_state;  // handles grow with creation, so this is creation order
std::vector<Pair> g_pairs;        // registration order
collision::BroadPhase g_grid;     // kept between updates: bricks rarely change

D3 to_d(const Vec3& v) { return {v.x, v.y, v.z}; }
Vec3 to_f(const D3& v) { return {float(v.x), float(v.y), float(v.z)}; }

State* find(Handle e) {
  auto it = g_state.find(e);
  return it == g_state.end() ? nullptr : &it->second;
}

State& touch(Handle e) {
  auto [it, fresh] = g_state.try_emplace(e);
  if (fresh) it->second.prev = to_d(scene::global_position(e));
  return it->second;
}

const Pair* pair_for(int src, int dst) {
  for (const Pair& p : g_pairs)
    if (p.src == src && p.dst == dst) return &p;
  return nullptr;
}

bool finite(const D3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Brings a target's world box up to date (its world triangles follow lazily).
void refresh(Handle e, State& s) {
  Mat4 m = scene::world_matrix(e);
  std::uint64_t gv = scene::geometry_version(e);
  const bool same_matrix = std::memcmp(m.m, s.cache_key, sizeof s.cache_key) == 0;
  if (s.cache_valid && s.have_local && gv == s.cache_geometry && same_matrix) return;
  if (!s.have_local || gv != s.cache_geometry) {
    s.local_tris.clear();
    scene::for_each_triangle(e, [&](const Vec3& p0, const Vec3& p1, const Vec3& p2) {
      s.local_tris.push_back(p0);
      s.local_tris.push_back(p1);
      s.local_tris.push_back(p2);
    });
    if (!s.local_tris.empty()) {
      s.local_lo = s.local_hi = s.local_tris[0];
      for (const Vec3& p : s.local_tris) {
        s.local_lo = {std::min(s.local_lo.x, p.x), std::min(s.local_lo.y, p.y), std::min(s.local_lo.z, p.z)};
        s.local_hi = {std::max(s.local_hi.x, p.x), std::max(s.local_hi.y, p.y), std::max(s.local_hi.z, p.z)};
      }
    }
    s.have_local = true;
    s.cache_geometry = gv;
    s.world_valid = false;
  }
  if (!same_matrix) s.world_valid = false;
  std::memcpy(s.cache_key, m.m, sizeof s.cache_key);
  s.cache_valid = true;

  s.centre = {m.at(0, 3), m.at(1, 3), m.at(2, 3)};
  if (!finite(s.centre)) {
    // A broken transform: nothing to collide with until it is sane again.
    s.lo = {1, 1, 1};
    s.hi = {-1, -1, -1};
  } else if (!s.local_tris.empty()) {
    // World box from the eight corners of the mesh box.
    for (int k = 0; k < 8; ++k) {
      Vec3 c{(k & 1) ? s.local_hi.x : s.local_lo.x, (k & 2) ? s.local_hi.y : s.local_lo.y,
             (k & 4) ? s.local_hi.z : s.local_lo.z};
      Vec3 w = m.transform_point(c);
      D3 p{w.x, w.y, w.z};
      if (k == 0) s.lo = s.hi = p;
      s.lo = {std::min(s.lo.x, p.x), std::min(s.lo.y, p.y), std::min(s.lo.z, p.z)};
      s.hi = {std::max(s.hi.x, p.x), std::max(s.hi.y, p.y), std::max(s.hi.z, p.z)};
    }
    // Float rounding of the corners against the double triangles below.
    const double pad = 1e-4 * (1 + std::max({std::fabs(s.lo.x), std::fabs(s.lo.z), std::fabs(s.hi.x),
                                             std::fabs(s.hi.z), std::fabs(s.lo.y), std::fabs(s.hi.y)}));
    s.lo = s.lo - D3{pad, pad, pad};
    s.hi = s.hi + D3{pad, pad, pad};
  } else {
    D3 r{std::max(0.f, s.rx), std::max(0.f, s.ry), std::max(0.f, s.rx)};
    s.lo = s.centre - r;
    s.hi = s.centre + r;
  }
}

// The target's triangles in world space, for the matrix of the last refresh.
const std::vector<geom::Tri>& world_tris(State& s) {
  if (s.world_valid) return s.world_tris;
  s.world_valid = true;
  s.world_tris.clear();
  Mat4 m;
  std::memcpy(m.m, s.cache_key, sizeof m.m);
  double a[3][4];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) a[r][c] = m.at(r, c);
  auto xf = [&](const Vec3& p) {
    return D3{a[0][0] * p.x + a[0][1] * p.y + a[0][2] * p.z + a[0][3],
              a[1][0] * p.x + a[1][1] * p.y + a[1][2] * p.z + a[1][3],
              a[2][0] * p.x + a[2][1] * p.y + a[2][2] * p.z + a[2][3]};
  };
  double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  const bool mirrored = det < 0;  // a mirror reverses winding: swap to keep the front side
  if (!finite(s.centre)) return s.world_tris;
  s.world_tris.reserve(s.local_tris.size() / 3);
  for (size_t i = 0; i + 2 < s.local_tris.size(); i += 3) {
    geom::Tri t;
    t.a = xf(s.local_tris[i]);
    t.b = xf(s.local_tris[mirrored ? i + 2 : i + 1]);
    t.c = xf(s.local_tris[mirrored ? i + 1 : i + 2]);
    t.index = int(i / 3);
    if (finite(t.a) && finite(t.b) && finite(t.c)) s.world_tris.push_back(t);  // never poison a sweep
  }
  return s.world_tris;
}

bool usable_radius(const State& s) { return s.rx > 0 && s.ry > 0 && std::isfinite(s.rx) && std::isfinite(s.ry); }

void add_contact(State& s, Handle other, const D3& point, const D3& normal) {
  s.contacts.push_back({other, to_f(point), to_f(normal)});
}

}  // namespace

void EntityType(Handle e, int type) {
  if (!scene::exists(e)) return;
  State& s = touch(e);
  s.type = type;
}

int GetEntityType(Handle e) {
  State* s = find(e);
  return s ? s->type : 0;
}

void EntityRadius(Handle e, float rx, float ry) {
  if (!scene::exists(e)) return;
  State& s = touch(e);
  s.rx = rx;
  s.ry = ry == 0 ? rx : ry;
  s.cache_valid = false;  // the box of an entity without triangles follows its radius
}

void Collisions(int src_type, int dst_type, int method, int response) {
  if (src_type == 0 || dst_type == 0) return;  // type 0 means "no collisions"
  for (Pair& p : g_pairs)
    if (p.src == src_type && p.dst == dst_type) {
      p.method = method;
      p.response = response;
      return;
    }
  g_pairs.push_back({src_type, dst_type, method, response});
}

void ClearCollisions() { g_pairs.clear(); }

void UpdateWorld(float) {
  // One walk over the ordered table; the passes below use this snapshot.
  std::vector<std::pair<Handle, State*>> all;
  all.reserve(g_state.size());
  for (auto& [e, s] : g_state) all.emplace_back(e, &s);

  // Which types move and which are collided with, from the pair table.
  std::vector<int> mover_types, target_types;
  for (const Pair& p : g_pairs) {
    mover_types.push_back(p.src);
    target_types.push_back(p.dst);
  }
  for (auto* v : {&mover_types, &target_types}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  auto has = [](const std::vector<int>& v, int t) { return std::find(v.begin(), v.end(), t) != v.end(); };

  // 1. Contacts live for one update only.
  for (auto& [e, s] : all) s->contacts.clear();

  // 2. Targets: shown entities of any type that something collides with.
  struct Target {
    Handle e;
    State* s;
  };
  std::vector<Target> targets;
  g_grid.begin();
  for (auto& [e, sp] : all) {
    State& s = *sp;
    s.slot = -1;
    s.moving = false;
    if (s.type == 0) continue;
    if (!scene::visible(e)) continue;  // hidden (or an ancestor is), or no longer there
    const bool mover = has(mover_types, s.type);
    if (has(target_types, s.type)) {
      refresh(e, s);
      s.slot = int(targets.size());
      targets.push_back({e, &s});
      g_grid.set(s.slot, s.lo, s.hi, mover);
    }
    if (mover && usable_radius(s)) {
      D3 cur = to_d(scene::global_position(e));
      s.moving = geom::len(cur - s.prev) >= 1e-9;
    }
  }
  g_grid.end(int(targets.size()));
  collision::BroadPhase& grid = g_grid;

  // 3. Movers, one at a time in creation order.
  std::vector<geom::Tri> tris;
  std::vector<geom::Blob> blobs;
  std::vector<int> owners;     // candidate index -> target index
  std::vector<int> responses;  // candidate index -> response
  std::vector<int> found;
  std::vector<geom::Touch> touches;
  for (auto& [e, sp] : all) {
    State& s = *sp;
    if (!s.moving) continue;
    D3 cur = to_d(scene::global_position(e));
    D3 d = cur - s.prev;
    D3 r{s.rx, s.ry, s.rx};
    double reach = geom::len(d) + 2 * std::max(s.rx, s.ry) + 0.01;
    D3 lo = s.prev - D3{reach, reach, reach}, hi = s.prev + D3{reach, reach, reach};

    tris.clear();
    blobs.clear();
    owners.clear();
    responses.clear();
    grid.query(lo, hi, found);
    for (int ti : found) {
      Target& t = targets[ti];
      if (t.e == e) continue;  // never against its own mesh
      const Pair* p = pair_for(s.type, t.s->type);
      if (!p) continue;
      int owner = int(owners.size());
      bool added = false;
      if (!t.s->local_tris.empty() && p->method != 1) {
        for (const geom::Tri& wt : world_tris(*t.s)) {
          D3 tlo{std::min({wt.a.x, wt.b.x, wt.c.x}), std::min({wt.a.y, wt.b.y, wt.c.y}),
                 std::min({wt.a.z, wt.b.z, wt.c.z})};
          D3 thi{std::max({wt.a.x, wt.b.x, wt.c.x}), std::max({wt.a.y, wt.b.y, wt.c.y}),
                 std::max({wt.a.z, wt.b.z, wt.c.z})};
          if (thi.x < lo.x || tlo.x > hi.x || thi.y < lo.y || tlo.y > hi.y || thi.z < lo.z || tlo.z > hi.z)
            continue;
          tris.push_back({geom::div(wt.a, r), geom::div(wt.b, r), geom::div(wt.c, r), owner, wt.index});
          added = true;
        }
      } else if (usable_radius(*t.s)) {
        // No triangles (or the ellipsoid method): the target is its own ellipsoid.
        D3 tr{t.s->rx, t.s->ry, t.s->rx};
        blobs.push_back({geom::div(t.s->centre, r), geom::div(tr + r, r), owner});
        added = true;
      }
      if (added) {
        owners.push_back(ti);
        responses.push_back(p->response);
      }
    }
    if (owners.empty()) continue;

    Handle self = e;
    auto pushable = [&](int owner) {
      const Target& t = targets[owners[owner]];
      return !(t.s->moving && t.e > self);  // never out of a mover still to be resolved
    };
    auto stops = [&](int owner) { return responses[owner] == 1; };

    touches.clear();
    D3 b = geom::div(s.prev, r), v = geom::div(d, r);
    b = geom::push_out(b, tris, blobs, pushable, 1.0, touches);
    D3 end = geom::move(b, v, tris, blobs, stops, touches);
    if (touches.empty()) continue;

    D3 world_end = geom::mul(end, r);
    scene::set_global_position(e, to_f(world_end));
    for (const geom::Touch& tc : touches) {
      Target& t = targets[owners[tc.owner]];
      D3 p = geom::mul(tc.point, r);
      D3 n = geom::div(tc.normal, r);
      double nl = geom::len(n);
      n = nl > 0 ? n * (1 / nl) : D3{};
      add_contact(s, t.e, p, n);
      add_contact(*t.s, e, p, -n);
    }
    // Later movers meet this one where it really ended.
    if (s.slot >= 0) {
      refresh(e, s);
      grid.update(s.slot, s.lo, s.hi);
    }
  }

  // 4. Every tracked entity starts its next sweep from where it is now.
  // (A target's cached centre is its current position: the cache was refreshed
  // this update and again after any move made here.)
  for (auto& [e, s] : all) {
    if (s->slot >= 0)
      s->prev = s->centre;
    else if (scene::exists(e))
      s->prev = to_d(scene::global_position(e));
  }
}

Handle EntityCollided(Handle e, int type) {
  State* s = find(e);
  if (!s) return 0;
  for (const Contact& c : s->contacts)
    if (scene::exists(c.other) && GetEntityType(c.other) == type) return c.other;
  return 0;
}

void ResetEntity(Handle e) {
  if (!scene::exists(e)) return;
  State& s = touch(e);
  s.contacts.clear();
  s.prev = to_d(scene::global_position(e));
}

namespace collision {

void on_free(Handle e) { g_state.erase(e); }

void on_copy(Handle src, Handle dst) {
  State* s = find(src);
  if (!s) return;
  State& c = g_state[dst];
  c = State{};
  c.type = s->type;
  c.rx = s->rx;
  c.ry = s->ry;
  c.prev = s->prev;  // the copy's first sweep starts where its source was last swept from
}

void on_clear() {
  g_state.clear();
  g_grid = BroadPhase{};
}

}  // namespace collision

}  // namespace eng
