// The main window: the menus of the command table, the image window, and the window events the
// shell handles itself (close, dropped files, files handed over by a second start). Every menu
// choice and key goes through dispatch(), which runs the shared command set or the window's
// own view, dialog and clipboard commands.
#pragma once

#include <QHash>
#include <QMainWindow>

#include "app/command_set.h"
#include "app/gui/batch_dialog.h"
#include "app/gui/file_dialogs.h"
#include "app/gui/image_view.h"
#include "app/gui/scanner.h"

class QAction;
class QMenu;

namespace vl::gui {
class HelpWindow;
}

namespace vl::gui {

class ImageTools;
class InfoWindow;
class PaintStylePalette;
class Toolbox;

class ThinningPauseBar;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `dialogs`: the file dialogs (the Qt ones when null; tests pass scripted ones).
  MainWindow(app::Program& program, app::DocumentDialogs* dialogs = nullptr,
             QWidget* parent = nullptr);

  // Runs the command `id` as if chosen from the menu. False when it was ignored: outside the
  // table, not in this build, or a conversion is running.
  bool dispatch(std::uint16_t id);
  // Opens `path` as if chosen in the open dialog (command line, dropped file, recent file).
  void openPath(const QString& path);
  // A second start asked for this window.
  void activate(const QStringList& files);

  QAction* action(std::uint16_t id) const { return actions_.value(id); }
  app::Document& document() { return doc_; }
  ImageView* imageView() const { return view_; }
  QMenu* recentMenu() const { return recentMenu_; }
  Toolbox* toolbox() const { return toolbox_; }
  ImageTools* tools() const { return tools_; }
  InfoWindow* infoWindow() const { return info_; }
  PaintStylePalette* paintStyle() const { return paint_; }
  HelpWindow* helpWindow() const { return help_; }
  // The Acquire menu: one item per device of `scanner` (kept by the caller), listed now.
  void setScanner(Scanner* scanner);
  QMenu* acquireMenu() const { return acquireMenu_; }
  // The interactive-thinning pause's bar, shown while a conversion waits in it.
  ThinningPauseBar* pauseBar() const { return pauseBar_; }
  // Acquires from the device at `index` of the menu, as its item does.
  void acquire(int index);
  // Where the window's geometry is written at the end ("" keeps it in memory only).
  void setPreferencesFolder(std::string folder) { prefsFolder_ = std::move(folder); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildMenus();
  bool windowCommand(std::uint16_t id);
  void afterCommand(bool imageMayHaveChanged);
  void documentOpened();
  void updateActions();
  void updateTitle();
  void addRecent(const QString& path);
  void fillRecentMenu();
  void rememberGeometry();
  void setInfoShown(bool shown);
  void showPaintStyle();
  void updateToggleTexts();
  app::CommandContext context() { return {program_, doc_, *dialogs_}; }

  app::Program& program_;
  app::Document doc_;
  QtDocumentDialogs qtDialogs_;
  app::DocumentDialogs* dialogs_;
  ImageView* view_;
  Toolbox* toolbox_;
  ImageTools* tools_;
  InfoWindow* info_ = nullptr;  // exists while shown
  PaintStylePalette* paint_ = nullptr;  // made when first shown
  QHash<std::uint16_t, QAction*> actions_;
  QMenu* recentMenu_ = nullptr;
  QMenu* acquireMenu_ = nullptr;
  Scanner* scanner_ = nullptr;
  ThinningPauseBar* pauseBar_ = nullptr;
  std::vector<ScanDevice> scanDevices_;
  QStringList recent_;
  bool quitting_ = false;
  bool settingsModified_ = false;  // a setup dialog changed the settings since one was chosen
  std::string prefsFolder_;
  HelpWindow* help_ = nullptr;  // made when help is first asked for
  BatchState batch_;        // the batch list and folders, kept while the program runs
  std::string shownImage_;  // the document the image window was last fitted to
};

}  // namespace vl::gui
