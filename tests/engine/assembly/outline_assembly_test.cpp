// Outline assembly on chain records made by a plain boundary follower: corners where a shape
// has them, the lone pixel, curved outlines within tolerance of their chain, and the limits:
// tiny windows, the user's abort, unwritable scratch, records whose offsets pass 16 bits.
#include <algorithm>
#include <cmath>

#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

// A Tracer over a 96 x 64 image with the given polygon tolerance (1/64 square pixel).
void BuildAssembly(TracerRig& rig, std::int32_t toleranceSixtyFourths,
                   std::size_t budgetBytes = 0) {
  rig.build(96, 64, budgetBytes);
  rig.t().constants.polygonTolerance = toleranceSixtyFourths;
}

std::vector<Vertex> Assemble(TracerRig& rig, const Chain& c) {
  rig.load(c);
  EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
  ComputeVertexAngles(rig.t());
  return rig.vertices();
}

// The outer boundary of `ink` within size x size pixels, followed as edge extraction does:
// from the first ink pixel in raster order, direction state 7, probes d - 2 .. d + 3, else a
// step back (tested only for d = 7).
Chain FollowBoundary(const Ink& ink, int size) {
  auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < size && y < size && ink(x, y); };
  int sx = 0, sy = 0;
  while (sy < size && !at(sx, sy)) (sx + 1 < size) ? ++sx : (sx = 0, ++sy);
  Chain c{std::int16_t(sx), std::int16_t(sy), {}};
  int x = sx, y = sy, d = 7;
  do {
    int moved = -1;
    for (int k = -2; k <= 3 && moved < 0; ++k)
      if (at(x + kChainDx[(d + k + 8) % 8], y + kChainDy[(d + k + 8) % 8])) moved = (d + k + 8) % 8;
    if (moved < 0) {
      moved = (d + 4) % 8;
      if (d == 7 && !at(x + kChainDx[moved], y + kChainDy[moved])) return {c.x, c.y, {kChainEnd}};
    }
    x += kChainDx[moved];
    y += kChainDy[moved];
    c.codes.push_back(std::uint8_t(d = moved));
  } while (x != sx || y != sy);
  return c;
}

// The chain of a solid w x h rectangle whose top-left pixel is (x, y).
Chain Rectangle(int x, int y, int w, int h) {
  Chain c{std::int16_t(x), std::int16_t(y), {}};
  for (auto [code, n] : {std::pair{5, w - 1}, {7, h - 1}, {1, w - 1}, {3, h - 1}})
    c.codes.insert(c.codes.end(), std::size_t(n), std::uint8_t(code));
  return c;
}

// A disc whose radius loses 0 to 2 pixels at random every pixel or so along its rim.
Chain RaggedDisc(int radius) {
  const double c = radius + 5.0;
  return FollowBoundary(
      [=](int x, int y) {
        unsigned h = unsigned(std::lround(std::atan2(y - c, x - c) * radius));
        h = (h * 73856093u ^ (h >> 7)) * 0x5bd1e995u;
        return std::hypot(x - c, y - c) <= radius - double((h ^ (h >> 15)) % 3);
      },
      2 * radius + 10);
}

// How far a side may stray from its chain at a tolerance in 1/64 square pixel.
double PixelsWithin(std::int32_t tolerance) { return std::sqrt(tolerance / 64.0) + 1.0; }

// The polygon must be the chain cut into pieces: from the start point, with chain offsets
// running forward from the first code to the end byte; walking each side's codes from its
// vertex arrives at the next vertex, every chain point within `maxDistance` pixels of the side.
void ExpectPolygonFollowsChain(const std::vector<Vertex>& poly, const Chain& c,
                               double maxDistance) {
  ASSERT_GE(poly.size(), 2u);
  EXPECT_EQ((std::array{poly[0].x, poly[0].y}), (std::array<std::int32_t, 2>{c.x, c.y}));
  EXPECT_EQ(poly.front().chainOffset, 4);
  EXPECT_EQ(poly.back().chainOffset, 4 + std::int64_t(c.codes.size()));
  double worst = 0;
  for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
    const Vertex &a = poly[i], &b = poly[i + 1];
    ASSERT_LT(a.chainOffset, b.chainOffset) << "side " << i << " is empty or runs back";
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    std::int32_t x = a.x, y = a.y;
    for (std::int64_t o = a.chainOffset; o < b.chainOffset; ++o) {
      x += kChainDx[c.codes[std::size_t(o - 4)]];
      y += kChainDy[c.codes[std::size_t(o - 4)]];
      const double s =
          len2 == 0 ? 0 : std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0);
      worst = std::max(worst, std::hypot(x - a.x - s * dx, y - a.y - s * dy));
    }
    ASSERT_EQ((std::array{x, y}), (std::array{b.x, b.y})) << "side " << i;
  }
  EXPECT_LE(worst, maxDistance + 1e-9);
}

