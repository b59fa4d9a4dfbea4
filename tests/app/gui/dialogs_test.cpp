// The setup dialogs: values shown and read with the locale's separator, the corrections and
// messages of OK, the question that turning on a black-and-white option raises, and the keyboard.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "app/gui/setup_dialogs.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

class DialogsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void conversionSetupCorrectsOutOfRangeValues_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");  // 0: OK closes the dialog
    QTest::addColumn<QString>("shown");  // the field afterwards
    QTest::newRow("noise above 80") << "noiseSuppression" << "95" << 28 << "80";
    QTest::newRow("tolerance 5.04 passes") << "tolerance" << "5.04" << 0 << "5.04";
    QTest::newRow("straight 0.4") << "straightToCurved" << "0.4" << 52 << "1.0";
  }
  void conversionSetupCorrectsOutOfRangeValues() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, message);
    QFETCH(QString, shown);
    Shell shell;
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    ConversionSetupDialog dialog(shell.program, '.', &shell.window);
    dialog.show();
    auto* edit = Child<QLineEdit>(dialog, field.toUtf8().constData());
    edit->setText(typed);
    dialog.accept();
    if (message == 0) {
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QVERIFY(boxes.texts.isEmpty());
      QCOMPARE(shell.program.activeSettings.tolerance, 50);
      return;
    }
    QTRY_COMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.texts.first(), Text(message));
    QVERIFY(dialog.isVisible());
    QCOMPARE(edit->text(), shown);
    QCOMPARE(dialog.focusWidget(), edit);
    // Nothing reached the settings in force.
    QCOMPARE(shell.program.activeSettings.noiseSuppression, 800);
  }

  void noMethodKeepsTheDialogOpen() {
    Shell shell;
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    ConversionSetupDialog dialog(shell.program, '.', &shell.window);
    dialog.show();
    Child<QCheckBox>(dialog, "outline")->setChecked(false);
    // Without Outline the noise field is neither enabled nor checked.
    QVERIFY(!Child<QLineEdit>(dialog, "noiseSuppression")->isEnabled());
    dialog.accept();
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kNoMethod)});
    QVERIFY(dialog.isVisible());
    QVERIFY(shell.program.activeSettings.has(settings::kMethodOutline));
  }

  void fieldsUseTheLocaleSeparator() {
    Shell shell;
    ConversionSetupDialog dialog(shell.program, ',', &shell.window);
    dialog.show();
    auto* noise = Child<QLineEdit>(dialog, "noiseSuppression");
    auto* tolerance = Child<QLineEdit>(dialog, "tolerance");
    QCOMPARE(tolerance->text(), QStringLiteral("3,0"));
    // Typed characters other than digits and the separator are dropped as they come.
    noise->clear();
    QTest::keyClicks(noise, QStringLiteral("1a2"));
    QCOMPARE(noise->text(), QStringLiteral("12"));
    QCOMPARE(Child<QSlider>(dialog, "noiseSlider")->value(), 12);
    noise->clear();
    QTest::keyClicks(noise, QStringLiteral("12,5"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(shell.program.activeSettings.noiseSuppression, 1250);
    // Moving a slider writes the field.
    ConversionSetupDialog again(shell.program, ',', &shell.window);
    Child<QSlider>(again, "toleranceSlider")->setValue(42);
    QCOMPARE(Child<QLineEdit>(again, "tolerance")->text(), QStringLiteral("4,2"));
  }

  void blackAndWhiteOptionAsksToTurnPosterizationOff() {
    Shell shell;
    shell.program.activeSettings.set(settings::kColorConversion, true);
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Cancel, QMessageBox::Ok});
    ConversionSetupDialog dialog(shell.program, '.', &shell.window);
    dialog.show();
    auto* center = Child<QCheckBox>(dialog, "centerline");
    center->click();  // Cancel: stays off
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.texts.first(), Text(msg::kPosterizationOffQuestion));
    QVERIFY(!center->isChecked());
    center->click();  // OK: on, posterization off
    QVERIFY(center->isChecked());
    QVERIFY(shell.program.dialogSettings.has(settings::kMethodCenterline));
    QVERIFY(!shell.program.dialogSettings.has(settings::kColorConversion));
  }

  void colorSetupCorrections_data() {
    QTest::addColumn<int>("mode");  // list entry, 1-based
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("complexity 25") << 1 << "complexity" << "25" << 257 << "20";
    QTest::newRow("complexity 1") << 2 << "complexity" << "1" << 257 << "2";
    QTest::newRow("colours 300") << 1 << "maxColors" << "300" << 68 << "255";
    QTest::newRow("threshold 150") << 4 << "threshold" << "150" << 41 << "100";
  }
  void colorSetupCorrections() {
    QFETCH(int, mode);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, message);
    QFETCH(QString, shown);
    Shell shell;
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    ColorSetupDialog dialog(shell.program, &shell.window);
    dialog.show();
    Child<QComboBox>(dialog, "posterization")->setCurrentIndex(mode - 1);
    auto* edit = Child<QLineEdit>(dialog, field.toUtf8().constData());
    QVERIFY(edit->isEnabled());
    edit->setText(typed);
    dialog.accept();
    QTRY_COMPARE(boxes.texts, QStringList{Text(message)});
    QVERIFY(dialog.isVisible());
    QCOMPARE(edit->text(), shown);
    QVERIFY(!shell.program.activeSettings.has(settings::kColorConversion));
  }

  void colorWithACenterlineMethodAsksForOutline() {
    Shell shell;
    shell.program.activeSettings.set(settings::kMethodCenterline, true);
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    ColorSetupDialog dialog(shell.program, &shell.window);
    dialog.show();
    Child<QComboBox>(dialog, "posterization")->setCurrentIndex(1);  // Unlimited Colors
    dialog.accept();
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kIncompatibleMethod)});
    QVERIFY(dialog.isVisible());  // stays open for another look
    QVERIFY(!shell.program.dialogSettings.has(settings::kMethodCenterline));
    QVERIFY(shell.program.dialogSettings.has(settings::kMethodOutline));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(shell.program.activeSettings.has(settings::kColorConversion));
  }

  // Close fit is a preference that sets the program's fit mode: OK sets both, Cancel neither.
  void closeFitReachesTheProgramOnlyOnOk_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
  }
  void closeFitReachesTheProgramOnlyOnOk() {
    QFETCH(bool, ok);
    Shell shell;
    for (const engine::FitMode start : {engine::FitMode::kDefault, engine::FitMode::kClose}) {
      shell.program.fitMode = start;
      shell.program.livePrefs.setCloseFit(start == engine::FitMode::kClose);
      ConversionSetupDialog dialog(shell.program, '.', &shell.window);
      dialog.show();
      auto* box = Child<QCheckBox>(dialog, "closeFit");
      QCOMPARE(box->isChecked(), start == engine::FitMode::kClose);
      box->setChecked(!box->isChecked());
      ok ? dialog.accept() : dialog.reject();
      const engine::FitMode flipped = start == engine::FitMode::kClose ? engine::FitMode::kDefault
                                                                        : engine::FitMode::kClose;
      QVERIFY(shell.program.fitMode == (ok ? flipped : start));
      QCOMPARE(shell.program.livePrefs.closeFit(), shell.program.fitMode == engine::FitMode::kClose);
    }
  }

  // In Use Custom Colors the maximum counts the colours the paths may get.
  void customColourMaximum_data() {
    QTest::addColumn<bool>("taggedOnly");
    QTest::addColumn<bool>("tints");
    QTest::addColumn<int>("shown");  // with 3 colours, 1 of them tagged
    QTest::newRow("all colours") << false << false << 3;
    QTest::newRow("tagged only") << true << false << 1;
    QTest::newRow("with tints") << false << true << 30;
    QTest::newRow("tagged, with tints") << true << true << 10;
  }
  void customColourMaximum() {
    QFETCH(bool, taggedOnly);
    QFETCH(bool, tints);
    QFETCH(int, shown);
    Shell shell;
    base::Runtime rt = shell.program.runtime();
    for (const char* entry : {"1 0 0 0 (A)", "0 1 0 0 (B)", "0 0 1 0 (C)"})
      QVERIFY(art::setCustomColorFromText(rt, shell.program.customColors, entry));
    shell.program.customColors.colors[1].tagged = true;
    ColorSetupDialog dialog(shell.program, &shell.window);
    dialog.show();
    Child<QComboBox>(dialog, "posterization")->setCurrentIndex(2);  // Use Custom Colors
    auto* maximum = Child<QLineEdit>(dialog, "maxColors");
    QVERIFY(!maximum->isEnabled());
    Child<QCheckBox>(dialog, "taggedColorsOnly")->setChecked(taggedOnly);
    Child<QCheckBox>(dialog, "generateTints")->setChecked(tints);
    QCOMPARE(maximum->text(), QString::number(shown));
    // Back in Limited Colors the field is the limit again.
    Child<QComboBox>(dialog, "posterization")->setCurrentIndex(0);
    QCOMPARE(maximum->text(), QString::number(shell.program.activeSettings.maxColors));
  }

  // The keyboard alone: Return is OK, Escape is Cancel and leaves the settings as they were.
  void keyboardOperable() {
    Shell shell;
    for (const bool ok : {false, true}) {
      ConversionSetupDialog dialog(shell.program, '.', &shell.window);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      auto* noise = Child<QLineEdit>(dialog, "noiseSuppression");
      noise->setFocus();
      noise->selectAll();
      QTest::keyClicks(noise, QStringLiteral("5"));
      QTest::keyClick(noise, ok ? Qt::Key_Return : Qt::Key_Escape);
      QCOMPARE(dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
      QCOMPARE(shell.program.activeSettings.noiseSuppression, ok ? 500 : 800);
    }
    // Every control can take the focus from the keyboard.
    ConversionSetupDialog dialog(shell.program, '.', &shell.window);
    for (QWidget* w : dialog.findChildren<QWidget*>())
      if (qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w))
        QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(w->objectName()));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeDialogsSuite() { return std::make_unique<DialogsTest>(); }

}  // namespace vl::gui::test

#include "dialogs_test.moc"
