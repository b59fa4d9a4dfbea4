// The interactive-thinning pause driven through the window: the bar comes up with the thinned
// image, pencil and eraser strokes on the image window reach the traced art, Cancel gives the
// image back untouched, and Thin More is undone and redone step by step.
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include "app/gui/thinning_pause_view.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Two thick horizontal bars, 5 pixels high, on a 160 x 80 page.
bool Bars(int x, int y) { return x >= 10 && x < 150 && ((y >= 15 && y < 20) || (y >= 45 && y < 50)); }

Bytes Of(const platform::Block& b) { return {b.data(), b.data() + b.size()}; }

struct PauseShell : Shell {
  PauseShell() : Shell(160, 80, Bars) {
    settings::ConversionSettings& s = program.activeSettings;
    s.set(settings::kMethodOutline, false);
    s.set(settings::kMethodCenterline, true);
    s.set(settings::kInteractiveThinning, true);
  }
  ThinningPauseBar& bar() { return *window.pauseBar(); }
  bool paused() const { return program.app.interactiveThinningPaused && program.thinningPause.pending(); }
  // Opens the page and converts up to the pause.
  bool pause() {
    if (!open()) return false;
    window.imageView()->setZoom(image::kZoomOne);  // one screen pixel per image pixel
    window.dispatch(app::kCommandConvert);
    return paused() && bar().isVisible();
  }
  void choose(engine::SkeletonChoice choice) { bar().choiceAction(choice)->trigger(); }
  // A stroke of the mouse over image pixels (x0, y0) to (x1, y1) on the image window.
  void stroke(QPoint from, QPoint to) {
    QWidget* port = window.imageView()->viewport();
    const QPoint origin = -window.imageView()->imagePixelAt(QPoint(0, 0));  // at zoom 1
    auto send = [&](QEvent::Type type, QPoint pixel, Qt::MouseButton button, Qt::MouseButtons held) {
      const QPointF at(pixel + origin);
      QMouseEvent e(type, at, port->mapToGlobal(at), button, held, Qt::NoModifier);
      QApplication::sendEvent(port, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  std::string undoMenu() const { return app::UndoMenuItem(program); }
};

std::string UndoName(int prefix, int name) {
  return std::string(msg::Text(prefix)) + std::string(msg::Text(name)) +
         std::string(msg::Text(msg::kUndoAccelerator));
}

class ThinningPauseViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void strokesReachTheTracedArt_data() {
    QTest::addColumn<int>("tool");  // -1 none, else app::SkeletonTool
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("morePaths");
    QTest::newRow("no stroke") << -1 << QPoint() << QPoint() << 0;
    // A line of its own on empty paper, far from both bars.
    QTest::newRow("pencil line") << int(app::SkeletonTool::kPencil) << QPoint(20, 65)
                                 << QPoint(120, 65) << 1;
    // A cut across the upper bar's centre line splits its line in two.
    QTest::newRow("eraser cut") << int(app::SkeletonTool::kEraser) << QPoint(80, 10)
                                << QPoint(80, 25) << 1;
  }
  void strokesReachTheTracedArt() {
    QFETCH(int, tool);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, morePaths);
    // The same page traced without the pause: the paths there are without strokes.
    int plain = 0;
    {
      PauseShell s;
      s.program.activeSettings.set(settings::kInteractiveThinning, false);
      QVERIFY(s.open());
      s.window.dispatch(app::kCommandConvert);
      plain = s.program.artwork.count;
      s.window.document().artModified = false;
    }
    QVERIFY(plain >= 2);
    PauseShell s;
    QVERIFY(s.pause());
    QCOMPARE(s.program.artwork.count, 0);  // the art is set aside while the skeleton shows
    if (tool >= 0) {
      (tool == int(app::SkeletonTool::kPencil) ? s.bar().pencil() : s.bar().eraser())->setChecked(true);
      const Bytes before = Of(s.program.image.bitLayer);
      s.stroke(from, to);
      QVERIFY(Of(s.program.image.bitLayer) != before);
      QVERIFY(s.program.thinningPause.drawnOn);
      QCOMPARE(s.undoMenu(), UndoName(msg::kUndoPrefix, tool == int(app::SkeletonTool::kPencil)
                                                             ? msg::kUndoPencil : msg::kUndoEraser));
      // The stroke is undone and redone byte for byte.
      const Bytes drawn = Of(s.program.image.bitLayer);
      // The pencil only adds ink and the eraser only takes it away.
      for (std::size_t i = 0; i < drawn.size(); ++i) {
        const int gained = drawn[i] & ~before[i], lost = before[i] & ~drawn[i];
        QCOMPARE(tool == int(app::SkeletonTool::kPencil) ? lost : gained, 0);
      }
      s.window.dispatch(app::kCommandUndo);
      QCOMPARE(Of(s.program.image.bitLayer), before);
      s.window.dispatch(app::kCommandUndo);
      QCOMPARE(Of(s.program.image.bitLayer), drawn);
    }
    s.choose(engine::SkeletonChoice::kDone);
    QVERIFY(!s.paused());
    QVERIFY(!s.bar().isVisible());
    QCOMPARE(s.program.artwork.count, plain + morePaths);
    s.window.document().artModified = false;
  }

  void cancelGivesTheImageBackWithoutPaths() {
    PauseShell s;
    QVERIFY(s.open());
    const Bytes bits = Of(s.program.image.bitLayer), backup = Of(s.program.image.backupLayer);
    s.window.imageView()->setZoom(image::kZoomOne);
    BoxAnswerer boxes;
    s.window.dispatch(app::kCommandConvert);
    QVERIFY(s.paused());
    QVERIFY(Of(s.program.image.bitLayer) != bits);  // the thinned image is what shows
    s.bar().pencil()->setChecked(true);
    const Bytes thinned = Of(s.program.image.bitLayer);
    s.stroke(QPoint(20, 65), QPoint(120, 65));
    QVERIFY(Of(s.program.image.bitLayer) != thinned);
    s.choose(engine::SkeletonChoice::kThinMore);
    s.choose(engine::SkeletonChoice::kCancel);
    QVERIFY(!s.paused());
    QVERIFY(!s.bar().isVisible());
    QCOMPARE(s.program.artwork.count, 0);
    QCOMPARE(Of(s.program.image.bitLayer), bits);
    QCOMPARE(Of(s.program.image.backupLayer), backup);
    QVERIFY(!QFile::exists(QString::fromStdString(s.program.scratchFolder + "memtemp")));
    QCOMPARE(boxes.texts, QStringList());  // a cancel needs no word
  }

  void thinMoreIsUndoneAndRedoneStepByStep() {
    PauseShell s;
    QVERIFY(s.pause());
    // The pause starts with nothing to undo: the step before it is gone.
    QCOMPARE(s.undoMenu(), std::string(msg::Text(msg::kCannotUndo)) +
                               std::string(msg::Text(msg::kUndoAccelerator)));
    const int steps = s.program.thinningPause.steps;
    QVERIFY(s.bar().stepsLabel()->text().endsWith(QString::number(steps)));
    const Bytes first = Of(s.program.image.bitLayer);
    s.choose(engine::SkeletonChoice::kThinMore);
    QVERIFY(s.paused());
    QCOMPARE(s.program.thinningPause.steps, steps + 1);
    QVERIFY(s.bar().stepsLabel()->text().endsWith(QString::number(steps + 1)));
    const Bytes second = Of(s.program.image.bitLayer);
    QVERIFY(second != first);  // the open ends of the lines lost pixels
    QCOMPARE(s.undoMenu(), UndoName(msg::kUndoPrefix, msg::kUndoThinMore));
    for (int round = 0; round < 2; ++round) {
      s.window.dispatch(app::kCommandUndo);
      QCOMPARE(Of(s.program.image.bitLayer), first);
      QCOMPARE(s.program.thinningPause.steps, steps);
      QVERIFY(s.bar().stepsLabel()->text().endsWith(QString::number(steps)));
      QCOMPARE(s.undoMenu(), UndoName(msg::kRedoPrefix, msg::kUndoThinMore));
      s.window.dispatch(app::kCommandUndo);
      QCOMPARE(Of(s.program.image.bitLayer), second);
      QCOMPARE(s.program.thinningPause.steps, steps + 1);
    }
    // A second Thin More starts from the step shown, and its undo goes back one step only.
    s.choose(engine::SkeletonChoice::kThinMore);
    QCOMPARE(s.program.thinningPause.steps, steps + 2);
    s.window.dispatch(app::kCommandUndo);
    QCOMPARE(Of(s.program.image.bitLayer), second);
    // Done traces, the image as loaded comes back and the step recorded is the conversion's.
    s.choose(engine::SkeletonChoice::kDone);
    QVERIFY(!s.paused());
    QVERIFY(s.program.artwork.count >= 2);
    QCOMPARE(s.undoMenu(), UndoName(msg::kUndoPrefix, msg::kUndoConvert));
    QVERIFY(!QFile::exists(QString::fromStdString(s.program.scratchFolder + "memtemp")));
    s.window.document().artModified = false;
  }
};

}  // namespace

std::unique_ptr<QObject> MakeThinningPauseSuite() { return std::make_unique<ThinningPauseViewTest>(); }

}  // namespace vl::gui::test

#include "thinning_pause_view_test.moc"
