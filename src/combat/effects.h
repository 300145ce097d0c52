// Short-lived visual effects (debris, explosions, muzzle flashes, impact
// flashes, smoke, fire tongues), the burning wrecks and the concrete pass.
#pragma once

#include "app/game.h"

namespace ifold {

void create_red_kirp(Game& g, float x, float y, float z, Handle sprite);
void create_babah(Game& g, float x, float y, float z, Handle sprite);
void create_spark(Game& g, float x, float y, float z, Handle sprite);
void create_flame(Game& g, float x, float y, float z, Handle sprite);
void create_dym(Game& g, float x, float y, float z, Handle sprite);
void create_hell_fire(Game& g, float x, float y, float z, Handle sprite);

// An impact flash at the global x and z of an entity, 5 above the ground.
void flash_at(Game& g, Handle entity);

void update_red_kirp(Game& g);
void update_babah(Game& g);
void update_spark(Game& g);
void update_flame(Game& g);
void update_dym(Game& g);
void update_hell_fire(Game& g);

// Burning wrecks and their rising points models; freed after 750 passes.
void update_wrecks(Game& g);
// Concrete wear textures and the destruction of blocks marked del.
void update_concrete(Game& g);

// Replaces an enemy tank at the kill marker by an explosion and a wreck and
// frees the tank's entity; the caller takes the record off the tank list.
void wreck_enemy_tank(Game& g, TankT& tank);

}  // namespace ifold
