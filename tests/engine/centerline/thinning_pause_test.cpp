// The interactive-thinning pause as a resumable state: the conversion stops after thinning with
// the thinned image in the bit layer, the caller looks at it, may draw on it, and resumes with
// Done, Thin More or Cancel; a stop while paused winds everything down.
#include "tests/engine/centerline/centerline_rig.h"

namespace vl::engine::test {
namespace {

Drawing Figure() {
  return {180, 140, {Line(20, 30.5, 160, 30.5, 5), Line(90.5, 30, 90.5, 120, 5), Arc(90, 70, 40, 200, 330, 4)}};
}

std::vector<std::vector<std::uint16_t>> ConvertedWithoutPause(double thinning) {
  CenterlineRig rig;
  rig.thinning(thinning);
  rig.load(Figure());
  EXPECT_EQ(rig.convert().result, ConversionResult::kConverted);
  return rig.artWords();
}

struct PauseRig : CenterlineRig {
  ThinningPause pause;
  PauseRig() {
    active.set(settings::kInteractiveThinning, true);
    job.pause = &pause;
    thinning(3);
    load(Figure());
  }
  long ink() const {
    const auto b = bitLayer();
    return std::count(b.begin(), b.end(), 1);
  }
};

TEST(ThinningPause, WaitsWithTheThinnedImageAndDoneTracesIt) {
  PauseRig rig;
  ASSERT_EQ(rig.convert(), (ConversionOutcome{ConversionResult::kPaused, 0}));
  EXPECT_TRUE(rig.pause.pending());
  EXPECT_TRUE(rig.env.app.interactiveThinningPaused);
  EXPECT_EQ(rig.pause.steps, 3);
  const long inputInk = std::count(rig.input.begin(), rig.input.end(), 1);
  EXPECT_LT(rig.ink() * 3, inputInk);  // one-pixel lines where 4 and 5 pixel strokes were
  EXPECT_EQ(rig.art.count, 0);

  rig.pause.choice = SkeletonChoice::kDone;
  EXPECT_EQ(rig.convert().result, ConversionResult::kConverted);
  EXPECT_FALSE(rig.pause.pending());
  EXPECT_FALSE(rig.env.app.interactiveThinningPaused);
  EXPECT_FALSE(rig.env.app.converting);
  EXPECT_EQ(rig.artWords(), ConvertedWithoutPause(3));
  EXPECT_EQ(rig.bitLayer(), rig.input);
  EXPECT_FALSE(rig.scratchLeft());
}

TEST(ThinningPause, ThinMoreRunsOneStepAtATimeAndPausesAgain) {
  PauseRig rig;
  ASSERT_EQ(rig.convert().result, ConversionResult::kPaused);
  for (int steps : {4, 5}) {
    const long before = rig.ink();
    rig.pause.choice = SkeletonChoice::kThinMore;
    ASSERT_EQ(rig.convert().result, ConversionResult::kPaused);
    EXPECT_EQ(rig.pause.steps, steps);
    EXPECT_LE(rig.ink(), before);
  }
  rig.pause.choice = SkeletonChoice::kDone;
  EXPECT_EQ(rig.convert().result, ConversionResult::kConverted);
  // Two more steps after three are the five steps of a conversion without the pause.
  EXPECT_EQ(rig.artWords(), ConvertedWithoutPause(5));
  EXPECT_EQ(rig.bitLayer(), rig.input);
}

TEST(ThinningPause, DoneAfterDrawingThinsOnceMoreAndTracesWhatWasDrawn) {
  PauseRig rig;
  ASSERT_EQ(rig.convert().result, ConversionResult::kPaused);
  // A new one-pixel line drawn on the skeleton, well away from the strokes.
  for (int x = 20; x < 160; ++x) SetBitAt(image::BitRow(rig.image, 130), x);
  rig.pause.choice = SkeletonChoice::kDone;
  rig.pause.drawnOn = true;
  EXPECT_EQ(rig.convert().result, ConversionResult::kConverted);
  EXPECT_FALSE(rig.pause.pending());
  bool drawn = false;
  for (const TracedPath& p : rig.paths()) {
    bool along = p.anchors.size() >= 2;
    for (PagePoint q : p.anchors) along = along && std::abs(q.y - 130.5) < 1;
    drawn = drawn || along;
  }
  EXPECT_TRUE(drawn);
  // The image as loaded comes back: what was drawn on the skeleton is not kept.
  EXPECT_EQ(rig.bitLayer(), rig.input);
}

TEST(ThinningPause, CancelAndAStopWhilePausedEndWithoutPathsAndCleanUp) {
  for (bool viaStop : {false, true}) {
    SCOPED_TRACE(viaStop ? "stop" : "cancel");
    PauseRig rig;
    ASSERT_EQ(rig.convert().result, ConversionResult::kPaused);
    ConversionOutcome o;
    if (viaStop) {
      // The shell's Close: the pause is told to stop and given one more call of the core.
      rig.env.state.abortRequested = 1;
      o = RunConversionCore(rig.job);
    } else {
      rig.pause.choice = SkeletonChoice::kCancel;
      o = rig.convert();
    }
    EXPECT_EQ(o.result, ConversionResult::kStopped);
    EXPECT_FALSE(rig.pause.pending());
    EXPECT_FALSE(rig.env.app.interactiveThinningPaused);
    EXPECT_EQ(rig.art.count, 0);
    EXPECT_TRUE(rig.env.messages().empty());  // no "No paths found" after a cancel
    EXPECT_EQ(rig.bitLayer(), rig.input);
    EXPECT_FALSE(rig.scratchLeft());
  }
}

}  // namespace
}  // namespace vl::engine::test
