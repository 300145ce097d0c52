// The battlefield's records (enemy tanks, bricks, shells, wrecks, effects...)
// and the list that holds them.
//
// A record wraps one scene entity it owns. Lists keep insertion order, and a
// walk may remove the record it is visiting (or append new ones) without
// disturbing the walk: removed slots are emptied at once and compacted when the
// outermost walk of that list ends.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/engine.h"

namespace ifold {

using eng::Handle;

// What a walk's visitor tells the list about the record it just visited.
enum class Walk { keep, remove };

template <class T>
class RecordList {
 public:
  RecordList() = default;
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;
  RecordList(RecordList&&) noexcept = default;
  RecordList& operator=(RecordList&&) noexcept = default;

  // Appends a record and returns it; records appended during a walk are visited
  // by that walk too, as with a linked list.
  T& add(T record = T{}) {
    items_.push_back(std::make_unique<T>(std::move(record)));
    ++count_;
    return *items_.back();
  }

  // Visits every record in insertion order. The visitor returns Walk::remove to
  // take the visited record off the list (after freeing its entity), or
  // Walk::keep; a visitor returning void keeps every record.
  template <class F>
  void walk(F&& visit) {
    ++depth_;
    struct Leave {
      RecordList* list;
      ~Leave() {
        if (--list->depth_ == 0) list->compact();
      }
    } leave{this};
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (!items_[i]) continue;
      if constexpr (std::is_void_v<decltype(visit(*items_[i]))>) {
        visit(*items_[i]);
      } else {
        if (visit(*items_[i]) == Walk::remove) erase_slot(i);
      }
    }
  }

  // Takes one record off the list (a no-op when it is not on it).
  void remove(const T& record) {
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].get() == &record) {
        erase_slot(i);
        if (depth_ == 0) compact();
        return;
      }
    }
  }

  // Drops every record (entities must have been freed by the caller).
  void clear() {
    if (depth_ > 0) {
      for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]) erase_slot(i);
    } else {
      items_.clear();
      count_ = 0;
    }
  }

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // The live records in order (tests, HUD counts).
  std::vector<T*> records() const {
    std::vector<T*> out;
    out.reserve(count_);
    for (const auto& p : items_)
      if (p) out.push_back(p.get());
    return out;
  }
  T* first() const {
    for (const auto& p : items_)
      if (p) return p.get();
    return nullptr;
  }

 private:
  void erase_slot(std::size_t i) {
    // The record may still be referenced by the visitor that removed it, so
    // its memory lives until the outermost walk ends.
    graveyard_.push_back(std::move(items_[i]));
    --count_;
    holes_ = true;
  }
  void compact() {
    graveyard_.clear();
    if (!holes_) return;
    std::size_t w = 0;
    for (std::size_t r = 0; r < items_.size(); ++r)
      if (items_[r]) items_[w++] = std::move(items_[r]);
    items_.resize(w);
    holes_ = false;
  }

  std::vector<std::unique_ptr<T>> items_;
  std::vector<std::unique_ptr<T>> graveyard_;
  std::size_t count_ = 0;
  int depth_ = 0;
  bool holes_ = false;
};

// Frees a record's entity and zeroes the handle (the first half of the removal
// rule; the list does the second half).
inline void free_handle(Handle& h) {
  if (h) eng::FreeEntity(h);
  h = 0;
}

// ---- record classes ---------------------------------------------------------

struct TankT {  // an enemy tank
  Handle Entity = 0;
  int TypeOfTank = 0;
  int Life = 0;
  float Speed = 0;
  int AttackSpeed = 0;
  int bonustn = 0;
  int time_fire = 0;
  int terot = 0;
  int rot = 0;
  int rotate_enemy = 0;
  float oldspeed = 0;
  Handle pivot = 0;
};
inline constexpr int kKillMarker = -200;

struct kirp_box {  // a brick (a quarter of a map cell)
  Handle entity = 0;
  int hit = 0;
  int del = 0;
};

struct bbox {  // a concrete block; hit is its remaining strength
  Handle entity = 0;
  int del = 0;
  int hit = 0;
};

struct Tblock {  // an indestructible block: stops tanks, not shells
  Handle entity = 0;
};

struct Tcamu {  // a bush over the tanks
  Handle entity = 0;
};

struct Fire {  // player 1's shell
  Handle entity = 0;
  int del = 0;
};
struct Fire2 {  // player 2's shell
  Handle entity = 0;
  int del = 0;
};
struct EFire {  // an enemy shell
  Handle entity = 0;
  int del = 0;
};

struct tank_type_select {  // one roster line
  std::string type_tank_resp;
  int t_tank_resp = 0;
};

struct ostov {  // a burning wreck with its rising points model
  Handle entity = 0;
  int hit = 0;
  int del = 0;
  int x = 0;
  int z = 0;
  Handle fly_score = 0;
  float sc_move = 0;
};

// Effects: alpha counts down from 1 and drives scale, visibility and removal.
struct red_kirp {
  Handle entity = 0;
  int del = 0;
  float alpha = 0;
};
struct babah {
  Handle entity = 0;
  int del = 0;
  float alpha = 0;
};
struct spark {
  Handle entity = 0;
  int del = 0;
  float alpha = 0;
};
struct flame {
  Handle entity = 0;
  float alpha = 0;
};
struct dym {
  Handle entity = 0;
  float alpha = 0;
};
struct hell_fire {
  Handle entity = 0;
  float alpha = 0;
};

}  // namespace ifold
