// The image window's drawing: the screen image holds the scan's pixels, the paths are painted or
// outlined by view mode, and zooming keeps the centre in place.
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <cmath>

#include "app/document_actions.h"
#include "app/edit_commands.h"
#include "app/gui/selection_overlay.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

bool Ink(int x, int y) { return (x * 7 + y * 3) % 11 < 4; }

QImage Render(ImageView& view) {
  QImage out(view.viewport()->size(), QImage::Format_RGB32);
  QPainter painter(&out);
  view.render(painter, out.rect());
  return out;
}

class ViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  // A path that winds twice around its middle (a five-pointed star drawn in one line) is
  // filled there too, as the art's writers fill it.
  void selfOverlappingPathsFillByWinding() {
    Shell shell;
    base::Runtime rt = shell.program.runtime();
    art::Artwork art;
    QVERIFY(art::initArtwork(art, rt));
    std::vector<std::uint16_t> words;
    const double cx = 1000, cy = 1000, r = 800;
    for (int k = 0; k <= 5; ++k) {
      const double a = (90 + 144.0 * (k % 5)) * 3.14159265358979 / 180;
      words.push_back(std::uint16_t(std::lround(cx + r * std::cos(a))));
      words.push_back(std::uint16_t(std::lround(cy - r * std::sin(a))));
    }
    art::PathRecord like;
    like.fillType = art::PaintType::Black;
    like.fillColor = art::kBlackColor;
    QVERIFY(art::appendPath(art, rt, like, words));
    const std::vector<PaintedPath> painted = BuildPaintedPaths(art, 1.0, 1.0);
    QCOMPARE(painted.size(), std::size_t(1));
    QVERIFY(painted[0].outline.contains(QPointF(cx, cy)));         // wound twice
    QVERIFY(painted[0].outline.contains(QPointF(cx, cy - 0.8 * r)));  // a point, wound once
    QVERIFY(!painted[0].outline.contains(QPointF(cx - 0.9 * r, cy + 0.9 * r)));
  }

  void screenImageHoldsTheScansPixels_data() {
    QTest::addColumn<int>("step");
    QTest::newRow("every pixel") << 1;
    QTest::newRow("every third") << 3;
  }
  void screenImageHoldsTheScansPixels() {
    QFETCH(int, step);
    Shell shell(53, 29, Ink);
    QVERIFY(shell.open());
    const QImage image = BuildScreenImage(shell.program.image, step);
    QCOMPARE(image.width(), (53 + step - 1) / step);
    QCOMPARE(image.height(), (29 + step - 1) / step);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        QCOMPARE(qGray(image.pixel(x, y)) < 128, Ink(x * step, y * step));
    // The tint samples the selection alike: on a bilevel image, the ink inside the marquee.
    QCOMPARE(app::MarqueeSelect(shell.program, shell.window.document(), 5, 3, 40, 20,
                                image::kSelectNew), app::EditResult::kDone);
    const QImage tint = BuildSelectionOverlay(shell.program.image, step);
    QCOMPARE(tint.size(), image.size());
    for (int y = 0; y < tint.height(); ++y)
      for (int x = 0; x < tint.width(); ++x) {
        const int sx = x * step, sy = y * step;
        QCOMPARE(tint.pixelIndex(x, y) == 1,
                 sx >= 5 && sx <= 40 && sy >= 3 && sy <= 20 && Ink(sx, sy));
      }
  }

  void grayScanShowsItsLevel() {
    TempDir dir;
    QVERIFY(app::test::WriteGrayTiff(dir / "gray.tif", 40, 30, 90));
    Shell shell;
    shell.dialogs.imageFile = dir / "gray.tif";
    shell.window.dispatch(app::kCommandOpen);
    QVERIFY(shell.window.document().imageOpen);
    const QImage image = BuildScreenImage(shell.program.image, 1);
    QCOMPARE(image.pixel(0, 0), qRgb(90, 90, 90));
    QCOMPARE(image.pixel(39, 29), qRgb(90, 90, 90));
  }

  // Preview paints the fills; Artwork shows outlines over the faint template, so the inside of
  // a traced square is black in one and light in the other.
  void viewModesPaintOrOutline() {
    Shell shell(120, 60, app::test::Squares(2, 40));
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    ImageView& view = *shell.window.imageView();
    view.setZoom(2 * image::kZoomOne);
    view.horizontalScrollBar()->setValue(0);
    view.verticalScrollBar()->setValue(0);
    const auto insideFirstSquare = [&](const QImage& shot) {
      // Square 1 spans pixels 10..49; its centre 30,30 at zoom 2, scrolled to the origin
      // (or centred when the view is larger than the image).
      const QRect r = QRect(0, 0, 240, 120);
      const int ox = std::max(0, (view.viewport()->width() - r.width()) / 2);
      const int oy = std::max(0, (view.viewport()->height() - r.height()) / 2);
      return qGray(shot.pixel(ox + 60, oy + 60));
    };
    view.setViewMode(ViewMode::kPreview);
    QVERIFY(insideFirstSquare(Render(view)) < 40);
    view.setViewMode(ViewMode::kArtwork);
    QVERIFY(insideFirstSquare(Render(view)) > 120);
    // Preview Selection paints the selected paths only.
    view.setViewMode(ViewMode::kPreviewSelection);
    shell.window.dispatch(app::kCommandSelectAll);
    QVERIFY(insideFirstSquare(Render(view)) < 40);
    shell.window.dispatch(app::kCommandSelectNone);
    QVERIFY(insideFirstSquare(Render(view)) > 120);
  }

  void paintedPathsCarryTheirPaint() {
    Shell shell(120, 60, app::test::Squares(2, 40));
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    const auto paths = BuildPaintedPaths(shell.program.artwork, shell.program.image.artScale, 300 / 72.0);
    QCOMPARE(int(paths.size()), 2);
    for (const PaintedPath& p : paths) {
      QVERIFY(p.fill.isValid());
      QCOMPARE(qGray(p.fill.rgb()), 0);
      // The outline encloses its square (art units: pixels x artScale).
      const double k = shell.program.image.artScale;
      QVERIFY(p.bounds.width() >= 40 * k && p.bounds.width() <= 52 * k);
    }
  }

  void zoomKeepsTheCentre() {
    Shell shell(3000, 2000, app::test::Squares(2, 40));
    QVERIFY(shell.open());
    ImageView& view = *shell.window.imageView();
    view.setZoom(image::kZoomOne);
    view.horizontalScrollBar()->setValue(700);
    view.verticalScrollBar()->setValue(500);
    const QSize vp = view.viewport()->size();
    const double cx = 700 + vp.width() / 2.0, cy = 500 + vp.height() / 2.0;
    view.zoomIn(false);
    const double s = double(shell.program.image.zoomX) / image::kZoomOne;
    QCOMPARE(s, 1.5);
    QVERIFY(std::abs((view.horizontalScrollBar()->value() + vp.width() / 2.0) / s - cx) <= 1.0);
    QVERIFY(std::abs((view.verticalScrollBar()->value() + vp.height() / 2.0) / s - cy) <= 1.0);
    view.zoomOut(true);
    QCOMPARE(shell.program.image.zoomX, std::uint32_t(1.5 * image::kZoomOne) / 2);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeViewSuite() { return std::make_unique<ViewTest>(); }

}  // namespace vl::gui::test

#include "view_test.moc"
