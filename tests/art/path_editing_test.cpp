// Anchor editing and path smoothing on hand-built point arrays: the joined curve through the
// thirds of the old segments, rotation and splitting keeping the geometry, the 65535-word
// limit, degenerate paths, the Delete Anchor tool down to the last path, and Smooth Paths /
// Smooth Direction Points with their counts and limits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "art/anchor_editing.h"
#include "art/path_smoothing.h"
#include "base/message_table.h"
#include "platform/headless_ui.h"

namespace vl::art {
namespace {

using Words = std::vector<std::uint16_t>;
constexpr std::uint16_t C = kCurveBit;

struct Rig {
  platform::HeadlessUi ui{nullptr};
  platform::MemoryBudget memory;
  base::ConversionState state;
  base::ApplicationState app;
  std::string scratch = "/tmp/";
  base::Runtime rt{ui, memory, state, app, scratch};
  Artwork art;

  int add(const Words& w, bool selected = true) {
    PathRecord p;
    p.capacityWords = std::uint16_t(w.size());
    EXPECT_TRUE(p.points.allocate(memory, w.size() * 2 + 2));
    std::copy(w.begin(), w.end(), p.points.as<std::uint16_t>());
    p.usedWords = std::uint16_t(w.size());
    p.flags = selected ? kSelected : 0;
    RecomputeBounds(p);
    art.paths.push_back(std::move(p));
    art.count = std::int16_t(art.paths.size());
    art.capacity = art.count;
    art.selectedCount = std::int16_t(art.selectedCount + (selected ? 1 : 0));
    return art.count - 1;
  }
  Words words(int i) const {
    auto w = PointWords(art.paths[i]);
    return {w.begin(), w.end()};
  }
};

// Points along every segment of a path (art units), to compare geometry.
std::vector<ArtPoint> Samples(const PathRecord& p, int perSegment = 8) {
  std::vector<ArtPoint> out;
  const std::vector<std::size_t> at = AnchorOffsets(p);
  for (std::size_t i = 0; i + 1 < at.size(); ++i)
    for (int s = 0; s < perSegment; ++s) out.push_back(SegmentPoint(p, at[i], double(s) / perSegment));
  return out;
}

double Distance(ArtPoint a, ArtPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The nearest distance from q to the path's sampled outline.
double DistanceToPath(const PathRecord& p, ArtPoint q) {
  double best = 1e18;
  for (const ArtPoint& s : Samples(p, 400)) best = std::min(best, Distance(s, q));
  return best;
}

TEST(DeleteAnchorPoint, AnLShapeBecomesOneCurveThroughItsThirds) {
  Rig r;
  const int i = r.add({1000, 1000, 1300, 1000, 1300, 1300});
  ASSERT_TRUE(DeleteAnchorPoint(r.art.paths[i], 2));
  const Words w = r.words(i);
  ASSERT_EQ(w.size(), 8u);    // two straight segments give one curve: 2 words more
  EXPECT_EQ(w[0], 1000 | C);  // a curve leaves K
  EXPECT_EQ(w[7], 1300 | C);  // and arrives at N
  const PathRecord& p = r.art.paths[i];
  // The L is 600 long: its thirds are (1200, 1000) and (1300, 1100); the curve passes them.
  EXPECT_LT(Distance(SegmentPoint(p, 0, 1.0 / 3), {1200, 1000}), 1.5);
  EXPECT_LT(Distance(SegmentPoint(p, 0, 2.0 / 3), {1300, 1100}), 1.5);
  EXPECT_EQ(p.left, 995);
  EXPECT_EQ(p.bottom, 1305);
}

TEST(DeleteAnchorPoint, DegenerateAndFullPathsAreLeftWhole) {
  Rig r;
  // Coincident anchors: nothing to measure, still no crash, and the words stay in range.
  const int same = r.add({50, 50, 50, 50, 50, 50});
  ASSERT_TRUE(DeleteAnchorPoint(r.art.paths[same], 2));
  for (std::uint16_t v : r.words(same)) EXPECT_EQ(v & kCoordinateMask, 50);
  // The first and the last anchor have no neighbour on one side.
  const int line = r.add({0, 0, 10, 0, 20, 0});
  EXPECT_FALSE(DeleteAnchorPoint(r.art.paths[line], 0));
  EXPECT_FALSE(DeleteAnchorPoint(r.art.paths[line], 4));
  // A path at the 65535-word limit cannot take the two words more.
  Words big;
  for (int k = 0; big.size() + 2 <= kMaxPointWords; ++k) {
    big.push_back(std::uint16_t(k % 2 ? 100 : 0));
    big.push_back(std::uint16_t(k % 30000));
  }
  const int full = r.add(big);
  ASSERT_EQ(r.art.paths[full].usedWords, kMaxPointWords - 1);
  const Words before = r.words(full);
  EXPECT_FALSE(DeleteAnchorPoint(r.art.paths[full], 2));
  EXPECT_EQ(r.words(full), before);
}

TEST(RotateAndSplit, KeepTheGeometry) {
  Rig r;
  // A closed path whose first segment is a curve, then two lines back to the start.
  const int i = r.add({100 | C, 100, 150, 50, 250, 50, 300, 100 | C, 300, 300, 100, 300, 100, 100});
  const std::vector<ArtPoint> before = Samples(r.art.paths[i]);
  ASSERT_EQ(RotateClosedPath(r.art.paths[i]), 0);
  const Words w = r.words(i);
  EXPECT_EQ(w[0], 300);
  EXPECT_EQ(w[1], 100);  // no arriving flag on the first anchor
  EXPECT_TRUE(IsClosed(r.art.paths[i]));
  for (const ArtPoint& s : before) EXPECT_LT(DistanceToPath(r.art.paths[i], s), 1.0);
  EXPECT_EQ(anchorCount(r.art.paths[i]), 4);

  const int single = r.add({0, 0, 40, 40});
  EXPECT_EQ(RotateClosedPath(r.art.paths[single]), 1);

  // Splitting the curve at t = 0.3: the halves stay on the old curve.
  const int curve = r.add({0 | C, 0, 100, 300, 400, 300, 500, 0 | C});
  const std::vector<ArtPoint> old = Samples(r.art.paths[curve], 40);
  ASSERT_TRUE(SplitSegment(r.art.paths[curve], 0, 0.3));
  EXPECT_EQ(r.words(curve).size(), 14u);
  for (const ArtPoint& s : Samples(r.art.paths[curve], 40))
    EXPECT_LT(DistanceToPath(r.art.paths[curve], s), 1.0);
  for (const ArtPoint& s : old) EXPECT_LT(DistanceToPath(r.art.paths[curve], s), 3.0);
  const int line = r.add({0, 0, 100, 0});
  ASSERT_TRUE(SplitSegment(r.art.paths[line], 0, 0.25));
  EXPECT_EQ(r.words(line), (Words{0, 0, 25, 0, 100, 0}));
}

TEST(DeleteAnchorsInRect, ClosedPathsShrinkToNothingAndTheLastShowsMessage44) {
  Rig r;
  r.add({0, 0, 100, 0, 100, 100, 0, 0});
  const int other = r.add({500, 500, 600, 500}, false);  // unselected: untouched
  (void)other;
  EXPECT_FALSE(DeleteAnchorsInRect(r.art, r.rt, {200, 200, 300, 300}, false));
  // Click near (100, 0): that anchor goes, then the others until the path cannot rotate.
  ASSERT_TRUE(DeleteAnchorsInRect(r.art, r.rt, {95, -5, 105, 5}, true));
  EXPECT_EQ(anchorCount(r.art.paths[0]), 2);
  ASSERT_TRUE(DeleteAnchorsInRect(r.art, r.rt, {-10, -10, 200, 200}, false));
  EXPECT_EQ(r.art.count, 1);
  EXPECT_TRUE(r.ui.messages().empty());
  r.art.paths[0].flags |= kSelected;
  ++r.art.selectedCount;
  ASSERT_TRUE(DeleteAnchorsInRect(r.art, r.rt, {400, 400, 700, 700}, false));
  EXPECT_EQ(r.art.count, 0);
  EXPECT_EQ(r.ui.messages(), std::vector<std::string>{std::string(msg::Text(msg::kAllPathsDeleted))});
}

// A wobbly closed outline of n anchors around a circle (art units, 16 per pixel).
Words Wobbly(int n, double cx, double cy, double radius, double wobble) {
  Words w;
  for (int i = 0; i <= n; ++i) {
    const double a = 2 * 3.14159265358979 * (i % n) / n;
    const double rr = radius + ((i % n) % 2 ? wobble : -wobble);
    w.push_back(std::uint16_t(cx + rr * std::cos(a)));
    w.push_back(std::uint16_t(cy + rr * std::sin(a)));
  }
  return w;
}

TEST(SmoothPaths, RemovesAnchorsNeverPathsAndReportsTheCount) {
  for (int level : {0, 1, 2}) {
    Rig r;
    r.add(Wobbly(120, 3000, 3000, 2000, 4));
    r.add({10, 10, 60, 10, 60, 60, 10, 10});  // four straight points: never smoothed
    const int anchorsBefore = anchorCount(r.art.paths[0]);
    const Words small = r.words(1);
    const long gone = SmoothPaths(r.art, level, 16.0);
    EXPECT_EQ(r.art.count, 2);
    EXPECT_GT(gone, 120L * (level * 25 + 25) / 255);
    EXPECT_EQ(anchorCount(r.art.paths[0]), anchorsBefore - gone);
    EXPECT_EQ(r.words(1), small);
    EXPECT_TRUE(IsClosed(r.art.paths[0]));
    ReportSmoothing(r.rt, gone);
    EXPECT_EQ(r.ui.messages().back(), msg::Format(msg::kPointsEliminated, int(gone)));
  }
  Rig r;
  r.add({10, 10, 60, 10, 60, 60, 10, 10});
  EXPECT_EQ(SmoothPaths(r.art, 2, 16.0), 0);
  ReportSmoothing(r.rt, 0);
  EXPECT_EQ(r.ui.messages().back(), msg::Text(msg::kMaxSmoothingReached));
}

TEST(SmoothPaths, ASharedBoundaryLosesTheSamePointsOnBothPaths) {
  Rig r;
  // Two squares sharing the edge x = 1000, with collinear anchors along it on both.
  Words left = {0, 0, 1000, 0};
  for (int y = 100; y < 1000; y += 100) left.insert(left.end(), {1000, std::uint16_t(y)});
  left.insert(left.end(), {1000, 1000, 0, 1000, 0, 0});
  Words right = {2000, 0, 2000, 1000, 1000, 1000};
  for (int y = 900; y > 0; y -= 100) right.insert(right.end(), {1000, std::uint16_t(y)});
  right.insert(right.end(), {1000, 0, 2000, 0});
  r.add(left, false);
  r.add(right, false);
  const long gone = SmoothPaths(r.art, 0, 16.0);
  EXPECT_GT(gone, 0);
  auto onEdge = [&](int i) {
    std::vector<int> ys;
    const Words w = r.words(i);
    for (std::size_t at : AnchorOffsets(r.art.paths[i]))
      if ((w[at] & kCoordinateMask) == 1000) ys.push_back(w[at + 1] & kCoordinateMask);
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    return ys;
  };
  EXPECT_EQ(onEdge(0), onEdge(1));
  EXPECT_LT(onEdge(0).size(), 11u);
}

// An anchor at (1000, 1000) with direction points 200 units away at the given angle apart.
Words Corner(double degrees) {
  const double half = degrees / 2 * 3.14159265358979 / 180;
  const auto ax = std::uint16_t(std::lround(1000 - 200 * std::sin(half)));
  const auto bx = std::uint16_t(std::lround(1000 + 200 * std::sin(half)));
  const auto dy = std::uint16_t(std::lround(1000 + 200 * std::cos(half)));
  return {500 | C, 1500, 600, 1400, ax, dy, 1000 | C, 1000 | C, bx, dy, 1400, 1400, 1500, 1500 | C};
}

TEST(SmoothDirectionPoints, AlignsCornersAtOrBeyondTheLevelsAngle) {
  const struct { double degrees; int level; long changed; } cases[] = {
      {170, 0, 1}, {160, 0, 0}, {160, 1, 1}, {140, 1, 0}, {140, 2, 1}, {120, 2, 0}};
  for (const auto& c : cases) {
    Rig r;
    r.add(Corner(c.degrees));
    const DirectionSmoothing d = SmoothDirectionPoints(r.art, c.level);
    EXPECT_EQ(d.changed, c.changed) << c.degrees << " at level " << c.level;
    EXPECT_EQ(d.operatedOn, 3);
    if (c.changed == 0) continue;
    // Both direction points on one line through the anchor, their distances kept.
    const Words w = r.words(0);
    const double ax = w[4] - 1000.0, ay = w[5] - 1000.0, bx = w[8] - 1000.0, by = w[9] - 1000.0;
    EXPECT_LT(std::fabs(ax * by - ay * bx) / 200.0, 2.0);
    EXPECT_NEAR(std::hypot(ax, ay), 200.0, 1.0);
    ReportDirectionSmoothing(r.rt, d);
    EXPECT_EQ(r.ui.messages().back(), msg::Format(msg::kSmoothedPointOfPoints, 1L, 3L));
  }
  Rig r;
  ReportDirectionSmoothing(r.rt, {});
  EXPECT_EQ(r.ui.messages().back(), msg::Text(msg::kNoDirectionPointsSmoothed));
}


TEST(AdjustTools, BendThroughTheMouseAndMoveLinesWithTheirConstraints) {
  Rig r;
  const int i = r.add({1000, 1000, 2000, 1000, 2000, 2000});
  ASSERT_TRUE(BendSegment(r.art.paths[i], 0, {1500, 1300}));
  const PathRecord& p = r.art.paths[i];
  EXPECT_LT(Distance(SegmentPoint(p, 0, 0.5), {1500, 1300}), 1.0);
  const Words w = r.words(i);
  ASSERT_EQ(w.size(), 10u);
  EXPECT_EQ(w[0], 1000 | C);
  EXPECT_EQ(w[7], 1000 | C);
  EXPECT_NEAR(double(w[2]) - double(w[4]), (1000.0 - 2000.0) / 2, 1.0);  // C1 - C2 = (K - N) / 2
  EXPECT_EQ(w[8], 2000);  // the next segment is untouched
  // The mouse on the line through K and N: the curve is straight.
  ASSERT_TRUE(BendSegment(r.art.paths[i], 0, {1500, 1000}));
  for (double t : {0.1, 0.25, 0.7}) EXPECT_NEAR(SegmentPoint(r.art.paths[i], 0, t).y, 1000.0, 0.5);

  // Adjust Line with the constraint: by the segment's angle.
  const struct { double degrees; const char* expect; } cases[] = {
      {20, "horizontal"}, {30, "diagonal"}, {60, "diagonal"}, {70, "vertical"}};
  for (const auto& c : cases) {
    Rig q;
    const double a = c.degrees * 3.14159265358979 / 180;
    const auto nx = std::uint16_t(std::lround(5000 + 1000 * std::cos(a)));
    const auto ny = std::uint16_t(std::lround(5000 + 1000 * std::sin(a)));
    const int j = q.add({5000, 5000, nx, ny});
    MoveSegment(q.art.paths[j], 0, {5000, 5000}, {5100, 5200}, true);
    const Words m = q.words(j);
    const int dx = m[2] - m[0], dy = m[3] - m[1];
    EXPECT_EQ(m[0], 5100) << c.degrees;
    EXPECT_EQ(m[1], 5200) << c.degrees;
    const std::string expect = c.expect;
    const int off = expect == "horizontal" ? std::abs(dy)
                    : expect == "vertical" ? std::abs(dx)
                                           : std::abs(std::abs(dx) - std::abs(dy));
    EXPECT_LE(off, 1) << c.degrees;
    EXPECT_GT(std::abs(dx) + std::abs(dy), 500) << c.degrees;
  }
  // Without it the segment moves by the mouse's travel from the foot of the press point.
  Rig q;
  const int j = q.add({1000 | C, 1000, 1200, 1500, 1800, 1500, 2000, 1000 | C});
  MoveSegment(q.art.paths[j], 0, {1500, 1100}, {1500, 1400}, false);
  EXPECT_EQ(q.words(j), (Words{1000, 1400, 2000, 1400}));  // the curve made straight first
}


TEST(AdjustTools, ShiftBendsCircularArcs) {
  const double artScale = 16.0;
  // A half circle of radius 1000 through the mouse; no split at exactly half.
  {
    Rig r;
    const int i = r.add({1000, 1000, 3000, 1000});
    ASSERT_TRUE(ArcSegment(r.art.paths[i], 0, {2000, 2000}, artScale));
    ASSERT_EQ(r.words(i).size(), 8u);
    for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
      const ArtPoint q = SegmentPoint(r.art.paths[i], 0, t);
      EXPECT_NEAR(std::hypot(q.x - 2000, q.y - 1000), 1000.0, 70.0) << t;  // the 0.4 handles
      EXPECT_GE(q.y, 999.0);  // on the mouse's side
    }
  }
  // More than a half circle: two halves meeting at a new anchor on the circle, opposite K-N.
  {
    Rig r;
    const int i = r.add({1000, 1000, 3000, 1000});
    ASSERT_TRUE(ArcSegment(r.art.paths[i], 0, {2000, 2800}, artScale));
    const Words w = r.words(i);
    ASSERT_EQ(w.size(), 14u);
    EXPECT_NEAR(w[6] & kCoordinateMask, 2000, 1);
    EXPECT_NEAR(w[7] & kCoordinateMask, 2800, 1);
    EXPECT_EQ(w[6] & C, C);
    EXPECT_EQ(w[7] & C, C);
  }
  // Collinear, or a radius of 5000 pixels or more: straight, both direction points mid-way.
  for (ArtPoint m : {ArtPoint{2500, 1000}, ArtPoint{2000, 1000.5}}) {
    Rig r;
    const int i = r.add({1000, 1000, 3000, 1000});
    ASSERT_TRUE(ArcSegment(r.art.paths[i], 0, m, artScale));
    EXPECT_EQ(r.words(i), (Words{1000 | C, 1000, 2000, 1000, 2000, 1000, 3000, 1000 | C}));
  }
}

}  // namespace
}  // namespace vl::art
