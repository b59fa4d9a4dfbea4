// The batch dialogs and the window's batch loop.
#include "app/gui/batch_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <sys/stat.h>

#include "app/document_names.h"
#include "app/user_preferences.h"
#include "base/message_table.h"

namespace vl::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
QString Text(int number) { return Q(msg::Text(number)); }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// A folder entry of the left list is shown in brackets; its data is the folder's path.
constexpr int kIsFolderRole = Qt::UserRole + 1;

// The source types match their extension in any case; "*.TIF" also takes ".tiff".
bool MatchesType(const QString& name, int type) {
  const QString ext = QFileInfo(name).suffix().toLower();
  switch (type) {
    case 0: return ext == QLatin1String("tif") || ext == QLatin1String("tiff");
    case 1: return ext == QLatin1String("rvx");
    case 2: return ext == QLatin1String("pcx");
    case 3: return ext == QLatin1String("pnt");
    default: return false;
  }
}

QString FolderWithSlash(QString folder) {
  if (!folder.endsWith('/')) folder += '/';
  return folder;
}

}  // namespace

int BatchFormatIndex(const settings::Preferences& prefs) {
  switch (prefs.saveFormat) {
    case 3: return prefs.epsPreview != 0 ? 1 : 0;
    case 4: return 2;
    case 5: return 3;
    default: return 0;
  }
}

void ChooseBatchFormat(int index, settings::Preferences& prefs) {
  const int count = int(std::size(kBatchFormats));
  index = std::clamp(index, 0, count - 1);
  prefs.saveFormat = std::int16_t(kBatchFormats[index].saveFormat);
  if (index == 0) prefs.epsPreview = 0;
  if (index == 1 && prefs.epsPreview == 0) prefs.epsPreview = 1;
}

std::string DuplicateBatchName(const std::vector<std::string>& list) {
  std::vector<std::string> stems;
  for (const std::string& path : list) {
    std::string name(app::FileNamePart(path));
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    stems.push_back(std::move(name));
  }
  for (std::size_t i = 0; i < stems.size(); ++i)
    for (std::size_t j = i + 1; j < stems.size(); ++j)
      if (stems[i] == stems[j]) return QString::fromStdString(stems[i]).toUpper().toStdString();
  return {};
}

std::string BatchOutputPath(const std::string& input, const std::string& folder,
                            const settings::Preferences& prefs) {
  const QFileInfo info(QString::fromStdString(input));
  const QString where = folder.empty() ? info.absolutePath() : QString::fromStdString(folder);
  const std::string name = app::ReplaceExtension(
      app::FileNamePart(input), app::ExtensionForFormat(app::PreferredFormat(prefs)));
  return (FolderWithSlash(where) + QString::fromStdString(name)).toStdString();
}

// ---- Batch Select -------------------------------------------------------------------------

