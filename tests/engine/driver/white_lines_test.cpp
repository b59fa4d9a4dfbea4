// White Lines and Reverse Image: which plane is traced, how the paths are painted, and that the
// bit layer and its backup come back as they were.
#include "tests/engine/driver/driver_rig.h"

namespace vl::engine::test {
namespace {

// Ink strokes and a ring with a hole on white, clear of the image's border.
const Picture& Drawing() {
  static const Picture p(
      160, 120, AnyOf({Ring(50, 60, 35, 20), Stroke(100, 20, 140, 100, 3), Box(95, 95, 150, 105)}));
  return p;
}

// Same bound as the fidelity tests: half a pixel per boundary pixel is inherent, 0.7 allowed.
void ExpectPaints(DriverRig& rig, const Picture& expected) {
  EXPECT_LE(rig.coverageError(expected), 0.7 * double(expected.boundaryCount()));
}

struct Combination {
  bool whiteLines, reverse;
  bool tracesInverted;  // the white areas are traced
  bool paintsInverted;  // the painted art looks like the negative
};

TEST(WhiteLines, EachCombinationTracesAndPaintsTheRightPlane) {
  const Combination combos[] = {
      {false, false, false, false},
      {true, false, true, false},  // white shapes on a black frame: looks like the input
      {false, true, true, true},   // black shapes where the input was white
      {true, true, false, true},   // the ink traced uninverted, painted white on black
  };
  for (const Combination& c : combos) {
    SCOPED_TRACE(testing::Message() << "whiteLines " << c.whiteLines << " reverse " << c.reverse);
    DriverRig rig;
    rig.active.set(settings::kWhiteLines, c.whiteLines);
    rig.active.set(settings::kReverseImage, c.reverse);
    rig.load(Drawing());
    rig.convert();
    EXPECT_TRUE(rig.messages().empty());
    ASSERT_GT(rig.art.count, 1);

    int first = 0;
    if (c.whiteLines) {
      // The black rectangle over the whole image comes first, under everything.
      const art::PathRecord& frame = rig.art.paths[0];
      EXPECT_EQ(frame.fillType, art::PaintType::Black);
      EXPECT_EQ(frame.fillColor, art::kBlackColor);
      const auto* w = frame.points.as<std::uint16_t>();
      const int s = int(rig.image.artScale), r = (rig.image.paddedWidth - 1) * s,
                b = (rig.image.height - 1) * s;
      const std::vector<std::uint16_t> expected = {
          0, 0, std::uint16_t(r), 0, std::uint16_t(r), std::uint16_t(b), 0, std::uint16_t(b), 0, 0};
      EXPECT_EQ(std::vector<std::uint16_t>(w, w + frame.usedWords), expected);
      first = 1;
    }
    // The first traced shape is the outer one of its plane: the background region when the
    // white areas are traced. It is painted white with White Lines, black without.
    const art::PathRecord& shape = rig.art.paths[std::size_t(first)];
    EXPECT_EQ(shape.fillType, c.whiteLines ? art::PaintType::White : art::PaintType::Black);
    ExpectPaints(rig, c.paintsInverted ? Drawing().inverted() : Drawing());
    // The traced plane's outer shape spans the whole image exactly when the white was traced.
    const int s = int(rig.image.artScale);
    EXPECT_EQ(shape.left <= s, c.tracesInverted);

    EXPECT_EQ(rig.bitLayer().ink, Drawing().ink);
    EXPECT_EQ(rig.backup().ink, Drawing().ink);
    EXPECT_TRUE(rig.scratchLeft().empty());
  }
}

TEST(WhiteLines, BackupInMemtempComesBackAfterAnAbortDuringItsRewrite) {
  // Big enough that the work area and the paths fit where a second layer does not.
  const Picture drawing(320, 240, AnyOf({Ring(100, 120, 70, 40), Stroke(200, 40, 280, 200, 5)}));
  DriverRig rig;
  rig.active.set(settings::kWhiteLines, true);
  rig.load(drawing, true);
  rig.memory.setLimit(rig.memory.used() + std::size_t(rig.image.bitLayerBytes) - 512);
  // "memtemp" receives the inverted bit layer, one poll per row: stop half-way through.
  rig.ui.abortAtDrain = drawing.height / 2;
  rig.convert();
  EXPECT_TRUE(rig.messages().empty()) << rig.messages()[0];
  EXPECT_NE(rig.state.abortRequested, 0);
  EXPECT_EQ(rig.art.count, 1);  // the frame alone
  EXPECT_EQ(rig.bitLayer().ink, drawing.ink);
  EXPECT_EQ(rig.backup().ink, drawing.ink);
  EXPECT_EQ(rig.scratchLeft(), std::vector<std::string>{"memtemp"});
}

}  // namespace
}  // namespace vl::engine::test
