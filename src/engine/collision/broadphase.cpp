#include "engine/collision/broadphase.h"

#include <algorithm>
#include <cmath>

namespace eng::collision {

namespace {
constexpr int kMaxCellsPerAxis = 256;
constexpr int kMaxCellsPerBox = 32;  // bigger boxes go to the loose list
}  // namespace

void BroadPhase::set(int id, geom::D3 lo, geom::D3 hi, bool moves) {
  if (id >= int(boxes_.size())) {
    boxes_.resize(id + 1);
    moves_.resize(id + 1, 2);
    loose_flag_.resize(id + 1, 0);
    stamp_.resize(id + 1, 0);
    built_ = false;
  }
  Box& b = boxes_[id];
  if (moves_[id] != char(moves)) {
    moves_[id] = char(moves);
    built_ = false;
  }
  if (!moves && (b.lo.x != lo.x || b.lo.y != lo.y || b.lo.z != lo.z || b.hi.x != hi.x || b.hi.y != hi.y ||
                 b.hi.z != hi.z))
    built_ = false;
  b = {lo, hi};
}

void BroadPhase::end(int count) {
  if (count != int(boxes_.size())) {
    boxes_.resize(count);
    moves_.resize(count);
    loose_flag_.resize(count);
    stamp_.resize(count);
    built_ = false;
  }
}

void BroadPhase::update(int id, geom::D3 lo, geom::D3 hi) {
  boxes_[id] = {lo, hi};
  if (!loose_flag_[id]) {
    loose_flag_[id] = 1;
    loose_.push_back(id);
  }
}

int BroadPhase::cell_x(double x) const {
  return std::clamp(int(std::floor((x - x0_) / cell_)), 0, nx_ - 1);
}
int BroadPhase::cell_z(double z) const {
  return std::clamp(int(std::floor((z - z0_) / cell_)), 0, nz_ - 1);
}

void BroadPhase::build() {
  built_ = true;
  loose_.clear();
  for (int id = 0; id < int(boxes_.size()); ++id) {
    loose_flag_[id] = moves_[id];
    if (moves_[id]) loose_.push_back(id);
  }
  cell_start_.clear();
  cell_items_.clear();
  nx_ = nz_ = 0;
  bool any = false;
  double x1 = 0, z1 = 0;
  for (int id = 0; id < int(boxes_.size()); ++id) {
    if (moves_[id]) continue;
    const Box& b = boxes_[id];
    if (!any) {
      x0_ = b.lo.x;
      z0_ = b.lo.z;
      x1 = b.hi.x;
      z1 = b.hi.z;
      any = true;
    }
    x0_ = std::min(x0_, b.lo.x);
    z0_ = std::min(z0_, b.lo.z);
    x1 = std::max(x1, b.hi.x);
    z1 = std::max(z1, b.hi.z);
  }
  if (!any) return;
  double span = std::max(x1 - x0_, z1 - z0_);
  cell_ = std::max(10.0, span / kMaxCellsPerAxis);
  if (!std::isfinite(cell_)) {  // nonsense coordinates: scan everything
    for (int i = 0; i < int(boxes_.size()); ++i) update(i, boxes_[i].lo, boxes_[i].hi);
    return;
  }
  nx_ = std::max(1, int(std::ceil((x1 - x0_) / cell_)) + 1);
  nz_ = std::max(1, int(std::ceil((z1 - z0_) / cell_)) + 1);
  nx_ = std::min(nx_, kMaxCellsPerAxis + 1);
  nz_ = std::min(nz_, kMaxCellsPerAxis + 1);

  // Counting sort of box ids into cells.
  cell_start_.assign(size_t(nx_) * nz_ + 1, 0);
  auto each_cell = [&](int id, auto&& f) {
    const Box& b = boxes_[id];
    int ax = cell_x(b.lo.x), bx = cell_x(b.hi.x), az = cell_z(b.lo.z), bz = cell_z(b.hi.z);
    for (int z = az; z <= bz; ++z)
      for (int x = ax; x <= bx; ++x) f(z * nx_ + x);
  };
  for (int id = 0; id < int(boxes_.size()); ++id) {
    if (loose_flag_[id]) continue;
    const Box& b = boxes_[id];
    long cells = long(cell_x(b.hi.x) - cell_x(b.lo.x) + 1) * (cell_z(b.hi.z) - cell_z(b.lo.z) + 1);
    if (cells > kMaxCellsPerBox) {
      loose_flag_[id] = 1;
      loose_.push_back(id);
      continue;
    }
    each_cell(id, [&](int c) { ++cell_start_[c + 1]; });
  }
  for (size_t c = 1; c < cell_start_.size(); ++c) cell_start_[c] += cell_start_[c - 1];
  cell_items_.resize(cell_start_.back());
  std::vector<int> fill(cell_start_.begin(), cell_start_.end() - 1);
  for (int id = 0; id < int(boxes_.size()); ++id) {
    if (loose_flag_[id]) continue;
    each_cell(id, [&](int c) { cell_items_[fill[c]++] = id; });
  }
}

void BroadPhase::query(geom::D3 lo, geom::D3 hi, std::vector<int>& out) {
  out.clear();
  if (!built_) build();
  if (++now_ == 0) {
    std::fill(stamp_.begin(), stamp_.end(), 0);
    now_ = 1;
  }
  auto visit = [&](int id) {
    if (stamp_[id] == now_) return;
    stamp_[id] = now_;
    if (overlaps(boxes_[id], lo, hi)) out.push_back(id);
  };
  if (nx_ > 0 && hi.x >= x0_ && hi.z >= z0_ && lo.x <= x0_ + nx_ * cell_ && lo.z <= z0_ + nz_ * cell_) {
    int ax = cell_x(lo.x), bx = cell_x(hi.x), az = cell_z(lo.z), bz = cell_z(hi.z);
    for (int z = az; z <= bz; ++z)
      for (int x = ax; x <= bx; ++x) {
        int c = z * nx_ + x;
        for (int k = cell_start_[c]; k < cell_start_[c + 1]; ++k) visit(cell_items_[k]);
      }
  }
  for (int id : loose_) visit(id);
  std::sort(out.begin(), out.end());  // creation order, so results do not depend on the grid
}

}  // namespace eng::collision
