// Uniform grid over the x/z plane for finding the targets near a mover.
// Boxes of targets that move (movers that are also targets) or that cover a
// large part of the field (the fence) are kept in a short list scanned on every
// query; the rest go into the grid, which is rebuilt only when one of them
// changes, so a field of standing bricks costs one box compare each per update.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/collision/sweep.h"

namespace eng::collision {

class BroadPhase {
 public:
  // Per update: begin(), set() for ids 0, 1, 2, ... in order, end(count).
  void begin() {}
  void set(int id, geom::D3 lo, geom::D3 hi, bool moves);
  void end(int count);
  void update(int id, geom::D3 lo, geom::D3 hi);  // a box moved after set()
  // Ids of every box overlapping [lo, hi], each once.
  void query(geom::D3 lo, geom::D3 hi, std::vector<int>& out);

 private:
  struct Box {
    geom::D3 lo, hi;
  };
  void build();
  bool overlaps(const Box& b, geom::D3 lo, geom::D3 hi) const {
    return !(b.hi.x < lo.x || b.lo.x > hi.x || b.hi.y < lo.y || b.lo.y > hi.y || b.hi.z < lo.z ||
             b.lo.z > hi.z);
  }
  int cell_x(double x) const;
  int cell_z(double z) const;

  std::vector<Box> boxes_;
  std::vector<char> moves_;       // as given to set()
  std::vector<char> loose_flag_;  // scanned on every query instead of through the grid
  std::vector<int> loose_;
  bool built_ = false;
  double x0_ = 0, z0_ = 0, cell_ = 10;
  int nx_ = 0, nz_ = 0;
  std::vector<int> cell_start_, cell_items_;
  std::vector<std::uint32_t> stamp_;
  std::uint32_t now_ = 0;
};

}  // namespace eng::collision