BatchSelectDialog::BatchSelectDialog(app::Program& program, BatchState& state, QWidget* parent)
    : QDialog(parent), program_(program), state_(state), prefs_(program.livePrefs) {
  setObjectName(QStringLiteral("batchSelect"));
  setWindowTitle(QStringLiteral("Batch Select"));
  auto* grid = new QGridLayout(this);

  // Left: the source folder's entries.
  auto* leftBox = new QVBoxLayout;
  leftBox->addWidget(new QLabel(QStringLiteral("Files to Select"), this));
  type_ = new QComboBox(this);
  type_->setObjectName(QStringLiteral("fileType"));
  for (const char* t : kBatchFileTypes) type_->addItem(QString::fromLatin1(t));
  type_->setCurrentIndex(std::clamp(state_.fileType, 0, type_->count() - 1));
  leftBox->addWidget(type_);
  left_ = new QListWidget(this);
  left_->setObjectName(QStringLiteral("filesToSelect"));
  left_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  leftBox->addWidget(left_);
  sourcePath_ = new QLabel(this);
  sourcePath_->setObjectName(QStringLiteral("sourcePath"));
  sourcePath_->setWordWrap(true);
  leftBox->addWidget(sourcePath_);
  auto* selectAllLeft = new QPushButton(QStringLiteral("Select All"), this);
  selectAllLeft->setObjectName(QStringLiteral("selectAllLeft"));
  leftBox->addWidget(selectAllLeft);
  grid->addLayout(leftBox, 0, 0);

  auto* copy = new QPushButton(QStringLiteral("Copy >>"), this);
  copy->setObjectName(QStringLiteral("copy"));
  grid->addWidget(copy, 0, 1, Qt::AlignVCenter);

  // Right: the files to process.
  auto* rightBox = new QVBoxLayout;
  rightBox->addWidget(new QLabel(QStringLiteral("Files to Process"), this));
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("count"));
  rightBox->addWidget(count_);
  right_ = new QListWidget(this);
  right_->setObjectName(QStringLiteral("filesToProcess"));
  right_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rightBox->addWidget(right_);
  itemPath_ = new QLabel(this);
  itemPath_->setObjectName(QStringLiteral("itemPath"));
  itemPath_->setWordWrap(true);
  rightBox->addWidget(itemPath_);
  auto* rightButtons = new QHBoxLayout;
  remove_ = new QPushButton(QStringLiteral("Remove"), this);
  remove_->setObjectName(QStringLiteral("remove"));
  selectAllRight_ = new QPushButton(QStringLiteral("Select All"), this);
  selectAllRight_->setObjectName(QStringLiteral("selectAllRight"));
  auto* clear = new QPushButton(QStringLiteral("Clear"), this);
  clear->setObjectName(QStringLiteral("clear"));
  rightButtons->addWidget(remove_);
  rightButtons->addWidget(selectAllRight_);
  rightButtons->addWidget(clear);
  rightBox->addLayout(rightButtons);
  grid->addLayout(rightBox, 0, 2);

  toSource_ = new QCheckBox(QStringLiteral("Batch Output To Source Folder"), this);
  toSource_->setObjectName(QStringLiteral("toSource"));
  toSource_->setChecked(prefs_.prefFlagsA & settings::kBatchOutputToSource);
  replace_ = new QCheckBox(QStringLiteral("Replace Files With Same Name"), this);
  replace_->setObjectName(QStringLiteral("replace"));
  replace_->setChecked(prefs_.prefFlagsB & settings::kBatchReplaceFiles);
  grid->addWidget(toSource_, 1, 0, 1, 3);
  grid->addWidget(replace_, 2, 0, 1, 3);

  auto* buttons = new QDialogButtonBox(this);
  begin_ = buttons->addButton(QStringLiteral("Begin Processing"), QDialogButtonBox::AcceptRole);
  begin_->setObjectName(QStringLiteral("begin"));
  buttons->addButton(QDialogButtonBox::Cancel);
  grid->addWidget(buttons, 3, 0, 1, 3);

  connect(type_, &QComboBox::currentIndexChanged, this, [this](int i) {
    state_.fileType = i;
    relist();
  });
  connect(left_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { leftActivated(left_->row(item)); });
  connect(selectAllLeft, &QPushButton::clicked, this, [this] {
    for (int i = 0; i < left_->count(); ++i)
      left_->item(i)->setSelected(!left_->item(i)->data(kIsFolderRole).toBool());
  });
  connect(copy, &QPushButton::clicked, this, &BatchSelectDialog::copySelected);
  connect(remove_, &QPushButton::clicked, this, [this] {
    std::vector<std::string> kept;
    for (int i = 0; i < right_->count(); ++i)
      if (!right_->item(i)->isSelected()) kept.push_back(state_.list[std::size_t(i)]);
    state_.list = std::move(kept);
    refreshRight();
  });
  connect(selectAllRight_, &QPushButton::clicked, this, [this] { right_->selectAll(); });
  connect(clear, &QPushButton::clicked, this, [this] {
    state_.list.clear();
    refreshRight();
  });
  connect(right_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> chosen = right_->selectedItems();
    itemPath_->setText(QStringLiteral("Item Path: ") +
                       (chosen.size() == 1 ? QFileInfo(chosen.first()->toolTip()).absolutePath()
                                           : QString()));
    remove_->setEnabled(!chosen.isEmpty());
  });
  connect(toSource_, &QCheckBox::toggled, this, [this](bool on) {
    prefs_.prefFlagsA = std::uint8_t(on ? prefs_.prefFlagsA | settings::kBatchOutputToSource
                                        : prefs_.prefFlagsA & ~settings::kBatchOutputToSource);
  });
  connect(replace_, &QCheckBox::toggled, this, [this](bool on) {
    prefs_.prefFlagsB = std::uint8_t(on ? prefs_.prefFlagsB | settings::kBatchReplaceFiles
                                        : prefs_.prefFlagsB & ~settings::kBatchReplaceFiles);
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &BatchSelectDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &BatchSelectDialog::reject);

  // The program's own folder holds no images here: the list starts where the user works.
  if (state_.sourceFolder.empty()) state_.sourceFolder = QDir::currentPath().toStdString();
  setSourceFolder(QString::fromStdString(state_.sourceFolder));
  refreshRight();
  resize(640, 420);
}

