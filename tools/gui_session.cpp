// A scripted session of the window, for the screenshots and the redraw benchmark:
//   gui_session screenshots OUTDIR IMAGE [GRAY]   open, convert, each view mode, each dialog
//                                                 and palette (Levels on GRAY) -> PNGs
//   gui_session redraw IMAGE               converts, then times redraws after scrolls and zooms
// Run it under xvfb-run (scripts/screenshots does); the window is drawn as a user would see it.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "app/gui/file_dialogs.h"
#include "app/gui/acquire.h"
#include "app/gui/command_table.h"
#include "app/gui/batch_dialog.h"
#include "app/gui/custom_color_dialog.h"
#include "app/gui/info_window.h"
#include "app/gui/paint_style_palette.h"
#include "app/gui/help_window.h"
#include "app/gui/levels_dialog.h"
#include "app/gui/preferences_dialogs.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_ui.h"
#include "app/gui/settings_dialog.h"
#include "app/gui/setup_dialogs.h"
#include "app/gui/toolbox.h"
#include "app/gui/thinning_pause_view.h"
#include "settings/named_settings.h"
#include "settings/settings_defaults.h"

namespace {

using namespace vl;

// Answers every message box of the session, so that no question waits for a hand: Yes where
// the box asks (go on), else its OK or Escape button. Each box is logged on stderr.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || box->property("vlAnswered").toBool()) return;
      box->setProperty("vlAnswered", true);
      QAbstractButton* button = box->button(QMessageBox::Yes);
      if (!button) button = box->button(QMessageBox::Ok);
      if (!button) button = box->escapeButton();
      std::fprintf(stderr, "gui_session: answered \"%s\" with %s\n", qPrintable(box->text()),
                   button ? qPrintable(button->text()) : "close");
      if (button) button->click();
      else box->reject();
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

struct Session {
  BoxAnswerer answerer;
  gui::QtUi* ui = new gui::QtUi;
  app::Program program{std::unique_ptr<platform::UserInterface>(ui)};
  gui::MainWindow window{program};

