// The swept unit sphere on its own: which feature is met first, when, and
// what a sphere already overlapping a feature may do.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/collision/sweep.h"

namespace {

using namespace eng::collision::geom;

// Floor triangle in the plane y = 0, front side up; its corner at the origin,
// edges along +x and +z.
const Tri kFloor{{0, 0, 0}, {0, 0, 10}, {10, 0, 0}, 0, 0};

struct Case {
  const char* name;
  D3 b, v;
  bool hit;
  double t;
  Feature kind;
  D3 normal;
};

class SweepCases : public ::testing::TestWithParam<Case> {};

TEST_P(SweepCases, FirstContact) {
  const Case& c = GetParam();
  Hit h = sweep(c.b, c.v, {kFloor}, {});
  ASSERT_EQ(h.valid, c.hit);
  if (!c.hit) return;
  EXPECT_NEAR(h.t, c.t, 1e-9);
  EXPECT_EQ(h.kind, c.kind);
  EXPECT_NEAR(h.normal.x, c.normal.x, 1e-9);
  EXPECT_NEAR(h.normal.y, c.normal.y, 1e-9);
  EXPECT_NEAR(h.normal.z, c.normal.z, 1e-9);
  // The centre at contact is one unit from the contact point, along the normal.
  D3 centre = c.b + c.v * h.t;
  if (h.t > 0) {
    EXPECT_NEAR(len(centre - h.point), 1, 1e-9);
  }
}

const double kVertexT = 1 - 1 / (3 * std::sqrt(2.0));
const double kS = std::sqrt(0.5);

INSTANTIATE_TEST_SUITE_P(
    Floor, SweepCases,
    ::testing::Values(
        Case{"face", {2, 5, 2}, {0, -10, 0}, true, 0.4, Feature::Face, {0, 1, 0}},
        Case{"face_fast_from_far", {2, 50, 2}, {0, -100, 0}, true, 0.49, Feature::Face, {0, 1, 0}},
        Case{"edge_in_plane", {-5, 0, 5}, {10, 0, 0}, true, 0.4, Feature::Edge, {-1, 0, 0}},
        Case{"vertex_diagonal", {-3, 0, -3}, {3, 0, 3}, true, kVertexT, Feature::Vertex, {-kS, 0, -kS}},
        Case{"overlapping_face_moving_in", {2, 0.5, 2}, {0, -1, 0}, true, 0, Feature::Face, {0, 1, 0}},
        Case{"overlapping_face_moving_away", {2, 0.5, 2}, {0, 1, 0}, false, 0, Feature::None, {}},
        Case{"overlapping_face_moving_along", {2, 0.5, 2}, {1, 0, 1}, false, 0, Feature::None, {}},
        Case{"overlapping_edge_moving_in", {-0.5, 0, 5}, {1, 0, 0}, true, 0, Feature::Edge, {-1, 0, 0}},
        Case{"overlapping_edge_moving_out", {-0.5, 0, 5}, {-1, 0, 0}, false, 0, Feature::None, {}},
        Case{"from_behind", {2, -5, 2}, {0, 10, 0}, false, 0, Feature::None, {}},
        Case{"stops_short", {2, 5, 2}, {0, -3.9, 0}, false, 0, Feature::None, {}},
        Case{"passes_beside", {20, 5, 20}, {0, -10, 0}, false, 0, Feature::None, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Sweep, DegenerateTrianglesNeverHitNorPoison) {
  std::vector<Tri> junk = {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0, 0},
                           {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, 0, 1},
                           {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, 0, 2}};
  Hit h = sweep({0.5, 3, 0}, {0, -6, 0}, junk, {});
  EXPECT_FALSE(h.valid);
  std::vector<Touch> touches;
  D3 end = move({0.5, 3, 0}, {0, -6, 0}, junk, {}, [](int) { return false; }, touches);
  EXPECT_NEAR(end.y, -3, 1e-12);
  EXPECT_TRUE(touches.empty());
}

TEST(Sweep, CoincidentDuplicatesGiveTheFirstAndFacesBeatEdges) {
  Tri a = kFloor, b = kFloor;
  a.owner = 1;
  b.owner = 2;
  Hit h = sweep({2, 5, 2}, {0, -10, 0}, {a, b}, {});
  ASSERT_TRUE(h.valid);
  EXPECT_EQ(h.owner, 1);
  // Two floor halves sharing the diagonal edge: landing exactly on it counts as a face.
  Tri other{{10, 0, 0}, {0, 0, 10}, {10, 0, 10}, 3, 0};
  h = sweep({5, 5, 5}, {0, -10, 0}, {other, kFloor}, {});
  ASSERT_TRUE(h.valid);
  EXPECT_EQ(h.kind, Feature::Face);
  EXPECT_NEAR(h.t, 0.4, 1e-9);
}

TEST(Sweep, BlobsAreSweptAsTheirCombinedReach) {
  // Obstacle of radius 1 around x = 10, mover radius 1: reach 2 in mover units.
  Blob bl{{10, 0, 0}, {2, 2, 2}, 0};
  Hit h = sweep({0, 0, 0}, {10, 0, 0}, {}, {bl});
  ASSERT_TRUE(h.valid);
  EXPECT_NEAR(h.t, 0.8, 1e-9);
  EXPECT_NEAR(h.normal.x, -1, 1e-9);
}

TEST(Move, SlideKeepsTheAlongPartAndStopKeepsNothing) {
  std::vector<Touch> touches;
  auto never = [](int) { return false; };
  auto always = [](int) { return true; };
  // 45 degrees down onto the floor from 2 above: lands after 1, slides the rest.
  D3 end = move({2, 2, 2}, {3, -3, 0}, {kFloor}, {}, never, touches);
  EXPECT_NEAR(end.y, 1 + kSkin, 1e-9);
  EXPECT_NEAR(end.x, 5, 1e-9);
  ASSERT_EQ(touches.size(), 1u);
  touches.clear();
  end = move({2, 2, 2}, {3, -3, 0}, {kFloor}, {}, always, touches);
  EXPECT_NEAR(end.y, 1 + kSkin, 1e-9);
  EXPECT_NEAR(end.x, 3 - kSkin, 1e-9);
}

TEST(PushOut, LeavesTheSkinGapAndOnlyForPushableOwners) {
  std::vector<Touch> touches;
  D3 p = push_out({2, 0.4, 2}, {kFloor}, {}, [](int) { return true; }, 1.0, touches);
  EXPECT_NEAR(p.y, 1 + kSkin, 1e-9);
  EXPECT_EQ(touches.size(), 1u);
  touches.clear();
  p = push_out({2, 0.4, 2}, {kFloor}, {}, [](int) { return false; }, 1.0, touches);
  EXPECT_NEAR(p.y, 0.4, 1e-12);
  EXPECT_TRUE(touches.empty());
  // Bounded: from 0.1 above with a budget of 0.5 it rises 0.5 only.
  p = push_out({2, 0.1, 2}, {kFloor}, {}, [](int) { return true; }, 0.5, touches);
  EXPECT_NEAR(p.y, 0.6, 1e-9);
}

}  // namespace
