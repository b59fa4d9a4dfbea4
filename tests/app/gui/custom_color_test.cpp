// The Custom Color dialog: percentages and the count line, New's names, the name rules of OK
// and of choosing another colour, and Delete reaching the table and the art only on OK.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include "app/gui/custom_color_dialog.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

std::vector<std::string> Names(const art::CustomColorList& colors) {
  std::vector<std::string> names;
  for (const art::CustomColor& c : colors) names.push_back(c.name);
  return names;
}

// A table of three colours and three paths painted with them, in that order.
void Populate(app::Program& program) {
  base::Runtime rt = program.runtime();
  for (const char* entry : {"1 0 0 0 (Cyan)", "0 1 0 0 (Magenta)", "0 0 1 0 (Yellow)"})
    QVERIFY(art::setCustomColorFromText(rt, program.customColors, entry));
  art::Artwork& art = program.artwork;
  art.paths.resize(3);
  art.count = 3;
  for (std::uint16_t i = 0; i < 3; ++i) {
    art.paths[i].fillType = art::PaintType::Custom;
    art.paths[i].fillCustomIndex = i;
    art.paths[i].fillColor = art::PackedColor(program.customColors.colors[i]);
  }
}

class CustomColorTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void percentagesRoundTrip() {
    for (int p = 0; p <= 100; ++p) QCOMPARE(InkPercent(InkFromPercent(p)), p);
    QCOMPARE(InkFromPercent(100), std::uint8_t(255));
    QCOMPARE(InkFromPercent(-5), std::uint8_t(0));
    QCOMPARE(InkFromPercent(140), std::uint8_t(255));
    // Every byte shows the percentage nearest to it.
    for (int b = 0; b <= 255; ++b)
      QVERIFY(std::abs(InkPercent(std::uint8_t(b)) * 255 - b * 100) <= 128);
  }

  void countLineAgreesInNumber_data() {
    QTest::addColumn<int>("tagged");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("tagMessage");
    QTest::addColumn<int>("totalMessage");
    QTest::newRow("none") << 0 << 0 << int(msg::kTagCountMany) << int(msg::kTotalColorsMany);
    QTest::newRow("one of one") << 1 << 1 << int(msg::kTagCountOne) << int(msg::kTotalColorOne);
    QTest::newRow("one of two") << 1 << 2 << int(msg::kTagCountOne) << int(msg::kTotalColorsMany);
    QTest::newRow("two of two") << 2 << 2 << int(msg::kTagCountMany) << int(msg::kTotalColorsMany);
  }
  void countLineAgreesInNumber() {
    QFETCH(int, tagged);
    QFETCH(int, total);
    QFETCH(int, tagMessage);
    QFETCH(int, totalMessage);
    QCOMPARE(ColorCountLine(tagged, total),
             msg::Format(tagMessage, tagged) + msg::Format(totalMessage, total));
  }

  void cancelLeavesTableAndArtAlone() {
    Shell shell;
    Populate(shell.program);
    const art::CustomColorList before = shell.program.customColors.colors;
    CustomColorDialog dialog(shell.program, &shell.window);
    dialog.show();
    dialog.list()->setCurrentRow(1);
    dialog.inkField(2)->setValue(40);
    dialog.deleteSelected();
    dialog.newColor();
    QCOMPARE(dialog.list()->count(), 3);
    dialog.reject();
    QCOMPARE(Names(shell.program.customColors.colors), Names(before));
    QCOMPARE(shell.program.customColors.colors[1].y, before[1].y);
    for (std::uint16_t i = 0; i < 3; ++i) {
      QCOMPARE(shell.program.artwork.paths[i].fillType, art::PaintType::Custom);
      QCOMPARE(shell.program.artwork.paths[i].fillCustomIndex, i);
    }
  }

  void okAppliesDeletionsEditsAndNewColours() {
    Shell shell;
    Populate(shell.program);
    CustomColorDialog dialog(shell.program, &shell.window);
    dialog.show();
    QCOMPARE(dialog.countLine()->text(), QString::fromStdString(ColorCountLine(0, 3)));
    dialog.list()->setCurrentRow(1);
    dialog.deleteSelected();
    // The colour now at the place of the deleted one is chosen.
    QCOMPARE(dialog.nameField()->text(), QStringLiteral("Yellow"));
    dialog.inkField(0)->setValue(50);
    dialog.list()->item(0)->setCheckState(Qt::Checked);
    dialog.newColor();
    QCOMPARE(dialog.countLine()->text(), QString::fromStdString(ColorCountLine(1, 3)));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    const app::Program& p = shell.program;
    QCOMPARE(Names(p.customColors.colors),
             (std::vector<std::string>{"Cyan", "Yellow", std::string(msg::Text(msg::kNewColorName)) + " 1"}));
    QVERIFY(p.customColors.colors[0].tagged);
    QCOMPARE(p.customColors.colors[1].c, InkFromPercent(50));
    QCOMPARE(p.livePrefs.customColorCount, std::int16_t(3));
    // The path painted Magenta keeps its look as a process colour; Yellow's moved down.
    QCOMPARE(p.artwork.paths[0].fillCustomIndex, std::uint16_t(0));
    QCOMPARE(p.artwork.paths[1].fillType, art::PaintType::Process);
    QCOMPARE(p.artwork.paths[2].fillType, art::PaintType::Custom);
    QCOMPARE(p.artwork.paths[2].fillCustomIndex, std::uint16_t(1));
  }

  void newSkipsNamesInUse() {
    Shell shell;
    base::Runtime rt = shell.program.runtime();
    const std::string first = std::string(msg::Text(msg::kNewColorName)) + " 1";
    QVERIFY(art::setCustomColorFromText(rt, shell.program.customColors, "0 0 0 1 (" + first + ")"));
    CustomColorDialog dialog(shell.program, &shell.window);
    dialog.show();
    dialog.newColor();
    dialog.newColor();
    QCOMPARE(dialog.list()->item(1)->text().toStdString(), std::string(msg::Text(msg::kNewColorName)) + " 2");
    QCOMPARE(dialog.list()->item(2)->text().toStdString(), std::string(msg::Text(msg::kNewColorName)) + " 3");
    QCOMPARE(dialog.list()->currentRow(), 2);
  }

  void badNamesKeepTheColourChosen_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("message");
    QTest::newRow("empty") << "" << int(msg::kEnterName);
    QTest::newRow("another colour's") << "Yellow" << int(msg::kNameInUse);
  }
  void badNamesKeepTheColourChosen() {
    QFETCH(QString, typed);
    QFETCH(int, message);
    Shell shell;
    Populate(shell.program);
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok, QMessageBox::Ok});
    CustomColorDialog dialog(shell.program, &shell.window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* name = dialog.nameField();
    name->setFocus();
    name->selectAll();
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClicks(name, typed);
    // Another colour cannot be chosen, nor can OK close the dialog.
    dialog.list()->setCurrentRow(1);
    QCOMPARE(dialog.list()->currentRow(), 0);
    dialog.accept();
    QTRY_COMPARE(boxes.texts, (QStringList{Text(message), Text(message)}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(shell.program.customColors.colors[0].name, std::string("Cyan"));
    // A good name lets OK through.
    name->setText(QStringLiteral("Sky"));
    Q_EMIT name->textEdited(name->text());
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(shell.program.customColors.colors[0].name, std::string("Sky"));
  }

  void ctrlUOpensTheDialog() {
    Shell shell;
    QString seen;
    QTimer::singleShot(50, [&seen] {
      if (QWidget* w = QApplication::activeModalWidget()) {
        seen = w->windowTitle();
        qobject_cast<QDialog*>(w)->reject();
      }
    });
    Key(shell.window, Qt::Key_U);
    QCOMPARE(seen, Text(msg::kCustomColorCaption));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeCustomColorSuite() { return std::make_unique<CustomColorTest>(); }

}  // namespace vl::gui::test

#include "custom_color_test.moc"
