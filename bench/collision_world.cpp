// UpdateWorld cost on a battlefield: 6 tanks driving about among bricks,
// concrete blocks and the fence, with the game's collision pairs.
//
//   bench_collision_world                 all figures
//   BM_UpdateWorld_Field                  400 bricks, 30 concrete, fence (median is the figure)
//   BM_UpdateWorld_Field_DetailedTanks    the same with tanks of 1,200 triangles
//   BM_UpdateWorld_Bricks/N               growth from 100 to 1,600 bricks
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "engine/engine.h"

namespace {

using eng::Handle;

Handle make_fence() {
  Handle m = eng::CreateMesh();
  Handle s = eng::CreateSurface(m);
  const float a = 65, lo = -1, hi = 5;
  // Four inward-facing walls (clockwise seen from inside the field).
  const float w[4][4][3] = {
      {{a, lo, a}, {a, lo, -a}, {a, hi, -a}, {a, hi, a}},
      {{-a, lo, -a}, {-a, lo, a}, {-a, hi, a}, {-a, hi, -a}},
      {{-a, lo, a}, {a, lo, a}, {a, hi, a}, {-a, hi, a}},
      {{a, lo, -a}, {-a, lo, -a}, {-a, hi, -a}, {a, hi, -a}},
  };
  for (const auto& q : w) {
    int i[4];
    for (int k = 0; k < 4; ++k) i[k] = eng::AddVertex(s, q[k][0], q[k][1], q[k][2]);
    eng::AddTriangle(s, i[0], i[2], i[1]);
    eng::AddTriangle(s, i[0], i[3], i[2]);
  }
  eng::EntityType(m, 3);
  return m;
}

// A tank-sized box whose faces are split into n x n quads: a stand-in for a
// real tank model of 12 n^2 triangles.
Handle dense_tank(int n) {
  Handle m = eng::CreateMesh();
  Handle s = eng::CreateSurface(m);
  const float h[3] = {3.5f, 1.8f, 4.25f};
  for (int axis = 0; axis < 3; ++axis)
    for (int sign = -1; sign <= 1; sign += 2) {
      int u = (axis + 1) % 3, v = (axis + 2) % 3;
      int base = -1;
      for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
          float p[3];
          p[axis] = sign * h[axis];
          p[u] = h[u] * (-1 + 2.0f * i / n);
          p[v] = h[v] * (-1 + 2.0f * j / n);
          int k = eng::AddVertex(s, p[0], p[1], p[2]);
          if (base < 0) base = k;
        }
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
          int a = base + j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
          // Outward front faces whichever way the axes run.
          if (sign > 0) {
            eng::AddTriangle(s, a, c, d);
            eng::AddTriangle(s, a, d, b);
          } else {
            eng::AddTriangle(s, a, d, c);
            eng::AddTriangle(s, a, b, d);
          }
        }
    }
  return m;
}

struct Field {
  std::vector<Handle> tanks;
  std::vector<float> heading;
  std::mt19937 rng{42};
};

// The game's pairs (players 1, 2; enemies 4) against fence 3, bricks 5,
// concrete 7, blocks 8, base 9 and each other.
void register_pairs() {
  eng::ClearCollisions();
  const int pairs[][3] = {{1, 3, 2}, {2, 3, 2}, {1, 2, 2}, {2, 1, 2}, {1, 5, 2}, {2, 5, 2}, {1, 4, 1}, {2, 4, 1},
                          {1, 7, 2}, {2, 7, 2}, {1, 8, 2}, {2, 8, 2}, {4, 8, 2}, {4, 7, 2}, {4, 1, 1}, {4, 2, 1},
                          {4, 3, 2}, {4, 5, 2}, {4, 4, 1}, {6, 3, 2}, {1, 9, 1}, {2, 9, 1}, {4, 9, 1}};
  for (const auto& p : pairs) eng::Collisions(p[0], p[1], 2, p[2]);
}

