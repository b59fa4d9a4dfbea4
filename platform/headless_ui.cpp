// Headless user interface: stderr, scripted answers, SIGINT as the Stop button.
#include "platform/headless_ui.h"

#include <chrono>
#include <csignal>
#include <unistd.h>

namespace vl::platform {

namespace {
// The one piece of state a signal handler may touch; it carries nothing but "Ctrl+C was pressed".
volatile std::sig_atomic_t g_interruptPending = 0;

void OnInterrupt(int) { g_interruptPending = 1; }
}  // namespace

void HeadlessUi::InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

HeadlessUi::HeadlessUi(std::FILE* stream)
    : stream_(stream), terminal_(stream != nullptr && ::isatty(::fileno(stream))) {}

void HeadlessUi::showMessage(std::string_view text) {
  messages_.emplace_back(text);
  if (stream_ == nullptr) return;
  if (progressOpen_ && terminal_) std::fputs("\r\033[K", stream_);
  std::fprintf(stream_, "Vectorlume: %.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stream_);
}

std::string HeadlessUi::takeAnswer(const char* fallback) {
  if (script_.empty()) return fallback;
  std::string answer = script_.front();
  script_.pop_front();
  return answer;
}

int HeadlessUi::askYesNo(std::string_view text) {
  questions_.emplace_back(text);
  std::string a = takeAnswer("no");
  if (stream_ != nullptr)
    std::fprintf(stream_, "Vectorlume: %.*s [%s]\n", static_cast<int>(text.size()), text.data(),
                 a.c_str());
  return a == "yes" || a == "ok" ? kAnswerYes : kAnswerNo;
}

int HeadlessUi::askOkCancel(std::string_view text) {
  questions_.emplace_back(text);
  std::string a = takeAnswer("cancel");
  if (stream_ != nullptr)
    std::fprintf(stream_, "Vectorlume: %.*s [%s]\n", static_cast<int>(text.size()), text.data(),
                 a.c_str());
  return a == "ok" || a == "yes" ? kAnswerOk : kAnswerCancel;
}

SaveAnswer HeadlessUi::askYesNoCancel(std::string_view text) {
  questions_.emplace_back(text);
  std::string a = takeAnswer("cancel");
  if (stream_ != nullptr)
    std::fprintf(stream_, "Vectorlume: %.*s [%s]\n", static_cast<int>(text.size()), text.data(),
                 a.c_str());
  if (a == "yes") return SaveAnswer::Yes;
  if (a == "no") return SaveAnswer::No;
  return SaveAnswer::Cancel;
}

void HeadlessUi::showProgress(int percent, std::string_view label, std::string_view batchLine) {
  lastPercent_ = percent;
  lastLabel_ = std::string(label);
  progressOpen_ = true;
  ++progressUpdates_;
  if (stream_ == nullptr || !terminal_) return;
  std::fprintf(stream_, "\r\033[K%.*s %3d%%", static_cast<int>(label.size()), label.data(), percent);
  if (!batchLine.empty())
    std::fprintf(stream_, "  %.*s", static_cast<int>(batchLine.size()), batchLine.data());
  std::fflush(stream_);
}

void HeadlessUi::closeProgress() {
  if (progressOpen_ && stream_ != nullptr && terminal_) {
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
  }
  progressOpen_ = false;
  lastPercent_ = -1;
  lastLabel_.clear();
}

bool HeadlessUi::drainEvents() {
  ++drains_;
  bool stop = abortPending_ || g_interruptPending != 0;
  abortPending_ = false;
  g_interruptPending = 0;
  return stop;
}

std::uint32_t HeadlessUi::tickCount() {
  if (manualClock_) return nowMs_;
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::tm HeadlessUi::localTime() {
  std::time_t now = std::time(nullptr);
  std::tm out{};
  localtime_r(&now, &out);
  return out;
}

void HeadlessUi::scriptAnswers(const std::vector<std::string>& answers) {
  script_.insert(script_.end(), answers.begin(), answers.end());
}

}  // namespace vl::platform
