#include "combat/effects.h"

#include "world/creators.h"

namespace ifold {

namespace {

enum class Draw { fixed, real, integer };

struct ScaleStep {
  float below;  // applies while alpha is below this
  float a, b;   // fixed: sx, sy; real: [a, b); integer: [a, b]
  Draw draw;
};

struct EffectKind {
  float rise, drift, step;
  float drawn_alpha;    // < 0: the countdown itself
  float visible_above;  // < 0: no visibility test
  ScaleStep steps[5];
  int step_count;
  float remove_below;
};

constexpr EffectKind kRedKirp{0.06f, 0, 0.023f, 0.85f, 0.1f,
                              {{0.9f, 2, 2, Draw::fixed}, {0.75f, 3, 3, Draw::fixed},
                               {0.63f, 4, 4, Draw::fixed}, {0.33f, 5, 5, Draw::fixed}},
                              4, 0.13f};
constexpr EffectKind kBabah{0, 0, 0.023f, 0.85f, 0.1f,
                            {{0.9f, 3, 3, Draw::fixed}, {0.75f, 6, 6, Draw::fixed},
                             {0.63f, 8, 8, Draw::fixed}, {0.33f, 11, 11, Draw::fixed}},
                            4, 0.03f};
constexpr EffectKind kSpark{0.03f, 0, 0.02f, -1, -1,
                            {{0.9f, 1.1f, 1.1f, Draw::fixed}, {0.8f, 1.3f, 1.3f, Draw::fixed},
                             {0.7f, 1.5f, 1.5f, Draw::fixed}},
                            3, 0.1f};
constexpr EffectKind kFlame{0.04f, 0, 0.06f, 0.99f, 0.4f,
                            {{0.95f, 1, 2, Draw::fixed}, {0.9f, 2, 3, Draw::fixed},
                             {0.85f, 3, 3, Draw::fixed}, {0.8f, 3, 4, Draw::fixed},
                             {0.63f, 4, 4, Draw::fixed}},
                            5, 0.43f};
constexpr EffectKind kDym{0.11f, 0.15f, 0.015f, 0.75f, 0.5f,
                          {{0.8f, 1.5f, 1.9f, Draw::real}, {0.7f, 3, 3.6f, Draw::real}},
                          2, 0.5f};
constexpr EffectKind kHellFire{0, 0.1f, 0.07f, 0.95f, 0.14f,
                               {{0.9f, 1.5f, 1.5f, Draw::fixed}, {0.5f, 2, 3, Draw::integer}},
                               2, 0.14f};

template <class T>
void create_effect(RecordList<T>& list, float x, float y, float z, Handle sprite, bool show) {
  T& r = list.add();
  r.entity = eng::CopyEntity(sprite);
  if (show) eng::ShowEntity(r.entity);
  eng::PositionEntity(r.entity, x, y, z);
  r.alpha = 1.0f;
}

template <class T>
void update_effects(RecordList<T>& list, const EffectKind& k) {
  list.walk([&k](T& r) {
    eng::MoveEntity(r.entity, 0, k.rise, k.drift);
    r.alpha -= k.step;
    eng::EntityAlpha(r.entity, k.drawn_alpha < 0 ? r.alpha : k.drawn_alpha);
    if (k.visible_above >= 0) {
      if (r.alpha > k.visible_above)
        eng::ShowEntity(r.entity);
      else
        eng::HideEntity(r.entity);
    }
    for (int i = 0; i < k.step_count; ++i) {
      const ScaleStep& s = k.steps[i];
      if (!(r.alpha < s.below)) continue;
      float sx = s.a, sy = s.b;
      if (s.draw == Draw::real) {
        sx = eng::Rnd(s.a, s.b);  // x first, then y
        sy = eng::Rnd(s.a, s.b);
      } else if (s.draw == Draw::integer) {
        sx = float(eng::Rand(int(s.a), int(s.b)));
        sy = float(eng::Rand(int(s.a), int(s.b)));
      }
      eng::ScaleSprite(r.entity, sx, sy);
    }
    if (!(r.alpha < k.remove_below)) return Walk::keep;
    free_handle(r.entity);
    return Walk::remove;
  });
}

}  // namespace

void create_red_kirp(Game& g, float x, float y, float z, Handle sprite) {
  create_effect(g.red_kirp_list, x, y, z, sprite, false);
}
void create_babah(Game& g, float x, float y, float z, Handle sprite) {
  create_effect(g.babah_list, x, y, z, sprite, false);
}
void create_spark(Game& g, float x, float y, float z, Handle sprite) {
  create_effect(g.spark_list, x, y, z, sprite, true);
}
void create_flame(Game& g, float x, float y, float z, Handle sprite) {
  create_effect(g.flame_list, x, y, z, sprite, false);
}
void create_dym(Game& g, float x, float y, float z, Handle sprite) {
  create_effect(g.dym_list, x, y, z, sprite, false);
}
void create_hell_fire(Game& g, float x, float y, float z, Handle sprite) {
  create_effect(g.hell_fire_list, x, y, z, sprite, false);
}

void flash_at(Game& g, Handle entity) {
  create_flame(g, eng::EntityX(entity, true), 5, eng::EntityZ(entity, true), g.flash_sprite);
}

void update_red_kirp(Game& g) { update_effects(g.red_kirp_list, kRedKirp); }
void update_babah(Game& g) { update_effects(g.babah_list, kBabah); }
void update_spark(Game& g) { update_effects(g.spark_list, kSpark); }
void update_flame(Game& g) { update_effects(g.flame_list, kFlame); }
void update_dym(Game& g) { update_effects(g.dym_list, kDym); }
void update_hell_fire(Game& g) { update_effects(g.hell_fire_list, kHellFire); }

void update_wrecks(Game& g) {
  g.wreck_list.walk([&g](ostov& w) {
    // Pinned: pushing tanks never move it, and no contact lingers.
    eng::HideEntity(w.entity);
    eng::PositionEntity(w.entity, float(w.x), 1.5f, float(w.z));
    eng::ResetEntity(w.entity);
    eng::ShowEntity(w.entity);

    w.sc_move += 0.04f;
    if (w.fly_score)
      eng::PositionEntity(w.fly_score, eng::EntityX(w.entity), eng::EntityY(w.entity) + 5 + w.sc_move,
                          eng::EntityZ(w.entity));

    create_dym(g, float(w.x), 3, float(w.z), g.smoke_sprite);
    const int a = eng::Rand(-2, 2);
    const int b = eng::Rand(0, 1);
    const int c = eng::Rand(-2, 2);
    create_hell_fire(g, float(w.x + a), float(4 + b), float(w.z + c), g.fire_sprite);

    w.hit += 1;
    if (w.fly_score) {
      if (w.hit < 90)
        eng::ShowEntity(w.fly_score);
      else
        eng::HideEntity(w.fly_score);
    }
    if (w.hit != 750) return Walk::keep;
    // The expired wreck's points model goes at once rather than lingering hidden
    // until the level ends.
    free_handle(w.fly_score);
    free_handle(w.entity);
    return Walk::remove;
  });
}

void update_concrete(Game& g) {
  g.concrete_list.walk([&g](bbox& b) {
    eng::EntityColor(b.entity, 200, 200, 200);
    if (b.hit < 100) {
      eng::EntityTexture(b.entity, g.concrete_worn_texture, 0, 1);
      eng::EntityTexture(b.entity, g.concrete_worn_bump, 0, 0);
    } else {
      eng::EntityTexture(b.entity, g.concrete_texture, 0, 1);
      eng::EntityTexture(b.entity, g.concrete_bump, 0, 0);
    }
    if (b.del != 1) return Walk::keep;
    const float x = eng::EntityX(b.entity), z = eng::EntityZ(b.entity);
    create_red_kirp(g, x - 2, 5, z - 2, g.concrete_debris_sprite);
    create_red_kirp(g, x + 2, 5, z + 2, g.concrete_debris_sprite);
    create_red_kirp(g, x - 2, 5, z + 2, g.concrete_debris_sprite);
    create_red_kirp(g, x + 2, 5, z - 2, g.concrete_debris_sprite);
    create_babah(g, x, 2, z, g.explosion_sprite);
    free_handle(b.entity);
    return Walk::remove;
  });
}

void wreck_enemy_tank(Game& g, TankT& tank) {
  create_babah(g, eng::EntityX(tank.Entity), 2, eng::EntityZ(tank.Entity), g.explosion_sprite);
  g.wreck_list.add(Create_ostov(g, tank));
  free_handle(tank.Entity);
  tank.pivot = 0;
}

}  // namespace ifold
