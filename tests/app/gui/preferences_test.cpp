// The preference dialogs: the four general options and the position question, the scratch
// folder list, the plug-in folder dialog with its note, and every choice surviving a restart.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstring>
#include <filesystem>

#include "app/gui/preferences_dialogs.h"
#include "base/message_table.h"
#include "settings/preferences_store.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

class PreferencesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void generalBoxesEditTheirBits_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("inFlagsA");
    QTest::addColumn<int>("bit");
    QTest::newRow("beep") << "beep" << true << int(settings::kBeepAfterConversions);
    QTest::newRow("restore") << "restoreSettings" << true
                             << int(settings::kRestoreSelectedSettings);
    QTest::newRow("hidden paths") << "eliminateHidden" << false
                                  << int(settings::kEliminateHiddenPaths);
  }
  void generalBoxesEditTheirBits() {
    QFETCH(QString, box);
    QFETCH(bool, inFlagsA);
    QFETCH(int, bit);
    Shell shell;
    const settings::Preferences before = shell.program.livePrefs;
    const auto flags = [&](const settings::Preferences& p) {
      return int(inFlagsA ? p.prefFlagsA : p.prefFlagsB);
    };
    for (const bool ok : {false, true}) {
      GeneralPreferencesDialog dialog(shell.program, &shell.window);
      dialog.show();
      auto* check = Child<QCheckBox>(dialog, box.toUtf8().constData());
      QCOMPARE(check->isChecked(), (flags(before) & bit) != 0);
      check->toggle();
      // Nothing is live before OK; Cancel drops the change.
      QCOMPARE(flags(shell.program.livePrefs), flags(before));
      if (ok) dialog.accept();
      else dialog.reject();
    }
    QCOMPARE(flags(shell.program.livePrefs), flags(before) ^ bit);
    // The other byte is untouched.
    QCOMPARE(int(inFlagsA ? shell.program.livePrefs.prefFlagsB : shell.program.livePrefs.prefFlagsA),
             int(inFlagsA ? before.prefFlagsB : before.prefFlagsA));
  }

  void turningPositionsOnAsksWhetherToReuseThem_data() {
    QTest::addColumn<bool>("reuse");
    QTest::newRow("yes keeps them") << true;
    QTest::newRow("no resets the first 18") << false;
  }
  void turningPositionsOnAsksWhetherToReuseThem() {
    QFETCH(bool, reuse);
    Shell shell;
    BoxAnswerer boxes;
    settings::Preferences& live = shell.program.livePrefs;
    live.prefFlagsB = 0;
    for (int i = 0; i < settings::kWindowSlots; ++i) live.windowPositions[i] = {std::int16_t(i + 1), 7};
    GeneralPreferencesDialog dialog(shell.program, &shell.window);
    dialog.show();
    boxes.script({reuse ? QMessageBox::Yes : QMessageBox::No, QMessageBox::Ok});
    Child<QCheckBox>(dialog, "savePositions")->setChecked(true);
    QStringList expected{Text(msg::kReusePositionsQuestion)};
    if (!reuse) expected << Text(msg::kPositionsReset);
    QTRY_COMPARE(boxes.texts, expected);
    // The reset reaches the record in force even if the dialog is then cancelled.
    dialog.reject();
    for (int i = 0; i < settings::kWindowSlots; ++i) {
      const bool cleared = !reuse && i < kResetWindowSlots;
      QCOMPARE(int(live.windowPositions[i].top), cleared ? 0 : i + 1);
    }
    QCOMPARE(int(live.prefFlagsB), 0);
    // Turning the option off asks nothing.
    Child<QCheckBox>(dialog, "savePositions")->setChecked(false);
    QTest::qWait(20);
    QCOMPARE(boxes.texts.size(), expected.size());
  }

  void scratchListSelectsTheFolderInForce() {
    Shell shell;
    const std::vector<std::string> candidates = ScratchCandidates();
    QVERIFY(!candidates.empty());
    QCOMPARE(candidates.front(), std::filesystem::path(platform::DefaultScratchBase()).string());
    const std::string chosen = candidates.back();
    QVERIFY(StoreFolder(chosen, shell.program.livePrefs.scratchFolder));
    {
      ScratchDiskDialog dialog(shell.program, false, &shell.window);
      QCOMPARE(Child<QListWidget>(dialog, "scratchDisks")->currentItem()->text().toStdString(), chosen);
    }
    // A folder not in the list (or a different case) selects the first entry.
    QVERIFY(StoreFolder("/no/such/Folder", shell.program.livePrefs.scratchFolder));
    ScratchDiskDialog dialog(shell.program, false, &shell.window);
    auto* list = Child<QListWidget>(dialog, "scratchDisks");
    QCOMPARE(list->currentRow(), 0);
    list->setCurrentRow(int(candidates.size()) - 1);
    dialog.accept();
    QCOMPARE(std::string(shell.program.livePrefs.scratchFolder), chosen);
    // No document is open: the scratch files go there from now on.
    QVERIFY(shell.program.scratchFolder.starts_with(chosen));
  }

  void folderTooLongForTheRecordIsRefused() {
    char field[settings::kFolderBytes] = "/kept";
    QVERIFY(!StoreFolder(std::string(settings::kFolderBytes, 'x'), field));
    QCOMPARE(std::string(field), std::string("/kept"));
    QVERIFY(StoreFolder(std::string(settings::kFolderBytes - 1, 'y'), field));
    QCOMPARE(std::strlen(field), settings::kFolderBytes - 1);
  }

  void pluginDialogShowsItsNoteAndKeepsTheFolder() {
    Shell shell;
    const std::string plugins = shell.dir / "plugins";
    std::filesystem::create_directories(plugins);
    PluginFolderDialog dialog(shell.program, &shell.window);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Plugin Directory"));
    QCOMPARE(dialog.nameFilters(), QStringList{"Acquire (*.VXA)"});
    QCOMPARE(Child<QLabel>(dialog, "note")->text(), Text(msg::kPluginFolderNote));
    dialog.setDirectory(QString::fromStdString(plugins));
    dialog.selectFile(QString::fromStdString(plugins + "/foo.VXA"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(std::string(shell.program.livePrefs.pluginFolder), plugins);
  }

  void choicesSurviveARestart() {
    Shell shell;
    const std::string config = shell.dir / "config";
    shell.window.setPreferencesFolder(config);
    {
      GeneralPreferencesDialog dialog(shell.program, &shell.window);
      Child<QCheckBox>(dialog, "beep")->setChecked(false);
      Child<QCheckBox>(dialog, "restoreSettings")->setChecked(true);
      dialog.accept();
    }
    const std::string scratch = ScratchCandidates().back();
    {
      ScratchDiskDialog dialog(shell.program, true, &shell.window);
      Child<QListWidget>(dialog, "scratchDisks")->setCurrentRow(int(ScratchCandidates().size()) - 1);
      dialog.accept();
    }
    {
      PluginFolderDialog dialog(shell.program, &shell.window);
      dialog.selectFile(QString::fromStdString(shell.dir / "foo.VXA"));
      dialog.accept();
    }
    QVERIFY(shell.window.close());

    settings::Preferences read;
    settings::NamedSettings named;
    settings::ConversionSettings active;
    const settings::PrefsLoadReport report = settings::LoadPreferences(config, read, named, active);
    QVERIFY(!report.prefsInvalid);
    QCOMPARE(int(read.prefFlagsA & settings::kBeepAfterConversions), 0);
    QVERIFY(read.prefFlagsA & settings::kRestoreSelectedSettings);
    QCOMPARE(std::string(read.scratchFolder), scratch);
    QCOMPARE(std::string(read.pluginFolder), shell.dir.path);
  }
};

}  // namespace

std::unique_ptr<QObject> MakePreferencesSuite() { return std::make_unique<PreferencesTest>(); }

}  // namespace vl::gui::test

#include "preferences_test.moc"
