// Progress and abort on a manual clock: how often the poll looks at the events and the row
// progress redraws, and what the progress label and the batch line say.
#include <gtest/gtest.h>

#include "base/progress.h"
#include "tests/base/base_test_runtime.h"

namespace vl::base::test {
namespace {

TEST(Throttles, PollAbortDrainsAtMostEvery60MsAndRowProgressReportsAtMostEvery30Ms) {
  BaseRuntime t;
  t.ui.useManualClock(0xFFFFFFC0u);  // the tick count wraps during the test
  EXPECT_EQ(PollAbort(t.rt), 0);
  t.ui.advanceClock(59);
  t.ui.requestAbort();
  EXPECT_EQ(PollAbort(t.rt), 0);  // too early: the request waits in the queue
  EXPECT_EQ(t.ui.drains(), 1);
  t.ui.advanceClock(1);
  EXPECT_EQ(PollAbort(t.rt), 1);
  t.ui.advanceClock(500);
  EXPECT_EQ(PollAbort(t.rt), 1);  // once set, no more draining
  EXPECT_EQ(t.ui.drains(), 2);

  // Row progress: at most every 30 ms, and only when the percentage changes.
  ConversionState& s = t.state;
  s.stageLabel = msg::kOutliningLabel;
  UpdateRowProgress(t.rt, 200, 64, 0);  // reporting is off until a stage forces it on
  EXPECT_EQ(t.ui.progressUpdates(), 0);
  s.shownRow = kProgressForce;
  s.currentRow = 10;
  UpdateRowProgress(t.rt, 200, 64, 1);
  EXPECT_EQ(t.ui.lastPercent(), 5);
  s.currentRow = 100;
  t.ui.advanceClock(29);
  UpdateRowProgress(t.rt, 200, 64, 2);  // within 30 ms of the last report
  EXPECT_EQ(t.ui.progressUpdates(), 1);
  t.ui.advanceClock(1);
  UpdateRowProgress(t.rt, 200, 64, 2);
  EXPECT_EQ(t.ui.lastPercent(), 50);
  s.currentRow = 101;  // still 50 %: nothing to redraw
  t.ui.advanceClock(100);
  UpdateRowProgress(t.rt, 200, 64, 3);
  EXPECT_EQ(t.ui.progressUpdates(), 2);
  EXPECT_EQ(s.shownRow, 100);
}

TEST(RowProgress, LabelNamesTheStageThePosterizationPassAndThePaths) {
  struct Row {
    int stage;
    bool colorPass;
    int pass, passes, paths;
    int percent;  // of row 100 in an image 200 rows high, padded to 200 pixels
    const char* label;
  };
  const Row rows[] = {
      {msg::kOutliningLabel, false, 0, 0, 0, 50, "Outlining -"},
      {msg::kOutliningLabel, false, 0, 0, 1, 50, "Outlining - 1 path"},
      {msg::kCenterliningLabel, true, 2, 3, 12, 50, "Centerlining - 12 paths"},
      // Line recognition walks the columns too: the total is width + height.
      {msg::kLineRecognizingLabel, false, 0, 0, 2, 25, "Line Recognizing - 2 paths"},
      {msg::kPosterizingLabel, false, 2, 3, 0, 50, "Posterizing"},
      {msg::kPosterizingLabel, true, 2, 3, 0, 50, "Posterizing pass 2 of 3,"},
      {msg::kPosterizingLabel, true, 0, 3, 1, 50, "Posterizing pass 1 of 3, 1 path"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    BaseRuntime t;
    t.ui.useManualClock(0);
    t.state.stageLabel = std::int16_t(r.stage);
    t.state.colorPassActive = r.colorPass;
    t.state.posterizePass = r.pass;
    t.state.posterizePasses = r.passes;
    t.state.shownRow = kProgressForce;
    t.state.currentRow = 100;
    UpdateRowProgress(t.rt, 200, 200, r.paths);
    EXPECT_EQ(t.ui.lastPercent(), r.percent);
    EXPECT_EQ(t.ui.lastLabel(), r.label);
  }
}

TEST(ShowProgress, ABatchRunAddsTheFilesToGoLine) {
  const struct {
    bool batchRunning;
    int filesToGo;
    const char* line;
  } rows[] = {{false, -1, ""}, {false, 4, ""}, {true, -1, ""}, {true, 0, "Files to go: 0"},
              {true, 17, "Files to go: 17"}};
  for (const auto& r : rows) {
    BaseRuntime t;
    t.app.batchRunning = r.batchRunning;
    t.app.batchFilesToGo = r.filesToGo;
    ShowProgress(t.rt, 40, "Saving: a.art");
    EXPECT_EQ(t.ui.lastBatchLine, r.line) << r.batchRunning << " " << r.filesToGo;
    EXPECT_EQ(t.ui.lastLabel(), "Saving: a.art");
  }
}

}  // namespace
}  // namespace vl::base::test
