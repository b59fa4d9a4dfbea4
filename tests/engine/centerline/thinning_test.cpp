// Thinning and junctions on small images: the tables against their definition, what one
// half-pass does to dots, blocks, ends and loops, the step count and the early stop, hole
// filling, junction detection and merging, and the junction limit.
#include "engine/junctions.h"
#include "engine/thinning.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

// Separate runs of ink around a pixel: the code's bits run round the pixel in order.
int Runs(int code) {
  int runs = 0;
  for (int i = 0; i < 8; ++i) runs += ((code >> i) & 1) && !((code >> ((i + 7) % 8)) & 1);
  return runs;
}

TEST(ThinningTables, FirstTableDeletesTheDotAndEverySingleRunButTheAlmostFullOnes) {
  for (int code = 0; code < 256; ++code) {
    const bool almostFull = code == 127 || code == 223 || code == 247 || code == 253;
    const bool expected = code == 0 || (Runs(code) == 1 && !almostFull);
    EXPECT_EQ(FirstDeletionTable()[std::size_t(code)] != 0, expected) << "code " << code;
  }
}

TEST(ThinningTables, SecondTableOnlyDeletesWhatTheFirstWouldAndJunctionsAreNeverDeleted) {
  int second = 0;
  for (int code = 0; code < 256; ++code) {
    second += SecondDeletionTable()[std::size_t(code)];
    if (SecondDeletionTable()[std::size_t(code)]) {
      EXPECT_TRUE(FirstDeletionTable()[std::size_t(code)]) << code;
    }
    // A junction pixel holds several strokes together: no table may remove it.
    if (JunctionTable()[std::size_t(code)]) {
      EXPECT_FALSE(FirstDeletionTable()[std::size_t(code)]) << code;
      EXPECT_GE(Runs(code), 2) << code;
    }
  }
  EXPECT_EQ(second, 12);
}

// An image of the given rows ('#' ink) in a runtime.
struct Plane {
  TestRuntime env;
  image::RasterImage image;
  explicit Plane(const std::vector<std::string>& rows) {
    EXPECT_TRUE(image::setGeometry(image, std::int32_t(rows[0].size()), std::int32_t(rows.size())));
    EXPECT_TRUE(image::allocateBitLayer(image, env.memory));
    for (std::size_t y = 0; y < rows.size(); ++y)
      for (std::size_t x = 0; x < rows[y].size(); ++x)
        if (rows[y][x] == '#') SetBitAt(image::BitRow(image, std::int32_t(y)), std::int32_t(x));
  }
  template <typename Ink>
  Plane(int w, int h, Ink&& ink) {
    EXPECT_TRUE(image::setGeometry(image, w, h));
    EXPECT_TRUE(image::allocateBitLayer(image, env.memory));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (ink(x, y)) SetBitAt(image::BitRow(image, y), x);
  }
  ~Plane() { image::releaseImage(image, env.rt); }
  std::vector<std::string> rows() const {
    std::vector<std::string> out;
    for (int y = 0; y < image.height; ++y) {
      out.emplace_back();
      for (int x = 0; x < image.width; ++x) out.back() += BitAt(image::BitRow(image, y), x) ? '#' : '.';
    }
    return out;
  }
  long ink() const {
    long n = 0;
    for (const std::string& r : rows()) n += std::count(r.begin(), r.end(), '#');
    return n;
  }
  bool halfPass(int counter) {
    std::int32_t low = 0, high = 0;
    return ThinningHalfPass(env.rt, image, counter, {0, image.height - 1}, low, high);
  }
  ThinningState thin(int steps) {
    ThinningState s;
    s.steps = steps;
    s.band = {0, image.height - 1};
    EXPECT_FALSE(RunThinning(env.rt, image, s, true));
    return s;
  }
};

TEST(Thinning, DotsAndTwoByTwoBlocksVanishInTheFirstHalfPass) {
  for (const auto& rows : std::vector<std::vector<std::string>>{
           {"......", "..#...", "......"},
           {"......", "..##..", "..##..", "......"},
       }) {
    Plane p(rows);
    EXPECT_FALSE(p.halfPass(0));
    EXPECT_EQ(p.ink(), 0) << rows[1];
  }
}

TEST(Thinning, OpenStrokesWearAtTheirEndsButALoopStaysWhole) {
  Plane line({"..............", "..##########..", ".............."});
  EXPECT_FALSE(line.halfPass(0));
  EXPECT_GE(line.ink(), 6);
  EXPECT_LE(line.ink(), 8);  // one or two pixels from each end

  Plane loop({"..........", ".########.", ".#......#.", ".#......#.", ".########.", ".........."});
  const auto before = loop.rows();
  loop.thin(5);
  EXPECT_EQ(loop.rows(), before);
}

TEST(Thinning, StepsRunTwoHalfPassesLessOneAndStopWhenNothingChanges) {
  const struct {
    int steps, halfPasses;
  } cases[] = {{0, 0}, {1, 1}, {3, 5}, {4, 7}};
  for (const auto& c : cases) {
    Plane blob(80, 80, [](int x, int y) { return x > 5 && x < 75 && y > 5 && y < 75; });
    const ThinningState s = blob.thin(c.steps);
    EXPECT_EQ(s.halfPass, c.halfPasses) << c.steps << " steps";
    EXPECT_FALSE(s.finished);
  }
  // A one-pixel loop never changes: the band empties after the first odd half-pass.
  Plane loop({"..........", ".########.", ".#......#.", ".########.", ".........."});
  const ThinningState s = loop.thin(20);
  EXPECT_TRUE(s.finished);
  EXPECT_EQ(s.halfPass, 2);
}

