#include "engine/collision/broadphase.h"

#include <algorithm>
#include <cmath>

namespace eng::collision {

namespace {
constexpr int kMaxCellsPerAxis = 256;
constexpr int kMaxCellsPerBox = 32;  // bigger boxes go to the loose list
}  // namespace

void BroadPhase::insert(int id, geom::D3 lo, geom::D3 hi) {
  if (id >= int(boxes_.size())) {
    boxes_.resize(id + 1);
    loose_flag_.resize(id + 1, 0);
    stamp_.resize(id + 1, 0);
  }
  boxes_[id] = {lo, hi};
  built_ = false;
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
  cell_start_.clear();
  cell_items_.clear();
  nx_ = nz_ = 0;
  if (boxes_.empty()) return;
  double x1 = boxes_[0].hi.x, z1 = boxes_[0].hi.z;
  x0_ = boxes_[0].lo.x;
  z0_ = boxes_[0].lo.z;
  for (const Box& b : boxes_) {
    x0_ = std::min(x0_, b.lo.x);
    z0_ = std::min(z0_, b.lo.z);
    x1 = std::max(x1, b.hi.x);
    z1 = std::max(z1, b.hi.z);
  }
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
