// The Settings dialog and the files written at the end: byte-order names, the protected
// "Defaults", "New Option" after a setup change, the name rules, Cancel, the 500 limit, and the
// window's place and the named settings surviving a restart.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <filesystem>

#include "app/gui/settings_dialog.h"
#include "base/message_table.h"
#include "settings/named_settings.h"
#include "settings/preferences_store.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

QStringList Entries(const QListWidget& list) {
  QStringList names;
  for (int i = 0; i < list.count(); ++i) names << list.item(i)->text();
  return names;
}

QStringList Names(const settings::NamedSettings& named) {
  QStringList names;
  for (const settings::ConversionSettings& s : named)
    names << QString::fromUtf8(settings::NameOf(s).data(), qsizetype(settings::NameOf(s).size()));
  return names;
}

// Defaults, then "fine" (tolerance 2.0) and "Fine" (tolerance 3.0), unsorted.
void AddSettings(app::Program& program) {
  settings::ensureDefaults(program.namedSettings);
  for (const auto& [name, tolerance] : {std::pair{"fine", 20}, std::pair{"Fine", 30}}) {
    settings::ConversionSettings s = program.activeSettings;
    s.tolerance = std::int16_t(tolerance);
    settings::SetName(s, name);
    program.namedSettings.push_back(s);
  }
}

void Select(SettingsDialog& dialog, const QString& name) {
  const QList<QListWidgetItem*> found = dialog.list()->findItems(name, Qt::MatchExactly);
  QVERIFY(found.size() == 1);
  dialog.list()->setCurrentItem(found.first());
}

void Type(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClicks(field, text);
}

// A window with the settings of AddSettings, and the dialog shown over it with `modified` as
// the setup's state; message boxes are answered OK once.
struct DialogRig {
  Shell shell;
  bool modified;
  BoxAnswerer boxes;
  std::unique_ptr<SettingsDialog> dialog;
  explicit DialogRig(bool setupModified) : modified(setupModified) {
    AddSettings(shell.program);
    boxes.script({QMessageBox::Ok});
    dialog = std::make_unique<SettingsDialog>(shell.program, modified, '.', &shell.window);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get())) qWarning("the dialog was not shown");
  }
};

class SettingsDialogTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void byteOrderAndOkPutsTheChoiceInForce() {
    Shell shell;
    AddSettings(shell.program);
    bool modified = false;
    SettingsDialog dialog(shell.program, modified, '.', &shell.window);
    dialog.show();
    QCOMPARE(Entries(*dialog.list()), (QStringList{"Defaults", "Fine", "fine"}));
    Select(dialog, QStringLiteral("Fine"));
    const QString fineSummary = dialog.summary()->text();
    Select(dialog, QStringLiteral("fine"));
    QCOMPARE(dialog.nameField()->text(), QStringLiteral("fine"));
    QVERIFY(!dialog.summary()->text().isEmpty());
    QVERIFY(dialog.summary()->text() != fineSummary);  // the tolerances differ
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(shell.program.activeSettings.tolerance, std::int16_t(20));
    QCOMPARE(settings::NameOf(shell.program.activeSettings), std::string_view("fine"));
    QCOMPARE(QString::fromLatin1(shell.program.livePrefs.selectedSettingsName),
             QStringLiteral("fine"));
  }

  void defaultsCannotBeDeletedOrRenamed() {
    DialogRig rig(false);
    auto& [shell, modified, boxes, d] = rig;
    SettingsDialog& dialog = *d;
    boxes.script({QMessageBox::Ok});
    Select(dialog, QStringLiteral("Defaults"));
    dialog.deleteSelected();
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kCantDeleteDefaults)});
    QTest::keyClicks(dialog.nameField(), QStringLiteral("x"));
    QTRY_COMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.texts.last(), Text(msg::kCantRenameDefaults));
    QCOMPARE(dialog.nameField()->text(), QStringLiteral("Defaults"));
    QCOMPARE(Names(shell.program.namedSettings), (QStringList{"Defaults", "Fine", "fine"}));
  }

  void aSetupChangeIsOfferedAsNewOption() {
    Shell shell;
    AddSettings(shell.program);
    shell.program.activeSettings.tolerance = 45;
    bool modified = true;
    SettingsDialog dialog(shell.program, modified, '.', &shell.window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(Entries(*dialog.list()).last(), Text(msg::kNewOptionName));
    QCOMPARE(dialog.list()->currentRow(), dialog.list()->count() - 1);
    Type(dialog.nameField(), QStringLiteral("Scans"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!modified);
    const settings::ConversionSettings* scans =
        settings::findSetting(shell.program.namedSettings, "Scans");
    QVERIFY(scans);
    QCOMPARE(scans->tolerance, std::int16_t(45));
    QCOMPARE(settings::NameOf(shell.program.activeSettings), std::string_view("Scans"));
  }

  void badNamesKeepTheDialogOpen_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");
    QTest::newRow("empty") << true << "New Option" << "" << int(msg::kEnterName);
    QTest::newRow("reserved") << true << "New Option" << "New Option" << int(msg::kNameReserved);
    QTest::newRow("new under a used name") << true << "New Option" << "Fine" << int(msg::kNameInUse);
    // Renaming happens at once; the name used twice is caught by OK.
    QTest::newRow("renamed onto another") << false << "fine" << "Fine" << int(msg::kNameInUse);
  }
  void badNamesKeepTheDialogOpen() {
    QFETCH(bool, modified);
    QFETCH(QString, select);
    QFETCH(QString, typed);
    QFETCH(int, message);
    DialogRig rig(modified);
    auto& [shell, unused, boxes, d] = rig;
    SettingsDialog& dialog = *d;
    Select(dialog, select);
    Type(dialog.nameField(), typed);
    const int entries = dialog.list()->count();
    dialog.accept();
    QTRY_COMPARE(boxes.texts, QStringList{Text(message)});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.list()->count(), entries);
    QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.nameField()));
  }

  void createRefusesANameInUseAndAddsOtherwise() {
    DialogRig rig(true);
    auto& [shell, modified, boxes, d] = rig;
    SettingsDialog& dialog = *d;
    Type(dialog.nameField(), QStringLiteral("fine"));
    dialog.create();
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kNameInUse)});
    QCOMPARE(shell.program.namedSettings.size(), std::size_t(3));
    Type(dialog.nameField(), QStringLiteral("Batch"));
    dialog.create();
    QCOMPARE(Entries(*dialog.list()), (QStringList{"Batch", "Defaults", "Fine", "fine"}));
    QCOMPARE(dialog.list()->currentItem()->text(), QStringLiteral("Batch"));
    QVERIFY(!modified);
  }

  void cancelPutsTheListBack() {
    Shell shell;
    AddSettings(shell.program);
    settings::sortSettings(shell.program.namedSettings);
    const QStringList before = Names(shell.program.namedSettings);
    bool modified = false;
    SettingsDialog dialog(shell.program, modified, '.', &shell.window);
    dialog.show();
    Select(dialog, QStringLiteral("Fine"));
    dialog.deleteSelected();
    Select(dialog, QStringLiteral("fine"));
    Type(dialog.nameField(), QStringLiteral("coarse"));
    QCOMPARE(Names(shell.program.namedSettings), (QStringList{"Defaults", "coarse"}));
    dialog.reject();
    QCOMPARE(Names(shell.program.namedSettings), before);
  }

  void aFullListOffersNoNewOption() {
    Shell shell;
    settings::ensureDefaults(shell.program.namedSettings);
    for (int i = 1; i < settings::kMaxNamedSettings; ++i) {
      settings::ConversionSettings s = shell.program.activeSettings;
      char name[16];
      std::snprintf(name, sizeof name, "s%d", i);
      settings::SetName(s, name);
      shell.program.namedSettings.push_back(s);
    }
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    bool modified = true;
    SettingsDialog dialog(shell.program, modified, '.', &shell.window);
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kMaxSettings)});
    QVERIFY(!modified);
    QVERIFY(!Entries(*dialog.list()).contains(Text(msg::kNewOptionName)));
    QCOMPARE(dialog.list()->count(), settings::kMaxNamedSettings);
  }

  // Quit writes the window's place and the named settings; the next start reads both back.
  void placeAndSettingsSurviveARestart() {
    TempDir config;
    QRect placed;
    {
      Shell shell;
      AddSettings(shell.program);
      shell.window.setPreferencesFolder(config.path);
      shell.window.setGeometry(QRect(40, 50, 700, 520));
      placed = shell.window.normalGeometry();
      shell.window.close();
      QVERIFY(!shell.window.isVisible());
    }
    settings::Preferences live;
    settings::NamedSettings named;
    settings::ConversionSettings active;
    const settings::PrefsLoadReport report =
        settings::LoadPreferences(config.path, live, named, active);
    QVERIFY(!report.prefsInvalid && !report.settingsInvalid);
    QCOMPARE(QRect(live.mainWindow[0], live.mainWindow[1], live.mainWindow[2], live.mainWindow[3]),
             placed);
    QVERIFY(Names(named).contains(QStringLiteral("fine")));
    QVERIFY(Names(named).contains(QStringLiteral("Fine")));

    Shell again;
    again.program.livePrefs = live;
    MainWindow reopened(again.program, &again.dialogs);
    QCOMPARE(reopened.geometry().size(), placed.size());
  }
};

}  // namespace

std::unique_ptr<QObject> MakeSettingsSuite() { return std::make_unique<SettingsDialogTest>(); }

}  // namespace vl::gui::test

#include "settings_dialog_test.moc"
