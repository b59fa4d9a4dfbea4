// The Levels dialog: the fields' corrections and messages, the gamma field's reading, the
// strip's markers, the preview and Cancel, and OK as one undoable step that the colour layer
// takes only when Levels opens again.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "app/gui/command_table.h"
#include "app/gui/levels_dialog.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

// A shell with a uniformly gray image open.
struct GrayShell : Shell {
  std::string gray = dir / "gray.tif";
  explicit GrayShell(std::uint8_t level = 100) {
    app::test::WriteGrayTiff(gray, 40, 30, level);
    dialogs.imageFile = gray;
    window.dispatch(app::kCommandOpen);
  }
  QImage shown() { return window.imageView()->viewport()->grab().toImage(); }
  std::uint8_t pixel() const { return program.image.colorLayer.data()[0]; }
};

image::ToneTable TableOf(int black, double gamma, int white) {
  image::ToneTable t{};
  image::buildToneTable({black, gamma, white}, t);
  return t;
}

class LevelsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void okCorrectsOutOfRangeFields_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("black above 253") << "levelsBlack" << "300" << int(msg::kLevelsBlackRange) << "253";
    QTest::newRow("black below 0") << "levelsBlack" << "-4" << int(msg::kLevelsBlackRange) << "0";
    QTest::newRow("gamma below 0.10") << "levelsGamma" << "0.05" << int(msg::kLevelsGammaRange) << "0.10";
    QTest::newRow("gamma 1a5 reads 15") << "levelsGamma" << "1a5" << int(msg::kLevelsGammaRange) << "9.99";
    QTest::newRow("white below 2") << "levelsWhite" << "1" << int(msg::kLevelsWhiteRange) << "2";
    QTest::newRow("white above 255") << "levelsWhite" << "256" << int(msg::kLevelsWhiteRange) << "255";
  }
  void okCorrectsOutOfRangeFields() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, message);
    QFETCH(QString, shown);
    GrayShell shell;
    QVERIFY(shell.window.document().imageOpen);
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    LevelsDialog dialog(shell.program, shell.window.document(), '.', [] {}, &shell.window);
    dialog.show();
    auto* edit = Child<QLineEdit>(dialog, field.toUtf8().constData());
    edit->setText(typed);
    dialog.accept();
    QTRY_COMPARE(boxes.texts, QStringList{Text(message)});
    QVERIFY(dialog.isVisible());
    QCOMPARE(edit->text(), shown);
    QCOMPARE(dialog.focusWidget(), edit);
    QCOMPARE(int(shell.program.undo.state.code), 0);
  }

  void gammaFieldReadsTheLocaleSeparator_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<char>("separator");
    QTest::addColumn<double>("gamma");
    QTest::newRow("comma") << "1,5" << ',' << 1.5;
    QTest::newRow("point") << "2.25" << '.' << 2.25;
    QTest::newRow("spaces and letters dropped") << " 0 .5x" << '.' << 0.5;
    QTest::newRow("letter inside") << "1a5" << ',' << 15.0;
  }
  void gammaFieldReadsTheLocaleSeparator() {
    QFETCH(QString, text);
    QFETCH(char, separator);
    QFETCH(double, gamma);
    double read = 0;
    QVERIFY(ReadGammaText(text, separator, read));
    QCOMPARE(read, gamma);
    QCOMPARE(GammaText(1.0, separator), QString("1") + QChar::fromLatin1(separator) + "00");
  }

  void typingKeepsWhiteTwoAboveBlack_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("black");
    QTest::addColumn<int>("white");
    QTest::newRow("black up to white pushes white") << "levelsBlack" << "100" << 100 << 102;
    QTest::newRow("white down to black above 128 pulls black") << "levelsWhite" << "131" << 129 << 131;
    QTest::newRow("out of range is left for OK") << "levelsBlack" << "254" << 0 << 255;
  }
  void typingKeepsWhiteTwoAboveBlack() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, black);
    QFETCH(int, white);
    GrayShell shell;
    LevelsDialog dialog(shell.program, shell.window.document(), '.', [] {}, &shell.window);
    if (field == "levelsWhite") dialog.setValues({200, 1.0, 250});
    if (field == "levelsBlack") dialog.setValues({0, 1.0, 101});
    if (typed == "254") dialog.setValues({0, 1.0, 255});
    auto* edit = Child<QLineEdit>(dialog, field.toUtf8().constData());
    // The whole text at once, as a paste gives it.
    edit->setText(typed);
    Q_EMIT edit->textEdited(typed);
    QCOMPARE(dialog.values().black, black);
    QCOMPARE(dialog.values().white, white);
  }

  void stripMarkersFollowTheDrag() {
    image::LevelsValues v;
    QCOMPARE(LevelsMarkerAt(v, 10), 0);
    QCOMPARE(LevelsMarkerAt(v, 128), 1);
    QCOMPARE(LevelsMarkerAt(v, 250), 2);
    DragLevelsMarker(v, 0, 300);
    QCOMPARE(v.black, 253);  // white - 2
    v = {};
    DragLevelsMarker(v, 2, 1);
    QCOMPARE(v.white, 2);
    // The middle marker sets gamma: a quarter of the way gives 10^0.5.
    v = {0, 1.0, 200};
    DragLevelsMarker(v, 1, 50);
    QVERIFY(std::abs(v.gamma - std::pow(10.0, 0.5)) < 1e-9);
    DragLevelsMarker(v, 1, 0);
    QCOMPARE(v.gamma, image::kLevelsGammaMax);

    // Dragging on the strip itself moves the black marker and its field.
    GrayShell shell;
    LevelsDialog dialog(shell.program, shell.window.document(), '.', [] {}, &shell.window);
    dialog.show();
    auto* strip = Child<QWidget>(dialog, "strip");
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(2, 7));
    QMouseEvent move(QEvent::MouseMove, QPointF(65, 7), strip->mapToGlobal(QPointF(65, 7)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(65, 7));
    QCOMPARE(dialog.values().black, 64);
    QCOMPARE(Child<QLineEdit>(dialog, "levelsBlack")->text(), QStringLiteral("64"));
  }

  void previewShowsTheTableAndCancelRestores() {
    GrayShell shell;
    const QImage before = shell.shown();
    int redraws = 0;
    LevelsDialog dialog(shell.program, shell.window.document(), '.', [&] {
      ++redraws;
      shell.window.imageView()->imageChanged();
    }, &shell.window);
    dialog.show();
    Child<QLineEdit>(dialog, "levelsWhite")->setText("120");
    Child<QPushButton>(dialog, "preview")->click();
    QCOMPARE(redraws, 1);
    QCOMPARE(shell.program.image.toneTable, TableOf(0, 1.0, 120));
    QVERIFY(shell.shown() != before);
    QCOMPARE(int(shell.pixel()), 100);  // the colour layer is not touched by a preview
    dialog.reject();
    QVERIFY(image::IsIdentityTable(shell.program.image.toneTable));
    QCOMPARE(shell.shown(), before);
    QCOMPARE(int(shell.pixel()), 100);
    QCOMPARE(int(shell.program.undo.state.code), 0);
    QVERIFY(!shell.window.document().pixelImageModified);
  }

  void resetRestoresTheDefaultsAndThePicture() {
    GrayShell shell;
    LevelsDialog dialog(shell.program, shell.window.document(), ',', [] {}, &shell.window);
    dialog.setValues({30, 2.5, 90});
    QCOMPARE(Child<QLineEdit>(dialog, "levelsGamma")->text(), QStringLiteral("2,50"));
    Child<QPushButton>(dialog, "preview")->click();
    QVERIFY(!image::IsIdentityTable(shell.program.image.toneTable));
    Child<QPushButton>(dialog, "reset")->click();
    QVERIFY(image::IsIdentityTable(shell.program.image.toneTable));
    QCOMPARE(Child<QLineEdit>(dialog, "levelsBlack")->text(), QStringLiteral("0"));
    QCOMPARE(Child<QLineEdit>(dialog, "levelsGamma")->text(), QStringLiteral("1,00"));
    QCOMPARE(Child<QLineEdit>(dialog, "levelsWhite")->text(), QStringLiteral("255"));
  }

  void okIsOneUndoableStepCommittedOnReopening() {
    GrayShell shell;
    const QImage before = shell.shown();
    const image::ToneTable table = TableOf(50, 1.5, 200);
    {
      LevelsDialog dialog(shell.program, shell.window.document(), ',', [&] {
        shell.window.imageView()->imageChanged();
      }, &shell.window);
      dialog.show();
      Child<QLineEdit>(dialog, "levelsBlack")->setText("50");
      Child<QLineEdit>(dialog, "levelsGamma")->setText("1,5");
      Child<QLineEdit>(dialog, "levelsWhite")->setText("200");
      dialog.accept();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    // Pending: shown through the table, the pixels unchanged, Undo offered.
    QCOMPARE(shell.program.image.toneTable, table);
    QCOMPARE(int(shell.pixel()), 100);
    QVERIFY(shell.window.document().pixelImageModified);
    QCOMPARE(QString::fromStdString(art::UndoMenuText(shell.program.undo)).section('\t', 0, 0),
             "Undo " + Text(msg::kUndoLevels));
    const QImage adjusted = shell.shown();
    QVERIFY(adjusted != before);

    shell.window.dispatch(app::kCommandUndo);
    QVERIFY(image::IsIdentityTable(shell.program.image.toneTable));
    QCOMPARE(shell.shown(), before);
    shell.window.dispatch(app::kCommandUndo);  // redo
    QCOMPARE(shell.program.image.toneTable, table);
    QCOMPARE(shell.shown(), adjusted);

    // Opening Levels again writes the table into the colour layer; it cannot be undone now.
    BoxAnswerer boxes;
    QTimer::singleShot(50, [] {
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    QVERIFY(shell.window.dispatch(kCmdLevels));
    QCOMPARE(int(shell.pixel()), int(table[100]));
    QVERIFY(image::IsIdentityTable(shell.program.image.toneTable));
    QCOMPARE(int(shell.program.undo.state.code), 0);
    QCOMPARE(shell.shown(), adjusted);
  }

  void identityOkRecordsNothing() {
    GrayShell shell;
    LevelsDialog dialog(shell.program, shell.window.document(), '.', [] {}, &shell.window);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(int(shell.program.undo.state.code), 0);
    QVERIFY(!shell.window.document().pixelImageModified);
  }

  void blackAndWhiteImagesAreRefused() {
    Shell shell;
    QVERIFY(shell.open());
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    QVERIFY(shell.window.action(kCmdLevels)->isEnabled());
    Key(shell.window, Qt::Key_L);
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kLevelsNeedGrayOrColor)});
    QCOMPARE(int(shell.program.undo.state.code), 0);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeLevelsSuite() { return std::make_unique<LevelsTest>(); }

}  // namespace vl::gui::test

#include "levels_test.moc"