TEST(Thinning, ThickStrokesThinToOneConnectedPixelLine) {
  // A 9-pixel bar thinned for 5 steps: one pixel thick along its middle, still in one piece.
  Plane bar(60, 20, [](int x, int y) { return x >= 5 && x < 55 && y >= 6 && y < 15; });
  bar.thin(5);
  for (int x = 15; x < 45; ++x) {
    int column = 0;
    for (int y = 0; y < 20; ++y) column += BitAt(image::BitRow(bar.image, y), x);
    EXPECT_EQ(column, 1) << "column " << x;
    EXPECT_TRUE(BitAt(image::BitRow(bar.image, 10), x)) << "column " << x;
  }
}

TEST(HoleFilling, OnePixelHolesFillButNotAtTheRowEnds) {
  Plane p({".###.....", ".#.#.....", ".###.....", "........."});
  FillOneHoles(p.image);
  EXPECT_EQ(p.rows()[1], ".###.....");
  // x = 0 is never filled, even with ink on all four sides.
  Plane edge({"#........", ".#.......", "#........"});
  FillOneHoles(edge.image);
  EXPECT_EQ(edge.rows()[1], ".#.......");
}

TEST(Junctions, FoundWhereOnePixelStrokesMeetOrCross) {
  const struct {
    const char* name;
    std::vector<std::string> rows;
    JunctionPoint at;
  } cases[] = {
      {"tee", {".......", "#######", "...#...", "...#...", "...#..."}, {3, 1}},
      {"cross", {"...#...", "...#...", "#######", "...#...", "...#..."}, {3, 2}},
      {"even cross", {"#....#", ".#..#.", "..##..", "..##..", ".#..#.", "#....#"}, {2, 2}},
  };
  for (const auto& c : cases) {
    Plane p(c.rows);
    JunctionList list;
    ASSERT_EQ(FindJunctions(p.env.rt, p.image, list), JunctionScan::kDone) << c.name;
    MergeJunctions(list);
    ASSERT_EQ(list.size(), 3u) << c.name;
    EXPECT_EQ(list.points.front(), kLeadingSentinel);
    EXPECT_EQ(list.points.back(), kTrailingSentinel);
    EXPECT_LE(std::abs(list.points[1].x - c.at.x) + std::abs(list.points[1].y - c.at.y), 1) << c.name;
  }
  Plane line({"........", ".######.", "........"});
  JunctionList list;
  ASSERT_EQ(FindJunctions(line.env.rt, line.image, list), JunctionScan::kDone);
  EXPECT_EQ(list.size(), 2u);  // the sentinels alone
}

TEST(Junctions, CloseJunctionPointsMergeIntoOne) {
  using P = std::vector<JunctionPoint>;
  const struct {
    const char* name;
    P in, out;
  } cases[] = {
      {"pair in a row", {{10, 5}, {12, 5}, {40, 9}}, {{11, 5}, {40, 9}}},
      {"three in a row", {{10, 5}, {11, 5}, {13, 5}, {40, 9}}, {{12, 5}, {40, 9}}},
      {"apart in a row", {{10, 5}, {13, 5}}, {{10, 5}, {13, 5}}},
      {"one below", {{10, 5}, {10, 6}, {40, 9}}, {{10, 6}, {40, 9}}},
      {"two rows below", {{10, 5}, {10, 7}, {40, 9}}, {{10, 6}, {40, 9}}},
      {"beside the one below", {{10, 5}, {11, 6}}, {{10, 5}, {11, 6}}},
      {"three rows below", {{10, 5}, {10, 8}}, {{10, 5}, {10, 8}}},
      // Once one lies below, its neighbours within two columns go with it.
      {"widened", {{10, 5}, {12, 6}, {10, 7}, {8, 7}, {40, 9}}, {{10, 6}, {40, 9}}},
      {"moved past a later one", {{10, 5}, {3, 6}, {10, 6}}, {{3, 6}, {10, 6}}},
  };
  for (const auto& c : cases) {
    JunctionList list;
    list.points.push_back(kLeadingSentinel);
    list.points.insert(list.points.end(), c.in.begin(), c.in.end());
    list.points.push_back(kTrailingSentinel);
    MergeJunctions(list);
    P expected{kLeadingSentinel};
    expected.insert(expected.end(), c.out.begin(), c.out.end());
    expected.push_back(kTrailingSentinel);
    EXPECT_EQ(list.points, expected) << c.name;
  }
}

TEST(Junctions, MoreThanTheLimitStopsTheScan) {
  // Crosses four pixels apart, each with one junction point at its centre.
  for (std::size_t crosses : {kMaxJunctionPoints, kMaxJunctionPoints + 1}) {
    const int perRow = 150;
    Plane p(perRow * 4 + 4, int((crosses + perRow - 1) / perRow) * 4 + 4, [&](int x, int y) {
      const int cx = x / 4, cy = y / 4;
      if (std::size_t(cy * perRow + cx) >= crosses || cx >= perRow) return false;
      const int dx = x % 4 - 2, dy = y % 4 - 2;
      return (dx == 0 && std::abs(dy) <= 1) || (dy == 0 && std::abs(dx) <= 1);
    });
    JunctionList list;
    const JunctionScan scan = FindJunctions(p.env.rt, p.image, list);
    EXPECT_EQ(scan, crosses > kMaxJunctionPoints ? JunctionScan::kTooMany : JunctionScan::kDone);
    if (scan == JunctionScan::kDone) {
      EXPECT_EQ(list.size(), crosses + 2);
    }
  }
}

}  // namespace
}  // namespace vl::engine::test
