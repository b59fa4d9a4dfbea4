// Centre lines of generated drawings whose strokes are known exactly (lines at several slopes,
// arcs, T and X junctions, widths 1 to 12 pixels): the traced lines lie on the true centre
// lines, their stroke weights are the stroke widths, the paths meeting at a junction share
// their end point there, and the art painted back covers the strokes.
#include <map>
#include <sstream>

#include "tests/engine/centerline/centerline_rig.h"
#include "tests/support/art_rasterizer.h"

namespace vl::engine::test {
namespace {

struct Case {
  std::string name;
  Drawing drawing;
  std::vector<PagePoint> junctions;  // where strokes meet
};

// Thinning enough to wear the widest stroke down to one pixel.
// Stroke weights are stored in tenths of a point: 0.42 pixel at 300 pixels/inch.
constexpr double kWeightStepPixels = 0.1 * 300.0 / 72.0;

constexpr double kJunctionLeanPixels = 0.3;

double ThinningFor(const Drawing& d) {
  double widest = 1;
  for (const Stroke& s : d.strokes) widest = std::max(widest, s.width);
  return std::ceil(widest / 2) + 1;
}

std::vector<Case> Cases() {
  std::vector<Case> out;
  for (int w : {1, 2, 3, 4, 5, 6, 8, 10, 12}) {
    const std::string ws = "width" + std::to_string(w);
    // Odd widths centred on pixel centres, even ones on pixel edges, so the ink is exactly w.
    const double c = (w % 2) ? 60.5 : 60.0;
    out.push_back({"horizontal_" + ws, {200, 120, {Line(20, c, 180, c, w)}}, {}});
    out.push_back({"vertical_" + ws, {120, 200, {Line(c, 20, c, 180, w)}}, {}});
    out.push_back({"diagonal_" + ws, {200, 200, {Line(20, 20, 180, 180, w)}}, {}});
    out.push_back({"slanted_" + ws, {220, 140, {Line(20, 30, 200, 110, w)}}, {}});
    out.push_back({"arc_" + ws, {240, 240, {Arc(120, 120, 80, 200, 340, w)}}, {}});
    out.push_back({"tee_" + ws,
                   {220, 200, {Line(20, c, 200, c, w), Line(110, c, 110, 180, w)}},
                   {{110, c}}});
    out.push_back({"cross_" + ws,
                   {220, 220, {Line(20, 20, 200, 200, w), Line(200, 20, 20, 200, w)}},
                   {{110, 110}}});
  }
  return out;
}

double DistanceToStrokes(const Drawing& d, PagePoint p, const Stroke** nearest = nullptr) {
  double best = 1e9;
  for (const Stroke& s : d.strokes) {
    const double dist = s.distance(p);
    if (dist < best) {
      best = dist;
      if (nearest) *nearest = &s;
    }
  }
  return best;
}

class CenterlineFidelity : public ::testing::TestWithParam<Case> {};

TEST_P(CenterlineFidelity, LinesLieOnTheStrokesWithTheirWidthsAndMeetAtJunctions) {
  const Case& c = GetParam();
  const Drawing& d = c.drawing;
  CenterlineRig rig;
  rig.thinning(ThinningFor(d));
  rig.active.tolerance = 10;  // the finest polygon: Tolerance 1
  rig.load(d);
  ASSERT_EQ(rig.convert().result, ConversionResult::kConverted);
  const std::vector<TracedPath> paths = rig.paths();
  ASSERT_FALSE(paths.empty());
  const double steps = ThinningFor(d);

  // Thinning wears the open ends down and bends the lines where strokes meet: the position is
  // checked away from those places.
  auto nearEndOrJunction = [&](PagePoint p, double width) {
    for (const Stroke& s : d.strokes)
      for (PagePoint e : {s.front(), s.back()})
        if (Distance(p, e) < 2 * steps + width) return true;
    for (PagePoint j : c.junctions)
      if (Distance(p, j) < 3 * width + 8) return true;
    return false;
  };
  double worst = 0;
  for (const TracedPath& p : paths) {
    EXPECT_EQ(p.fill, art::PaintType::None);
    EXPECT_EQ(p.stroke, art::PaintType::Black);
    for (PagePoint q : p.points) {
      const Stroke* s = nullptr;
      const double dist = DistanceToStrokes(d, q, &s);
      if (nearEndOrJunction(q, s->width)) continue;
      // Merging moves a junction point up to a row off the crossing, and the lines ending there
      // lean toward it.
      double lean = 0;
      for (PagePoint j : c.junctions) lean = Distance(q, j) < 20 ? kJunctionLeanPixels : lean;
      EXPECT_LE(dist, 0.5 + 0.1 * s->width + lean) << "at (" << q.x << ", " << q.y << ")";
      worst = std::max(worst, dist);
    }
  }
  RecordProperty("worst_centre_distance_pixels", std::to_string(worst));

  // Each stroke is traced along its whole length but for its worn ends.
  for (const Stroke& s : d.strokes) {
    double along = 0, covered = 0;
    for (std::size_t i = 0; i + 1 < s.centre.size(); ++i)
      for (int k = 0; k < 20; ++k) {
        const double u = (k + 0.5) / 20;
        const PagePoint q{s.centre[i].x + u * (s.centre[i + 1].x - s.centre[i].x),
                          s.centre[i].y + u * (s.centre[i + 1].y - s.centre[i].y)};
        if (Distance(q, s.front()) < 2 * steps + s.width || Distance(q, s.back()) < 2 * steps + s.width)
          continue;
        ++along;
        double best = 1e9;
        for (const TracedPath& p : paths)
          for (std::size_t j = 0; j + 1 < p.points.size(); ++j)
            best = std::min(best, SegmentDistance(q, p.points[j], p.points[j + 1]));
        covered += best <= 0.5 + 0.1 * s.width + 0.5;
      }
    EXPECT_GE(covered, along * 0.98) << "stroke traced over " << covered << " of " << along;
  }

  // The stroke weight of every path of some length away from the junctions is the width.
  for (const TracedPath& p : paths) {
    const PagePoint mid = p.points[p.points.size() / 2];
    const Stroke* s = nullptr;
    DistanceToStrokes(d, mid, &s);
    double length = 0;
    for (std::size_t j = 0; j + 1 < p.anchors.size(); ++j) length += Distance(p.anchors[j], p.anchors[j + 1]);
    bool nearJunction = false;
    for (PagePoint j : c.junctions) nearJunction = nearJunction || Distance(mid, j) < 2 * s->width + 4;
    if (length < 2 * s->width + 4 || nearJunction) continue;
    EXPECT_NEAR(p.widthPixels, s->width, 1.0 + kWeightStepPixels / 2) << "path from (" << p.anchors.front().x << ", "
                                              << p.anchors.front().y << ")";
  }

  // The paths that meet at a junction share the point: each arm of the junction is a path end
  // there or a path running through it (which counts twice).
  for (PagePoint j : c.junctions) {
    std::map<std::pair<double, double>, int> arms;
    for (const TracedPath& p : paths)
      for (std::size_t k = 0; k < p.anchors.size(); ++k) {
        const PagePoint a = p.anchors[k];
        if (Distance(a, j) > d.strokes[0].width / 2 + 2) continue;
        const bool end = k == 0 || k + 1 == p.anchors.size();
        arms[{a.x, a.y}] += end ? 1 : 2;
      }
    int most = 0;
    for (const auto& [at, n] : arms) most = std::max(most, n);
    const int expected = d.strokes.size() == 2 && c.name.starts_with("tee") ? 3 : 4;
    EXPECT_GE(most, expected) << "arms meeting at one point near (" << j.x << ", " << j.y << ")";
  }

  // Painted back, the lines cover the strokes but for their worn ends.
  constexpr int kSub = 2;
  const test_support::GrayImage g = test_support::RasterizeArtwork(
      rig.art, d.width * kSub, d.height * kSub,
      {rig.image.artScale / kSub, rig.image.yResolution / 72.0 * kSub});
  long ink = 0, painted = 0;
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x) {
      if (!d.ink(x, y)) continue;
      const PagePoint p{x + 0.5, y + 0.5};
      bool atEnd = false;
      for (const Stroke& s : d.strokes)
        atEnd = atEnd || Distance(p, s.front()) < 2 * steps + s.width ||
                Distance(p, s.back()) < 2 * steps + s.width;
      if (atEnd) continue;
      ++ink;
      // Within a pixel: the lines run through pixel centres, half a pixel off a thin slanted
      // stroke's true centre.
      bool dark = false;
      for (int sy = (y - 1) * kSub; sy < (y + 2) * kSub && !dark; ++sy)
        for (int sx = (x - 1) * kSub; sx < (x + 2) * kSub && !dark; ++sx)
          dark = sx >= 0 && sy >= 0 && sx < d.width * kSub && sy < d.height * kSub && g.at(sx, sy) < 128;
      painted += dark;
    }
  EXPECT_GE(double(painted), 0.95 * double(ink)) << painted << " of " << ink << " ink pixels painted";
}

INSTANTIATE_TEST_SUITE_P(Strokes, CenterlineFidelity, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vl::engine::test