TEST(OutlinePolygon, RectangleGivesItsFourCornersAllAtNinetyDegrees) {
  for (std::int32_t tolerance : {64, 179}) {
    for (auto [w, h] : {std::pair{3, 3}, {40, 3}, {3, 40}, {60, 45}}) {
      // At 179/64 square pixel the corner of a 3 x 3 square lies within the tolerance of the
      // diagonal next to it (1.41 pixels): cutting it is right.
      if (w == 3 && h == 3 && tolerance == 179) continue;
      SCOPED_TRACE(testing::Message() << w << " x " << h << ", tolerance " << tolerance);
      TracerRig rig;
      BuildAssembly(rig, tolerance);
      const Chain c = Rectangle(7, 5, w, h);
      const std::vector<Vertex> poly = Assemble(rig, c);
      const std::int32_t r = 7 + w - 1, b = 5 + h - 1;
      const std::int32_t want[5][2] = {{7, 5}, {r, 5}, {r, b}, {7, b}, {7, 5}};
      ASSERT_EQ(poly.size(), 5u);
      for (int i = 0; i < 5; ++i)
        EXPECT_EQ((std::array{poly[i].x, poly[i].y, poly[i].angle}),
                  (std::array{want[i][0], want[i][1], 90}));
      ExpectPolygonFollowsChain(poly, c, 0.0);  // also: each offset is the code after it
    }
  }
}

TEST(OutlinePolygon, LonePixelGivesItsStartTwiceAndThePixelUnderIt) {
  TracerRig rig;
  BuildAssembly(rig, 102);
  // The painter needs the pixel under the start point as it was before tracing: the backup.
  SetBitAt(image::layerRow(rig.image.backupLayer, rig.image, 9), 12);
  EXPECT_EQ(Assemble(rig, Chain{12, 9, {kChainEnd}}),
            (std::vector<Vertex>{{12, 9, 4, 180}, {12, 9, 4, 180}}));
  EXPECT_EQ(rig.t().startPixel, 1);
  Assemble(rig, Chain{30, 20, {5, 1}});  // two pixels, out and back, on a white backup pixel
  EXPECT_EQ(rig.t().startPixel, 0);
}

TEST(OutlinePolygon, CurvedOutlinesStayWithinToleranceOfTheirChain) {
  // A right triangle whose hypotenuse is a staircase of slope 2/5.
  const Chain staircase = FollowBoundary([](int x, int y) { return y < 40 && 5 * y >= 2 * x; }, 80);
  const Chain cases[] = {FollowBoundary(Disc(10, 10, 6), 20),
                         FollowBoundary(Disc(40, 40, 30.5), 80), staircase,
                         FollowBoundary(
                             [](int x, int y) {  // a wobbly disc
                               return std::hypot(x - 60.0, y - 60.0) <=
                                      40 + 12 * std::sin(5 * std::atan2(y - 60.0, x - 60.0));
                             },
                             120)};
  for (std::int32_t tolerance : {64, 179}) {
    for (const Chain& chain : cases) {
      SCOPED_TRACE(testing::Message() << chain.codes.size() << " codes, tolerance " << tolerance);
      TracerRig rig;
      BuildAssembly(rig, tolerance);
      const std::vector<Vertex> poly = Assemble(rig, chain);
      ExpectPolygonFollowsChain(poly, chain, PixelsWithin(tolerance));
      EXPECT_LT(poly.size() * 3, chain.codes.size());  // sides of several pixels on average
      for (const Vertex& v : poly) EXPECT_TRUE(v.angle >= 0 && v.angle <= 180) << v.angle;
      EXPECT_EQ(poly.back().angle, poly.front().angle);
      if (chain != staircase) continue;
      for (auto [x, y] : {std::pair{0, 0}, {0, 39}, {79, 39}})  // it keeps its three corners
        EXPECT_TRUE(std::any_of(poly.begin(), poly.end(),
                                [x = x, y = y](const Vertex& v) { return v.x == x && v.y == y; }))
            << x << ", " << y;
    }
  }
}

