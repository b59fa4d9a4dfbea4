// The headless user interface: messages, scripted answers and defaults, progress, aborts, clock.
#include "platform/headless_ui.h"

#include <gtest/gtest.h>

#include <csignal>

namespace vl::platform {
namespace {

TEST(HeadlessUi, ScriptedAnswersThenSafeDefaultsAbortsReportedOnceAndTheClock) {
  HeadlessUi ui(nullptr);
  ui.showMessage("Insufficient memory to process image.");
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"Insufficient memory to process image."});
  ui.scriptAnswers({"yes", "ok", "no", "yes"});
  EXPECT_EQ(ui.askYesNo("a"), kAnswerYes);
  EXPECT_EQ(ui.askOkCancel("b"), kAnswerOk);
  EXPECT_EQ(ui.askYesNoCancel("c"), SaveAnswer::No);
  EXPECT_EQ(ui.askYesNoCancel("d"), SaveAnswer::Yes);
  EXPECT_EQ(ui.askYesNo("e"), kAnswerNo);  // an empty script never agrees
  EXPECT_EQ(ui.askOkCancel("f"), kAnswerCancel);
  EXPECT_EQ(ui.askYesNoCancel("g"), SaveAnswer::Cancel);
  EXPECT_EQ(ui.questions().size(), 7u);
  ui.clearMessages();
  EXPECT_TRUE(ui.messages().empty() && ui.questions().empty());

  ui.showProgress(30, "Outlining -", "");
  EXPECT_TRUE(ui.progressOpen() && ui.lastPercent() == 30 && ui.lastLabel() == "Outlining -");
  ui.closeProgress();
  EXPECT_TRUE(!ui.progressOpen() && ui.lastPercent() == -1);
  EXPECT_FALSE(ui.drainEvents());
  ui.requestAbort();
  EXPECT_TRUE(ui.drainEvents());
  EXPECT_FALSE(ui.drainEvents());  // reported once
  HeadlessUi::InstallInterruptHandler();  // Ctrl+C in a terminal is a Stop
  std::raise(SIGINT);
  EXPECT_TRUE(ui.drainEvents());
  EXPECT_FALSE(ui.drainEvents());
  EXPECT_EQ(ui.drains(), 5);
  ui.useManualClock(100);
  ui.advanceClock(25);
  EXPECT_EQ(ui.tickCount(), 125u);
}

}  // namespace
}  // namespace vl::platform
