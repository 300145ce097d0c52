// Collision state and the collision block of the engine API.
// First cut: types, radii, pairs, contacts and hooks; UpdateWorld does not sweep yet.
#include <map>
#include <vector>

#include "engine/engine.h"
#include "engine/scene/scene_access.h"

namespace eng {
namespace {

struct State {
  int type = 0;
  float rx = 1, ry = 1;
  Vec3 prev;
  std::vector<Handle> contacts;
};
struct Pair {
  int src, dst, method, response;
};

std::map<Handle, State> g_state;
std::vector<Pair> g_pairs;

State* find(Handle e) {
  auto it = g_state.find(e);
  return it == g_state.end() ? nullptr : &it->second;
}
State& touch(Handle e) {
  auto [it, fresh] = g_state.try_emplace(e);
  if (fresh) it->second.prev = scene::global_position(e);
  return it->second;
}

}  // namespace

void EntityType(Handle e, int type) {
  if (!scene::exists(e)) return;
  touch(e).type = type;
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
}
void Collisions(int src_type, int dst_type, int method, int response) {
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
  for (auto& [e, s] : g_state) {
    s.contacts.clear();
    s.prev = scene::global_position(e);
  }
}
Handle EntityCollided(Handle e, int type) {
  State* s = find(e);
  if (!s) return 0;
  for (Handle o : s->contacts)
    if (scene::exists(o) && GetEntityType(o) == type) return o;
  return 0;
}
void ResetEntity(Handle e) {
  if (!scene::exists(e)) return;
  State& s = touch(e);
  s.contacts.clear();
  s.prev = scene::global_position(e);
}

namespace collision {
void on_free(Handle e) { g_state.erase(e); }
void on_copy(Handle src, Handle dst) {
  State* s = find(src);
  if (!s) return;
  State copy = *s;
  copy.contacts.clear();
  g_state[dst] = copy;
}
void on_clear() { g_state.clear(); }
}  // namespace collision

}  // namespace eng
