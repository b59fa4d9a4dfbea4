// Colour conversions by shape separation: whole conversions of flat-colour images written as
// PNM files here (gray, RGB, CMYK), checked against the pixels they came from, and the
// pieces on their own: the CMY to CMYK conversion, the region map, the splitting of
// self-touching paths and the ordering and removal of hidden paths.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "engine/color_shapes.h"
#include "engine/conversion_driver.h"
#include "image/input_dispatch.h"
#include "settings/settings_defaults.h"
#include "tests/engine/color/color_rig.h"

namespace vl::engine::test {
namespace {

struct Point {
  std::int32_t x, y;
  auto operator<=>(const Point&) const = default;
};

// Anchors of a line-only path in art units.
std::vector<Point> Anchors(const art::PathRecord& p) {
  std::vector<Point> out;
  std::span<const std::uint16_t> w = art::PointWords(p);
  for (std::size_t at = 0; at + 1 < w.size(); at += (w[at] & art::kCurveBit) ? 6 : 2)
    out.push_back({w[at] & art::kCoordinateMask, w[at + 1] & art::kCoordinateMask});
  return out;
}

bool Inside(const std::vector<Point>& poly, double x, double y) {
  bool in = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const double xi = poly[i].x, yi = poly[i].y, xj = poly[j].x, yj = poly[j].y;
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

// Flat colour drawings: a pie of wedges around an off-centre point (no region has a hole),
// and nested shapes (a ring with a disc inside, a square with a hole showing the background).
const std::uint8_t kRgb[][3] = {{220, 40, 40},  {40, 160, 60},  {30, 60, 200}, {240, 220, 40},
                                {120, 40, 140}, {250, 250, 250}, {20, 20, 20},  {90, 200, 220}};
void Pie(int x, int y, std::uint8_t* px, int spp) {
  const double a = std::atan2(y - 37.3, x - 51.7) + M_PI;
  const int k = std::min(int(a / (2 * M_PI) * 6), 5);
  for (int c = 0; c < spp; ++c) px[c] = spp == 1 ? std::uint8_t(25 + 42 * k) : kRgb[k][c % 3];
  if (spp == 4) px[3] = 0;
}
void Nested(int x, int y, std::uint8_t* px, int spp) {
  const double r = std::hypot(x - 40.0, y - 40.0);
  int k = 5;                                       // background
  if (r < 30) k = 0;                               // ring
  if (r < 18) k = 2;                               // disc inside it
  if (x >= 80 && x < 116 && y >= 10 && y < 70) k = 1;  // square
  if (x >= 92 && x < 104 && y >= 25 && y < 50) k = 5;  // its hole, background colour
  for (int c = 0; c < spp; ++c) px[c] = spp == 1 ? std::uint8_t(25 + 42 * k) : kRgb[k][c % 3];
  if (spp == 4) px[3] = 0;
}

TEST(CmyToCmyk, GreyGoesToBlackAndTheInksKeepTheRest) {
  // Worked by hand from the rule.
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {Word(100, 100, 100, 0), Word(0, 0, 0, 100)},      // grey: all black
      {Word(10, 20, 30, 40), Word(10, 20, 30, 40)},      // black already set: unchanged
      {Word(255, 255, 255, 0), Word(0, 0, 0, 255)},      // full inks: black
      {Word(55, 225, 225, 0), Word(0, 170, 170, 55)},    // red
      {Word(200, 100, 50, 0), Word(200, 100, 0, 0)},     // yellow below magenta: 2y - m
      {Word(255, 255, 0, 0), Word(215, 215, 0, 0)},      // deep blue: cyan and magenta lose 40
      {Word(60, 20, 100, 0), Word(60, 0, 100, 0)},       // magenta below cyan, clamped at 0
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(CmyToCmyk(in), out) << std::hex << in;
  // Where the corrections leave the inks alone (cyan the least), the colour renders as given.
  for (int c = 0; c < 256; c += 15)
    for (int m = c; m < 256; m += 20)
      for (int y = c; y < 256; y += 25) {
        const std::uint32_t w = CmyToCmyk(Word(c, m, y, 0));
        const int k = int(w >> 24);
        EXPECT_EQ(std::min(255, int(w & 0xFF) + k), c);
        EXPECT_EQ(std::min(255, int(w >> 8 & 0xFF) + k), m);
        EXPECT_EQ(std::min(255, int(w >> 16 & 0xFF) + k), y);
        EXPECT_TRUE((w & 0xFF) == 0 || (w >> 8 & 0xFF) == 0 || (w >> 16 & 0xFF) == 0 || k == 255);
      }
}

TEST(GreyToBlack, EveryColourRendersAsItWasAndClassColoursFollowTheCube) {
  for (int c = 0; c < 256; c += 17)
    for (int m = 0; m < 256; m += 15)
      for (int y = 0; y < 256; y += 51) {
        const std::uint32_t w = GreyToBlack(Word(c, m, y, 0));
        const int k = int(w >> 24);
        EXPECT_EQ(std::min(255, int(w & 0xFF) + k), c);
        EXPECT_EQ(std::min(255, int(w >> 8 & 0xFF) + k), m);
        EXPECT_EQ(std::min(255, int(w >> 16 & 0xFF) + k), y);
      }
  EXPECT_EQ(GreyToBlack(Word(1, 2, 3, 4)), Word(1, 2, 3, 4));
  // The press conversion moves a mid blue's yellow ink out; the grey replacement does not.
  EXPECT_EQ(CmyToCmyk(Word(235, 165, 75, 0)), Word(235, 165, 0, 0));
  EXPECT_EQ(GreyToBlack(Word(235, 165, 75, 0)), Word(160, 90, 0, 75));
  EXPECT_EQ(ClassColor(0, 3), Word(0, 0, 0, 255));      // black cell
  EXPECT_EQ(ClassColor(215, 3), Word(0, 0, 0, 0));      // white cell
  EXPECT_EQ(ClassColor(5, 3), Word(0, 255, 255, 0));    // red cell
  EXPECT_EQ(ClassColor(5 + 36 * 5, 3), Word(0, 255, 0, 0));  // magenta cell
  EXPECT_EQ(ClassColor(200, 1), Word(0, 0, 0, 55));
}

TEST(RegionMap, SmallAreasJoinTheirNearestNeighbourAndDiagonalsStayApart) {
  TestRuntime env;
  // 12 x 8: left half class 1 (dark), right half class 2 (light); a 2-pixel speck of class 3
  // near-light in the left half, a 1-pixel speck of class 4 in the right; two class-5 pixels
  // touching only diagonally.
  const int w = 12, h = 8;
  std::vector<std::uint8_t> cls(w * h), samples(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int c = x < 6 ? 1 : 2;
      if (y == 3 && (x == 2 || x == 3)) c = 3;
      if (y == 5 && x == 9) c = 4;
      if ((x == 7 && y == 1) || (x == 8 && y == 2)) c = 5;
      cls[y * w + x] = std::uint8_t(c);
      samples[y * w + x] = std::uint8_t(c == 1 ? 20 : c == 2 ? 230 : c == 3 ? 200 : c == 4 ? 60 : 100);
    }
  RegionMap map;
  ASSERT_EQ(LabelRegions(env.rt, w, h, 1, cls, samples, {}, map), StageResult::kDone);
  EXPECT_EQ(map.regions.size(), 6u);  // the class-5 pixels are two regions
  std::int64_t total = 0;
  for (const Region& r : map.regions) total += r.pixels;
  EXPECT_EQ(total, w * h);
  for (std::int64_t minimum : {1, 2, 3}) {
    SCOPED_TRACE(minimum);
    RegionMap m;
    ASSERT_EQ(LabelRegions(env.rt, w, h, 1, cls, samples, {}, m), StageResult::kDone);
    ASSERT_EQ(SimplifyRegions(env.rt, {minimum, 0}, m), StageResult::kDone);
    for (const Region& r : m.regions) EXPECT_GE(r.pixels, minimum);
    // Whatever merged, the two halves stay apart and keep their own pixels.
    EXPECT_NE(m.at(0, 0), m.at(11, 7));
    // Regions of 1 pixel (the class-4 speck, the diagonal pair) go from 2 on, the 2-pixel
    // speck from 3 on.
    EXPECT_EQ(m.regions.size(), minimum == 1 ? 6u : minimum == 2 ? 3u : 2u);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) EXPECT_GE(m.at(x, y), 0);
    if (minimum > 2) {
      // The light speck in the dark half had only the dark half around it.
      EXPECT_EQ(m.at(2, 3), m.at(0, 0));
      EXPECT_EQ(m.regions[std::size_t(m.at(0, 0))].pixels, 48);
    }
  }
}

TEST(RegionMap, ShadesSplitAClassAlongItsGradient) {
  TestRuntime env;
  // One class over a horizontal ramp of red: without shades one region, with them one per
  // shade step the ramp crosses, each holding exactly the pixels of its shade.
  const int w = 64, h = 4;
  std::vector<std::uint8_t> cls(w * h, 7), samples(w * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* px = &samples[(y * w + x) * 3];
      px[0] = std::uint8_t(x * 4);
      px[1] = px[2] = 100;
    }
  EXPECT_EQ(ShadeSteps(10), 0);
  for (int complexity : {16, 17, 18, 20}) {
    SCOPED_TRACE(complexity);
    const int steps = ShadeSteps(complexity);
    std::vector<std::uint16_t> shades;
    if (steps > 0)
      for (int i = 0; i < w * h; ++i) shades.push_back(PixelShade(&samples[i * 3], 3, steps));
    RegionMap map;
    ASSERT_EQ(LabelRegions(env.rt, w, h, 3, cls, samples, {}, map, shades), StageResult::kDone);
    std::set<std::uint16_t> distinct(shades.begin(), shades.end());
    EXPECT_EQ(map.regions.size(), steps > 0 ? distinct.size() : 1u);
    if (steps > 0) {
      EXPECT_GE(steps, 8);
    }
    const std::vector<std::int32_t> label = map.label.toVector();
    for (int i = 0; i + 1 < w * h; ++i) {
      if (!shades.empty() && (i + 1) % w != 0) {
        EXPECT_EQ(label[i] == label[i + 1], shades[i] == shades[i + 1]);
      }
    }
  }
}

TEST(ColorConversion, NeighboursShareTheirBoundaryPointForPoint) {
  for (int spp : {1, 3, 4}) {
    SCOPED_TRACE(spp);
    ColorRig rig;
    const std::string file = rig.env.root + (spp == 1 ? "/pie.pgm" : spp == 3 ? "/pie.ppm" : "/pie.pam");
    WritePnm(file, 101, 77, spp, [&](int x, int y, std::uint8_t* px) { Pie(x, y, px, spp); });
    ASSERT_TRUE(rig.open(file));
    ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
    EXPECT_TRUE(rig.env.messages().empty());
    ASSERT_EQ(rig.art.count, 6);
    // Every side of every path that does not lie on the image's frame runs backwards in
    // exactly one other path.
    std::map<std::pair<Point, Point>, int> sides;
    std::vector<std::vector<Point>> paths;
    for (const art::PathRecord& p : art::PathsInUse(rig.art)) {
      ASSERT_TRUE(art::IsClosed(p));
      EXPECT_EQ(p.fillType, art::PaintType::Process);
      paths.push_back(Anchors(p));
      for (std::size_t i = 0; i + 1 < paths.back().size(); ++i) ++sides[{paths.back()[i], paths.back()[i + 1]}];
    }
    int shared = 0;
    for (const auto& [side, count] : sides) {
      const auto [a, b] = side;
      const auto right = std::int32_t(101 * rig.image.artScale), bottom = std::int32_t(77 * rig.image.artScale);
      const bool frame = (a.x == b.x && (a.x == 0 || a.x == right)) || (a.y == b.y && (a.y == 0 || a.y == bottom));
      if (frame) continue;
      EXPECT_EQ(count, 1);
      EXPECT_EQ(sides.count({b, a}), 1u) << a.x << "," << a.y << " -> " << b.x << "," << b.y;
      ++shared;
    }
    EXPECT_GT(shared, 12);  // the wedges' sides are simplified, not single segments
  }
}

// The topmost path over each pixel centre is painted with that pixel's own colour, except
// within a pixel of where the colour changes (simplified boundaries cut corners there).
void ExpectPixelsCovered(const ColorRig& rig, const Pixels& px, int w, int h, int spp) {
  std::vector<std::vector<Point>> polys;
  std::vector<std::uint32_t> colors;
  for (const art::PathRecord& p : art::PathsInUse(rig.art)) {
    polys.push_back(Anchors(p));
    colors.push_back(p.fillColor);
  }
  auto at = [&](int x, int y) { return &px[(std::size_t(y) * w + x) * spp]; };
  int checked = 0;
  for (int y = 1; y + 1 < h; ++y)
    for (int x = 1; x + 1 < w; ++x) {
      bool edge = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) edge |= !std::equal(at(x, y), at(x, y) + spp, at(x + dx, y + dy));
      if (edge) continue;
      int top = -1;
      for (std::size_t i = 0; i < polys.size(); ++i)
        if (Inside(polys[i], (x + 0.5) * rig.image.artScale, (y + 0.5) * rig.image.artScale)) top = int(i);
      ASSERT_GE(top, 0) << x << "," << y;
      std::uint32_t means[4];
      for (int c = 0; c < spp; ++c) means[c] = at(x, y)[c];
      EXPECT_EQ(colors[std::size_t(top)], ColorWordOfSamples(means, spp)) << x << "," << y;
      ++checked;
    }
  EXPECT_GT(checked, w * h / 2);
}

std::vector<std::vector<Point>> AllAnchors(const art::Artwork& art) {
  std::vector<std::vector<Point>> out;
  for (const art::PathRecord& p : art::PathsInUse(art)) out.push_back(Anchors(p));
  return out;
}

TEST(ColorConversion, EveryPixelLiesUnderThePathOfItsOwnColour) {
  for (int spp : {1, 3, 4})
    for (bool nested : {false, true}) {
      SCOPED_TRACE(std::to_string(spp) + (nested ? " nested" : " pie"));
      ColorRig rig;
      const std::string file = rig.env.root + (spp == 1 ? "/a.pgm" : spp == 3 ? "/a.ppm" : "/a.pam");
      const int w = nested ? 130 : 101, h = nested ? 85 : 77;
      const Pixels px = WritePnm(file, w, h, spp, [&](int x, int y, std::uint8_t* p) {
        nested ? Nested(x, y, p, spp) : Pie(x, y, p, spp);
      });
      ASSERT_TRUE(rig.open(file));
      ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
      ExpectPixelsCovered(rig, px, w, h, spp);
      if (nested) {
        // Background, ring, square, disc, and the square's hole: not connected to the
        // background, a region of its own, painted over the square.
        ASSERT_EQ(rig.art.count, 5);
        std::vector<std::uint32_t> order, expected;
        for (const art::PathRecord& p : art::PathsInUse(rig.art)) order.push_back(p.fillColor);
        for (int k : {5, 0, 1, 2, 5}) {
          std::uint8_t sample[4];
          Nested(k == 5 ? 0 : k == 0 ? 40 : k == 1 ? 85 : 40, k == 0 ? 15 : 40, sample, spp);
          std::uint32_t means[4];
          std::copy(sample, sample + 4, means);
          expected.push_back(ColorWordOfSamples(means, spp));
        }
        EXPECT_EQ(order, expected);
        const auto r = std::int32_t(130 * rig.image.artScale), b = std::int32_t(85 * rig.image.artScale);
        EXPECT_EQ(AllAnchors(rig.art).front(), (std::vector<Point>{{0, 0}, {0, b}, {r, b}, {r, 0}, {0, 0}}));
      }
    }
}

TEST(ColorConversion, ARingPinchedAtACornerStillLeavesItsHoleToTheShapeInside) {
  // Blocks of 6 pixels: a ring (colour 0) around a square hole (colour 2), its top-left corner
  // block missing, so that the ring's outline touches itself where the corner blocks meet.
  const auto block = [](int x, int y) {
    const int bx = x / 6, by = y / 6;
    if (bx < 1 || by < 1 || bx > 6 || by > 6) return 5;
    if (bx == 1 && by == 1) return 5;
    if (bx == 1 || by == 1 || bx == 6 || by == 6) return 0;
    return 2;
  };
  for (int spp : {1, 3}) {
    SCOPED_TRACE(spp);
    ColorRig rig;
    const std::string file = rig.env.root + (spp == 1 ? "/p.pgm" : "/p.ppm");
    const Pixels px = WritePnm(file, 48, 48, spp, [&](int x, int y, std::uint8_t* p) {
      const int k = block(x, y);
      for (int c = 0; c < spp; ++c) p[c] = spp == 1 ? std::uint8_t(25 + 42 * k) : kRgb[k][c];
    });
    ASSERT_TRUE(rig.open(file));
    ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
    ExpectPixelsCovered(rig, px, 48, 48, spp);
    for (const art::PathRecord& p : art::PathsInUse(rig.art)) {
      const std::vector<Point> a = Anchors(p);
      const std::set<Point> distinct(a.begin(), a.end() - 1);
      EXPECT_EQ(distinct.size(), a.size() - 1);  // no path touches itself
    }
  }
}

TEST(ColorConversion, PastThePathLimitSmallShapesJoinTheirNeighboursAndLeaveNoHoles) {
  // 16 x 12 tiles of 6 x 6 pixels in eight colours, neighbours never alike: 192 regions.
  const auto tile = [](int x, int y) { return (x / 6 * 3 + y / 6 * 5 + (x / 6) * (y / 6)) % 8; };
  const auto paint = [&](int x, int y, std::uint8_t* px) {
    int k = tile(x, y);
    if (x >= 6 && tile(x - 6, y) == k) k = (k + 1) % 8;
    std::copy(kRgb[k], kRgb[k] + 3, px);
  };
  for (int limit : {1000, 150, 40, 3}) {
    SCOPED_TRACE(limit);
    ColorRig rig;
    WritePnm(rig.env.root + "/tiles.ppm", 96, 72, 3, paint);
    ASSERT_TRUE(rig.open(rig.env.root + "/tiles.ppm"));
    rig.art.maxPaths = limit;
    const ConversionOutcome outcome = Convert(rig.job);
    const bool over = limit < 192;
    const ConversionOutcome want =
        over ? ConversionOutcome{ConversionResult::kConvertedPathsDiscarded, msg::kMaxPathsExceeded}
             : ConversionOutcome{ConversionResult::kConverted, 0};
    EXPECT_EQ(outcome, want);
    EXPECT_LE(rig.art.count, limit);
    EXPECT_GE(rig.art.count, std::min(limit, 192) * 3 / 4);
    // Every pixel centre lies under some shape: nothing was dropped to leave the page showing.
    const std::vector<std::vector<Point>> polys = AllAnchors(rig.art);
    for (int y = 0; y < 72; y += 2)
      for (int x = 0; x < 96; x += 2) {
        bool covered = false;
        for (const std::vector<Point>& poly : polys)
          covered = covered || Inside(poly, (x + 0.5) * rig.image.artScale, (y + 0.5) * rig.image.artScale);
        EXPECT_TRUE(covered) << x << "," << y;
      }
  }
}

TEST(ColorConversion, TheColourLimitKeepsAtMostThatManyColours) {
  // Eight blocks of distinct colours in a 4 x 2 grid, with stripes of a ninth colour between.
  const auto paint = [](int x, int y, std::uint8_t* px) {
    const int k = (x / 30) + 4 * (y / 30);
    const std::uint8_t* c = (x % 30 < 3) ? kRgb[5] : kRgb[k];
    std::copy(c, c + 3, px);
  };
  for (int limit : {2, 3, 5, 8, 0}) {
    SCOPED_TRACE(limit);
    ColorRig rig;
    WritePnm(rig.env.root + "/grid.ppm", 120, 60, 3, paint);
    ASSERT_TRUE(rig.open(rig.env.root + "/grid.ppm"));
    if (limit > 0) {
      rig.active.set(settings::kLimitedColors, true);
      rig.active.maxColors = std::uint8_t(limit);
    }
    ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
    std::set<std::uint32_t> colors;
    for (const art::PathRecord& p : art::PathsInUse(rig.art)) colors.insert(p.fillColor);
    // Stripe colour kRgb[5] is one of the eight block colours as well: eight in all.
    EXPECT_EQ(int(colors.size()), limit > 0 ? std::min(limit, 8) : 8);
  }
}

std::vector<std::uint16_t> LineWords(std::initializer_list<Point> points) {
  std::vector<std::uint16_t> w;
  for (const Point& p : points) {
    w.push_back(std::uint16_t(p.x));
    w.push_back(std::uint16_t(p.y));
  }
  return w;
}

TEST(SplitSelfTouchingPaths, LoopsBetweenRepeatedPointsBecomePathsOfTheirOwn) {
  struct Case {
    const char* name;
    std::vector<std::uint16_t> words;
    std::vector<std::vector<Point>> expected;
  };
  const Case cases[] = {
      {"plain square", LineWords({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
       {{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}}},
      {"figure eight", LineWords({{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}, {0, 10}, {0, 0}}),
       {{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, {{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}}}},
      {"two touches", LineWords({{0, 0}, {10, 0}, {12, 3}, {10, 0}, {20, 0}, {22, 3}, {20, 0}, {30, 0}, {30, 9}, {0, 0}}),
       {{{0, 0}, {10, 0}, {20, 0}, {30, 0}, {30, 9}, {0, 0}}}},  // the 6-word loops are dropped
      {"too short", LineWords({{0, 0}, {10, 0}, {0, 0}}), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRuntime env;
    art::Artwork art;
    ASSERT_TRUE(art::initArtwork(art, env.rt));
    art::PathRecord like;
    like.fillType = art::PaintType::Process;
    like.fillColor = 0x12345678;
    ASSERT_TRUE(art::appendPath(art, env.rt, like, c.words));
    // A later path (a shape inside the loop) stays above whatever the split makes.
    const std::vector<Point> later = {{12, 12}, {14, 12}, {14, 14}, {12, 12}};
    ASSERT_TRUE(art::appendPath(art, env.rt, like, LineWords({{12, 12}, {14, 12}, {14, 14}, {12, 12}})));
    SplitSelfTouchingPaths(art, env.rt);
    std::vector<std::vector<Point>> expected = c.expected;
    expected.push_back(later);
    EXPECT_EQ(AllAnchors(art), expected);
    for (const art::PathRecord& p : art::PathsInUse(art)) {
      EXPECT_EQ(p.fillColor, 0x12345678u);
      EXPECT_EQ(p.fillType, art::PaintType::Process);
      EXPECT_LE(p.left, p.right);
    }
    art::freeArtwork(art);
  }
}

TEST(SplitSelfTouchingPaths, CurvesKeepTheirControlPoints) {
  TestRuntime env;
  art::Artwork art;
  ASSERT_TRUE(art::initArtwork(art, env.rt));
  // (0,0) curve to (10,10), line to (20,10), (20,20), (10,20), (10,10), line (0,10), (0,0).
  std::vector<std::uint16_t> w = {0 | art::kCurveBit, 0, 3, 1, 7, 4, 10, 10 | art::kCurveBit,
                                  20, 10, 20, 20, 10, 20, 10, 10, 0, 10, 0, 0};
  ASSERT_TRUE(art::appendPath(art, env.rt, art::PathRecord{}, w));
  SplitSelfTouchingPaths(art, env.rt);
  ASSERT_EQ(art.count, 2);
  const std::vector<std::uint16_t> first(art::PointWords(art.paths[0]).begin(), art::PointWords(art.paths[0]).end());
  const std::vector<std::uint16_t> expected = {0 | art::kCurveBit, 0, 3, 1, 7, 4, 10, 10 | art::kCurveBit,
                                               0, 10, 0, 0};
  EXPECT_EQ(first, expected);
  EXPECT_EQ(AllAnchors(art)[1], (std::vector<Point>{{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}}));
  art::freeArtwork(art);
}

TEST(OrderAndEliminateHidden, EnclosingPathsGoBeneathAndCoveredOldPathsGo) {
  TestRuntime env;
  auto square = [](int l, int t, int r, int b) { return LineWords({{l, t}, {r, t}, {r, b}, {l, b}, {l, t}}); };
  struct Case {
    const char* name;
    std::vector<std::vector<std::uint16_t>> old, fresh;
    bool eliminate;
    std::vector<int> order;  // the paths' first x after the pass
  };
  const Case cases[] = {
      {"small then enclosing", {}, {square(40, 40, 60, 60), square(10, 10, 90, 90)}, false, {10, 40}},
      {"enclosing first stays", {}, {square(10, 10, 90, 90), square(40, 40, 60, 60)}, false, {10, 40}},
      {"side by side", {}, {square(60, 10, 90, 90), square(10, 10, 50, 90)}, false, {60, 10}},
      {"old covered goes", {square(30, 30, 50, 50)}, {square(10, 10, 90, 90)}, true, {10}},
      {"old partly out stays", {square(30, 30, 95, 50)}, {square(10, 10, 90, 90)}, true, {30, 10}},
      {"old under a ring-shaped box stays", {square(30, 30, 50, 50)},
       {LineWords({{10, 10}, {90, 10}, {90, 90}, {10, 90}, {10, 60}, {70, 60}, {70, 20}, {10, 20}, {10, 10}})},
       true, {30, 10}},
      {"kept without the preference", {square(30, 30, 50, 50)}, {square(10, 10, 90, 90)}, false, {30, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    art::Artwork art;
    ASSERT_TRUE(art::initArtwork(art, env.rt));
    for (const auto& w : c.old) ASSERT_TRUE(art::appendPath(art, env.rt, art::PathRecord{}, w));
    art.firstNewPath = art.count;
    for (const auto& w : c.fresh) ASSERT_TRUE(art::appendPath(art, env.rt, art::PathRecord{}, w));
    OrderAndEliminateHidden(art, 2, c.eliminate);
    std::vector<int> order;
    for (const auto& p : AllAnchors(art)) order.push_back(p.front().x);
    EXPECT_EQ(order, c.order);
    art::freeArtwork(art);
  }
}

TEST(ColorConversion, StoppedMidwayKeepsTheImageAndClosedPaths) {
  for (int stop : {1, 2, 3, 5, 8, 13}) {
    SCOPED_TRACE(stop);
    ColorRig rig;
    WritePnm(rig.env.root + "/n.ppm", 130, 85, 3, [](int x, int y, std::uint8_t* p) { Nested(x, y, p, 3); });
    ASSERT_TRUE(rig.open(rig.env.root + "/n.ppm"));
    const std::vector<std::uint8_t> layer(image::BitRow(rig.image, 0),
                                          image::BitRow(rig.image, 0) + rig.image.bitLayerBytes);
    rig.env.ui.useManualClock(0);
    rig.env.ui.stepMs = 100;
    rig.env.ui.stopAtDrain = stop;
    EXPECT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kStopped, 0}));
    EXPECT_TRUE(rig.env.messages().empty());
    EXPECT_FALSE(rig.env.app.converting);
    EXPECT_EQ(rig.env.state.colorPassActive, 0);
    EXPECT_TRUE(std::equal(layer.begin(), layer.end(), image::BitRow(rig.image, 0)));
    for (const art::PathRecord& p : art::PathsInUse(rig.art)) EXPECT_TRUE(art::IsClosed(p));
  }
}

TEST(ColorConversion, TooLittleMemoryFailsClearly) {
  ColorRig rig;
  WritePnm(rig.env.root + "/n.ppm", 130, 85, 3, [](int x, int y, std::uint8_t* p) { Nested(x, y, p, 3); });
  ASSERT_TRUE(rig.open(rig.env.root + "/n.ppm"));
  rig.env.memory.setLimit(rig.env.memory.used() + 130 * 85 * 4);
  EXPECT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kFailed, msg::kInsufficientMemory}));
  EXPECT_EQ(rig.env.messages(), std::vector<std::string>{"Insufficient memory to process image."});
  EXPECT_EQ(rig.art.count, 0);
}

// Use Custom Colors: every shape takes the custom colour its pixels are nearest to (never a
// decoy), its fill and seam stroke naming that colour; a table that offers no choice (empty,
// or one tagged colour with Tagged Only) leaves each shape its own process colour.
TEST(ColorConversion, UseCustomColorsPaintsEachShapeWithItsNearestTableColour) {
  art::CustomColorList table;
  for (int k = 0; k < 6; ++k) {
    const std::uint8_t* c = kRgb[k];
    table.push_back({"wedge " + std::to_string(k), std::uint8_t(255 - c[0]),
                     std::uint8_t(255 - c[1]), std::uint8_t(255 - c[2]), 0, k == 0});
    // A decoy a long way from every wedge colour.
    table.push_back({"decoy " + std::to_string(k), std::uint8_t(k * 9), 255, 0, 200, false});
  }
  const art::CustomColorList empty;
  // Fewer than two colours to choose from end the command before anything changes.
  struct Case { const char* name; const art::CustomColorList* colors; bool taggedOnly; int message; };
  for (const Case& c : {Case{"table", &table, false, 0}, Case{"empty", &empty, false, 371},
                        Case{"one tagged", &table, true, 370}, Case{"none", nullptr, false, 371}}) {
    SCOPED_TRACE(c.name);
    ColorRig rig;
    WritePnm(rig.env.root + "/pie.ppm", 104, 75, 3, [](int x, int y, std::uint8_t* px) { Pie(x, y, px, 3); });
    ASSERT_TRUE(rig.open(rig.env.root + "/pie.ppm"));
    rig.active.set(settings::kUseCustomColors, true);
    rig.active.set(settings::kTaggedColorsOnly, c.taggedOnly);
    rig.job.customColors = c.colors;
    if (c.message != 0) {
      EXPECT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kFailed, c.message}));
      EXPECT_EQ(rig.env.messages(), std::vector<std::string>{std::string(msg::Text(c.message))});
      EXPECT_EQ(rig.art.count, 0);
      continue;
    }
    ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
    std::set<int> used;
    for (const art::PathRecord& p : art::PathsInUse(rig.art)) {
      ASSERT_EQ(p.fillType, art::PaintType::Custom);
      const art::CustomColor& chosen = table.at(p.fillCustomIndex);
      EXPECT_EQ(p.fillColor, Word(chosen.c, chosen.m, chosen.y, chosen.k));
      EXPECT_EQ(p.fillTint, 255);
      EXPECT_TRUE(p.strokeType == art::PaintType::Custom &&
                  p.strokeCustomIndex == p.fillCustomIndex);
      used.insert(p.fillCustomIndex);
    }
    EXPECT_EQ(used, (std::set<int>{0, 2, 4, 6, 8, 10}));
  }
}

