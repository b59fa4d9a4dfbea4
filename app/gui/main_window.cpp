// The main window and its command dispatch.
#include "app/gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <map>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "app/gui/acquire.h"
#include "app/gui/clipboard.h"
#include "app/gui/command_table.h"
#include "app/gui/custom_color_dialog.h"
#include "app/gui/image_tools.h"
#include "app/gui/info_window.h"
#include "app/gui/paint_style_palette.h"
#include "app/gui/toolbox.h"
#include "app/gui/help_window.h"
#include "app/gui/levels_dialog.h"
#include "app/gui/preferences_dialogs.h"
#include "app/gui/settings_dialog.h"
#include "app/gui/thinning_pause_view.h"
#include "app/gui/setup_dialogs.h"
#include "base/message_table.h"
#include "image/save_pixel_image.h"
#include "settings/preferences_store.h"

namespace vl::gui {

namespace {

constexpr int kRecentFiles = 8;
const QString kRecentKey = QStringLiteral("recentFiles");

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

bool HasArt(const app::Program& program) {
  return program.artwork.count > 0 || program.artwork.stashedCount > 0;
}

// Commands after which the image itself may differ (a new document, a selection, an undo).
bool ChangesImage(std::uint16_t id) {
  switch (id) {
    case app::kCommandOpen: case app::kCommandClose: case app::kCommandQuit:
    case app::kCommandConvert: case app::kCommandConvertSelectionEdge: case app::kCommandUndo:
    case app::kCommandSelectAll: case app::kCommandSelectNone: case app::kCommandSelectInverse:
    case app::kCommandGrowSelection: case app::kCommandSelectSimilar: case app::kCommandClear: case app::kCommandFill:
      return true;
    default: return false;
  }
}

}  // namespace

MainWindow::MainWindow(app::Program& program, app::DocumentDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), program_(program), qtDialogs_(this),
      dialogs_(dialogs ? dialogs : &qtDialogs_) {
  setObjectName(QStringLiteral("VL_MAINCLASS"));
  view_ = new ImageView(program_, this);
  setCentralWidget(view_);
  setAcceptDrops(true);
  connect(view_, &ImageView::zoomChanged, this, &MainWindow::updateTitle);
  toolbox_ = new Toolbox(this);
  addToolBar(Qt::LeftToolBarArea, toolbox_);
  tools_ = new ImageTools(program_, doc_, view_, toolbox_, this);
  connect(tools_, &ImageTools::edited, this, [this](bool image) { afterCommand(image); });
  connect(tools_, &ImageTools::pointerMoved, this, [this](QPointF at) {
    if (info_) info_->showPointer(at);
  });
  pauseBar_ = new ThinningPauseBar(program_, doc_, *view_, this);
  addToolBar(Qt::TopToolBarArea, pauseBar_);
  connect(pauseBar_, &ThinningPauseBar::drawn, view_, &ImageView::imageChanged);
  connect(pauseBar_, &ThinningPauseBar::chosen, this, [this](engine::SkeletonChoice choice) {
    program_.thinningPause.choice = choice;
    dispatch(app::kCommandConvert);  // resumes the waiting conversion
  });
  buildMenus();
  connect(toolbox_, &QToolBar::visibilityChanged, this, [this] { updateToggleTexts(); });
  setInfoShown(program_.livePrefs.prefFlagsA & settings::kInfoWindowOpen);
  if (program_.livePrefs.prefFlagsB & settings::kPaintStyleOpen) showPaintStyle();
  recent_ = QSettings().value(kRecentKey).toStringList();
  fillRecentMenu();
  // The window rectangle of the preferences, when it holds one that still fits a screen.
  const std::int32_t* r = program_.livePrefs.mainWindow;
  const QRect saved(r[0], r[1], r[2], r[3]);
  if (saved.width() > 100 && saved.height() > 100 && QGuiApplication::screenAt(saved.center()))
    setGeometry(saved);
  else
    resize(900, 700);
  updateActions();
  updateTitle();
}

void MainWindow::buildMenus() {
  std::map<Menu, QMenu*> menus;
  std::map<std::pair<Menu, std::string_view>, QMenu*> submenus;
  for (const MenuCommand& c : MenuCommands()) {
    QMenu*& menu = menus[c.menu];
    if (!menu) {
      menu = menuBar()->addMenu(Q(MenuTitle(c.menu)));
      menu->setToolTipsVisible(true);
    }
    QMenu* target = menu;
    if (c.separatorBefore && c.submenu.empty()) menu->addSeparator();
    if (!c.submenu.empty()) {
      QMenu*& sub = submenus[{c.menu, c.submenu}];
      if (!sub) {
        if (c.separatorBefore) menu->addSeparator();
        sub = menu->addMenu(Q(c.submenu));
        sub->setToolTipsVisible(true);
      }
      target = sub;
    }
    // Recent files sit above Quit.
    if (c.id == app::kCommandQuit) {
      recentMenu_ = menu->addMenu(QStringLiteral("Recent &Files"));
      recentMenu_->setObjectName(QStringLiteral("recentFiles"));
      menu->addSeparator();
    }
    auto* action = new QAction(Q(c.text), this);
    action->setObjectName(QStringLiteral("command%1").arg(c.id));
    action->setData(int(c.id));
    QList<QKeySequence> keys;
    for (const QString& k : Q(c.key).split(';', Qt::SkipEmptyParts)) keys << QKeySequence(k);
    action->setShortcuts(keys);
    if (c.handler == Handler::kMissing) {
      const std::string subject(c.subject);
      action->setToolTip(Q(msg::Format(msg::kNotAvailableInThisBuild, subject.c_str())));
    }
    if (c.id == kCmdPreview || c.id == kCmdArtwork || c.id == kCmdPreviewSelection) {
      action->setCheckable(true);
      action->setChecked(c.id == kCmdPreview);
    }
    connect(action, &QAction::triggered, this, [this, id = c.id] { dispatch(id); });
    target->addAction(action);
    actions_.insert(c.id, action);
    if (c.id == kCmdBatchSelect) {
      acquireMenu_ = menu->addMenu(QStringLiteral("Ac&quire"));
      acquireMenu_->setObjectName(QStringLiteral("acquire"));
      acquireMenu_->setEnabled(false);
    }
  }
  // The Undo item names what it would undo, read when the Edit menu opens.
  QMenu* edit = menus[Menu::kEdit];
  connect(edit, &QMenu::aboutToShow, this, [this] {
    QString text = Q(app::UndoMenuItem(program_));
    text = text.section('\t', 0, 0);
    actions_.value(app::kCommandUndo)->setText(text);
  });
}

bool MainWindow::dispatch(std::uint16_t id) {
  const MenuCommand* row = FindMenuCommand(id);
  if (!row || row->handler == Handler::kMissing) return false;
  // The menus are dead while a conversion runs; its events still arrive through the poll.
  if (program_.app.converting && !program_.app.interactiveThinningPaused) return false;
  bool ran = false;
  if (row->handler == Handler::kCommandSet) {
    app::CommandContext ctx = context();
    ran = app::RunCommand(ctx, app::PackCommand(id));
    afterCommand(ChangesImage(id));
    if (doc_.quitRequested && !quitting_) {
      quitting_ = true;
      rememberGeometry();
      close();
      QCoreApplication::quit();
    }
  } else {
    ran = windowCommand(id);
  }
  return ran;
}

bool MainWindow::windowCommand(std::uint16_t id) {
  const bool image = doc_.imageOpen;
  app::CommandContext ctx = context();
  switch (id) {
    case kCmdSavePixelImageAs: {
      if (!image) return true;
      std::string path = doc_.imageName;
      int format = app::ProposedPixelFormat(program_.image);
      if (dialogs_->choosePixelImageFile(path, format)) {
        // Levels still pending in the tone table belong in the file.
        art::CommitPendingLevels(program_.undo, program_.image);
        static_cast<void>(app::WritePixelImage(program_, doc_, path, format));
      }
      updateTitle();
      return true;
    }
    case kCmdRevert:
      if (!image || !doc_.pixelImageModified || doc_.imageUntitled) return true;
      if (program_.ui->askYesNo(msg::Text(msg::kRevertQuestion)) == platform::kAnswerYes) {
        const std::string path = doc_.imageName;
        static_cast<void>(app::OpenDocument(program_, doc_, path));
        afterCommand(true);
      }
      return true;
    case kCmdBatchSelect: RunBatchCommand(program_, batch_, this); return true;
    case kCmdGeneralPreferences: GeneralPreferencesDialog(program_, this).exec(); return true;
    case kCmdPluginFolder: PluginFolderDialog(program_, this).exec(); return true;
    case kCmdScratchDisk: ScratchDiskDialog(program_, image, this).exec(); return true;
    case kCmdLevels:
      OpenLevels(program_, doc_, LocaleDecimalSeparator(), [this] { view_->imageChanged(); }, this);
      updateActions();
      updateTitle();
      return true;
    case kCmdCopy: static_cast<void>(CopyArt(program_, doc_)); return true;
    case kCmdCut:
      // Only art that reached the clipboard is deleted.
      if (CopyArt(program_, doc_) == CopyResult::kCopied) {
        static_cast<void>(app::RunCommand(ctx, app::PackCommand(app::kCommandClear)));
        afterCommand(false);
      }
      return true;
    case kCmdPasteAsNew:
      if (PasteAsNew(ctx)) shownImage_.clear();
      afterCommand(true);
      return true;
    case kCmdPreview: case kCmdArtwork: case kCmdPreviewSelection: {
      const ViewMode mode = ViewMode(id - kCmdPreview);
      view_->setViewMode(mode);
      for (std::uint16_t v : {kCmdPreview, kCmdArtwork, kCmdPreviewSelection})
        actions_.value(v)->setChecked(v == id);
      return true;
    }
    case kCmdZoomIn: if (image) view_->zoomIn(false); return true;
    case kCmdZoomOut: if (image) view_->zoomOut(false); return true;
    case kCmdActualSize: if (image) view_->actualSize(); return true;
    case kCmdFitInWindow: if (image) view_->fitInWindow(); return true;
    case kCmdConversionSetup: {
      ConversionSetupDialog dialog(program_, LocaleDecimalSeparator(), this);
      if (dialog.exec() == QDialog::Accepted) settingsModified_ = true;
      return true;
    }
    case kCmdColorSetup: {
      ColorSetupDialog dialog(program_, this);
      if (dialog.exec() == QDialog::Accepted) settingsModified_ = true;
      return true;
    }
    case kCmdSettings: {
      SettingsDialog dialog(program_, settingsModified_, LocaleDecimalSeparator(), this);
      dialog.exec();
      return true;
    }
    case kCmdCustomColor: {
      CustomColorDialog dialog(program_, this);
      if (dialog.exec() == QDialog::Accepted) view_->artChanged();
      return true;
    }
    case kCmdToolbox:
      toolbox_->setHidden(!toolbox_->isHidden());
      updateToggleTexts();
      return true;
    case kCmdInfo: setInfoShown(info_ == nullptr); return true;
    case kCmdPaintStyle: showPaintStyle(); return true;
    case 13301: case 13302: case 13303: case 13304: case 13305:
      if (!help_) help_ = new HelpWindow(this);
      if (!help_->showTopic(id - kCmdHelpIndex + 1))
        program_.ui->showMessage(msg::Text(msg::kHelpTopicMissing));
      return true;
    case kCmdAbout:
      QMessageBox::about(this, QStringLiteral("About Vectorlume"),
                         QStringLiteral("<b>Vectorlume</b> %1<br>Traces raster images into "
                                        "vector art.").arg(QStringLiteral(VL_VERSION_TEXT)));
      return true;
    default: return false;
  }
}

void MainWindow::afterCommand(bool imageMayHaveChanged) {
  if (imageMayHaveChanged) {
    const std::string now = doc_.imageOpen ? doc_.imageName : std::string();
    if (doc_.imageOpen && now != shownImage_) documentOpened();
    else view_->imageChanged();
    shownImage_ = now;
  } else {
    view_->artChanged();
  }
  if (doc_.imageOpen && !doc_.imageUntitled) addRecent(QString::fromStdString(doc_.imageName));
  pauseBar_->refresh();
  updateActions();
  updateTitle();
  if (info_) info_->refresh();
  if (paint_ && paint_->isVisible()) paint_->showSelection();
}

void MainWindow::documentOpened() {
  view_->imageChanged();
  shownImage_ = doc_.imageName;
  // A scan is larger than the window at full size: start with all of it in view.
  const image::RasterImage& image = program_.image;
  const QSize room = view_->viewport()->size();
  if (image.width > room.width() || image.height > room.height()) view_->fitInWindow();
  updateActions();
  updateTitle();
}

void MainWindow::openPath(const QString& path) {
  if (program_.app.converting) return;
  app::CommandContext ctx = context();
  if (!app::RunSavePrompts(ctx)) return;
  static_cast<void>(app::OpenDocument(program_, doc_, path.toStdString()));
  shownImage_.clear();
  afterCommand(true);
}

void MainWindow::activate(const QStringList& files) {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  if (!files.isEmpty()) openPath(files.first());
}

void MainWindow::updateActions() {
  const bool busy = program_.app.converting && !program_.app.interactiveThinningPaused;
  const bool art = HasArt(program_);
  acquireMenu_->setEnabled(!busy && !scanDevices_.empty());
  for (const MenuCommand& c : MenuCommands()) {
    QAction* a = actions_.value(c.id);
    bool on = c.handler != Handler::kMissing && !busy;
    if (c.needs == Needs::kImage) on = on && doc_.imageOpen;
    if (c.needs == Needs::kArt) on = on && art;
    a->setEnabled(on);
  }
  // The toolbox and the palette edit the document: dead while a conversion runs, as the menus.
  toolbox_->setEnabled(!busy);
  if (paint_) paint_->setEnabled(!busy);
  actions_.value(kCmdRevert)->setEnabled(!busy && doc_.imageOpen && doc_.pixelImageModified &&
                                         !doc_.imageUntitled);
  // Cut and Clear act on the selected paths, or without art on the pixel selection.
  const bool pathsSelected = program_.artwork.count > 0 && program_.artwork.selectedCount > 0;
  const bool pixelsSelected = !art && program_.image.pixelSelection;
  actions_.value(kCmdCut)->setEnabled(!busy && doc_.imageOpen && pathsSelected);
  actions_.value(app::kCommandClear)->setEnabled(!busy && doc_.imageOpen &&
                                                 (pathsSelected || pixelsSelected));
  // Fill paints pixels only.
  actions_.value(app::kCommandFill)->setEnabled(!busy && doc_.imageOpen && pixelsSelected);
}

void MainWindow::setInfoShown(bool shown) {
  if (shown && !info_) {
    info_ = new InfoWindow(program_, this);
    addDockWidget(Qt::RightDockWidgetArea, info_);
    // Only Hide Info destroys it: a close button would leave a hidden window behind.
    info_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    info_->show();
  } else if (!shown && info_) {
    info_->deleteLater();
    info_ = nullptr;
  }
  updateToggleTexts();
}

void MainWindow::showPaintStyle() {
  if (!paint_) {
    paint_ = new PaintStylePalette(program_, doc_, this);
    addDockWidget(Qt::RightDockWidgetArea, paint_);
    connect(paint_, &PaintStylePalette::artChanged, this, [this] { afterCommand(false); });
  }
  paint_->show();
  paint_->raise();
  paint_->showSelection();
}

void MainWindow::updateToggleTexts() {
  if (QAction* a = actions_.value(kCmdToolbox))
    a->setText(toolbox_->isHidden() ? QStringLiteral("Show &Toolbox")
                                    : QStringLiteral("Hide &Toolbox"));
  if (QAction* a = actions_.value(kCmdInfo))
    a->setText(info_ ? QStringLiteral("Hide I&nfo") : QStringLiteral("Show I&nfo"));
}

void MainWindow::setScanner(Scanner* scanner) {
  scanner_ = scanner;
  acquireMenu_->clear();
  scanDevices_ = scanner ? scanner->devices() : std::vector<ScanDevice>{};
  for (std::size_t i = 0; i < scanDevices_.size(); ++i) {
    QAction* a = acquireMenu_->addAction(QString::fromStdString(scanDevices_[i].label));
    a->setObjectName(QStringLiteral("command%1").arg(kCmdAcquireFirst + i));
    connect(a, &QAction::triggered, this, [this, i] { acquire(int(i)); });
  }
  acquireMenu_->setEnabled(!scanDevices_.empty());
}

void MainWindow::acquire(int index) {
  if (!scanner_ || index < 0 || std::size_t(index) >= scanDevices_.size()) return;
  if (program_.app.converting) return;
  app::CommandContext ctx = context();
  const ScanDevice& device = scanDevices_[std::size_t(index)];
  const AcquireResult r = AcquirePage(ctx, *scanner_, device,
                                      [&](const ScanOffer& offer, ScanRequest& request) {
    AcquireDialog dialog(device, offer, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    request = dialog.request();
    return true;
  });
  if (r == AcquireResult::kAcquired || r == AcquireResult::kNotOpened) {
    shownImage_.clear();
    afterCommand(true);
  }
}

void MainWindow::updateTitle() { setWindowTitle(Q(app::DocumentTitle(program_, doc_))); }

void MainWindow::addRecent(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  if (!recent_.isEmpty() && recent_.first() == full) return;
  recent_.removeAll(full);
  recent_.prepend(full);
  while (recent_.size() > kRecentFiles) recent_.removeLast();
  QSettings().setValue(kRecentKey, recent_);
  fillRecentMenu();
}

void MainWindow::fillRecentMenu() {
  recentMenu_->clear();
  for (int i = 0; i < recent_.size(); ++i) {
    const QString path = recent_[i];
    QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    a->setToolTip(path);
    connect(a, &QAction::triggered, this, [this, path] { openPath(path); });
  }
  recentMenu_->setEnabled(!recent_.isEmpty());
}

void MainWindow::rememberGeometry() {
  // Which palettes were open is read back at the next start.
  std::uint8_t& flagsA = program_.livePrefs.prefFlagsA;
  flagsA = std::uint8_t(info_ ? flagsA | settings::kInfoWindowOpen
                              : flagsA & ~settings::kInfoWindowOpen);
  std::uint8_t& flagsB = program_.livePrefs.prefFlagsB;
  flagsB = std::uint8_t(paint_ && paint_->isVisible() ? flagsB | settings::kPaintStyleOpen
                                                      : flagsB & ~settings::kPaintStyleOpen);
  if (program_.livePrefs.prefFlagsB & settings::kSaveWindowPositions) {
    const QRect g = normalGeometry();
    std::int32_t* r = program_.livePrefs.mainWindow;
    r[0] = g.x(); r[1] = g.y(); r[2] = g.width(); r[3] = g.height();
  }
  if (prefsFolder_.empty()) return;
  // The preferences (window place, chosen setting) and the named settings are written at the
  // end; a file that cannot be written is reported once and the program still ends.
  for (const bool settingsFile : {false, true})
    if (const int failed = settings::SavePrefsFile(prefsFolder_, program_.livePrefs,
                                                   program_.namedSettings, settingsFile);
        failed != 0) {
      program_.ui->showMessage(msg::Text(failed));
      return;
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (quitting_) {
    event->accept();
    return;
  }
  app::CommandContext ctx = context();
  // While a conversion runs this only asks it to stop; the window stays.
  if (!app::RequestWindowClose(ctx)) {
    event->ignore();
    if (!program_.app.converting) afterCommand(true);  // Quit's prompts were cancelled
    return;
  }
  quitting_ = true;
  rememberGeometry();
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  openPath(urls.first().toLocalFile());
}

}  // namespace vl::gui
