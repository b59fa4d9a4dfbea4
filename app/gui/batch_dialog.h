// Batch conversion from the window: the Batch Select dialog that builds the list of files, the
// destination dialog that chooses where and in which art format the results go, and the loop
// that converts the list file by file through the batch core, with progress and Stop.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/batch.h"
#include "app/program.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vl::gui {

// The source file types the left list can show.
inline constexpr const char* kBatchFileTypes[] = {"*.TIF", "*.RVX", "*.PCX", "*.PNT"};

// The output formats offered, in the list's order.
struct BatchFormatEntry {
  const char* label;
  int saveFormat;
};
inline constexpr BatchFormatEntry kBatchFormats[] = {
    {"Morvo Graphiquant (*.gq)", 3},
    {"Graphiquant EPS (*.eps)", 3},
    {"Enhanced Metafile (*.emf)", 4},
    {"DXF (*.dxf)", 5},
};

// The entry the format list starts on for these preferences.
int BatchFormatIndex(const settings::Preferences& prefs);
// Sets saveFormat and epsPreview for entry `index`: the EPS entry keeps an earlier preview kind.
void ChooseBatchFormat(int index, settings::Preferences& prefs);

// The first name without its last extension that two entries share (compared exactly), in
// upper case; "" when every name differs.
std::string DuplicateBatchName(const std::vector<std::string>& list);

// Where the art of `input` goes: `folder` (the source's own folder when empty) and the file
// name with the extension of the preferences' format.
std::string BatchOutputPath(const std::string& input, const std::string& folder,
                            const settings::Preferences& prefs);

// The state the batch keeps while the program runs: the list (entries left by a stopped or
// cancelled run are shown again), the folder and type the left list shows, the destination.
struct BatchState {
  std::vector<std::string> list;  // full paths, in the order they were copied
  std::string sourceFolder;
  int fileType = 0;
  std::string destination;
};

class BatchSelectDialog : public QDialog {
  Q_OBJECT
 public:
  BatchSelectDialog(app::Program& program, BatchState& state, QWidget* parent = nullptr);
  // Begin Processing: the duplicate-name question, then the working preferences go live.
  void accept() override;
  // Cancel empties the list.
  void reject() override;
  void setSourceFolder(const QString& folder);
  settings::Preferences& workingPrefs() { return prefs_; }

 private:
  void relist();
  void copySelected();
  void refreshRight();
  void leftActivated(int row);

  app::Program& program_;
  BatchState& state_;
  settings::Preferences prefs_;  // the working copy the check boxes edit
  QComboBox* type_;
  QListWidget* left_;
  QListWidget* right_;
  QLabel* sourcePath_;
  QLabel* itemPath_;
  QLabel* count_;
  QCheckBox* toSource_;
  QCheckBox* replace_;
  QPushButton* remove_;
  QPushButton* selectAllRight_;
  QPushButton* begin_;
};

// "Batch Destination" (a folder and the format) or, when the results go beside their sources,
// "Save Batch Format" (the format only). Continue stores the folder as the destination.
class BatchDestinationDialog : public QDialog {
  Q_OBJECT
 public:
  BatchDestinationDialog(app::Program& program, BatchState& state, QWidget* parent = nullptr);
  void accept() override;

 private:
  app::Program& program_;
  BatchState& state_;
  bool toSource_;
  QComboBox* format_;
  QLineEdit* folder_ = nullptr;
};

// The answer to "A file already exists with the name:".
enum class ExistsAnswer { kOverwrite, kSkip, kCancel };

enum class BatchEnd { kFinished, kStopped, kCancelled, kFailed };
struct [[nodiscard]] BatchRunOutcome {
  BatchEnd end = BatchEnd::kFinished;
  int converted = 0, skipped = 0;
};

// Converts the list's entries in order, each taken off the list as it starts, with the live
// preferences and the settings in force. A Stop or a Cancel of the overwrite question leaves
// the unfinished entries on the list; a failed file ends the run after its message.
// `ask` answers the overwrite question; `fileDone` (optional) hears each finished entry.
BatchRunOutcome RunBatchList(app::Program& program, BatchState& state,
                             const std::function<ExistsAnswer(const std::string&)>& ask,
                             const std::function<void(const std::string&)>& fileDone = {});

// The overwrite question as a message box with Overwrite, Skip and Cancel.
ExistsAnswer AskOverwrite(QWidget* parent, const std::string& output);

}  // namespace vl::gui

namespace vl::gui {

// The Batch Select command: the list, the destination, the run; back to the list after a
// Stop, a Cancel of the overwrite question or a failed file, with the remaining entries.
void RunBatchCommand(app::Program& program, BatchState& state, QWidget* parent);

}  // namespace vl::gui