// A comb: one dark region whose teeth (one pixel wide, 17 long, a pixel apart) in 20 bands
// give its outline some 40000 corners, more than one path can hold.
TEST(ColorConversion, AnOutlineTooLongForOnePathIsSimplifiedFurtherNotDropped) {
  ColorRig rig;
  const int w = 1000, h = 400;
  const std::string file = rig.env.root + "/comb.pgm";
  WritePnm(file, w, h, 1, [](int x, int y, std::uint8_t* p) {
    const int row = y % 20;
    const bool dark = x < 2 || (x < 998 && (row == 0 || (row < 18 && x % 2 == 0)));
    p[0] = dark ? 0 : 255;
  });
  ASSERT_TRUE(rig.open(file));
  ASSERT_EQ(Convert(rig.job), (ConversionOutcome{ConversionResult::kConverted, 0}));
  EXPECT_TRUE(rig.env.messages().empty());
  bool comb = false;
  for (const art::PathRecord& p : art::PathsInUse(rig.art)) {
    EXPECT_LE(p.usedWords, art::kMaxPointWords);
    comb = comb || (p.fillColor >> 24) == 255;  // black ink: the dark region
  }
  EXPECT_TRUE(comb);
}

// Limited Colors adding a custom colour per new colour asks first when the table has no room
// for maxColors more: Cancel ends the command with nothing changed, OK converts without adding
// and leaves the setting on for the next conversion; with room there is no question.
TEST(ColorConversion, AutomaticColoursThatCouldOverflowTheTableAskFirst) {
  const struct {
    int defined;  // custom colours already in the table
    const char* answer;
    bool asked;
    ConversionResult result;
    bool adds;
  } cases[] = {{884, "ok", false, ConversionResult::kConverted, true},
               {885, "ok", true, ConversionResult::kConverted, false},
               {885, "cancel", true, ConversionResult::kStopped, false},
               {0, "cancel", false, ConversionResult::kConverted, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.defined) + " " + c.answer);
    ColorRig rig;
    WritePnm(rig.env.root + "/pie.ppm", 104, 75, 3, [](int x, int y, std::uint8_t* px) { Pie(x, y, px, 3); });
    ASSERT_TRUE(rig.open(rig.env.root + "/pie.ppm"));
    const art::CustomColorList table(std::size_t(c.defined), art::CustomColor{"c", 1, 2, 3, 4});
    rig.job.customColors = &table;
    rig.active.set(settings::kLimitedColors, true);
    rig.active.set(settings::kAddNewColors, true);
    rig.active.maxColors = 16;
    int added = 0;
    rig.art.createCustomColor = [&](std::uint32_t) { return std::optional<std::uint16_t>(std::uint16_t(added++)); };
    rig.env.ui.scriptAnswers({c.answer});
    EXPECT_EQ(Convert(rig.job).result, c.result);
    EXPECT_EQ(rig.env.ui.questions().size(), c.asked ? 1u : 0u);
    EXPECT_EQ(added > 0, c.adds);
    EXPECT_EQ(rig.art.count > 0, c.result == ConversionResult::kConverted);
    EXPECT_TRUE(rig.active.has(settings::kAddNewColors));
  }
}

