// Conversions that need a stage this build lacks stop before they change anything, and the
// stage entry points decline a plain Outline conversion exactly as their stages will.
#include "engine/stage_seams.h"
#include "tests/engine/driver/driver_rig.h"

namespace vl::engine::test {
namespace {

const Picture& Shapes() {
  static const Picture p(96, 64, AnyOf({Disc(30, 30, 15), Box(60, 10, 85, 50)}));
  return p;
}

TEST(StageRefusal, SettingsThatNeedAMissingStageStopBeforeAnythingChanges) {
  const struct {
    const char* name;
    std::function<void(DriverRig&)> arrange;
  } cases[] = {
      {"Centerline", [](DriverRig& r) { r.active.set(settings::kMethodCenterline, true); }},
      {"Line recognition",
       [](DriverRig& r) { r.active.set(settings::kMethodLineRecognition, true); }},
      {"Separate Shapes", [](DriverRig& r) { r.active.set(settings::kSeparateShapes, true); }},
      {"Interactive Thinning",
       [](DriverRig& r) { r.active.set(settings::kInteractiveThinning, true); }},
      {"Interactive Thinning", [](DriverRig& r) { r.app.interactiveThinningPaused = true; }},
      {"Posterization", [](DriverRig& r) { r.image.bitsPerSample = 8; }},
  };
  for (const auto& c : cases) {
    DriverRig rig;
    rig.load(Shapes());
    rig.convert();  // art from an earlier conversion
    ASSERT_EQ(rig.art.count, 2);
    const auto before = ArtWords(rig.art);
    rig.active.set(settings::kWhiteLines, true);  // would invert the bit layer and add a frame
    c.arrange(rig);
    rig.state.abortRequested = 1;
    const int progressBefore = rig.ui.progressUpdates();
    rig.convert();
    ASSERT_EQ(rig.messages().size(), 1u) << c.name;
    EXPECT_EQ(rig.messages()[0], std::string(c.name) + " is not available in this build.");
    EXPECT_EQ(ArtWords(rig.art), before) << c.name;
    EXPECT_EQ(rig.bitLayer().ink, Shapes().ink) << c.name;
    EXPECT_EQ(rig.state.abortRequested, 1) << c.name;
    EXPECT_FALSE(rig.app.converting) << c.name;
    EXPECT_EQ(rig.ui.progressUpdates(), progressBefore) << c.name;
  }
}

TEST(StageRefusal, CenterlineEntryDeclinesAnOutlineConversion) {
  DriverRig rig;
  rig.load(Shapes());
  Tracer t(rig.rt, rig.image, rig.art, rig.active, rig.job.constants);

  EXPECT_EQ(TraceCenterlines(t), 0);  // Outline only: the outline loop runs
  EXPECT_EQ(RunCenterlinePass(t, 0), 1);
  EXPECT_TRUE(rig.messages().empty());

  rig.app.selectionEdgeCommand = true;  // resets a centre-line mode for the outline loop
  rig.state.tracerMode = 1;
  rig.active.set(settings::kMethodCenterline, true);
  EXPECT_EQ(TraceCenterlines(t), 0);
  EXPECT_EQ(rig.state.tracerMode, 0);
  EXPECT_TRUE(rig.messages().empty());

  rig.state.abortRequested = 1;  // an abort ends the stage first
  EXPECT_EQ(TraceCenterlines(t), 1);
  EXPECT_EQ(RunCenterlinePass(t, 0), 1);
  EXPECT_TRUE(rig.messages().empty());

  rig.state.abortRequested = 0;
  rig.app.selectionEdgeCommand = false;
  EXPECT_EQ(TraceCenterlines(t), 1);  // centre lines are not in this build
  EXPECT_EQ(RunCenterlinePass(t, 0), 1);
  rig.active.set(settings::kMethodCenterline, false);
  rig.active.set(settings::kMethodLineRecognition, true);
  EXPECT_EQ(RunCenterlinePass(t, 1), 1);
  EXPECT_EQ(rig.messages(),
            (std::vector<std::string>{"Centerline is not available in this build.",
                                      "Centerline is not available in this build.",
                                      "Line recognition is not available in this build."}));

  rig.ui.clearMessages();
  EXPECT_EQ(Posterize(rig.job), 0);
  EXPECT_FALSE(PrepareLineRecognizer(rig.job));
  EXPECT_FALSE(RunLineRecognizer(rig.job));
  EXPECT_EQ(RecordUndo(rig.job, kUndoConversion), 1);
  EXPECT_EQ(rig.messages().size(), 3u);
}

TEST(StageRefusal, ConvertSelectionEdgeTracesOutlines) {
  DriverRig rig;
  rig.load(Shapes());
  rig.app.selectionEdgeCommand = true;
  rig.state.tracerMode = 1;  // left over from elsewhere: the outline pass must not see it
  rig.convert();
  EXPECT_TRUE(rig.messages().empty());
  EXPECT_EQ(rig.art.count, 2);
  EXPECT_EQ(rig.state.tracerMode, 0);
  EXPECT_EQ(rig.art.paths[0].flags & art::kUnfilled, 0);
}

}  // namespace
}  // namespace vl::engine::test
