// The two readings of the vertex pass radius compared on traced shapes: segment counts and how
// far the painted art strays from the traced boundary. The default must be the one that
// follows the boundary closer for at most a few more segments.
//
// Measured when the default was chosen (Tolerance 1 / 3 / 5, 17 shapes: discs of radius 6 to
// 90, an ellipse, a ring, C and S strokes 3 to 10 pixels wide, bumpy discs):
//   historical:    167 / 163 / 157 segments, worst sample 3.52 / 3.28 / 3.28 px from the
//                  boundary, 1578 / 1598 / 1636 pixels painted differently from the boundary
//                  polygon
//   square pixels: 172 / 168 / 160 segments, worst 1.47 / 2.78 / 2.78 px, 1238 / 1307 / 1409
// Smooth shapes come out identical; on bumpy outlines the historical reading lets curves cut
// across the bumps (every vertex within 5 pixels in x counts as passed).
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/engine/fitting/fitting_rig.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

struct Shape {
  const char* name;
  int width, height;  // pixels
  std::function<bool(int, int)> ink;
};

double DistanceToPolyline(Pt p, const std::vector<Pt>& line) {
  double best = 1e18;
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    best = std::fmin(best, SegmentDistance(p, line[i], line[i + 1]));
  return best;
}

std::function<bool(int, int)> Bumpy(double radius, double amplitude, int bumps) {
  return [=](int x, int y) {
    const double dx = x - 50, dy = y - 50;
    return std::hypot(dx, dy) <= radius + amplitude * std::sin(bumps * std::atan2(dy, dx));
  };
}

std::function<bool(int, int)> Stroke(std::vector<Pt> centre, double halfWidth) {
  return [=](int x, int y) {
    return DistanceToPolyline({double(x), double(y)}, centre) <= halfWidth;
  };
}

std::vector<Pt> Arc(double cx, double cy, double r, double from, double to, int steps) {
  std::vector<Pt> out;
  for (int i = 0; i <= steps; ++i) {
    const double a = from + (to - from) * i / steps;
    out.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return out;
}

struct Measure {
  long segments = 0;
  double worst = 0;     // pixels from the chain polyline, over all curve samples
  long pixelError = 0;  // pixels painted differently from the chain polygons
};

Measure TraceAndMeasure(const Shape& shape, VertexHitUnits units) {
  FitRig rig;
  rig.build(shape.width, shape.height);
  rig.t().fit.hitUnits = units;
  rig.draw(shape.ink);
  rig.traceAll(4);
  const std::vector<PathView> paths = rig.paths();
  EXPECT_EQ(paths.size(), rig.chains.size()) << shape.name;

  // The same outlines as polygons through every chain point, painted alike.
  art::Artwork reference;
  EXPECT_TRUE(art::initArtwork(reference, rig.env.rt));
  reference.pen.artScale = kRigArtScale;
  Measure m;
  for (std::size_t i = 0; i < paths.size() && i < rig.chains.size(); ++i) {
    std::vector<Pt> chain;
    for (std::size_t n = 0; n <= rig.chains[i].codes.size(); ++n)
      chain.push_back(rig.chains[i].pointAfter(n));
    for (const Pt& p : paths[i].samples())
      m.worst = std::fmax(m.worst, DistanceToPolyline(p, chain));
    m.segments += long(paths[i].segments.size());
    reference.pen.fillType = paths[i].fillType;
    reference.pen.color = paths[i].fillColor;
    reference.pen.position = {chain[0].x, chain[0].y};
    EXPECT_TRUE(art::beginPath(reference, rig.env.rt, rig.settings));
    for (const Pt& p : chain) {
      reference.pen.position = {p.x, p.y};
      art::addPoint(reference, rig.env.rt, false);
    }
  }
  const test_support::RasterizeScale scale{kRigArtScale, 1.0};
  const auto painted = test_support::RasterizeArtwork(rig.art, shape.width, shape.height, scale);
  const auto polygon = test_support::RasterizeArtwork(reference, shape.width, shape.height, scale);
  for (std::size_t i = 0; i < painted.pixels.size(); ++i)
    m.pixelError += painted.pixels[i] != polygon.pixels[i];
  art::freeArtwork(reference);
  return m;
}

TEST(VertexHitUnits, SquarePixelsFollowBumpyOutlinesCloserForFewMoreSegments) {
  const std::vector<Pt> c = Arc(50, 50, 30, 0.7, 2 * M_PI - 0.7, 80);
  const std::vector<Shape> shapes = {
      {"disc", 64, 64,
       [](int x, int y) { return (x - 31) * (x - 31) + (y - 31) * (y - 31) <= 625; }},
      {"C stroke", 100, 100, Stroke(c, 4)},
      {"thin C stroke", 100, 100, Stroke(c, 1.5)},
      {"8 bumps", 100, 100, Bumpy(35, 2, 8)},
      {"6 bumps", 100, 100, Bumpy(35, 4, 6)},
  };
  Measure total[2];
  for (const Shape& shape : shapes) {
    const Measure historical = TraceAndMeasure(shape, VertexHitUnits::kHistorical);
    const Measure squarePixels = TraceAndMeasure(shape, VertexHitUnits::kSquarePixels);
    // Either way the mask keeps every sample within its corridor: 2 pixels around the chain
    // plus the rounding of the sample to a pixel.
    EXPECT_LT(historical.worst, 3.6) << shape.name;
    EXPECT_LT(squarePixels.worst, 3.6) << shape.name;
    for (int i = 0; i < 2; ++i) {
      const Measure& m = i == 0 ? historical : squarePixels;
      total[i].segments += m.segments;
      total[i].worst = std::fmax(total[i].worst, m.worst);
      total[i].pixelError += m.pixelError;
    }
    RecordProperty(
        std::string(shape.name) + " segments",
        std::to_string(historical.segments) + " / " + std::to_string(squarePixels.segments));
  }
  EXPECT_LT(total[1].worst, total[0].worst);
  EXPECT_LT(total[1].pixelError, total[0].pixelError);
  EXPECT_LE(total[1].segments, total[0].segments * 115 / 100);
  EXPECT_EQ(FitterState{}.hitUnits, VertexHitUnits::kSquarePixels);
}

}  // namespace
}  // namespace vl::engine::test
