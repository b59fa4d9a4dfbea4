// The one door between the core and the person at the keyboard: message boxes, questions,
// the progress window, the abort drain, the clock. The core never includes a GUI header;
// the terminal and the tests use HeadlessUi, the window a Qt backend.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace vl::platform {

// Answer codes as the shell expects them from its question boxes.
constexpr int kAnswerYes = 1;     // Yes/No box
constexpr int kAnswerNo = 3;      // Yes/No box
constexpr int kAnswerOk = 3;      // OK/Cancel box (Cancel is its default button)
constexpr int kAnswerCancel = 1;  // OK/Cancel box
enum class SaveAnswer { Yes, No, Cancel };  // the save prompts' Yes/No/Cancel box

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Exclamation box titled with the product name, one OK button.
  virtual void showMessage(std::string_view text) = 0;
  // "Question" box: kAnswerYes or kAnswerNo.
  virtual int askYesNo(std::string_view text) = 0;
  // OK/Cancel box: kAnswerOk or kAnswerCancel.
  virtual int askOkCancel(std::string_view text) = 0;
  // Yes/No/Cancel box of the save prompts.
  virtual SaveAnswer askYesNoCancel(std::string_view text) = 0;

  // Progress window: shows or updates the bar. The throttling rules live in the engine;
  // the backend only draws. A non-empty batchLine ("Files to go: 3") is shown with the bar.
  virtual void showProgress(int percent, std::string_view label, std::string_view batchLine) = 0;
  virtual void closeProgress() = 0;

  // Handles pending window events; true when the user asked to stop since the last call
  // (Escape, the close command, the "Stop" button, SIGINT in a terminal).
  virtual bool drainEvents() = 0;

  virtual std::uint32_t tickCount() = 0;  // milliseconds, wrapping
  virtual std::tm localTime() = 0;
  virtual void beep() = 0;
};

}  // namespace vl::platform
