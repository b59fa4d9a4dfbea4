// The window's backend of the user-interface door: message boxes and questions as Qt dialogs,
// the progress window with its "Stop" button, and the event drain that keeps the window alive
// while a long operation runs on the one thread.
#pragma once

#include <QElapsedTimer>
#include <QDialog>
#include <QPointer>

#include "platform/user_interface.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace vl::gui {

class QtUi : public platform::UserInterface {
 public:
  QtUi();
  ~QtUi() override;

  // The window the boxes belong to (may be null before it exists).
  void setParentWidget(QWidget* parent) { parent_ = parent; }

  void showMessage(std::string_view text) override;
  int askYesNo(std::string_view text) override;
  int askOkCancel(std::string_view text) override;
  platform::SaveAnswer askYesNoCancel(std::string_view text) override;
  void showProgress(int percent, std::string_view label, std::string_view batchLine) override;
  void closeProgress() override;
  bool drainEvents() override;
  std::uint32_t tickCount() override;
  std::tm localTime() override;
  void beep() override;

  // The user asked to stop (Stop, Escape in the progress window, or the window's close while
  // busy); drainEvents() reports it once.
  void requestStop() { stopRequested_ = true; }
  QDialog* progressWindow() const { return progress_; }

 private:
  QWidget* parent_ = nullptr;
  QPointer<QDialog> progress_;
  QLabel* label_ = nullptr;
  QLabel* batchLine_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QElapsedTimer clock_;
  bool stopRequested_ = false;
};

}  // namespace vl::gui
