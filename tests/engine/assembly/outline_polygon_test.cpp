// Outline assembly on chain records of known shapes: corners where the shape has them, one
// side for a straight chain, the degenerate outlines, and curved outlines cut into sides that
// stay within the tolerance of the chain they replace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/engine/assembly/assembly_rig.h"

namespace vl::engine {
namespace {

using test::AssemblyRig;
using test::Chain;
using test::Vertex;

double PixelsWithin(std::int32_t toleranceSixtyFourths) {
  return std::sqrt(toleranceSixtyFourths / 64.0) + 1.0;
}

std::vector<Vertex> Assemble(AssemblyRig& rig, const Chain& c) {
  rig.load(c);
  EXPECT_TRUE(TraceOutlinePolygon(rig.t()));
  ComputeVertexAngles(rig.t());
  return rig.vertices();
}

TEST(OutlinePolygon, RectangleGivesItsFourCornersAllAtNinetyDegrees) {
  for (std::int32_t tolerance : {64, 102, 179}) {
    for (auto [w, h] : {std::pair{3, 3}, {5, 4}, {40, 3}, {3, 40}, {25, 25}, {60, 45}}) {
      // At 179/64 square pixel the corner of a 3 x 3 square lies within the tolerance of the
      // diagonal next to it (1.41 pixels): cutting it is right.
      if (w == 3 && h == 3 && tolerance == 179) continue;
      SCOPED_TRACE(testing::Message() << w << " x " << h << ", tolerance " << tolerance);
      AssemblyRig rig(tolerance);
      const Chain c = test::Rectangle(7, 5, w, h);
      const std::vector<Vertex> poly = Assemble(rig, c);
      ASSERT_EQ(poly.size(), 5u);
      const std::int32_t r = 7 + w - 1, b = 5 + h - 1;
      const std::int32_t want[5][2] = {{7, 5}, {r, 5}, {r, b}, {7, b}, {7, 5}};
      for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(poly[i].x, want[i][0]) << i;
        EXPECT_EQ(poly[i].y, want[i][1]) << i;
        EXPECT_EQ(poly[i].angle, 90) << i;
      }
      test::ExpectPolygonFollowsChain(poly, c, 0.0);  // also: each offset is the code after it
      EXPECT_EQ(rig.t().toleranceDoublings, 0);
      EXPECT_EQ(rig.rt.state.tracerX, 7);
      EXPECT_EQ(rig.rt.state.tracerY, 5);
    }
  }
}

TEST(OutlinePolygon, StraightChainsOfAnySlopeAreOneSide) {
  // Up to 20 points no candidate break point is considered; longer digital lines must survive
  // the candidate mechanism as well.
  for (int code = 0; code < 8; ++code) {
    for (int n : {1, 2, 7, 20, 21, 300}) {
      AssemblyRig rig(64);
      const std::vector<Vertex> poly =
          Assemble(rig, Chain{40, 40, std::vector<std::uint8_t>(n, std::uint8_t(code))});
      ASSERT_EQ(poly.size(), 2u) << "code " << code << ", " << n << " steps";
      EXPECT_EQ(poly[1].x, 40 + n * kChainDx[code]);
      EXPECT_EQ(poly[1].y, 40 + n * kChainDy[code]);
      EXPECT_EQ(poly[1].chainOffset, 4 + n);
    }
  }
  // Digital lines of other slopes: right and down-right steps spread evenly.
  for (auto [rise, run] : {std::pair{1, 3}, {2, 7}, {3, 4}, {5, 11}}) {
    for (int length : {18, 250}) {
      Chain c{0, 0, {}};
      for (int i = 1, error = 0; i <= length; ++i) {
        error += rise;
        c.codes.push_back(2 * error >= run ? 6 : 5);
        if (2 * error >= run) error -= run;
      }
      AssemblyRig rig(76);
      const std::vector<Vertex> poly = Assemble(rig, c);
      EXPECT_EQ(poly.size(), 2u) << rise << "/" << run << ", " << length << " steps";
      test::ExpectPolygonFollowsChain(poly, c, PixelsWithin(76));
    }
  }
}

TEST(OutlinePolygon, LonePixelTwoPixelsAndThePixelUnderTheStart) {
  AssemblyRig rig(102);
  // The painter needs the pixel under the start point as it was before tracing: the backup.
  image::layerRow(rig.image.backupLayer, rig.image, 9)[12 / 8] |= 0x80 >> (12 % 8);
  std::vector<Vertex> poly = Assemble(rig, Chain{12, 9, {kChainEnd}});
  ASSERT_EQ(poly.size(), 2u);
  EXPECT_EQ(poly[0], (Vertex{12, 9, 4, 180}));
  EXPECT_EQ(poly[1], (Vertex{12, 9, 4, 180}));
  EXPECT_EQ(rig.t().startPixel, 1);

  // Two pixels side by side, out and back, on a white pixel of the backup.
  poly = Assemble(rig, Chain{30, 20, {5, 1}});
  EXPECT_EQ(rig.t().startPixel, 0);
  test::ExpectPolygonFollowsChain(poly, Chain{30, 20, {5, 1}}, PixelsWithin(102));

  // A colour conversion paints from its regions: the backup is not consulted.
  rig.t().startPixel = 7;
  rig.rt.state.colorPassActive = 1;
  Assemble(rig, Chain{12, 9, {kChainEnd}});
  EXPECT_EQ(rig.t().startPixel, 7);
}

TEST(OutlinePolygon, CurvedOutlinesStayWithinToleranceOfTheirChain) {
  // A right triangle whose hypotenuse is a staircase of slope 2/5.
  const Chain staircase =
      test::FollowBoundary([](int x, int y) { return 5 * y >= 2 * x; }, 80, 40);
  const std::pair<const char*, Chain> cases[] = {
      {"disk r=6", test::Disk(10, 10, 6)},
      {"disk r=30.5", test::Disk(40, 40, 30.5)},
      {"disk r=200", test::Disk(210, 210, 200)},
      {"staircase", staircase},
      // Half a ring joined to a half disk: concave parts and changing curvature.
      {"ring", test::FollowBoundary(
                   [](int x, int y) {
                     double r = std::hypot(x - 50.0, y - 50.0);
                     return r <= 45 && (r >= 25 || x < 50);
                   },
                   100, 100)},
      {"wobble", test::FollowBoundary(
                     [](int x, int y) {
                       double a = std::atan2(y - 60.0, x - 60.0);
                       return std::hypot(x - 60.0, y - 60.0) <= 40 + 12 * std::sin(5 * a);
                     },
                     120, 120)},
  };
  for (std::int32_t tolerance : {64, 102, 179}) {
    for (const auto& [name, chain] : cases) {
      SCOPED_TRACE(testing::Message() << name << ", tolerance " << tolerance);
      AssemblyRig rig(tolerance);
      const std::vector<Vertex> poly = Assemble(rig, chain);
      test::ExpectPolygonFollowsChain(poly, chain, PixelsWithin(tolerance));
      // A polygon, not the chain again: sides are several pixels long on average.
      EXPECT_LT(poly.size() * 3, chain.codes.size());
      for (const Vertex& v : poly) {
        EXPECT_GE(v.angle, 0);
        EXPECT_LE(v.angle, 180);
      }
      EXPECT_EQ(poly.back().angle, poly.front().angle);
    }
  }
  // The staircase triangle keeps its three corners at every tolerance.
  AssemblyRig rig(179);
  const std::vector<Vertex> poly = Assemble(rig, staircase);
  for (auto [x, y] : {std::pair{0, 0}, {0, 39}, {79, 39}})
    EXPECT_TRUE(std::count_if(poly.begin(), poly.end(),
                              [x = x, y = y](const Vertex& v) { return v.x == x && v.y == y; }))
        << x << ", " << y;
}

TEST(OutlinePolygon, CentreLineTraceUsesAtLeast300AndMakesASide) {
  // A wave of one pixel either way: a 1-pixel tolerance follows its bends, the centre-line
  // minimum of 300/64 square pixel (2.17 pixels) runs straight through.
  Chain wave{0, 10, {}};
  for (int x = 1, y = 0; x <= 400; ++x) {
    const int next = static_cast<int>(std::lround(1.2 * std::sin(x * 2 * 3.14159265358979 / 40)));
    wave.codes.push_back(next > y ? 6 : next < y ? 4 : 5);
    y = next;
  }
  AssemblyRig fine(64);
  const std::size_t fineSides = Assemble(fine, wave).size() - 1;
  AssemblyRig centre(64);
  centre.rt.state.tracerMode = 1;
  const std::vector<Vertex> poly = Assemble(centre, wave);
  EXPECT_GE(fineSides, 10u);
  EXPECT_LT(poly.size() - 1, fineSides / 3) << fineSides;
  // Even when the whole chain fits one side, a centre line is cut once before its end.
  EXPECT_GE(poly.size(), 3u);
  test::ExpectPolygonFollowsChain(poly, wave, PixelsWithin(300) + 1.0);
}

}  // namespace
}  // namespace vl::engine
