// The preference dialogs of the File menu: General (four options), Scratch Disk (where scratch
// files go) and the plug-in folder. Each edits a working copy of the preferences record; OK
// makes it the record in force, which the window writes to the preferences file at exit.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <string>
#include <vector>

#include "app/program.h"

class QCheckBox;
class QListWidget;

namespace vl::gui {

class GeneralPreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  GeneralPreferencesDialog(app::Program& program, QWidget* parent = nullptr);
  void accept() override;

 private:
  void savePositionsToggled(bool on);

  app::Program& program_;
  settings::Preferences prefs_;  // the working copy
  QCheckBox* savePositions_;
};

// The dialog and palette slots the position reset clears.
constexpr int kResetWindowSlots = 18;

// The folders offered for scratch files: the system's temporary folder first, then the home
// folder and the writable local disks, each once.
std::vector<std::string> ScratchCandidates();

class ScratchDiskDialog : public QDialog {
  Q_OBJECT
 public:
  // `imageOpen`: the open document may hold scratch files, so the folder changes at the next
  // start instead of now.
  ScratchDiskDialog(app::Program& program, bool imageOpen, QWidget* parent = nullptr);
  void accept() override;

 private:
  app::Program& program_;
  bool imageOpen_;
  std::vector<std::string> candidates_;
  QListWidget* list_;
};

// "Select Plugin Directory": the folder of the chosen file becomes the plug-in folder from the
// next start on.
class PluginFolderDialog : public QFileDialog {
  Q_OBJECT
 public:
  PluginFolderDialog(app::Program& program, QWidget* parent = nullptr);
  void accept() override;

 private:
  app::Program& program_;
};

// Copies `folder` into a fixed preferences field; false, and nothing changed, when it is too
// long to be kept there.
bool StoreFolder(const std::string& folder, char (&field)[settings::kFolderBytes]);

}  // namespace vl::gui
