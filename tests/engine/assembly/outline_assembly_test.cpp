// Outline assembly: corners where a shape has them, curved outlines within tolerance of their
// chain, and records so long that their offsets pass 16 bits.
#include <algorithm>
#include <cmath>

#include "tests/engine/engine_test_runtime.h"

namespace vl::engine::test {
namespace {

// Assembles the record in the chain buffer at a polygon tolerance in 1/64 square pixel.
std::vector<Vertex> Assemble(TracerRig& rig, std::int32_t toleranceSixtyFourths) {
  rig.t().constants.polygonTolerance = toleranceSixtyFourths;
  EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
  ComputeVertexAngles(rig.t());
  return rig.vertices();
}

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

TEST(OutlinePolygon, RectanglesGiveTheirCornersAndLongRecordsAreNeverMisaddressed) {
  // 16000 x 16000: 63996 codes, kept as they are; 17000 x 16000: 65996 codes, three of whose
  // corners simplification cuts (too little gained to go on), leaving offsets past 16 bits
  // that the polygon must still follow (the cut corners within a pixel).
  const struct { int width, height, tolerance, codesCut; } cases[] = {
      {3, 3, 64, 0}, {40, 3, 179, 0}, {3, 40, 64, 0}, {60, 45, 179, 0}, {16000, 16000, 64, 0},
      {17000, 16000, 64, 3}};
  for (auto [w, h, tolerance, codesCut] : cases) {
    SCOPED_TRACE(testing::Message() << w << " x " << h << ", tolerance " << tolerance);
    TracerRig rig;
    rig.build(96, 64);
    rig.load(Rectangle(7, 5, w, h));
    const std::vector<Vertex> poly = Assemble(rig, tolerance);
    const Chain kept = rig.record();
    ASSERT_EQ(kept.codes.size(), std::size_t(2 * (w - 1) + 2 * (h - 1) - codesCut));
    const bool whole = codesCut == 0;
    ExpectPolygonFollowsChain(poly, kept, whole ? 0.0 : 1.0);
    EXPECT_TRUE(rig.env.messages().empty());
    if (!whole) continue;
    const std::int32_t r = 7 + w - 1, b = 5 + h - 1;
    const std::int32_t want[5][2] = {{7, 5}, {r, 5}, {r, b}, {7, b}, {7, 5}};
    ASSERT_EQ(poly.size(), 5u);
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ((std::array{poly[i].x, poly[i].y, poly[i].angle}),
                (std::array{want[i][0], want[i][1], 90}));
  }
}

TEST(OutlinePolygon, CurvedOutlinesStayWithinToleranceOfTheirChain) {
  struct Case { const char* name; int sizePixels; Ink ink; };
  const Case cases[] = {
      {"small disc", 20, Disc(10, 10, 6)},
      {"disc", 80, Disc(40, 40, 30.5)},
      // A right triangle whose hypotenuse is a staircase of slope 2/5.
      {"staircase", 80, [](int x, int y) { return y < 40 && 5 * y >= 2 * x; }},
      {"wobbly disc", 120, [](int x, int y) {
         return std::hypot(x - 60.0, y - 60.0) <=
                40 + 12 * std::sin(5 * std::atan2(y - 60.0, x - 60.0));
       }},
  };
  for (std::int32_t tolerance : {64, 179}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << ", tolerance " << tolerance);
      TracerRig rig;
      rig.build(c.sizePixels, c.sizePixels);
      rig.draw(c.ink);
      InitBoundaryScan(rig.t());
      ASSERT_GT(ExtractNextBoundary(rig.t()), 0);
      const std::vector<Vertex> poly = Assemble(rig, tolerance);
      const Chain chain = rig.record();
      // A side may stray from its chain by the tolerance's root, plus a pixel.
      ExpectPolygonFollowsChain(poly, chain, std::sqrt(tolerance / 64.0) + 1.0);
      EXPECT_LT(poly.size() * 3, chain.codes.size());  // sides of several pixels on average
      for (const Vertex& v : poly) EXPECT_TRUE(v.angle >= 0 && v.angle <= 180) << v.angle;
      EXPECT_EQ(poly.back().angle, poly.front().angle);
      if (std::string(c.name) != "staircase") continue;
      for (auto [x, y] : {std::pair{0, 0}, {0, 39}, {79, 39}})  // it keeps its three corners
        EXPECT_TRUE(std::any_of(poly.begin(), poly.end(),
                                [x = x, y = y](const Vertex& v) { return v.x == x && v.y == y; }))
            << x << ", " << y;
    }
  }
}

}  // namespace
}  // namespace vl::engine::test
