// The preference dialogs.
#include "app/gui/preferences_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "app/user_preferences.h"
#include "base/message_table.h"
#include "platform/scratch_folder.h"

namespace vl::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

void SetBit(std::uint8_t& flags, std::uint8_t bit, bool on) {
  flags = std::uint8_t(on ? flags | bit : flags & ~bit);
}

QCheckBox* FlagBox(QWidget* parent, const char* name, const char* text, std::uint8_t& flags,
                   std::uint8_t bit) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(flags & bit);
  QObject::connect(box, &QCheckBox::toggled, parent,
                   [&flags, bit](bool on) { SetBit(flags, bit, on); });
  return box;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

bool StoreFolder(const std::string& folder, char (&field)[settings::kFolderBytes]) {
  if (folder.size() >= settings::kFolderBytes) return false;
  std::memset(field, 0, sizeof field);
  std::memcpy(field, folder.data(), folder.size());
  return true;
}

// ---- General --------------------------------------------------------------------------------

GeneralPreferencesDialog::GeneralPreferencesDialog(app::Program& program, QWidget* parent)
    : QDialog(parent), program_(program), prefs_(program.livePrefs) {
  setObjectName(QStringLiteral("generalPreferences"));
  setWindowTitle(QStringLiteral("General Preferences"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FlagBox(this, "beep", "Beep After Conversions", prefs_.prefFlagsA,
                            settings::kBeepAfterConversions));
  layout->addWidget(FlagBox(this, "restoreSettings", "Restore Selected Settings on Startup",
                            prefs_.prefFlagsA, settings::kRestoreSelectedSettings));
  savePositions_ = FlagBox(this, "savePositions", "Save Dialog Box and Window Positions",
                           prefs_.prefFlagsB, settings::kSaveWindowPositions);
  layout->addWidget(savePositions_);
  layout->addWidget(FlagBox(this, "eliminateHidden", "Eliminate Hidden Paths", prefs_.prefFlagsB,
                            settings::kEliminateHiddenPaths));
  layout->addWidget(OkCancel(this));
  connect(savePositions_, &QCheckBox::toggled, this,
          &GeneralPreferencesDialog::savePositionsToggled);
}

void GeneralPreferencesDialog::savePositionsToggled(bool on) {
  if (!on) return;
  if (program_.ui->askYesNo(msg::Text(msg::kReusePositionsQuestion)) == platform::kAnswerYes)
    return;
  // The reset is immediate, in both copies, whatever becomes of the dialog.
  for (settings::Preferences* p : {&prefs_, &program_.livePrefs})
    std::fill_n(p->windowPositions, kResetWindowSlots, settings::WindowPosition{});
  program_.ui->showMessage(msg::Text(msg::kPositionsReset));
}

void GeneralPreferencesDialog::accept() {
  program_.livePrefs = prefs_;
  QDialog::accept();
}

// ---- Scratch disk ---------------------------------------------------------------------------

std::vector<std::string> ScratchCandidates() {
  std::vector<std::string> out;
  const auto add = [&out](const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isWritable()) return;
    const std::string path = QDir(folder).absolutePath().toStdString();
    if (std::find(out.begin(), out.end(), path) == out.end()) out.push_back(path);
  };
  add(QString::fromStdString(platform::DefaultScratchBase()));
  add(QDir::homePath());
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    // Disks only: not the kernel's own file systems, not read-only media.
    if (!volume.isValid() || !volume.isReady() || volume.isReadOnly()) continue;
    if (!volume.device().startsWith("/dev/")) continue;
    add(volume.rootPath());
  }
  return out;
}

ScratchDiskDialog::ScratchDiskDialog(app::Program& program, bool imageOpen, QWidget* parent)
    : QDialog(parent), program_(program), imageOpen_(imageOpen),
      candidates_(ScratchCandidates()) {
  setObjectName(QStringLiteral("scratchDisk"));
  setWindowTitle(QStringLiteral("Scratch Disk Preferences"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select a scratch disk for Vectorlume:"), this));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("scratchDisks"));
  const std::string current = program_.livePrefs.scratchFolder;
  int selected = 0;
  for (std::size_t i = 0; i < candidates_.size(); ++i) {
    list_->addItem(QString::fromStdString(candidates_[i]));
    if (candidates_[i] == current) selected = int(i);
  }
  list_->setCurrentRow(selected);
  layout->addWidget(list_);
  layout->addWidget(new QLabel(QStringLiteral("Note: Changes take effect immediately."), this));
  layout->addWidget(OkCancel(this));
}

void ScratchDiskDialog::accept() {
  const int row = list_->currentRow();
  if (row < 0 || row >= int(candidates_.size())) {
    QDialog::accept();
    return;
  }
  if (!StoreFolder(candidates_[std::size_t(row)], program_.livePrefs.scratchFolder)) {
    program_.ui->showMessage(msg::Text(msg::kFolderNameTooLong));
    return;
  }
  const std::string folder = platform::ProcessScratchFolder(app::ScratchBaseFor(program_.livePrefs));
  if (!imageOpen_ && folder != program_.scratchFolder) {
    platform::RemoveScratchFolder(program_.scratchFolder);
    program_.scratchFolder = folder;
  }
  QDialog::accept();
}

// ---- Plug-in folder -------------------------------------------------------------------------

PluginFolderDialog::PluginFolderDialog(app::Program& program, QWidget* parent)
    : QFileDialog(parent), program_(program) {
  setObjectName(QStringLiteral("pluginFolder"));
  setOption(QFileDialog::DontUseNativeDialog);
  setWindowTitle(QStringLiteral("Select Plugin Directory"));
  setNameFilter(QStringLiteral("Acquire (*.VXA)"));
  setFileMode(QFileDialog::AnyFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  const QString start = QString::fromUtf8(program_.livePrefs.pluginFolder);
  setDirectory(start.isEmpty() || !QFileInfo(start).isDir() ? QDir::homePath() : start);
  selectFile(QStringLiteral("foo.VXA"));
  auto* note = new QLabel(Q(msg::Text(msg::kPluginFolderNote)), this);
  note->setObjectName(QStringLiteral("note"));
  note->setWordWrap(true);
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(note, grid->rowCount(), 0, 1, grid->columnCount());
}

void PluginFolderDialog::accept() {
  const QStringList chosen = selectedFiles();
  if (chosen.isEmpty()) return;
  const std::string folder = QFileInfo(chosen.first()).absolutePath().toStdString();
  if (!QFileInfo(QString::fromStdString(folder)).isDir()) return;
  if (!StoreFolder(folder, program_.livePrefs.pluginFolder)) {
    program_.ui->showMessage(msg::Text(msg::kFolderNameTooLong));
    return;
  }
  QDialog::accept();
}

}  // namespace vl::gui
