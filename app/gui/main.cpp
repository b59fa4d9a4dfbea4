// vectorlume-gui: the window. Start-up order: the single-instance check, the preferences, the
// main window, then the file named on the command line.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include "app/color_table_actions.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_ui.h"
#include "app/gui/single_instance.h"
#include "app/user_preferences.h"
#include "platform/scratch_folder.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Vectorlume"));
  QCoreApplication::setApplicationName(QStringLiteral("Vectorlume"));
  QGuiApplication::setDesktopFileName(QStringLiteral("vectorlume-gui"));

  QStringList files;
  for (const QString& arg : QCoreApplication::arguments().mid(1))
    if (!arg.startsWith('-')) files << QFileInfo(arg).absoluteFilePath();

  vl::gui::SingleInstance instance;
  if (instance.handOver(files)) return 0;  // the first window took the files

  const vl::app::UserPreferences prefs = vl::app::ReadUserPreferences();
  auto backend = std::make_unique<vl::gui::QtUi>();
  vl::gui::QtUi& ui = *backend;
  vl::app::Program program(std::move(backend), vl::app::ScratchBaseFor(prefs.live));
  vl::app::ApplyPreferences(program, prefs, vl::app::ConvertRequest{});
  vl::platform::RemoveStaleScratchFolders(vl::app::ScratchBaseFor(prefs.live));
  program.activeSettings = prefs.active;
  program.dialogSettings = prefs.active;

  // The scanners found at start-up fill the Acquire menu (empty when there are none).
  const std::unique_ptr<vl::gui::Scanner> scanner = vl::gui::MakeSaneScanner();
  vl::gui::MainWindow window(program);
  window.setScanner(scanner.get());
  window.setPreferencesFolder(prefs.folder);
  ui.setParentWidget(&window);
  QObject::connect(&instance, &vl::gui::SingleInstance::activated, &window,
                   &vl::gui::MainWindow::activate);
  vl::app::ShowLoadReport(prefs.report, ui);
  // The first start brings its colour file; a missing one later offers the built-in colours, a
  // damaged one was reported.
  if (!prefs.folder.empty()) {
    static_cast<void>(vl::app::InstallFirstStartColors(program, prefs.folder));
    static_cast<void>(vl::app::LoadStartupColors(program, prefs.folder, true));
  }
  window.show();
  if (!files.isEmpty())
    QTimer::singleShot(0, &window, [&window, f = files.first()] { window.openPath(f); });
  return application.exec();
}
