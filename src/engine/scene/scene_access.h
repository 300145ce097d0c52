// What the collision module needs from the scene graph, and the hooks the
// scene calls back into the collision module. Internal to the engine.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/engine.h"
#include "engine/scene/math.h"

namespace eng::scene {

bool exists(Handle e);
// False when the entity or any ancestor is hidden.
bool visible(Handle e);
// Local-to-world transform including scale and rotation of every ancestor.
Mat4 world_matrix(Handle e);
Vec3 global_position(Handle e);
// Moves the entity so that its global position becomes p (parents unchanged).
void set_global_position(Handle e, const Vec3& p);
// Calls f(a, b, c) for every triangle of the entity's own mesh, in the
// entity's local space (before world_matrix). Nothing for pivots, sprites etc.
void for_each_triangle(Handle e, const std::function<void(const Vec3&, const Vec3&, const Vec3&)>& f);
// Grows whenever the entity's mesh geometry changes (for caching).
std::uint64_t geometry_version(Handle e);
// Every live entity handle, in creation order.
void for_each_entity(const std::function<void(Handle)>& f);

}  // namespace eng::scene

namespace eng::collision {

// Called by the scene: an entity is freed / copied (the copy keeps type and radius) /
// the whole world is cleared.
void on_free(Handle e);
void on_copy(Handle src, Handle dst);
void on_clear();

}  // namespace eng::collision
