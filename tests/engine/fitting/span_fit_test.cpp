// The span tests on hand-built chains, vertices and masks: third points, control points, the
// straight-span rules of the three Lines modes, the corridor and vertex test, the tangent limit.
#include <cmath>

#include "tests/engine/fitting/fitting_rig.h"

namespace vl::engine::test {
namespace {

// Right 3, down-right 2, down 1 from (10, 10), then back to the start so the outline closes.
HandChain KnownChain() { return HandChain{10, 10, {5, 5, 5, 6, 6, 7, 1, 1, 1, 1, 1, 3, 3, 3}}; }

Pt At(const SpanFit& f, double u) {
  const double v = 1 - u;
  const double a = v * v * v, b = 3 * u * v * v, c = 3 * u * u * v, d = u * u * u;
  return {a * f.p0.x + b * f.c1.x + c * f.c2.x + d * f.p3.x,
          a * f.p0.y + b * f.c1.y + c * f.c2.y + d * f.p3.y};
}

// Places the vertex list by hand (positions only; chain offsets 4 apart, angles 180).
void SetVertices(FitRig& rig, const std::vector<Pt>& points) {
  VertexWindow& v = *rig.t().vertices;
  for (std::size_t i = 0; i < points.size(); ++i) {
    v.setCursor(std::int64_t(i) * 8);
    SetVertexWord(v, std::int16_t(points[i].x), 0);
    SetVertexWord(v, std::int16_t(points[i].y), 1);
    SetVertexWord(v, std::int16_t(4 + 4 * i), 2);
    SetVertexWord(v, 180, 3);
  }
  v.setCursor(std::int64_t(points.size()) * 8);
  SetVertexWord(v, -1, 0);
  rig.t().listEndBytes = std::int64_t(points.size()) * 8;
  v.setCursor(0);
}

TEST(ThirdPoints, InterpolatesTheChainAtAThirdAndTwoThirdsOfItsLength) {
  FitRig rig;
  rig.build(32, 32);
  const HandChain chain = KnownChain();
  rig.loadOutline(chain, {0, 3, 6});
  ThirdPoints(rig.t(), 8);  // vertex 0 (10, 10) to vertex 2 (15, 13): the first 6 codes
  const SpanFit& f = rig.t().fit.current;

  // L = 3 x 2378 + 2 x 3363 + 2378 = 16238; T1 = 16238 / 3 = 5412, T2 = 32476 / 3 = 10825.
  EXPECT_EQ(f.chainLength, 16238);
  // T1 falls in the third code, (12, 10) at 4756 to (13, 10) at 7134:
  // x = (1722 x 12 + 656 x 13) / 2378 = 29192 / 2378.
  EXPECT_DOUBLE_EQ(f.q1.x, 29192.0 / 2378.0);
  EXPECT_DOUBLE_EQ(f.q1.y, 10.0);
  // T2 falls in the fifth code, (14, 11) at 10497 to (15, 12) at 13860: weights 3035 and 328
  // over 3363.
  EXPECT_DOUBLE_EQ(f.q2.x, (3035.0 * 14 + 328.0 * 15) / 3363.0);
  EXPECT_DOUBLE_EQ(f.q2.y, (3035.0 * 11 + 328.0 * 12) / 3363.0);

  // The control points make the cubic pass Q1 at 1/3 and Q2 at 2/3.
  SpanFit fit = f;
  fit.p3 = {15, 13};
  SetControlPoints(fit);
  EXPECT_NEAR(At(fit, 1.0 / 3).x, fit.q1.x, 1e-9);
  EXPECT_NEAR(At(fit, 1.0 / 3).y, fit.q1.y, 1e-9);
  EXPECT_NEAR(At(fit, 2.0 / 3).x, fit.q2.x, 1e-9);
  EXPECT_NEAR(At(fit, 2.0 / 3).y, fit.q2.y, 1e-9);

  // From the cursor at vertex 1 (13, 10) over one side of 3 codes (6, 6, 7): L = 9104,
  // T1 = 3034 inside the first code, T2 = 6069 inside the second.
  rig.t().vertices->setCursor(8);
  ThirdPoints(rig.t(), 4);
  EXPECT_EQ(f.chainLength, 9104);
  EXPECT_EQ(f.p0.x, 13);
  EXPECT_DOUBLE_EQ(f.q1.x, 13 + 3034.0 / 3363.0);
  EXPECT_DOUBLE_EQ(f.q1.y, 10 + 3034.0 / 3363.0);
  EXPECT_DOUBLE_EQ(f.q2.x, 14 + 2706.0 / 3363.0);
}

TEST(ThirdPoints, ReadsAChainThatSpillsLikeOneThatFits) {
  // A long wavy chain: with a 112-byte chain buffer the span crosses several buffer-fulls.
  HandChain chain{5, 5, {}};
  for (int i = 0; i < 40; ++i)
    for (std::uint8_t c : {5, 5, 6, 5, 4}) chain.codes.push_back(c);
  for (int i = 0; i < 200; ++i) chain.codes.push_back(1);
  SpanFit results[2];
  for (int pass = 0; pass < 2; ++pass) {
    FitRig rig;
    rig.build(256, 32, pass == 0 ? 0 : 256);
    rig.loadOutline(chain, {0, 60, 150, 200});
    EXPECT_EQ(rig.t().chain->spilled(), pass == 1);
    rig.t().vertices->setCursor(8);
    ThirdPoints(rig.t(), 8);  // vertex 1 to vertex 3
    results[pass] = rig.t().fit.current;
  }
  EXPECT_EQ(results[0].chainLength, results[1].chainLength);
  EXPECT_EQ(results[0].q1.x, results[1].q1.x);
  EXPECT_EQ(results[0].q2.x, results[1].q2.x);
  EXPECT_EQ(results[0].q2.y, results[1].q2.y);
  // 140 codes: 84 axis steps and 56 diagonals.
  EXPECT_EQ(results[0].chainLength, 84 * 2378 + 56 * 3363);
}

TEST(SpanMustStayStraight, FollowsTheLinesModeCornersAndLongSides) {
  FitRig rig;
  rig.build(64, 64);
  // Right 10, down-right 5 (a 45-degree turn), down 10, then a right-angle turn left.
  HandChain chain{5, 5, {}};
  chain.codes.insert(chain.codes.end(), 10, 5);
  chain.codes.insert(chain.codes.end(), 5, 6);
  chain.codes.insert(chain.codes.end(), 10, 7);
  chain.codes.insert(chain.codes.end(), 15, 1);
  chain.codes.insert(chain.codes.end(), 15, 3);
  rig.loadOutline(chain, {0, 10, 15, 25, 40});
  Tracer& t = rig.t();

  rig.settings.linesMode = settings::kCurvedAndStraight;
  EXPECT_FALSE(SpanMustStayStraight(t, 8));   // inner angle 135, sides of 10 and 7 pixels
  EXPECT_FALSE(SpanMustStayStraight(t, 12));  // both inner angles 135
  EXPECT_TRUE(SpanMustStayStraight(t, 16));   // vertex 3 turns by 90: angle 90 < 100
  t.constants.straightLength2 = 99;           // the first side, 10 x 10 = 100, is now long
  EXPECT_TRUE(SpanMustStayStraight(t, 8));
  t.constants.straightLength2 = 100;  // only longer sides count
  EXPECT_FALSE(SpanMustStayStraight(t, 8));

  rig.settings.linesMode = settings::kStraightOnly;
  EXPECT_TRUE(SpanMustStayStraight(t, 8));
  rig.settings.linesMode = settings::kCurvedOnly;
  EXPECT_FALSE(SpanMustStayStraight(t, 16));  // not even at the right angle
}

TEST(CurveFits, NeedsTheMaskAlongTheCurveAndEveryInnerVertexPassed) {
  FitRig rig;
  rig.build(64, 32);
  // A straight chain along y = 10 from x = 5 to x = 25, stamped into the mask.
  HandChain chain{5, 10, std::vector<std::uint8_t>(20, 5)};
  rig.loadChain(chain);
  rig.stampMask(chain);
  Tracer& t = rig.t();
  SpanFit& f = t.fit.current;
  f.p0 = {5, 10};
  f.p3 = {25, 10};
  f.q1 = {5 + 20.0 / 3, 10};
  f.q2 = {5 + 40.0 / 3, 10};
  f.chainLength = 20 * 2378;
  SetControlPoints(f);

  // An inner vertex on the curve passes in both units; one 2 pixels off it (d^2 = 4, above
  // the 2.5 square pixels of Tolerance 3) only passes when the 16.16 value is read as is.
  for (VertexHitUnits units : {VertexHitUnits::kSquarePixels, VertexHitUnits::kHistorical}) {
    t.fit.hitUnits = units;
    SetVertices(rig, {{5, 10}, {15, 11}, {25, 10}});
    EXPECT_TRUE(CurveFits(t, 8));
    SetVertices(rig, {{5, 10}, {12, 10}, {15, 12}, {25, 10}});
    EXPECT_EQ(CurveFits(t, 12), units == VertexHitUnits::kHistorical);
  }

  // A gap of three columns in the corridor fails the fit: the samples fall at most 2 pixels
  // apart (step 0.1), finer near the vertex.
  t.fit.hitUnits = VertexHitUnits::kSquarePixels;
  SetVertices(rig, {{5, 10}, {15, 10}, {25, 10}});
  ASSERT_TRUE(CurveFits(t, 8));
  for (int y = 8; y <= 12; ++y)
    for (int x = 14; x <= 16; ++x)
      ClearBitAt(image::layerRow(rig.image.spareLayer, rig.image, y), x);
  EXPECT_FALSE(CurveFits(t, 8));
}

TEST(CurveFits, SamplesAFarControlPointOutsideTheImageAsOutsideTheMask) {
  FitRig rig;
  rig.build(32, 32);
  HandChain chain{5, 10, std::vector<std::uint8_t>(10, 5)};
  rig.loadChain(chain);
  rig.stampMask(chain);
  SetVertices(rig, {{5, 10}, {15, 10}});
  SpanFit& f = rig.t().fit.current;
  f.p0 = {5, 10};
  f.p3 = {15, 10};
  f.c1 = {1e300, -1e300};  // a cubic through wild thirds; no conversion of it may overflow
  f.c2 = {10, 10};
  f.chainLength = 10 * 2378;
  EXPECT_FALSE(CurveFits(rig.t(), 4));
}

TEST(EndTangentsTurnTooMuch, AllowsSeventyDegreesAndWrapsAround) {
  FitRig rig;
  rig.build(32, 32);
  SpanFit& f = rig.t().fit.current;
  auto ends = [&f](double startDegrees, double endDegrees) {
    const double a = startDegrees * M_PI / 180, b = endDegrees * M_PI / 180;
    f.p0 = {0, 0};
    f.c1 = {10 * std::cos(a), 10 * std::sin(a)};
    f.p3 = {40, 40};
    f.c2 = {40 - 10 * std::cos(b), 40 - 10 * std::sin(b)};
  };
  ends(0, 60);
  EXPECT_FALSE(EndTangentsTurnTooMuch(rig.t()));
  ends(0, 70);  // exactly at the limit
  EXPECT_FALSE(EndTangentsTurnTooMuch(rig.t()));
  ends(0, 71);
  EXPECT_TRUE(EndTangentsTurnTooMuch(rig.t()));
  ends(10, -61);
  EXPECT_TRUE(EndTangentsTurnTooMuch(rig.t()));
  ends(170, -170);  // 340 apart as numbers, 20 degrees on the circle
  EXPECT_FALSE(EndTangentsTurnTooMuch(rig.t()));
  // Vertical tangents: straight down (90) against straight up (-90).
  f.p0 = {0, 0};
  f.c1 = {0, 5};
  f.c2 = {3, 5};
  f.p3 = {3, 0};
  EXPECT_TRUE(EndTangentsTurnTooMuch(rig.t()));
}

}  // namespace
}  // namespace vl::engine::test
