// The window's test runner: `test_app_gui SUITE [Qt Test options]` runs one suite, so that
// ctest shows each on its own line; without a suite every suite runs.
#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "tests/app/gui/suites.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // recent files go to a test location
  const std::map<std::string, std::function<std::unique_ptr<QObject>()>> suites = {
      {"Commands", vl::gui::test::MakeCommandsSuite},
      {"Dialogs", vl::gui::test::MakeDialogsSuite},
      {"Prompts", vl::gui::test::MakePromptsSuite},
      {"Clipboard", vl::gui::test::MakeClipboardSuite},
      {"SingleInstance", vl::gui::test::MakeSingleInstanceSuite},
      {"Conversion", vl::gui::test::MakeConversionSuite},
      {"View", vl::gui::test::MakeViewSuite},
      {"CustomColor", vl::gui::test::MakeCustomColorSuite},
      {"Settings", vl::gui::test::MakeSettingsSuite},
      {"Tools", vl::gui::test::MakeToolsSuite},
      {"PaintStyle", vl::gui::test::MakePaintStyleSuite},
      {"Batch", vl::gui::test::MakeBatchSuite},
      {"Preferences", vl::gui::test::MakePreferencesSuite},
      {"Levels", vl::gui::test::MakeLevelsSuite},
      {"Help", vl::gui::test::MakeHelpSuite},
      {"Acquire", vl::gui::test::MakeAcquireSuite},
      {"ThinningPause", vl::gui::test::MakeThinningPauseSuite},
      {"PixelEdits", vl::gui::test::MakePixelEditsSuite},
  };
  int failures = 0;
  if (argc > 1 && suites.count(argv[1])) {
    // ctest runs suites side by side: each keeps its settings (the recent files) to itself.
    QCoreApplication::setApplicationName(QStringLiteral("test_app_gui-") + QString::fromLocal8Bit(argv[1]));
    std::unique_ptr<QObject> suite = suites.at(argv[1])();
    argv[1] = argv[0];
    return QTest::qExec(suite.get(), argc - 1, argv + 1);
  }
  for (const auto& [name, make] : suites) {
    std::unique_ptr<QObject> suite = make();
    failures += QTest::qExec(suite.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
