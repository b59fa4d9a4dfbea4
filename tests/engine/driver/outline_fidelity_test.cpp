// Whole Outline conversions at the default settings, painted back and compared with the input.
#include <cmath>
#include <string>

#include "tests/engine/driver/driver_rig.h"

namespace vl::engine::test {
namespace {

// The bound on the coverage error, per boundary pixel. The paths run through the centres of
// the boundary pixels, so a perfect trace covers each of them by half and scores 0.5; curves
// cut a little off or add a little (measured 0.43 to 0.66 on the shapes below). Moving the same
// art by one whole pixel scores at least 0.75 on every shape here (the trailing side loses half
// a pixel more per boundary pixel), and a lost hole adds its whole area. Each test also checks
// that its own art moved by one pixel breaks the bound, so the bound stays meaningful.
constexpr double kErrorPerBoundaryPixel = 0.7;

using Shifts = std::vector<std::pair<int, int>>;
const Shifts kAllShifts = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

// `shifts`: the moves by one pixel that must break the bound (a move along a thin shape's
// length hardly changes it).
void ExpectFaithful(DriverRig& rig, const Picture& expected, const std::string& what,
                    const Shifts& shifts = kAllShifts) {
  const double bound = kErrorPerBoundaryPixel * double(expected.boundaryCount());
  EXPECT_LE(rig.coverageError(expected), bound) << what;
  for (auto [dx, dy] : shifts)
    EXPECT_GT(rig.coverageError(expected, dx, dy), bound) << what << " moved " << dx << "," << dy;
  ExpectArtWithinImage(rig);
}

void ConvertPicture(DriverRig& rig, const Picture& p) {
  rig.load(p);
  rig.convert();
  EXPECT_TRUE(rig.messages().empty()) << (rig.messages().empty() ? "" : rig.messages()[0]);
  EXPECT_TRUE(rig.app.artPresent);
  EXPECT_FALSE(rig.app.converting);
}

TEST(OutlineFidelity, SyntheticShapesTraceFaithfullyAndLeaveTheImageAsItWas) {
  const struct {
    const char* name;
    Picture picture;
    Shifts shifts;
  } cases[] = {
      {"disc", Picture(160, 120, Disc(80, 60, 40)), kAllShifts},
      {"small disc", Picture(160, 120, Disc(70, 50, 9)), kAllShifts},
      {"square", Picture(160, 120, Box(40, 30, 99, 89)), kAllShifts},
      {"turned rectangle", Picture(160, 120, TurnedBox(80, 60, 45, 15, 0.5)), kAllShifts},
      {"steep rectangle", Picture(160, 120, TurnedBox(80, 60, 50, 8, 1.2)), {{1, 0}, {-1, 0}}},
      {"glyphs", Picture(200, 100, Glyphs(20, 20, 60)), kAllShifts},
  };
  for (const auto& c : cases) {
    DriverRig rig;
    ConvertPicture(rig, c.picture);
    ExpectFaithful(rig, c.picture, c.name, c.shifts);
    // The source plane is consumed by tracing and rebuilt afterwards; the backup is untouched.
    EXPECT_EQ(rig.bitLayer().ink, c.picture.ink) << c.name;
    EXPECT_EQ(rig.backup().ink, c.picture.ink) << c.name;
    EXPECT_TRUE(rig.scratchLeft().empty()) << c.name;
    EXPECT_TRUE(rig.image.spareLayer.empty()) << c.name;
  }
}

TEST(OutlineFidelity, RingGivesBlackOuterPathAndWhiteHoleOnTop) {
  DriverRig rig;
  const Picture ring(160, 120, Ring(80, 60, 45, 25));
  ConvertPicture(rig, ring);
  ASSERT_EQ(rig.art.count, 2);
  const art::PathRecord& outer = rig.art.paths[0];
  const art::PathRecord& hole = rig.art.paths[1];
  EXPECT_EQ(outer.fillType, art::PaintType::Black);
  EXPECT_EQ(outer.fillColor, art::kBlackColor);
  EXPECT_EQ(hole.fillType, art::PaintType::White);
  EXPECT_EQ(hole.fillColor, art::kWhiteColor);
  EXPECT_GT(hole.left, outer.left);
  EXPECT_LT(hole.right, outer.right);
  EXPECT_GT(hole.top, outer.top);
  EXPECT_LT(hole.bottom, outer.bottom);
  ExpectFaithful(rig, ring, "ring");
  // Without its hole the art paints the whole disc: far beyond the bound.
  art::deletePath(rig.art, 1);
  EXPECT_GT(rig.coverageError(ring), 2 * kErrorPerBoundaryPixel * double(ring.boundaryCount()));
}

TEST(OutlineFidelity, SquareKeepsItsFourCornersAsStraightLines) {
  DriverRig rig;
  ConvertPicture(rig, Picture(160, 120, Box(40, 30, 99, 89)));
  ASSERT_EQ(rig.art.count, 1);
  const art::PathRecord& path = rig.art.paths[0];
  const auto* w = path.points.as<std::uint16_t>();
  const int s = int(rig.image.artScale);
  std::vector<std::pair<int, int>> anchors;
  for (std::uint16_t k = 0; k < path.usedWords; k += 2) {
    EXPECT_EQ(w[k] & art::kCurveBit, 0) << "a curve in a square at word " << k;
    anchors.emplace_back(w[k] & art::kCoordinateMask, w[k + 1] & art::kCoordinateMask);
  }
  // Clockwise from the top-left corner with nothing between the corners; the walk runs on
  // past the start by the sides it repeats to let a curve cross the start point.
  const std::vector<std::pair<int, int>> corners = {
      {40 * s, 30 * s}, {99 * s, 30 * s}, {99 * s, 89 * s}, {40 * s, 89 * s}};
  ASSERT_GE(anchors.size(), 5u);
  for (std::size_t i = 0; i < anchors.size(); ++i)
    EXPECT_EQ(anchors[i], corners[i % 4]) << "anchor " << i;
}

TEST(OutlineFidelity, NoiseSuppressionDecidesOnLonePixelsAndSpecks) {
  {  // A lone pixel: a record of 6 bytes passes the threshold of Noise Suppression 1 ...
    DriverRig rig;
    rig.active.noiseSuppression = 100;
    ConvertPicture(rig, Picture(64, 48, Box(20, 10, 20, 10)));
    ASSERT_EQ(rig.art.count, 1);
    // ... and becomes a square of 1.5 pixels at the pixel.
    const art::PathRecord& path = rig.art.paths[0];
    const auto* w = path.points.as<std::uint16_t>();
    EXPECT_EQ(w[0] & art::kCoordinateMask, int(20 * rig.image.artScale));
    EXPECT_EQ(w[1] & art::kCoordinateMask, int(10 * rig.image.artScale));
    EXPECT_EQ(path.usedWords, 10);
  }
  {  // ... and is dropped with Noise Suppression 2: nothing is traced.
    DriverRig rig;
    rig.active.noiseSuppression = 200;
    rig.load(Picture(64, 48, Box(20, 10, 20, 10)));
    rig.convert();
    EXPECT_EQ(rig.art.count, 0);
    ASSERT_EQ(rig.messages().size(), 1u);
    EXPECT_EQ(rig.messages()[0], "No paths found");
    EXPECT_FALSE(rig.app.artPresent);
    EXPECT_EQ(rig.bitLayer().ink, rig.input.ink);
  }
  {  // Specks of up to 2 x 2 pixels vanish at the default setting (8 pixels); shapes stay.
    const Shape shapes = AnyOf({Disc(50, 50, 20), Box(100, 20, 140, 80)});
    Picture noisy(160, 120, shapes);
    for (int i = 0; i < 40; ++i) {
      const int x = 5 + (i * 37) % 150, y = 5 + (i * 53) % 110;
      if (shapes(x - 2, y - 2) || shapes(x + 3, y + 3) || shapes(x - 2, y + 3) ||
          shapes(x + 3, y - 2))
        continue;
      noisy.set(x, y, true);
      if (i % 2) noisy.set(x + 1, y + 1, true);
    }
    const Picture clean(160, 120, shapes);
    ASSERT_GT(noisy.inkCount(), clean.inkCount() + 20);
    DriverRig rig;
    ConvertPicture(rig, noisy);
    EXPECT_EQ(rig.art.count, 2);
    ExpectFaithful(rig, clean, "specks");
    EXPECT_EQ(rig.bitLayer().ink, noisy.ink);  // the specks are back in the bit layer
  }
}

TEST(OutlineFidelity, ShapesTouchingTheRightAndBottomEdgesStayInside) {
  // 128 pixels wide: the right edge is also the last padded column.
  const Picture corner(128, 96, AnyOf({Box(90, 60, 127, 95), Disc(127, 20, 12), Disc(40, 95, 15)}));
  DriverRig rig;
  ConvertPicture(rig, corner);
  EXPECT_EQ(rig.art.count, 3);
  // Moved right or down, part of the art would fall off the image: only the other two
  // directions are a fair check of the bound here.
  ExpectFaithful(rig, corner, "edges", {});
  const double bound = kErrorPerBoundaryPixel * double(corner.boundaryCount());
  EXPECT_GT(rig.coverageError(corner, -1, 0), bound);
  EXPECT_GT(rig.coverageError(corner, 0, -1), bound);
  EXPECT_EQ(rig.bitLayer().ink, corner.ink);
}

TEST(OutlineFidelity, ProgressShowsOutliningWithThePathCount) {
  DriverRig rig;
  Picture many(200, 160,
               [](int x, int y) { return Disc(20 + (x / 40) * 40, 20 + (y / 40) * 40, 12)(x, y); });
  ConvertPicture(rig, many);
  EXPECT_EQ(rig.art.count, 20);
  ASSERT_FALSE(rig.ui.labels.empty());
  bool counted = false;
  for (const std::string& label : rig.ui.labels) {
    EXPECT_EQ(label.rfind("Outlining -", 0), 0u) << label;
    counted = counted || label.find(" paths") != std::string::npos;
  }
  EXPECT_TRUE(counted);
  EXPECT_FALSE(rig.ui.progressOpen());
  EXPECT_EQ(rig.state.stageLabel, 32);
}

}  // namespace
}  // namespace vl::engine::test
