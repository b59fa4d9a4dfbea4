// Convert To (a 100 x 60 box, a square in a corner, a thin path) and the
// outline views' hit test (the 600 limit at 100 % and 1200 at 50 %, ties, the selection).
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "art/anchor_editing.h"
#include "art/path_hit_test.h"
#include "art/path_smoothing.h"
#include "art/shape_conversion.h"
#include "platform/headless_ui.h"

namespace vl::art {
namespace {

using Words = std::vector<std::uint16_t>;
constexpr std::uint16_t C = kCurveBit;

struct Paths {
  platform::MemoryBudget memory;
  Artwork art;
  int add(const Words& w, bool selected = true) {
    PathRecord p;
    p.capacityWords = std::uint16_t(w.size());
    EXPECT_TRUE(p.points.allocate(memory, w.size() * 2));
    std::copy(w.begin(), w.end(), p.points.as<std::uint16_t>());
    p.usedWords = std::uint16_t(w.size());
    p.flags = selected ? kSelected : 0;
    RecomputeBounds(p);
    art.paths.push_back(std::move(p));
    art.count = std::int16_t(art.paths.size());
    art.selectedCount = std::int16_t(art.selectedCount + selected);
    return art.count - 1;
  }
  Words words(int i) const {
    auto w = PointWords(art.paths[i]);
    return {w.begin(), w.end()};
  }
  std::array<std::int32_t, 4> bounds(int i) const {
    const PathRecord& p = art.paths[i];
    return {p.left, p.top, p.right, p.bottom};
  }
};

const Words kBox100x60 = {1000, 1000, 1100, 1000, 1100, 1060, 1000, 1060, 1000, 1000};

TEST(ConvertTo, ShapesFitTheBoxAsTheirRulesSay) {
  const struct { ShapeKind shape; ArtBounds anchors; std::size_t words; } cases[] = {
      {ShapeKind::kCircle, {1010, 990, 1090, 1070}, 26},  // radius (100 + 60) / 4 = 40
      {ShapeKind::kOval, {1000, 1000, 1100, 1060}, 26},
      {ShapeKind::kSquare, {1010, 990, 1090, 1070}, 10},
      {ShapeKind::kRectangle, {1000, 1000, 1100, 1060}, 10},
  };
  for (const auto& c : cases) {
    Paths p;
    p.add(kBox100x60);
    const int unselected = p.add(kBox100x60, false);
    ASSERT_EQ(ConvertTo(p.art, c.shape, 20000, 20000), 1);
    const ArtBounds b = c.anchors;
    EXPECT_EQ(p.bounds(0), (std::array<std::int32_t, 4>{b.left - 5, b.top - 5, b.right + 5, b.bottom + 5}));
    const Words w = p.words(0);
    ASSERT_EQ(w.size(), c.words);
    EXPECT_EQ(p.words(unselected), kBox100x60);
    // The anchors recomputed from the words give the same bounds, and the path is closed.
    PathRecord& path = p.art.paths[0];
    const auto stored = p.bounds(0);
    RecomputeBounds(path);
    EXPECT_EQ(p.bounds(0), stored);
    EXPECT_TRUE(IsClosed(path));
    if (c.words == 26) {
      EXPECT_EQ(w[0], ((b.left + b.right) / 2) | C);  // top midpoint, a curve leaves it
      EXPECT_EQ(w[25], b.top | C);                    // and one arrives back
      EXPECT_EQ(w[6], b.right | C);
      EXPECT_EQ(w[7], ((b.top + b.bottom) / 2) | C);
    }
  }
}

TEST(ConvertTo, CornersShrinkTheSquareAndThinPathsStay) {
  Paths p;
  p.add({2, 2, 60, 2, 60, 80, 2, 80, 2, 2});  // centre (31, 41), radius 34, 31 from the edge
  const int thin = p.add({500, 500, 900, 500});
  ASSERT_EQ(ConvertTo(p.art, ShapeKind::kSquare, 1000, 1000), 1);
  EXPECT_EQ(p.words(0), (Words{0, 10, 62, 10, 62, 72, 0, 72, 0, 10}));
  EXPECT_EQ(p.words(thin), (Words{500, 500, 900, 500}));
}

TEST(HitTest, TheMeasureLimitFollowsTheZoom) {
  Paths p;
  p.add({1000, 1000, 3000, 1000}, false);
  const double artScale = 16.0;  // 2000 art units along: measure = d^2 / 4 for d units off
  const struct { std::uint32_t zoom; int offset; bool hit; } cases[] = {
      {0x10000, 48, true}, {0x10000, 64, false}, {0x8000, 64, true}, {0x8000, 72, false}};
  for (const auto& c : cases) {
    HitView view{c.zoom, c.zoom, 4, 0, 0};
    const ArtClick click{2000, 1000 + c.offset};
    EXPECT_EQ(SegmentMeasure({1000, 1000}, {3000, 1000}, click, HitMargin(view), artScale),
              c.offset * c.offset / 4);
    const int found = FindPathAt(p.art, click, HitMargin(view), DistanceLimit(view), false, artScale);
    EXPECT_EQ(found, c.hit ? 0 : kNoPath) << c.zoom << " " << c.offset;
  }
  EXPECT_EQ(DistanceLimit({0x10000, 0x10000, 4, 0, 0}), 600);
  EXPECT_EQ(DistanceLimit({0x8000, 0x8000, 4, 0, 0}), 1200);
  EXPECT_EQ(DistanceLimit({0x20000, 0x20000, 4, 0, 0}), 600);
  const ArtClick a = ClickToArt({0x10000, 0x10000, 4, 5, 0}, 10, 20);
  EXPECT_EQ(a.x, 240);
  EXPECT_EQ(a.y, 320);
  // A zero-length piece is no hit; a curve is measured along its flattened pieces.
  EXPECT_EQ(SegmentMeasure({10, 10}, {10, 10}, {10, 10}, 80, artScale), kNoHitMeasure);
  Paths curve;
  curve.add({1000 | C, 1000, 1000, 2000, 3000, 2000, 3000, 1000 | C});
  EXPECT_EQ(FindPathAt(curve.art, {2000, 1750}, 80, 600, false, artScale), 0);
  EXPECT_EQ(FindPathAt(curve.art, {2000, 1500}, 80, 600, false, artScale), kNoPath);
}

TEST(HitTest, TiesKeepTheEarlierPathAndShiftClicksToggle) {
  Paths p;
  p.add({1000, 1000, 3000, 1000}, false);
  p.add({1000, 1000, 3000, 1000}, false);
  p.add({1000, 2000, 3000, 2000}, false);
  EXPECT_EQ(FindPathAt(p.art, {2000, 1010}, 80, 600, false, 16.0), 0);
  EXPECT_EQ(FindPathAt(p.art, {2000, 1010}, 80, 600, true, 16.0), kNoPath);
  ClickSelect(p.art, 0, false);
  ClickSelect(p.art, 2, true);
  EXPECT_EQ(p.art.selectedCount, 2);
  ClickSelect(p.art, 0, true);  // shift on a selected path: deselected, the other stays
  EXPECT_EQ(p.art.selectedCount, 1);
  EXPECT_TRUE(p.art.paths[2].flags & kSelected);
  ClickSelect(p.art, 1, false);
  EXPECT_EQ(p.art.selectedCount, 1);
  EXPECT_TRUE(p.art.paths[1].flags & kSelected);
  ClickSelect(p.art, kNoPath, false);
  EXPECT_EQ(p.art.selectedCount, 0);
}


// Malformed point arrays as a damaged or hand-made file could leave them: every editing
// operation runs over them without reading past the words in use, keeps usedWords within the
// array and never adds a path.
TEST(MalformedArt, EveryOperationStaysInsideThePointArrays) {
  Words limit;
  while (limit.size() + 2 <= kMaxPointWords) {
    limit.push_back(std::uint16_t(1000 + limit.size() % 7));
    limit.push_back(std::uint16_t(1000 + limit.size() % 5));
  }
  const std::vector<Words> arrays = {
      {},                                        // an empty path
      {100},                                     // half an anchor
      {100, 100},                                // a lone anchor
      {100 | C, 100, 200, 200},                  // a curve that never arrives
      {100, 100, 100, 100, 100, 100, 100, 100},  // coincident anchors
      {100 | C, 100 | C, 1, 2, 3, 4, 500 | C, 500 | C, 1, 2},  // flags everywhere, cut short
      {0, 0, 32767, 32767, 0, 32767, 0, 0},      // the corners of the art space
      limit,                                     // at the 65535-word limit
  };
  for (std::size_t k = 0; k < arrays.size(); ++k) {
    SCOPED_TRACE(k);
    for (int op = 0; op < 7; ++op) {
      Paths p;
      p.add(arrays[k]);
      p.add(k + 1 < arrays.size() ? arrays[k] : arrays[4]);  // a twin, sharing every anchor
      base::ConversionState state;
      base::ApplicationState app;
      platform::HeadlessUi ui(nullptr);
      std::string scratch = "/tmp/";
      base::Runtime rt{ui, p.memory, state, app, scratch};
      switch (op) {
        case 0: SmoothPaths(p.art, 2, 16.0); break;
        case 1: SmoothDirectionPoints(p.art, 2); break;
        case 2: ConvertTo(p.art, ShapeKind::kCircle, 32767, 32767); break;
        case 3: static_cast<void>(FindPathAt(p.art, {100, 100}, 80, 600, false, 16.0)); break;
        case 4: static_cast<void>(HitSegment(p.art, {150, 150}, 80)); break;
        case 5: DeleteAnchorsInRect(p.art, rt, {0, 0, 32767, 32767}, false); break;
        case 6: static_cast<void>(RotateClosedPath(p.art.paths[0])); break;
      }
      EXPECT_LE(p.art.count, 2) << op;
      for (const PathRecord& path : PathsInUse(p.art)) {
        EXPECT_LE(path.usedWords, path.capacityWords) << op;
        EXPECT_LE(std::size_t(path.usedWords) * 2, path.points.size()) << op;
      }
    }
  }
}

}  // namespace
}  // namespace vl::art