void BatchSelectDialog::setSourceFolder(const QString& folder) {
  state_.sourceFolder = QDir(folder).absolutePath().toStdString();
  relist();
}

void BatchSelectDialog::relist() {
  left_->clear();
  const QDir dir(QString::fromStdString(state_.sourceFolder));
  sourcePath_->setText(QStringLiteral("Source Path: ") + FolderWithSlash(dir.absolutePath()));
  if (!dir.isRoot()) {
    auto* up = new QListWidgetItem(QStringLiteral("[..]"), left_);
    up->setData(kIsFolderRole, true);
    up->setData(Qt::UserRole, QFileInfo(dir.absolutePath()).absolutePath());
  }
  const QFileInfoList entries =
      dir.entryInfoList(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Readable,
                        QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& e : entries) {
    if (e.isDir()) {
      auto* item = new QListWidgetItem(QLatin1Char('[') + e.fileName() + QLatin1Char(']'), left_);
      item->setData(kIsFolderRole, true);
      item->setData(Qt::UserRole, e.absoluteFilePath());
    } else if (MatchesType(e.fileName(), type_->currentIndex())) {
      auto* item = new QListWidgetItem(e.fileName(), left_);
      item->setData(kIsFolderRole, false);
      item->setData(Qt::UserRole, e.absoluteFilePath());
    }
  }
}

void BatchSelectDialog::leftActivated(int row) {
  QListWidgetItem* item = left_->item(row);
  if (!item) return;
  if (item->data(kIsFolderRole).toBool()) {
    setSourceFolder(item->data(Qt::UserRole).toString());
    return;
  }
  left_->clearSelection();
  item->setSelected(true);
  copySelected();
}

void BatchSelectDialog::copySelected() {
  for (int i = 0; i < left_->count(); ++i) {
    const QListWidgetItem* item = left_->item(i);
    if (!item->isSelected() || item->data(kIsFolderRole).toBool()) continue;
    const std::string path = item->data(Qt::UserRole).toString().toStdString();
    if (std::find(state_.list.begin(), state_.list.end(), path) == state_.list.end())
      state_.list.push_back(path);
  }
  refreshRight();
}

