#include "combat/shells.h"

#include "app/sound_bank.h"
#include "combat/effects.h"
#include "world/collisions.h"

namespace ifold {

namespace {

template <class T>
void launch(RecordList<T>& list, float x, float y, float z, Handle shell_template) {
  T& s = list.add();
  s.entity = eng::CopyEntity(shell_template);
  eng::ShowEntity(s.entity);
  eng::PositionEntity(s.entity, x, y, z);
  s.del = 0;
}

// Every brick within 5.0 of the shell breaks; a broken brick leaves at once.
void strike_bricks(Game& g, Handle shell, int& shell_del) {
  g.brick_list.walk([&](kirp_box& b) {
    if (eng::EntityDistance(shell, b.entity) < 5.0f) {
      create_red_kirp(g, eng::EntityX(b.entity), 5, eng::EntityZ(b.entity), g.debris_sprite);
      flash_at(g, shell);
      b.del = 1;
      shell_del = 1;
      play_on(g.impact_sound, g.impact_channel);
    }
    if (b.del != 1) return Walk::keep;
    free_handle(b.entity);
    return Walk::remove;
  });
}

void strike_base(Game& g, Handle shell, int& shell_del) {
  if (eng::EntityDistance(shell, g.base_entity) < 5.0f) {
    flash_at(g, shell);
    shell_del = 1;
    g.level_won = 0;
    g.level_over = 1;
    play_on(g.blast_sound, g.blast_channel);
  }
}

void strike_fence(Game& g, Handle shell, int& shell_del) {
  if (eng::EntityCollided(shell, kTypeFence)) {
    flash_at(g, shell);
    shell_del = 1;
    play_on(g.impact_sound, g.impact_channel);
  }
}

// The player shell pass shared by both players.
template <class T>
void update_player_shells(Game& g, RecordList<T>& list, int star_level, bool second_player) {
  const float speed = star_level >= 1 ? 1.3f : 1.0f;
  float r = 55, gr = 55, b = 55;
  if (star_level >= 2) {
    r = 125, gr = 1, b = 1;
  } else if (star_level == 1 && second_player) {
    gr = 5;
  }
  list.walk([&](T& s) {
    eng::MoveEntity(s.entity, 0, 0, speed);
    eng::EntityColor(s.entity, r, gr, b);
    strike_bricks(g, s.entity, s.del);
    g.concrete_list.walk([&](bbox& c) {
      if (eng::EntityDistance(s.entity, c.entity) < 9.0f) {
        flash_at(g, s.entity);
        if (star_level >= 2) c.hit -= 50;
        s.del = 1;
        play_on(g.impact_sound, g.impact_channel);
      }
      if (c.hit < 1) c.del = 1;  // removed with its debris by the concrete pass
    });
    strike_base(g, s.entity, s.del);
    strike_fence(g, s.entity, s.del);
    if (s.del != 1) return Walk::keep;
    eng::HideEntity(s.entity);
    free_handle(s.entity);
    return Walk::remove;
  });
}

struct PlayerRefs {
  Handle tank;
  int& lives;
  int shield;
  int spawn_guard;
  int& dying;
  int& star_level;
};

// An enemy shell reaching a player tank that still has lives.
void strike_player(Game& g, Handle shell, int& shell_del, const PlayerRefs& p) {
  if (!(eng::EntityDistance(shell, p.tank) < 5.6f && p.lives > 0)) return;
  flash_at(g, p.tank);
  shell_del = 1;
  if (p.shield == 0) {
    if (p.spawn_guard == 151 && p.dying == 0) {  // not during the spawn guard or while burning
      p.dying = 1;
      p.lives -= 1;
      p.star_level = 0;
      play_on(g.blast_sound, g.blast_channel);
      create_babah(g, eng::EntityX(p.tank), 2, eng::EntityZ(p.tank), g.explosion_sprite);
    }
  } else if (p.shield == 1) {
    play_on(g.armour_sound, g.hit_channel);
  }
}

// One player's shells against one enemy tank, and against the wrecks.
template <class T>
void hit_tank(Game& g, TankT& t, RecordList<T>& shells, int star_level, int& kills,
              int* per_type[4]) {
  shells.walk([&](T& f) {
    if (eng::EntityDistance(f.entity, t.Entity) < 5.9f) {
      flash_at(g, t.Entity);
      play_on(g.armour_sound, g.hit_channel);
      if (t.bonustn > 10) {
        // TODO(bonuses): place_bonus(g) drops the carried bonus here.
        t.bonustn = 0;
      }
      f.del = 1;
      // Damage stops at the kill marker: a destroyed tank is counted once and
      // left for the enemy pass to remove, even when a second shell arrives.
      if (t.Life != kKillMarker) t.Life -= shell_damage(star_level);
    }
    if (t.Life < 1 && t.Life > -151) {
      kills += 1;
      t.Life = kKillMarker;
      g.enemies_on_field -= 1;
      play_on(g.blast_sound, g.blast_channel);
      if (t.TypeOfTank >= 1 && t.TypeOfTank <= 4) *per_type[t.TypeOfTank - 1] += 1;
    }
    g.wreck_list.walk([&](ostov& w) {
      if (!(eng::EntityDistance(f.entity, w.entity) < 5.9f)) return Walk::keep;
      play_on(g.blast_sound, g.blast_channel);
      flash_at(g, w.entity);
      if (w.fly_score) eng::HideEntity(w.fly_score);
      free_handle(w.entity);
      f.del = 1;
      return Walk::remove;
    });
  });
}

}  // namespace

int shell_damage(int star_level) {
  if (star_level <= 0) return 100;
  if (star_level == 1) return 140;
  return 160;
}

void launch_fire(Game& g, float x, float y, float z, Handle t) { launch(g.fire_list, x, y, z, t); }
void launch_fire2(Game& g, float x, float y, float z, Handle t) { launch(g.fire2_list, x, y, z, t); }
void launch_efire(Game& g, float x, float y, float z, Handle t) { launch(g.efire_list, x, y, z, t); }

void update_fire(Game& g) { update_player_shells(g, g.fire_list, g.p1_star_level, false); }
void update_fire2(Game& g) { update_player_shells(g, g.fire2_list, g.p2_star_level, true); }

void update_efire(Game& g) {
  g.efire_list.walk([&g](EFire& s) {
    eng::MoveEntity(s.entity, 0, 0, 1.0f);
    strike_bricks(g, s.entity, s.del);
    g.concrete_list.walk([&](bbox& c) {
      // Enemy shells stop at concrete without harming it; a block already
      // destroyed by a player shell this tick stays destroyed.
      if (eng::EntityDistance(s.entity, c.entity) < 8.8f) {
        flash_at(g, s.entity);
        s.del = 1;
        play_on(g.impact_sound, g.impact_channel);
      }
    });
    strike_player(g, s.entity, s.del,
                  {g.p1_tank, g.p1_lives, g.p1_shield, g.p1_spawn_guard, g.p1_dying,
                   g.p1_star_level});
    if (g.player_count == 2) {
      strike_player(g, s.entity, s.del,
                    {g.p2_tank, g.p2_lives, g.p2_shield, g.p2_spawn_guard, g.p2_dying,
                     g.p2_star_level});
      // Life sharing: a partner out of lives gets one of the other's spares.
      if (g.p1_lives > 1 && g.p2_lives == 0) {
        g.p1_lives -= 1;
        g.p2_lives += 1;
      }
      if (g.p2_lives > 1 && g.p1_lives == 0) {
        g.p2_lives -= 1;
        g.p1_lives += 1;
      }
    }
    strike_base(g, s.entity, s.del);
    strike_fence(g, s.entity, s.del);
    if (s.del != 1) return Walk::keep;
    eng::HideEntity(s.entity);
    free_handle(s.entity);
    return Walk::remove;
  });
}

namespace {

// One player's shells against the other player's tank (armour clang, the shell
// stops) and against enemy shells (both go).
template <class Shell>
void player_shell_contacts(Game& g, RecordList<Shell>& shells, Handle other_tank, bool other_present) {
  shells.walk([&](Shell& f) {
    if (other_present && eng::EntityDistance(f.entity, other_tank) < 5.0f) {
      f.del = 1;
      flash_at(g, other_tank);
      play_on(g.armour_sound, g.hit_channel);
    }
    g.efire_list.walk([&](EFire& e) {
      if (eng::EntityDistance(f.entity, e.entity) < 2.0f) {
        f.del = 1;
        e.del = 1;
        flash_at(g, e.entity);
        play_on(g.impact_sound, g.impact_channel);
      }
    });
  });
}

}  // namespace

void resolve_shell_contacts(Game& g) {
  player_shell_contacts(g, g.fire_list, g.p2_tank, g.player_count == 2);
  player_shell_contacts(g, g.fire2_list, g.p1_tank, true);
  g.fire_list.walk([&g](Fire& f) {
    g.fire2_list.walk([&](Fire2& s) {
      if (eng::EntityDistance(f.entity, s.entity) < 2.0f) {
        f.del = 1;
        s.del = 1;
        play_on(g.impact_sound, g.impact_channel);
      }
    });
  });
}

void resolve_tank_hits(Game& g) {
  int* p1_types[4] = {&g.p1_kills_t1, &g.p1_kills_t2, &g.p1_kills_t3, &g.p1_kills_t4};
  int* p2_types[4] = {&g.p2_kills_t1, &g.p2_kills_t2, &g.p2_kills_t3, &g.p2_kills_t4};
  g.tank_list.walk([&](TankT& t) {
    hit_tank(g, t, g.fire_list, g.p1_star_level, g.p1_kills, p1_types);
    hit_tank(g, t, g.fire2_list, g.p2_star_level, g.p2_kills, p2_types);
    if (g.bomb_pending == 1) {
      t.Life = kKillMarker;
      g.bomb_kills += g.enemies_on_field;
      g.enemies_on_field = 0;
      flash_at(g, t.Entity);
      play_on(g.blast_sound, g.blast_channel);
    }
  });
  g.bomb_pending = 0;
  g.level_kills = g.p1_kills + g.p2_kills + g.bomb_kills;
}

}  // namespace ifold
