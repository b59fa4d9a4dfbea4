// The headless user interface: recorded messages, scripted and default answers, progress,
// the abort drain and the manual clock.
#include "platform/headless_ui.h"

#include <gtest/gtest.h>

#include <csignal>

namespace vl::platform {
namespace {

TEST(HeadlessUi, QuestionsTakeScriptedAnswersThenTheSafeDefault) {
  HeadlessUi ui(nullptr);
  ui.showMessage("Insufficient memory to process image.");
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0], "Insufficient memory to process image.");

  ui.scriptAnswers({"yes", "ok", "no", "yes"});
  EXPECT_EQ(ui.askYesNo("a"), kAnswerYes);
  EXPECT_EQ(ui.askOkCancel("b"), kAnswerOk);
  EXPECT_EQ(ui.askYesNoCancel("c"), SaveAnswer::No);
  EXPECT_EQ(ui.askYesNoCancel("d"), SaveAnswer::Yes);
  // An empty script never agrees: No, Cancel, Cancel.
  EXPECT_EQ(ui.askYesNo("e"), kAnswerNo);
  EXPECT_EQ(ui.askOkCancel("f"), kAnswerCancel);
  EXPECT_EQ(ui.askYesNoCancel("g"), SaveAnswer::Cancel);
  EXPECT_EQ(ui.questions().size(), 7u);
  ui.clearMessages();
  EXPECT_TRUE(ui.messages().empty() && ui.questions().empty());
}

TEST(HeadlessUi, ProgressDrainAndClock) {
  HeadlessUi ui(nullptr);
  ui.showProgress(30, "Outlining -", -1);
  EXPECT_TRUE(ui.progressOpen());
  EXPECT_EQ(ui.lastPercent(), 30);
  EXPECT_EQ(ui.lastLabel(), "Outlining -");
  ui.closeProgress();
  EXPECT_FALSE(ui.progressOpen());
  EXPECT_EQ(ui.lastPercent(), -1);

  EXPECT_FALSE(ui.drainEvents());
  ui.requestAbort();
  EXPECT_TRUE(ui.drainEvents());
  EXPECT_FALSE(ui.drainEvents());  // reported once
  HeadlessUi::InstallInterruptHandler();
  std::raise(SIGINT);
  EXPECT_TRUE(ui.drainEvents());
  EXPECT_FALSE(ui.drainEvents());
  EXPECT_EQ(ui.drains(), 5);

  ui.useManualClock(100);
  EXPECT_EQ(ui.tickCount(), 100u);
  ui.advanceClock(25);
  EXPECT_EQ(ui.tickCount(), 125u);
}

}  // namespace
}  // namespace vl::platform
