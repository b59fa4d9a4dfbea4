// The pixel image edits in the window: Fill (Ctrl+F) enabled only for a pixel selection, painting
// it with the Paint Style palette's swatch, undone and redone by Ctrl+Z; and the Save Pixel Image
// As dialog, whose file type decides the format written.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <memory>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "app/gui/command_table.h"
#include "app/gui/file_dialogs.h"
#include "app/gui/paint_style_palette.h"
#include "image/save_pixel_image.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const platform::Block& b) { return {b.data(), b.data() + b.size()}; }

bool AllSet(const image::RasterImage& image, const platform::Block& layer) {
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image::LayerRow(layer, image, y);
    for (int x = 0; x < image.width; ++x)
      if (!image::BitAt(row, x)) return false;
  }
  return true;
}

// The file type combo of Qt's own file dialog, switched as the user would.
void ChooseFileType(QFileDialog& dialog, int index) {
  auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  QVERIFY(combo);
  combo->setCurrentIndex(index);
  Q_EMIT combo->activated(index);
}

QString NameField(QFileDialog& dialog) {
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  return name ? name->text() : QString();
}

class PixelEditsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void fillFollowsTheSelectionAndTheSwatch() {
    Shell shell;
    QAction* fill = shell.window.action(app::kCommandFill);
    QVERIFY(fill);
    QVERIFY(!fill->isEnabled());  // no image
    QVERIFY(shell.open());
    QVERIFY(!fill->isEnabled());  // no selection
    const image::RasterImage& image = shell.program.image;
    const Bytes loaded = Of(image.backupLayer);

    Key(shell.window, Qt::Key_A);
    QVERIFY(fill->isEnabled());
    Key(shell.window, Qt::Key_F);
    QVERIFY(AllSet(image, image.backupLayer));  // the whole page is ink
    QVERIFY(shell.window.document().pixelImageModified);
    QCOMPARE(QString::fromStdString(app::UndoMenuItem(shell.program)).section('\t', 0, 0),
             QStringLiteral("Undo Fill"));
    Key(shell.window, Qt::Key_Z);
    QCOMPARE(Of(image.backupLayer), loaded);
    Key(shell.window, Qt::Key_Z);
    QVERIFY(AllSet(image, image.backupLayer));
    Key(shell.window, Qt::Key_Z);

    // White chosen as the swatch in the palette: Fill clears the selected ink.
    Key(shell.window, Qt::Key_I);
    PaintStylePalette* palette = shell.window.paintStyle();
    QVERIFY(palette);
    palette->chooseSlot(PaintSlotKind::kSwatch);
    palette->chooseType(app::SlotType::kWhite);
    QCOMPARE(shell.program.currentPaint.type, app::SlotType::kWhite);
    Key(shell.window, Qt::Key_F);
    QVERIFY(std::all_of(image.backupLayer.data(), image.backupLayer.data() + image.backupLayer.size(),
                        [](std::uint8_t b) { return b == 0; }));
    Key(shell.window, Qt::Key_Z);
    QCOMPARE(Of(image.backupLayer), loaded);

    // Art makes Fill unavailable, as the pixels are no longer what is edited.
    Key(shell.window, Qt::Key_D);
    Key(shell.window, Qt::Key_R);
    QVERIFY(shell.program.artwork.count > 0);
    Key(shell.window, Qt::Key_A);
    QVERIFY(!fill->isEnabled());
  }

  void pixelDialogProposesTheImagesFormatAndRenamesOnAnotherType() {
    const struct {
      const char* name;
      int proposed;  // the format the window proposes
      int chosen;    // the file type index chosen in the dialog
      QString before, after;
      int written;
      std::int16_t readAs;
    } rows[] = {
        {"TIFF kept", image::kPixelSaveTiff, 1, "scan.tif", "scan.tif", image::kPixelSaveTiff, image::kSourceTiff},
        {"TIFF to RVX", image::kPixelSaveTiff, 0, "scan.tif", "scan.rvx", image::kPixelSaveRvx3, image::kSourceRvx3},
        {"RVX to TIFF", image::kPixelSaveRvx3, 1, "scan.rvx", "scan.tif", image::kPixelSaveTiff, image::kSourceTiff},
    };
    for (const auto& row : rows) {
      Shell shell;
      QVERIFY(shell.open());
      const std::string proposal = shell.dir / "scan.tif";
      const std::unique_ptr<QFileDialog> dialog(NewPixelImageDialog(&shell.window, proposal, row.proposed));
      QCOMPARE(dialog->nameFilters(), (QStringList{"Rastelvox (*.rvx)", "TIFF (*.tif)"}));
      QCOMPARE(NameField(*dialog), row.before);
      ChooseFileType(*dialog, row.chosen);
      QVERIFY2(NameField(*dialog) == row.after, row.name);
      std::string path;
      int format = -1;
      QVERIFY(ChosenPixelImage(*dialog, path, format));
      QCOMPARE(format, row.written);
      QCOMPARE(QString::fromStdString(path), QString::fromStdString(shell.dir / row.after.toStdString()));
      // What was written reads back as the chosen format, pixel for pixel.
      const Bytes pixels = Of(shell.program.image.bitLayer);
      QVERIFY(app::WritePixelImage(shell.program, shell.window.document(), path, format));
      QCOMPARE(shell.program.livePrefs.pixelSaveFormat, std::int16_t(format));
      app::Document readBack;
      QVERIFY(app::OpenDocument(shell.program, readBack, path).read());
      QVERIFY2(shell.program.image.sourceFormat == row.readAs, row.name);
      QCOMPARE(Of(shell.program.image.bitLayer), pixels);
      app::CloseDocument(shell.program, readBack);
    }
  }

  void saveCommandProposesTheFormatTheImageCameFrom() {
    Shell shell;
    QVERIFY(shell.open());
    shell.dialogs.pixelFile = shell.dir / "copy.rvx";
    shell.dialogs.pixelFormat = image::kPixelSaveRvx3;
    shell.window.dispatch(kCmdSavePixelImageAs);
    QCOMPARE(shell.dialogs.proposedPixelFormat, image::kPixelSaveTiff);  // read from a TIFF
    QCOMPARE(shell.program.image.sourceFormat, image::kSourceRvx3);
    // The image now comes from the RVX file: the next proposal is RVX.
    shell.dialogs.pixelFile.reset();
    shell.window.dispatch(kCmdSavePixelImageAs);
    QCOMPARE(shell.dialogs.proposedPixelFormat, image::kPixelSaveRvx3);
    QCOMPARE(shell.dialogs.proposedPixelFile, shell.dir / "copy.rvx");
  }
};

}  // namespace

std::unique_ptr<QObject> MakePixelEditsSuite() { return std::make_unique<PixelEditsTest>(); }

}  // namespace vl::gui::test

#include "pixel_edits_test.moc"
