// The abort poll and the progress throttles, on the headless UI's manual clock.
#include "engine/progress.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "app/message_table.h"
#include "tests/engine/engine_test_runtime.h"

namespace vl::engine {
namespace {

using test::TestRuntime;

TEST(PollAbort, DrainsAtMostEvery60MsAndKeepsAnAbort) {
  TestRuntime t;
  t.ui.useManualClock(0xFFFFFFC0u);  // the tick count wraps during the test
  EXPECT_EQ(PollAbort(t.rt), 0);
  EXPECT_EQ(t.ui.drains(), 1);
  t.ui.advanceClock(59);
  t.ui.requestAbort();
  EXPECT_EQ(PollAbort(t.rt), 0);  // too early: the request waits in the queue
  EXPECT_EQ(t.ui.drains(), 1);
  t.ui.advanceClock(1);
  EXPECT_EQ(PollAbort(t.rt), 1);
  EXPECT_EQ(t.ui.drains(), 2);
  t.ui.advanceClock(500);
  EXPECT_EQ(PollAbort(t.rt), 1);  // once set, no more draining
  EXPECT_EQ(t.ui.drains(), 2);
}

TEST(PollAbort, InterruptSignalRequestsAnAbort) {
  TestRuntime t;
  t.ui.useManualClock(0);
  platform::HeadlessUi::InstallInterruptHandler();
  EXPECT_EQ(PollAbort(t.rt), 0);
  std::raise(SIGINT);
  t.ui.advanceClock(60);
  EXPECT_EQ(PollAbort(t.rt), 1);
  EXPECT_EQ(t.state.abortRequested, 1);
}

TEST(Progress, RowProgressThrottlesSuppressesAndLabels) {
  TestRuntime t;
  t.ui.useManualClock(1000);
  ConversionState& s = t.state;
  const std::string outlining(msg::Text(msg::kOutliningLabel));
  s.stageLabel = msg::kOutliningLabel;

  UpdateRowProgress(t.rt, 200, 64, 0);  // reporting is off until a stage forces it on
  EXPECT_EQ(t.ui.progressUpdates(), 0);

  s.shownRow = kProgressForce;
  s.currentRow = 10;
  UpdateRowProgress(t.rt, 200, 64, 1);
  EXPECT_EQ(t.ui.progressUpdates(), 1);
  EXPECT_EQ(t.ui.lastPercent(), 5);
  EXPECT_EQ(t.ui.lastLabel(), outlining + " 1 path");
  EXPECT_EQ(s.shownRow, 10);

  s.currentRow = 100;
  t.ui.advanceClock(29);
  UpdateRowProgress(t.rt, 200, 64, 2);  // within 30 ms of the last report
  EXPECT_EQ(t.ui.progressUpdates(), 1);
  t.ui.advanceClock(1);
  UpdateRowProgress(t.rt, 200, 64, 2);
  EXPECT_EQ(t.ui.lastPercent(), 50);
  EXPECT_EQ(t.ui.lastLabel(), outlining + " 2 paths");

  s.currentRow = 101;  // still 50 %: nothing to redraw
  t.ui.advanceClock(100);
  UpdateRowProgress(t.rt, 200, 64, 3);
  EXPECT_EQ(t.ui.progressUpdates(), 2);
  EXPECT_EQ(s.shownRow, 100);

  // Line recognition counts columns and rows.
  s.stageLabel = msg::kLineRecognizingLabel;
  s.currentRow = 198;
  UpdateRowProgress(t.rt, 200, 64, 0);
  EXPECT_EQ(t.ui.lastPercent(), 75);  // 198 of 64 + 200
  EXPECT_EQ(t.ui.lastLabel(), std::string(msg::Text(msg::kLineRecognizingLabel)));

  s.shownRow = kProgressOff;
  s.currentRow = 200;
  t.ui.advanceClock(100);
  UpdateRowProgress(t.rt, 200, 64, 0);
  EXPECT_EQ(t.ui.lastPercent(), 75);
}

TEST(Progress, ShowProgressRedrawsOnlyNewPercentagesAndCloses) {
  TestRuntime t;
  ShowProgress(t.rt, 40, "Outlining -");
  EXPECT_TRUE(t.ui.progressOpen());
  EXPECT_EQ(t.ui.progressUpdates(), 1);
  ShowProgress(t.rt, 40, "Outlining - 3 paths");
  ShowProgress(t.rt, 101, "x");
  ShowProgress(t.rt, -1, "x");
  EXPECT_EQ(t.ui.progressUpdates(), 1);
  ShowProgress(t.rt, 0, "");
  EXPECT_FALSE(t.ui.progressOpen());
  ShowProgress(t.rt, 40, "Again");  // the last percentage was forgotten
  EXPECT_TRUE(t.ui.progressOpen());
  EXPECT_EQ(t.ui.lastLabel(), "Again");
  EXPECT_EQ(t.ui.progressUpdates(), 2);
}

}  // namespace
}  // namespace vl::engine