// Bricks stand in 2 x 2 clusters (one 10-unit map cell each) with 10-unit lanes
// between the clusters, so the tanks keep driving and meeting walls. The grid
// grows past the fence when more bricks are asked for than the field holds.
// Lane centres lie at x, z = 15 (mod 20); clusters at 5 (mod 20).
Field build(int bricks, int concrete, int tank_detail = 0) {
  eng::ClearWorld(true, false);
  register_pairs();
  make_fence();
  Field f;
  Handle tmpl = eng::CreateCube();
  eng::ScaleEntity(tmpl, 2.5f, 2.5f, 2.5f);
  eng::EntityType(tmpl, 5);
  eng::EntityRadius(tmpl, 2.5f);
  eng::HideEntity(tmpl);
  Handle ctmpl = eng::CreateCube();
  eng::ScaleEntity(ctmpl, 5, 2, 5);
  eng::EntityType(ctmpl, 7);
  eng::EntityRadius(ctmpl, 5);
  eng::HideEntity(ctmpl);

  const int clusters = (bricks + 3) / 4 + concrete;
  const int k = int(std::ceil(std::sqrt(clusters)));  // clusters per side
  const float o = -20.0f * (k / 2);
  int bricks_placed = 0, concrete_placed = 0;
  // Inside-the-field clusters first, from the centre out, so small counts stay on the field.
  std::vector<std::pair<float, std::pair<int, int>>> order;
  for (int ci = 0; ci < k; ++ci)
    for (int cj = 0; cj < k; ++cj) {
      float cx = o + 20 * ci + 5, cz = o + 20 * cj + 5;
      order.push_back({std::max(std::fabs(cx), std::fabs(cz)), {ci, cj}});
    }
  std::sort(order.begin(), order.end());
  for (const auto& [dist, cell] : order) {
    float cx = o + 20 * cell.first + 5, cz = o + 20 * cell.second + 5;
    if (concrete_placed < concrete && (cell.first + cell.second) % 5 == 0) {
      Handle c = eng::CopyEntity(ctmpl);
      eng::PositionEntity(c, cx, 0.7f, cz);
      eng::ResetEntity(c);
      ++concrete_placed;
      continue;
    }
    for (int q = 0; q < 4 && bricks_placed < bricks; ++q, ++bricks_placed) {
      Handle b = eng::CopyEntity(tmpl);
      eng::PositionEntity(b, cx - 2.5f + 5 * (q % 2), 3, cz - 2.5f + 5 * (q / 2));
      eng::ResetEntity(b);
    }
  }
  for (int t = 0; t < 6; ++t) {
    Handle e = tank_detail > 0 ? dense_tank(tank_detail) : eng::CreateCube();
    if (tank_detail == 0) eng::ScaleEntity(e, 3.5f, 1.8f, 4.25f);
    eng::EntityType(e, t < 2 ? t + 1 : 4);
    eng::EntityRadius(e, 4.5f);
    eng::PositionEntity(e, -45 + 20 * t, 1.5f, (t % 2) ? 35 : -45);
    eng::ResetEntity(e);
    f.tanks.push_back(e);
    f.heading.push_back(float(t * 90));
  }
  eng::UpdateWorld();
  return f;
}

void drive(Field& f) {
  std::uniform_int_distribution<int> turn(0, 59);
  for (size_t i = 0; i < f.tanks.size(); ++i) {
    if (turn(f.rng) == 0) f.heading[i] += 90;
    Handle e = f.tanks[i];
    eng::RotateEntity(e, 0, f.heading[i], 0);
    eng::MoveEntity(e, 0, 0, 0.25f);
    eng::PositionEntity(e, eng::EntityX(e), 1.5f, eng::EntityZ(e));
  }
}

void run(benchmark::State& state, int bricks, int concrete, int tank_detail = 0) {
  Field f = build(bricks, concrete, tank_detail);
  for (int i = 0; i < 200; ++i) {  // warm the caches, spread the tanks out
    drive(f);
    eng::UpdateWorld();
  }
  // The six moves per tick are timed too; they cost well under a microsecond.
  for (auto _ : state) {
    drive(f);
    eng::UpdateWorld();
  }
  state.counters["bricks"] = bricks;
  state.SetComplexityN(bricks);
  eng::ClearWorld(true, false);
}

void BM_UpdateWorld_Field(benchmark::State& state) { run(state, 400, 30); }
BENCHMARK(BM_UpdateWorld_Field)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The same field with tanks of 1,200 triangles each (turning tanks refresh
// their cached triangles every tick, and tanks meeting sweep all of them).
void BM_UpdateWorld_Field_DetailedTanks(benchmark::State& state) { run(state, 400, 30, 10); }
BENCHMARK(BM_UpdateWorld_Field_DetailedTanks)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_UpdateWorld_Bricks(benchmark::State& state) { run(state, int(state.range(0)), 30); }
BENCHMARK(BM_UpdateWorld_Bricks)->Arg(100)->Arg(200)->Arg(400)->Arg(800)->Arg(1600)
    ->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
