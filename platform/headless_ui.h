// Terminal and test backend of the user interface.
//  - Messages go to stderr as "Vectorlume: <text>" lines and are also kept in messages().
//  - Questions take their answers from a script given by the caller, in order. When the script
//    is empty the box's default button answers: Cancel for OK/Cancel and for Yes/No/Cancel,
//    No for Yes/No. An unattended run therefore never agrees to anything it was not told to.
//  - Progress is one line rewritten in place, only when stderr is a terminal.
//  - SIGINT (Ctrl+C) requests an abort; drainEvents() reports it once.
//  - The clock is real unless a test switches to a manual one and advances it.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace vl::platform {

class HeadlessUi : public UserInterface {
 public:
  // stream: where message lines go (stderr by default; tests pass nullptr to stay quiet).
  explicit HeadlessUi(std::FILE* stream = stderr);

  void showMessage(std::string_view text) override;
  int askYesNo(std::string_view text) override;
  int askOkCancel(std::string_view text) override;
  SaveAnswer askYesNoCancel(std::string_view text) override;
  void showProgress(int percent, std::string_view label, std::string_view batchLine) override;
  void closeProgress() override;
  bool drainEvents() override;
  std::uint32_t tickCount() override;
  std::tm localTime() override;
  void beep() override { ++beeps_; }

  // Scripted answers: "yes", "no", "ok", "cancel". Each question consumes one.
  void scriptAnswers(const std::vector<std::string>& answers);
  const std::vector<std::string>& messages() const { return messages_; }
  const std::vector<std::string>& questions() const { return questions_; }
  void clearMessages() { messages_.clear(); questions_.clear(); }

  // Progress as the backend saw it (for tests): the last percent and label, and whether open.
  int lastPercent() const { return lastPercent_; }
  const std::string& lastLabel() const { return lastLabel_; }
  bool progressOpen() const { return progressOpen_; }
  int progressUpdates() const { return progressUpdates_; }
  int beeps() const { return beeps_; }

  // Test hooks: a manual clock, and an abort request as if the user pressed Stop.
  void useManualClock(std::uint32_t startMs) { manualClock_ = true; nowMs_ = startMs; }
  void advanceClock(std::uint32_t ms) { nowMs_ += ms; }
  void requestAbort() { abortPending_ = true; }
  int drains() const { return drains_; }

  // Installs the SIGINT handler (the CLI calls it once; tests may raise SIGINT themselves).
  static void InstallInterruptHandler();

 private:
  std::string takeAnswer(const char* fallback);

  std::FILE* stream_;
  bool terminal_;
  std::deque<std::string> script_;
  std::vector<std::string> messages_;
  std::vector<std::string> questions_;
  int lastPercent_ = -1;
  std::string lastLabel_;
  bool progressOpen_ = false;
  int progressUpdates_ = 0;
  int beeps_ = 0;
  bool manualClock_ = false;
  std::uint32_t nowMs_ = 0;
  bool abortPending_ = false;
  int drains_ = 0;
};

}  // namespace vl::platform
