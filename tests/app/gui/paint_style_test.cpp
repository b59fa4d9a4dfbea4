// The Paint Style palette in the window: Ctrl+I shows it with the selection's paint, Auto Apply
// writes each change into the selected paths as one undo step, Apply does it by hand, the
// weight field's range, Select Matching, and the custom colour menu.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include "app/gui/command_table.h"
#include "app/gui/paint_style_palette.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

using app::SlotType;

struct PaletteShell : Shell {
  PaletteShell() : Shell(170, 60, app::test::Squares(3, 40)) {}
  PaintStylePalette* palette = nullptr;
  bool start() {
    if (!open()) return false;
    window.dispatch(app::kCommandConvert);
    Key(window, Qt::Key_A);  // every path
    Key(window, Qt::Key_I);
    palette = window.paintStyle();
    return palette && palette->isVisible() && program.artwork.selectedCount == 3;
  }
  int pathsWith(art::PaintType fill) {
    int n = 0;
    for (int i = 0; i < program.artwork.count; ++i)
      n += program.artwork.paths[std::size_t(i)].fillType == fill;
    return n;
  }
  QAction* menuItem(const QString& text) {
    Q_EMIT palette->colorMenu()->aboutToShow();
    for (QAction* a : palette->colorMenu()->actions())
      if (a->text() == text) return a;
    return nullptr;
  }
};

class PaintStyleTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void autoApplyPaintsTheSelectionAsOneUndoStep() {
    PaletteShell shell;
    QVERIFY(shell.start());
    QCOMPARE(shell.palette->style().fill.type, SlotType::kBlack);
    QCOMPARE(shell.pathsWith(art::PaintType::Black), 3);
    shell.palette->chooseType(SlotType::kProcess);
    shell.palette->setInkPercent(0, 60);  // cyan
    QCOMPARE(shell.pathsWith(art::PaintType::Process), 3);
    for (int i = 0; i < 3; ++i)
      QCOMPARE(shell.program.artwork.paths[std::size_t(i)].fillColor & 0xFF, 153u);  // 60 %
    QVERIFY(shell.window.document().artModified);
    // Each change was its own step: undo gives back the process fill before the cyan.
    shell.window.dispatch(app::kCommandUndo);
    QCOMPARE(shell.pathsWith(art::PaintType::Process), 3);
    QCOMPARE(shell.program.artwork.paths[0].fillColor & 0xFF, 0u);
    QCOMPARE(shell.palette->style().fill.c, std::uint8_t(0));  // the palette follows the undo
  }

  void withoutAutoApplyTheApplyButtonWrites() {
    PaletteShell shell;
    QVERIFY(shell.start());
    QAction* autoApply = shell.menuItem(QStringLiteral("Auto Apply"));
    QVERIFY(autoApply && autoApply->isChecked());
    autoApply->trigger();
    QVERIFY(!(shell.program.livePrefs.prefFlagsA & settings::kAutoApplyColors));
    shell.palette->chooseType(SlotType::kWhite);
    QCOMPARE(shell.pathsWith(art::PaintType::Black), 3);
    shell.palette->apply();
    QCOMPARE(shell.pathsWith(art::PaintType::White), 3);
  }

  void strokeWeightOutsideTheRangeIsClampedWithItsMessage() {
    PaletteShell shell;
    QVERIFY(shell.start());
    BoxAnswerer answers;
    answers.script({QMessageBox::Ok});
    shell.palette->weightField()->setText(QStringLiteral("30"));
    shell.palette->setStrokeWeightText(shell.palette->weightField()->text());
    QCOMPARE(answers.texts, QStringList{QString::fromUtf8(msg::Text(msg::kStrokeWeightRange))});
    QCOMPARE(shell.palette->weightField()->text().remove(',').remove('.'), QStringLiteral("255"));
    for (int i = 0; i < 3; ++i) QCOMPARE(shell.program.artwork.paths[std::size_t(i)].strokeWeight, 255);
  }

  void selectMatchingSelectsPathsOfTheSameFill() {
    PaletteShell shell;
    QVERIFY(shell.start());
    // The first path turns white; then only the other two match the black fill.
    shell.window.dispatch(app::kCommandSelectNone);
    art::PathRecord& first = shell.program.artwork.paths[0];
    first.fillType = art::PaintType::White;
    first.fillColor = 0;
    shell.palette->chooseSlot(PaintSlotKind::kFill);
    QCOMPARE(shell.palette->style().fill.type, SlotType::kBlack);  // kept from before
    shell.palette->matchBox(0)->setChecked(true);
    shell.palette->selectMatching();
    QCOMPARE(shell.program.artwork.selectedCount, 2);
    QVERIFY(!(first.flags & art::kSelected));
    // Nothing more to add: told so.
    BoxAnswerer answers;
    answers.script({QMessageBox::Ok});
    shell.palette->selectMatching();
    QCOMPARE(answers.texts, QStringList{QString::fromUtf8(msg::Text(msg::kNoMatchesFound))});
  }

  void customColoursAreAppliedTaggedAndDeleted() {
    PaletteShell shell;
    shell.program.customColors.colors.push_back({"Ocean", 200, 40, 0, 20, false, 0});
    QVERIFY(shell.start());
    QCOMPARE(shell.palette->customList()->count(), 1);
    shell.palette->chooseType(SlotType::kCustom);
    QCOMPARE(shell.pathsWith(art::PaintType::Black), 3);  // no colour chosen yet: unchanged
    shell.palette->chooseCustomColor(0);
    QCOMPARE(shell.pathsWith(art::PaintType::Custom), 3);
    QCOMPARE(shell.program.artwork.paths[0].fillColor & 0xFF, 200u);
    QAction* tag = shell.menuItem(QString::fromUtf8(msg::Text(msg::kTagItem)));
    QVERIFY(tag && tag->isEnabled());
    tag->trigger();
    QVERIFY(shell.program.customColors.colors[0].tagged);
    QVERIFY(shell.menuItem(QString::fromUtf8(msg::Text(msg::kUntagItem))));
    BoxAnswerer answers;
    answers.script({QMessageBox::Ok});
    shell.menuItem(QStringLiteral("Delete"))->trigger();
    QVERIFY(answers.texts.value(0).contains(QStringLiteral("Ocean")));
    QVERIFY(shell.program.customColors.colors.empty());
    QCOMPARE(shell.pathsWith(art::PaintType::Process), 3);  // the deleted colour's paths
  }

  void openPaletteIsRememberedAtTheEnd() {
    PaletteShell shell;
    QVERIFY(shell.start());
    shell.program.livePrefs.prefFlagsB &= std::uint8_t(~settings::kPaintStyleOpen);
    BoxAnswerer answers;
    answers.script({QMessageBox::No});
    shell.window.close();
    QVERIFY(shell.program.livePrefs.prefFlagsB & settings::kPaintStyleOpen);
  }
};

}  // namespace

std::unique_ptr<QObject> MakePaintStyleSuite() { return std::make_unique<PaintStyleTest>(); }

}  // namespace vl::gui::test

#include "paint_style_test.moc"
