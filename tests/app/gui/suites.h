// The window's test suites, one per behaviour area.
#pragma once

#include <QObject>
#include <memory>

namespace vl::gui::test {
std::unique_ptr<QObject> MakeCommandsSuite();
std::unique_ptr<QObject> MakeDialogsSuite();
std::unique_ptr<QObject> MakePromptsSuite();
std::unique_ptr<QObject> MakeClipboardSuite();
std::unique_ptr<QObject> MakeSingleInstanceSuite();
std::unique_ptr<QObject> MakeConversionSuite();
std::unique_ptr<QObject> MakeViewSuite();
std::unique_ptr<QObject> MakeCustomColorSuite();
std::unique_ptr<QObject> MakeSettingsSuite();
std::unique_ptr<QObject> MakeToolsSuite();
std::unique_ptr<QObject> MakePaintStyleSuite();
std::unique_ptr<QObject> MakeBatchSuite();
std::unique_ptr<QObject> MakePreferencesSuite();
std::unique_ptr<QObject> MakeLevelsSuite();
std::unique_ptr<QObject> MakeHelpSuite();
std::unique_ptr<QObject> MakeAcquireSuite();
std::unique_ptr<QObject> MakeThinningPauseSuite();
std::unique_ptr<QObject> MakePixelEditsSuite();
}  // namespace vl::gui::test
