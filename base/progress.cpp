// Progress window throttling and the abort poll.
#include "base/progress.h"

#include <string>

#include "base/message_table.h"

namespace vl::base {

namespace {
constexpr std::uint32_t kDrainIntervalMs = 60;
constexpr std::uint32_t kProgressIntervalMs = 30;
}  // namespace

void ShowMessage(Runtime& rt, int number) { rt.ui.showMessage(msg::Text(number)); }

void ShowFailure(Runtime& rt, int number) {
  ShowMessage(rt, number);
  RecordFailure(rt.state, number);
}

int PollAbort(Runtime& rt) {
  ConversionState& s = rt.state;
  if (s.abortRequested) return s.abortRequested;
  std::uint32_t now = rt.ui.tickCount();
  if (!s.drainedOnce || now - s.lastDrainTick >= kDrainIntervalMs) {
    s.drainedOnce = true;
    s.lastDrainTick = now;
    if (rt.ui.drainEvents()) s.abortRequested = 1;
  }
  return s.abortRequested;
}

void ShowProgress(Runtime& rt, int percent, std::string_view label) {
  ConversionState& s = rt.state;
  if (percent == 0 && label.empty()) {
    if (s.progressWindowOpen) rt.ui.closeProgress();
    s.progressWindowOpen = false;
    s.lastShownPercent = -1;
    return;
  }
  if (percent == s.lastShownPercent || percent < 0 || percent > 100) return;
  s.lastShownPercent = percent;
  s.progressWindowOpen = true;
  std::string batchLine;
  if (rt.app.batchRunning && rt.app.batchFilesToGo >= 0)
    batchLine = std::string(msg::Text(msg::kFilesToGo)) + " " +
                std::to_string(rt.app.batchFilesToGo);
  rt.ui.showProgress(percent, label, batchLine);
}

void UpdateRowProgress(Runtime& rt, int height, int paddedWidth, int pathCount) {
  ConversionState& s = rt.state;
  if (s.shownRow == kProgressOff) return;
  std::uint32_t now = rt.ui.tickCount();
  if (s.progressReportedOnce && now - s.lastProgressTick < kProgressIntervalMs) return;
  long total = s.stageLabel == msg::kLineRecognizingLabel ? long(paddedWidth) + height : height;
  if (total <= 0) return;
  long p = long(s.currentRow) * 100 / total;
  long q = long(s.shownRow) * 100 / total;
  if (s.stageLabel != 0 && p == q) return;
  s.progressReportedOnce = true;
  s.lastProgressTick = now;

  std::string label(msg::Text(s.stageLabel));
  if (s.stageLabel == msg::kPosterizingLabel && s.colorPassActive) {
    label += msg::Format(msg::kPassOfPasses, s.posterizePass < 1 ? 1 : s.posterizePass,
                         s.posterizePasses);
  }
  if (pathCount != 0) {
    label += ' ' + std::to_string(pathCount) + ' ';
    label += msg::Text(pathCount == 1 ? msg::kPathWord : msg::kPathsWord);
  }
  ShowProgress(rt, static_cast<int>(p), label);
  s.shownRow = s.currentRow;
}

}  // namespace vl::base