void BatchSelectDialog::refreshRight() {
  right_->clear();
  for (const std::string& path : state_.list) {
    auto* item = new QListWidgetItem(Q(app::FileNamePart(path)), right_);
    item->setToolTip(QString::fromStdString(path));
  }
  const int n = int(state_.list.size());
  count_->setText(Q(msg::Format(msg::kCountOfFiles, n,
                                msg::Text(n == 1 ? msg::kFileToConvert : msg::kFilesToConvert)
                                    .data())));
  selectAllRight_->setEnabled(n > 0);
  begin_->setEnabled(n > 0);
  remove_->setEnabled(!right_->selectedItems().isEmpty());
  itemPath_->setText(QStringLiteral("Item Path: "));
}

void BatchSelectDialog::accept() {
  if (state_.list.empty()) return;
  if (const std::string name = DuplicateBatchName(state_.list); !name.empty()) {
    const std::string question = msg::Format(msg::kDuplicateBatchNames, name.c_str());
    if (program_.ui->askYesNo(question) != platform::kAnswerYes) return;
  }
  program_.livePrefs = prefs_;
  QDialog::accept();
}

void BatchSelectDialog::reject() {
  state_.list.clear();
  QDialog::reject();
}

// ---- Destination --------------------------------------------------------------------------

BatchDestinationDialog::BatchDestinationDialog(app::Program& program, BatchState& state,
                                               QWidget* parent)
    : QDialog(parent), program_(program), state_(state),
      toSource_(program.livePrefs.prefFlagsA & settings::kBatchOutputToSource) {
  setObjectName(QStringLiteral("batchDestination"));
  setWindowTitle(Text(toSource_ ? msg::kBatchFormatCaption : msg::kBatchDestinationCaption));
  auto* layout = new QVBoxLayout(this);
  if (!toSource_) {
    layout->addWidget(new QLabel(Text(msg::kBatchDestinationPrompt), this));
    auto* row = new QHBoxLayout;
    folder_ = new QLineEdit(this);
    folder_->setObjectName(QStringLiteral("folder"));
    folder_->setText(QString::fromStdString(
        state_.destination.empty() ? QDir::currentPath().toStdString() : state_.destination));
    folder_->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    connect(browse, &QPushButton::clicked, this, [this] {
      const QString chosen = QFileDialog::getExistingDirectory(this, windowTitle(), folder_->text());
      if (!chosen.isEmpty()) folder_->setText(chosen);
    });
    row->addWidget(folder_);
    row->addWidget(browse);
    layout->addLayout(row);
  }
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(new QLabel(QStringLiteral("Format:"), this));
  format_ = new QComboBox(this);
  format_->setObjectName(QStringLiteral("format"));
  for (const BatchFormatEntry& f : kBatchFormats) format_->addItem(QString::fromLatin1(f.label));
  format_->setCurrentIndex(BatchFormatIndex(program_.livePrefs));
  formatRow->addWidget(format_, 1);
  layout->addLayout(formatRow);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(toSource_ ? QStringLiteral("OK") : QStringLiteral("Continue"),
                     QDialogButtonBox::AcceptRole)
      ->setObjectName(QStringLiteral("continue"));
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &BatchDestinationDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &BatchDestinationDialog::reject);
}

void BatchDestinationDialog::accept() {
  if (folder_) {
    const QFileInfo info(folder_->text());
    // A folder that is not there cannot take the art: the dialog stays open.
    if (!info.isDir() || !info.isWritable()) {
      program_.ui->showMessage(msg::Text(msg::kBatchFolderUnusable));
      folder_->setFocus();
      folder_->selectAll();
      return;
    }
    state_.destination = FolderWithSlash(info.absoluteFilePath()).toStdString();
  }
  ChooseBatchFormat(format_->currentIndex(), program_.livePrefs);
  QDialog::accept();
}

// ---- The run ------------------------------------------------------------------------------