TEST(AssemblyLimits, TinyWindowsGiveTheSameListAsBigOnes) {
  for (const Chain& c :
       {FollowBoundary(Disc(45, 45, 40), 88), Rectangle(0, 0, 60, 45), RaggedDisc(50)}) {
    SCOPED_TRACE(testing::Message() << c.codes.size() << " codes");
    TracerRig big, tiny;
    BuildAssembly(big, 64);
    BuildAssembly(tiny, 64, 256);
    const std::vector<Vertex> expected = Assemble(big, c);
    EXPECT_EQ(Assemble(tiny, c), expected);
    // Every array really went through its file (the vertex window holds 14 records).
    EXPECT_TRUE(tiny.t().chain->spilled() && tiny.t().points->spilled());
    EXPECT_EQ(tiny.env.scratchExists("linarr"), expected.size() > 14);
    EXPECT_TRUE(tiny.env.messages().empty());
  }
}

TEST(AssemblyLimits, AbortStopsAtTheNextSideAndScratchFailureWith155) {
  const Chain disc = FollowBoundary(Disc(45, 45, 40), 88);
  TracerRig whole, rig, blocked;
  BuildAssembly(whole, 64);
  const std::vector<Vertex> full = Assemble(whole, disc);
  // The poll runs as each side begins: stopped at the 4th, three sides are complete and the
  // fourth side's start is written, but the list has no end; nothing is shown.
  BuildAssembly(rig, 64);
  rig.env.ui.useManualClock(0);
  rig.env.ui.stepMs = 100;
  rig.env.ui.stopAtDrain = 4;
  rig.load(disc);
  EXPECT_FALSE(TraceOutlinePolygon(rig.t()));
  EXPECT_EQ(rig.env.state.abortRequested, 1);
  EXPECT_EQ(rig.t().listEndBytes, 0);
  VertexWindow& v = *rig.t().vertices;
  EXPECT_EQ(v.cursor(), 3 * vertex_record::kRecordBytes);
  for (int r = 0; r <= 3; ++r) {
    v.setCursor(r * vertex_record::kRecordBytes);
    EXPECT_EQ((std::array<std::int32_t, 2>{VertexWord(v, 0), VertexWord(v, 1)}),
              (std::array{full[r].x, full[r].y}));
  }
  EXPECT_TRUE(rig.env.messages().empty());
  EXPECT_FALSE(TraceOutlinePolygon(rig.t()));  // once aborted, a further call does nothing
  // The 29-point sides of a rectangle that fits the chain buffer do not fit the point window.
  BuildAssembly(blocked, 64, 256);
  blocked.load(Rectangle(0, 0, 30, 20));
  ASSERT_FALSE(blocked.t().chain->spilled());
  blocked.env.scratchFolder = BlockedFolder(blocked.env.root);
  EXPECT_FALSE(TraceOutlinePolygon(blocked.t()));
  EXPECT_EQ(blocked.env.state.abortRequested, 1);
  EXPECT_EQ(blocked.env.messages(), Shown({155}));
}

TEST(AssemblyLimits, LongRecordsAreNeverMisaddressed) {
  // 16000 x 16000: 63996 codes, kept as they are; 17000 x 16000: 65996 codes, three of whose
  // corners simplification cuts (too little gained to go on), leaving offsets past 16 bits.
  // Both polygons follow the record (the cut corners within a pixel).
  const struct {
    int width, codes;
    double within;
  } cases[] = {{16000, 63996, 0.0}, {17000, 65993, 1.0}};
  for (auto [width, codes, within] : cases) {
    SCOPED_TRACE(width);
    TracerRig rig;
    BuildAssembly(rig, 64);
    const std::vector<Vertex> poly = Assemble(rig, Rectangle(0, 0, width, 16000));
    const Chain kept = rig.record();
    EXPECT_EQ(kept.codes.size(), std::size_t(codes));
    EXPECT_EQ(poly.back().chainOffset, 4 + codes);
    ExpectPolygonFollowsChain(poly, kept, within);
    EXPECT_TRUE(rig.env.messages().empty());
  }
}

}  // namespace
}  // namespace vl::engine::test
