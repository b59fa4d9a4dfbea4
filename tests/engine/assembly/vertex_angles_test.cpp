// Vertex angles on vertex lists written by hand: the turn between the incoming and outgoing
// directions in truncated whole degrees, the rules for vertical and empty vectors, the wrap
// into -180..180, and the closing record taking the first record's angle.
#include <gtest/gtest.h>

#include "tests/engine/assembly/assembly_rig.h"

namespace vl::engine {
namespace {

using test::AssemblyRig;

// Writes a closed list (the last point repeats the first) and its list end, then the angles.
std::vector<int> Angles(AssemblyRig& rig, const std::vector<std::pair<int, int>>& points) {
  VertexWindow& v = *rig.t().vertices;
  for (std::size_t i = 0; i < points.size(); ++i) {
    v.setCursor(static_cast<std::int64_t>(i) * 8);
    SetVertexWord(v, static_cast<std::int16_t>(points[i].first), 0);
    SetVertexWord(v, static_cast<std::int16_t>(points[i].second), 1);
    SetVertexWord(v, -555, 3);  // must be overwritten
  }
  v.setCursor(static_cast<std::int64_t>(points.size()) * 8);
  SetVertexWord(v, -1, 0);
  rig.t().listEndBytes = static_cast<std::int64_t>(points.size()) * 8;
  ComputeVertexAngles(rig.t());
  std::vector<int> out;
  for (const test::Vertex& vertex : rig.vertices()) out.push_back(vertex.angle);
  return out;
}

TEST(VertexAngles, TruncatedTurnsWithTheirSpecialCases) {
  AssemblyRig rig(64);
  // Right triangle both ways round: 45 at the sharp corners, 90 at the right angle.
  EXPECT_EQ(Angles(rig, {{0, 0}, {10, 0}, {10, 10}, {0, 0}}), (std::vector<int>{45, 90, 45, 45}));
  EXPECT_EQ(Angles(rig, {{0, 0}, {10, 10}, {10, 0}, {0, 0}}), (std::vector<int>{45, 45, 90, 45}));
  // A full reversal is 0, a straight run through a vertex 180.
  EXPECT_EQ(Angles(rig, {{0, 0}, {5, 0}, {10, 0}, {0, 0}}), (std::vector<int>{0, 180, 0, 0}));
  // Truncated toward zero, not rounded or floored. At (4, 5): in along (2, 1) = 26.57 -> 26,
  // out 0: angle 154. At (5, 5): out along (-3, -1) = -161.57 -> -161 (floor: -162): angle 19.
  // At (2, 4): in -161, out 26, turn -187 wraps to 173: angle 7.
  EXPECT_EQ(Angles(rig, {{4, 5}, {5, 5}, {2, 4}, {4, 5}}), (std::vector<int>{154, 19, 7, 154}));
  // dx = 0 is 90 downward, -90 upward and for no movement (a repeated vertex). At the first
  // (4, 0): in 0, out -90 -> 90. At its repeat: in -90, out 90 -> a full reversal. At (0, 4):
  // in 180, out -90, turn 270 wraps to -90.
  EXPECT_EQ(Angles(rig, {{0, 0}, {4, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}}),
            (std::vector<int>{90, 90, 0, 90, 90, 90}));
  // A lone pixel: nothing turns.
  EXPECT_EQ(Angles(rig, {{3, 3}, {3, 3}}), (std::vector<int>{180, 180}));

  // An octagon of 40 records through a 14-record window: the vertex before record 0 comes from
  // the last window, and every record goes back through "linarr".
  AssemblyRig tiny(64, test::kTinyBudgetBytes);
  std::vector<std::pair<int, int>> octagon;
  const int dx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
  int x = 100, y = 100;
  for (int s = 0; s < 8; ++s)
    for (int i = 0; i < 5; ++i, x += 3 * dx[s], y += 3 * dy[s]) octagon.push_back({x, y});
  octagon.push_back(octagon.front());
  const std::vector<int> angles = Angles(tiny, octagon);
  ASSERT_EQ(angles.size(), octagon.size());
  for (std::size_t i = 0; i < angles.size(); ++i) EXPECT_EQ(angles[i], i % 5 == 0 ? 135 : 180) << i;
  EXPECT_TRUE(tiny.rt.scratchExists("linarr"));
}

}  // namespace
}  // namespace vl::engine