// A field speckled with a near colour of the same class: averaged it takes the mixture,
// with Color averaging off the field's own colour.
TEST(ColorConversion, AveragingOffPaintsAShapeWithTheColourMostOfItsPixelsHave) {
  for (bool averagingOff : {false, true}) {
    SCOPED_TRACE(averagingOff);
    ColorRig rig;
    WritePnm(rig.env.root + "/speck.ppm", 60, 40, 3, [](int x, int y, std::uint8_t* px) {
      const bool speck = x % 2 == 0 && y % 2 == 0;
      px[0] = speck ? 190 : 178;
      px[1] = 20;
      px[2] = 20;
    });
    ASSERT_TRUE(rig.open(rig.env.root + "/speck.ppm"));
    rig.active.set(settings::kColorAveragingOff, averagingOff);
    ASSERT_EQ(Convert(rig.job).result, ConversionResult::kConverted);
    const std::uint32_t field[4] = {178, 20, 20, 0};
    // The field's shape: the path with the largest box.
    const art::PathRecord* largest = nullptr;
    auto area = [](const art::PathRecord& p) { return std::int64_t(p.right - p.left) * (p.bottom - p.top); };
    for (const art::PathRecord& p : art::PathsInUse(rig.art))
      if (largest == nullptr || area(p) > area(*largest)) largest = &p;
    ASSERT_NE(largest, nullptr);
    const bool fieldColour = largest->fillColor == ColorWordOfSamples(field, 3);
    EXPECT_EQ(fieldColour, averagingOff);
  }
}

}  // namespace
}  // namespace vl::engine::test