ExistsAnswer AskOverwrite(QWidget* parent, const std::string& output) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Vectorlume"),
                  Text(msg::kBatchFileExists) + QLatin1Char('\n') + QString::fromStdString(output),
                  QMessageBox::NoButton, parent);
  box.addButton(QMessageBox::Yes)->setText(QStringLiteral("Overwrite"));
  box.addButton(QMessageBox::No)->setText(QStringLiteral("Skip"));
  box.addButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes: return ExistsAnswer::kOverwrite;
    case QMessageBox::No: return ExistsAnswer::kSkip;
    default: return ExistsAnswer::kCancel;
  }
}

BatchRunOutcome RunBatchList(app::Program& program, BatchState& state,
                             const std::function<ExistsAnswer(const std::string&)>& ask,
                             const std::function<void(const std::string&)>& fileDone) {
  BatchRunOutcome outcome;
  const settings::Preferences prefs = program.livePrefs;
  const bool toSource = prefs.prefFlagsA & settings::kBatchOutputToSource;
  app::BatchRequest request;
  request.toSource = toSource;
  request.outputFolder = state.destination;
  request.convert.settings = program.activeSettings;
  request.convert.format = app::PreferredFormat(prefs);
  request.convert.quiet = true;
  program.app.batchRunning = true;
  bool stopped = false;
  const auto stop = [&] {
    stopped = program.ui->drainEvents() || stopped;
    return stopped;
  };
  const std::string status(msg::Text(msg::kBatchProcessingStatus));
  const std::size_t total = state.list.size();
  while (!state.list.empty()) {
    const int left = int(state.list.size());
    program.ui->showProgress(int((total - std::size_t(left)) * 100 / std::max<std::size_t>(total, 1)),
                             status, msg::Format(msg::kFilesToGoLine, msg::Text(msg::kFilesToGo).data(), left));
    if (stop()) {
      outcome.end = BatchEnd::kStopped;
      break;
    }
    const app::BatchItem item{state.list.front(),
                              BatchOutputPath(state.list.front(), toSource ? "" : state.destination, prefs)};
    request.replace = prefs.prefFlagsB & settings::kBatchReplaceFiles;
    if (!request.replace && Exists(item.output)) {
      const ExistsAnswer answer = ask(item.output);
      if (answer == ExistsAnswer::kCancel) {
        outcome.end = BatchEnd::kCancelled;
        break;
      }
      state.list.erase(state.list.begin());
      if (answer == ExistsAnswer::kSkip) {
        ++outcome.skipped;
        if (fileDone) fileDone(item.input);
        continue;
      }
      request.replace = true;
    } else {
      state.list.erase(state.list.begin());
    }
    const app::FileResult r = app::ConvertBatchFile(request, prefs, item, stop);
    if (r.status == app::FileStatus::kStopped) {
      // The stopped file wrote nothing: it stays first on the list for the next run.
      state.list.insert(state.list.begin(), item.input);
      outcome.end = BatchEnd::kStopped;
      break;
    }
    if (r.status == app::FileStatus::kFailed) {
      program.ui->closeProgress();
      program.ui->showMessage(r.message.empty() ? msg::Text(msg::kDiskFullOrLocked) : r.message);
      outcome.end = BatchEnd::kFailed;
      break;
    }
    if (r.status == app::FileStatus::kConverted) ++outcome.converted;
    else ++outcome.skipped;
    if (fileDone) fileDone(item.input);
  }
  program.ui->closeProgress();
  program.app.batchRunning = false;
  return outcome;
}

}  // namespace vl::gui

namespace vl::gui {

void RunBatchCommand(app::Program& program, BatchState& state, QWidget* parent) {
  for (;;) {
    BatchSelectDialog select(program, state, parent);
    if (select.exec() != QDialog::Accepted || state.list.empty()) return;
    BatchDestinationDialog destination(program, state, parent);
    if (destination.exec() != QDialog::Accepted) continue;
    const BatchRunOutcome outcome = RunBatchList(
        program, state, [parent](const std::string& output) { return AskOverwrite(parent, output); });
    if (outcome.end == BatchEnd::kFinished) return;
  }
}

}  // namespace vl::gui
