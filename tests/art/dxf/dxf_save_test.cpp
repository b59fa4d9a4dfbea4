// DXF through the save driver: the warning about flattened curves and when it stays silent,
// and the failures: a file that cannot be created, a full disk, a stop in the middle.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/message_table.h"
#include "tests/art/dxf/dxf_test_env.h"
#include "tests/support/stop_on_drain_ui.h"

namespace vl::art::test {
namespace {

using Lines = std::vector<std::string>;

void Curve(DxfEnv& env) {
  env.paint(PaintType::Black, PaintType::None);
  env.begin({10, 10});
  env.curveTo({20, 0}, {30, 0}, {40, 10});
}

TEST(DxfSave, TheDriverWritesTheFileAndWarnsAboutFlattenedCurvesWhenItShould) {
  struct Case {
    std::int16_t linesMode;
    bool unattended, batch, curves, warns;
  } cases[] = {{settings::kCurvedAndStraight, false, false, true, true},
               {settings::kCurvedOnly, false, false, true, false},
               {settings::kStraightOnly, false, false, true, false},
               {settings::kCurvedAndStraight, true, false, true, false},
               {settings::kCurvedAndStraight, false, true, true, false},
               {settings::kCurvedAndStraight, false, false, false, false}};
  for (const Case& c : cases) {
    DxfEnv env;
    if (c.curves)
      Curve(env);
    else
      env.linePath({{1, 1}, {5, 5}});
    env.options.unattended = c.unattended;
    env.options.linesMode = c.linesMode;
    env.app.batchRunning = c.batch;
    ASSERT_TRUE(env.save(env.rt, env.folder.path + "art.dxf"));
    EXPECT_EQ(SplitLines(ReadWholeFile(env.folder.path + "art.dxf"), "\r\n"), env.write());
    EXPECT_EQ(env.ui.messages(),
              c.warns ? Lines{std::string(msg::Text(msg::kCurvesFlattened))} : Lines{})
        << c.linesMode << c.unattended << c.batch << c.curves;
    EXPECT_EQ(env.modified, c.unattended);  // an unattended save leaves the art's state alone
  }
}

TEST(DxfSave, FailuresShowTheDiskMessageAndAStopStillEndsTheFile) {
  DxfEnv env;
  Curve(env);
  EXPECT_FALSE(env.save(env.rt, env.folder.path + "missing-folder/art.dxf"));
  EXPECT_EQ(env.ui.messages(), Lines{std::string(msg::Text(msg::kDiskFullOrLocked))});
  EXPECT_TRUE(env.folder.entries().empty());
  env.ui.clearMessages();  // a short write: one message, no curve warning
  EXPECT_FALSE(env.save(env.rt, "/dev/full"));
  EXPECT_EQ(env.ui.messages(), Lines{std::string(msg::Text(msg::kDiskFullOrLocked))});
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_TRUE(env.modified);

  for (int i = 0; i < 60; ++i) Curve(env);
  test_support::StopOnDrainUi ui(11);  // Stop seen by the poll before the 11th path
  engine::Runtime stopping{ui, env.memory, env.state, env.app, env.scratch};
  EXPECT_FALSE(env.save(stopping, env.folder.path + "stopped.dxf"));
  EXPECT_TRUE(ui.messages().empty());  // neither an error nor the curve warning
  EXPECT_EQ(env.state.abortRequested, 1);
  EXPECT_GT(ui.progressUpdates(), 0);  // 61 paths are enough to show progress
  Lines lines = SplitLines(ReadWholeFile(env.folder.path + "stopped.dxf"), "\r\n");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "POLYLINE"), 10);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(Lines(lines.end() - 4, lines.end()), (Lines{"0", "ENDSEC", "0", "EOF"}));
}

}  // namespace
}  // namespace vl::art::test
