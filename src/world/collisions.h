// Collision pairs, the play camera and light; and the world teardown that
// frees everything a level made.
#pragma once

#include "app/game.h"

namespace ifold {

// Collision types of the battlefield.
enum CollisionType : int {
  kTypePlayer1 = 1,
  kTypePlayer2 = 2,
  kTypeFence = 3,
  kTypeEnemy = 4,
  kTypeBrick = 5,
  kTypeShell = 6,
  kTypeConcrete = 7,
  kTypeBlock = 8,
  kTypeBase = 9,
};

struct CollisionPair {
  int mover;
  int target;
  int response;  // 1 stop, 2 slide
};
// The 23 pairs in registration order (method 2 for all).
extern const CollisionPair kCollisionPairs[23];

void setup_collisions(Game& g);
void teardown_world(Game& g);

}  // namespace ifold