  explicit Session(QSize size) {
    settings::setConversionDefaults(program.activeSettings);
    program.dialogSettings = program.activeSettings;
    ui->setParentWidget(&window);
    window.resize(size);
    window.show();
    settle();
  }
  static void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
};

bool Save(const QPixmap& shot, const QString& folder, const char* name) {
  const QString path = folder + '/' + QString::fromUtf8(name) + ".png";
  if (!shot.save(path, "PNG")) {
    std::fprintf(stderr, "gui_session: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// Marks every other path selected, so that Preview Selection shows both kinds.
void SelectEveryOther(art::Artwork& art) {
  art.selectedCount = 0;
  for (int i = 0; i < art.count; ++i) {
    art::PathRecord& p = art.paths[std::size_t(i)];
    p.flags = std::uint8_t((p.flags & ~art::kSelected) | (i % 2 == 0 ? art::kSelected : 0));
    art.selectedCount += i % 2 == 0;
  }
}

// The batch, preference, levels and help windows; Levels on `grayPath`, a gray scale image.
bool MoreDialogs(Session& s, const QString& folder, const QString& grayPath) {
  bool ok = true;
  const auto shoot = [&](QWidget& w, const char* name) {
    w.show();
    Session::settle();
    ok = Save(w.grab(), folder, name) && ok;
    w.hide();
  };
  gui::BatchState batch;
  batch.sourceFolder = QFileInfo(grayPath).absolutePath().toStdString();
  batch.list = {QFileInfo(grayPath).absoluteFilePath().toStdString()};
  {
    gui::BatchSelectDialog dialog(s.program, batch, &s.window);
    shoot(dialog, "30-batch-select");
  }
  {
    batch.destination = QDir::homePath().toStdString();
    gui::BatchDestinationDialog dialog(s.program, batch, &s.window);
    shoot(dialog, "31-batch-destination");
  }
  {
    gui::GeneralPreferencesDialog dialog(s.program, &s.window);
    shoot(dialog, "32-general-preferences");
  }
  {
    gui::ScratchDiskDialog dialog(s.program, true, &s.window);
    shoot(dialog, "33-scratch-disk");
  }
  {
    gui::PluginFolderDialog dialog(s.program, &s.window);
    dialog.resize(720, 480);
    shoot(dialog, "34-plugin-folder");
  }
  s.window.document().artModified = false;
  s.window.openPath(grayPath);
  Session::settle();
  if (s.window.document().imageOpen && !image::IsBilevel(s.program.image)) {
    gui::LevelsDialog dialog(s.program, s.window.document(), gui::LocaleDecimalSeparator(),
                             [&s] { s.window.imageView()->imageChanged(); }, &s.window);
    dialog.setValues({40, 1.4, 220});
    shoot(dialog, "35-levels");
  } else {
    std::fprintf(stderr, "gui_session: %s did not open as a gray scale image\n", qPrintable(grayPath));
    ok = false;
  }
  gui::HelpWindow help;
  help.showTopic(3);
  help.resize(640, 520);
  shoot(help, "36-help-commands");
  return ok;
}

bool AcquireAndPause(Session& s, const QString& folder);

int Screenshots(const QString& folder, const QString& imagePath, const QString& grayPath) {
  QDir().mkpath(folder);
  Session s(QSize(1000, 720));
  s.window.openPath(imagePath);
  Session::settle();
  if (!s.window.document().imageOpen) return 1;
  bool ok = Save(s.window.grab(), folder, "01-opened");
  // The progress window, caught while the conversion runs.
  QTimer progressShot;
  bool progressSaved = false;
  QObject::connect(&progressShot, &QTimer::timeout, [&] {
    QDialog* p = s.ui->progressWindow();
    if (progressSaved || !p || !p->isVisible()) return;
    progressSaved = true;
    ok = Save(p->grab(), folder, "02-progress") && ok;
  });
  progressShot.start(1);
  s.window.dispatch(app::kCommandConvert);
  progressShot.stop();
  Session::settle();
  ok = Save(s.window.grab(), folder, "03-preview") && ok;
  s.window.dispatch(gui::kCmdArtwork);
  Session::settle();
  ok = Save(s.window.grab(), folder, "04-artwork") && ok;
  SelectEveryOther(s.program.artwork);
  s.window.imageView()->artChanged();
  s.window.dispatch(gui::kCmdPreviewSelection);
  Session::settle();
  ok = Save(s.window.grab(), folder, "05-preview-selection") && ok;
  s.window.dispatch(gui::kCmdPreview);
  for (int i = 0; i < 4; ++i) s.window.dispatch(gui::kCmdZoomIn);
  Session::settle();
  ok = Save(s.window.grab(), folder, "06-zoomed") && ok;
  {
    gui::ConversionSetupDialog dialog(s.program, gui::LocaleDecimalSeparator(), &s.window);
    dialog.show();
    Session::settle();
    ok = Save(dialog.grab(), folder, "07-conversion-setup") && ok;
  }
  {
    gui::ColorSetupDialog dialog(s.program, &s.window);
    dialog.show();
    Session::settle();
    ok = Save(dialog.grab(), folder, "08-color-setup") && ok;
  }
  {
    if (s.program.customColors.colors.empty()) {
      base::Runtime rt = s.program.runtime();
      static_cast<void>(art::addBuiltInColors(rt, s.program.customColors));
    }
    gui::CustomColorDialog dialog(s.program, &s.window);
    dialog.show();
    Session::settle();
    ok = Save(dialog.grab(), folder, "10-custom-color") && ok;
  }
  {
    settings::ensureDefaults(s.program.namedSettings);
    bool modified = true;
    gui::SettingsDialog dialog(s.program, modified, gui::LocaleDecimalSeparator(), &s.window);
    dialog.show();
    Session::settle();
    ok = Save(dialog.grab(), folder, "11-settings") && ok;
  }
  // The toolbox, the Paint Style palette and the info window beside the art, two paths selected.
  {
    art::Artwork& art = s.program.artwork;
    art.selectedCount = 0;
    for (int i = 0; i < art.count; ++i) {
      art::PathRecord& p = art.paths[std::size_t(i)];
      p.flags = std::uint8_t((p.flags & ~art::kSelected) | (i < 2 ? art::kSelected : 0));
      art.selectedCount += i < 2;
    }
    s.window.imageView()->artChanged();
    s.window.dispatch(gui::kCmdPaintStyle);  // shows the selection's paint
    s.window.dispatch(gui::kCmdInfo);
    Session::settle();
    s.window.dispatch(gui::kCmdFitInWindow);
    Session::settle();
    ok = Save(s.window.grab(), folder, "20-toolbox-and-palettes") && ok;
    ok = Save(s.window.paintStyle()->grab(), folder, "21-paint-style") && ok;
    ok = Save(s.window.infoWindow()->grab(), folder, "22-info") && ok;
  }
  // The Edit menu, open: the disabled commands and their keys.
  for (QAction* a : s.window.menuBar()->actions()) {
    if (a->text() != QStringLiteral("&Edit")) continue;
    QMenu* menu = a->menu();
    Q_EMIT menu->aboutToShow();
    menu->popup(s.window.mapToGlobal(QPoint(60, 30)));
    Session::settle();
    ok = Save(menu->grab(), folder, "09-edit-menu") && ok;
    menu->hide();
  }
  if (!grayPath.isEmpty()) ok = MoreDialogs(s, folder, grayPath) && ok;
  ok = AcquireAndPause(s, folder) && ok;
  s.window.document().artModified = false;  // no save prompt at the end of the session
  // The image opened afresh with the Magic Wand tool chosen and two letters selected: the
  // selection's tint.
  {
    s.window.openPath(imagePath);
    s.window.toolbox()->setCurrent(gui::Tool::kWand);
    s.window.dispatch(gui::kCmdFitInWindow);
    const image::RasterImage& image = s.program.image;
    static_cast<void>(app::MarqueeSelect(s.program, s.window.document(), 0, 0,
                                         image.width / 4, image.height / 2, image::kSelectNew));
    s.window.imageView()->imageChanged();
    Session::settle();
    ok = Save(s.window.grab(), folder, "23-pixel-selection") && ok;
    // Filled with the swatch's black, then undone again.
    static_cast<void>(app::FillCommand(s.program, s.window.document()));
    s.window.imageView()->imageChanged();
    Session::settle();
    ok = Save(s.window.grab(), folder, "24-pixel-fill") && ok;
    static_cast<void>(app::UndoCommand(s.program, s.window.document()));
    // The Save Pixel Image As dialog on the image's own format.
    const std::unique_ptr<QFileDialog> save(gui::NewPixelImageDialog(
        &s.window, s.window.document().imageName, app::ProposedPixelFormat(image)));
    save->show();
    Session::settle();
    ok = Save(save->grab(), folder, "37-save-pixel-image") && ok;
  }
  s.window.document().pixelImageModified = false;
  return ok ? 0 : 1;
}

// The Acquire dialog of the first scanner found (scripts/screenshots sets up SANE's test
// device), then the interactive-thinning pause over a centre-line conversion of the same page.
bool AcquireAndPause(Session& s, const QString& folder) {
  bool ok = true;
  const std::unique_ptr<gui::Scanner> scanner = gui::MakeSaneScanner();
  const std::vector<gui::ScanDevice> devices = scanner->devices();
  if (devices.empty()) {
    std::fprintf(stderr, "gui_session: no scanner found, no Acquire dialog\n");
  } else if (std::unique_ptr<gui::ScanSession> session = scanner->open(devices.front().name)) {
    gui::AcquireDialog dialog(devices.front(), session->offer(), &s.window);
    dialog.show();
    Session::settle();
    ok = Save(dialog.grab(), folder, "12-acquire") && ok;
  }
  s.window.dispatch(app::kCommandSelectNone);
  settings::ConversionSettings& active = s.program.activeSettings;
  active.set(settings::kMethodOutline, false);
  active.set(settings::kMethodCenterline, true);
  active.set(settings::kInteractiveThinning, true);
  s.window.dispatch(app::kCommandConvert);
  s.window.dispatch(gui::kCmdFitInWindow);  // the whole skeleton in view
  Session::settle();
  if (!s.window.pauseBar()->isVisible()) {
    std::fprintf(stderr, "gui_session: the conversion did not pause\n");
    return false;
  }
  ok = Save(s.window.grab(), folder, "13-thinning-pause") && ok;
  s.window.pauseBar()->choiceAction(engine::SkeletonChoice::kCancel)->trigger();
  Session::settle();
  return ok;
}

// Times render() of the visible part after each scroll step and zoom change; prints the median
// and the worst in milliseconds.
int Redraw(const QString& imagePath) {
  Session s(QSize(1200, 900));
  s.window.openPath(imagePath);
  if (!s.window.document().imageOpen) return 1;
  s.window.dispatch(app::kCommandConvert);
  std::printf("paths: %d\n", s.program.artwork.count);
  gui::ImageView& view = *s.window.imageView();
  QImage target(view.viewport()->size(), QImage::Format_RGB32);
  auto timeOne = [&] {
    QElapsedTimer t;
    t.start();
    QPainter painter(&target);
    view.render(painter, target.rect());
    painter.end();
    return t.nsecsElapsed() / 1e6;
  };
  for (const gui::ViewMode mode : {gui::ViewMode::kPreview, gui::ViewMode::kArtwork}) {
    view.setViewMode(mode);
    std::vector<double> times;
    for (std::uint32_t zoom : {image::kZoomOne / 4, image::kZoomOne / 2, image::kZoomOne,
                               2 * image::kZoomOne}) {
      view.setZoom(zoom);
      times.push_back(timeOne());
      for (int step = 0; step < 10; ++step) {
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + 300);
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->value() + 100);
        times.push_back(timeOne());
      }
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms, worst %.1f ms over %zu redraws\n",
                mode == gui::ViewMode::kPreview ? "preview" : "artwork",
                times[times.size() / 2], times.back(), times.size());
  }
  s.window.document().artModified = false;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if ((args.size() == 4 || args.size() == 5) && args[1] == QStringLiteral("screenshots"))
    return Screenshots(args[2], args[3], args.value(4));
  if (args.size() == 3 && args[1] == QStringLiteral("redraw")) return Redraw(args[2]);
  std::fprintf(stderr, "usage: gui_session screenshots OUTDIR IMAGE [GRAY] | redraw IMAGE\n");
  return 2;
}
