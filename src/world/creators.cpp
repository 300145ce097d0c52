#include "world/creators.h"

namespace ifold {

Handle enemy_template(const Game& g, int type) {
  switch (type) {
    case 1: return g.stug_model;
    case 2: return g.hetzer_model;
    case 3: return g.tiger_model;
    case 4: return g.elefant_model;
    default: return 0;
  }
}

Handle points_model(const Game& g, int type) {
  switch (type) {
    case 1: return g.points_model_1;
    case 2: return g.points_model_2;
    case 3: return g.points_model_3;
    case 4: return g.points_model_4;
    default: return 0;
  }
}

TankT CreateTank(const Game& g, int type, int life, int attack, float speed, int ticket) {
  TankT t;
  t.Entity = eng::CopyEntity(enemy_template(g, type));
  t.TypeOfTank = type;
  t.Life = life;
  t.AttackSpeed = attack;
  t.Speed = speed;
  t.bonustn = ticket;
  t.pivot = eng::CreatePivot(t.Entity);
  eng::PositionEntity(t.pivot, 0, 30, -90);  // in the tank's scaled space
  return t;
}

kirp_box CreateBox(const Game& g) { return kirp_box{eng::CopyEntity(g.brick_template), 0, 0}; }

bbox CreateBeton(const Game& g) { return bbox{eng::CopyEntity(g.concrete_template), 0, 0}; }

Tblock CreateBlock(const Game& g) { return Tblock{eng::CopyEntity(g.block_template)}; }

Tcamu CreateCamu(const Game& g) { return Tcamu{eng::CopyEntity(g.bush_template)}; }

ostov Create_ostov(const Game& g, const TankT& tank) {
  ostov w;
  w.entity = eng::CopyEntity(tank.Entity);
  w.x = static_cast<int>(eng::EntityX(tank.Entity));  // truncation toward zero
  w.z = static_cast<int>(eng::EntityZ(tank.Entity));
  w.sc_move = 0;
  const Handle points = points_model(g, tank.TypeOfTank);
  if (points) {
    w.fly_score = eng::CopyEntity(points);
    eng::HideEntity(w.fly_score);
  }
  return w;
}

}  // namespace ifold
