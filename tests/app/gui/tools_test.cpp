// The toolbox and the image window's tools driven by mouse events: path selection by click,
// Shift-click and rubber band, the anchor tools with undo and redo, the pixel marquee and wand,
// the drag of art out of the window, and the info window.
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "app/gui/art_drag.h"
#include "app/gui/clipboard.h"
#include "app/gui/command_table.h"
#include "app/gui/image_tools.h"
#include "app/gui/info_window.h"
#include "app/gui/toolbox.h"
#include "art/anchor_editing.h"
#include "art/anchor_walk.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

// Three 40-pixel squares at x 10, 60 and 110 (centres 30, 80, 130), y 10 to 49.
constexpr int kSide = 40;
int CentreOf(int square) { return 10 + square * (kSide + 10) + kSide / 2; }

struct ToolShell : Shell {
  ToolShell() : Shell(170, 60, app::test::Squares(3, kSide)) {}
  QWidget* viewport() { return window.imageView()->viewport(); }
  // The viewport position of image pixel (x, y) (its centre).
  QPoint at(double x, double y) {
    const double s = double(program.image.zoomX) / image::kZoomOne;
    const QPoint origin = window.imageView()->imageRectOnScreen().topLeft();
    return origin + QPoint(int(std::floor((x + 0.5) * s)), int(std::floor((y + 0.5) * s)));
  }
  QPoint atArt(std::int32_t x, std::int32_t y) {
    return at(x / program.image.artScale - 0.5, y / program.image.artScale - 0.5);
  }
  void use(Tool tool) { window.toolbox()->setCurrent(tool); }
  void click(QPoint p, Qt::KeyboardModifiers m = {}) {
    QTest::mousePress(viewport(), Qt::LeftButton, m, p);
    QTest::mouseRelease(viewport(), Qt::LeftButton, m, p);
  }
  void drag(QPoint from, QPoint to, Qt::KeyboardModifiers m = {}) {
    QTest::mousePress(viewport(), Qt::LeftButton, m, from);
    QTest::mouseMove(viewport(), (from + to) / 2);
    QTest::mouseMove(viewport(), to);
    QTest::mouseRelease(viewport(), Qt::LeftButton, m, to);
  }
  bool convert() {
    if (!open()) return false;
    window.dispatch(app::kCommandConvert);
    return program.artwork.count == 3;
  }
  // The centres (pixels) of the selected paths, left to right.
  QList<int> selectedCentres() {
    QList<int> out;
    const art::Artwork& art = program.artwork;
    for (int i = 0; i < art.count; ++i)
      if (art.paths[std::size_t(i)].flags & art::kSelected) {
        const art::PathRecord& p = art.paths[std::size_t(i)];
        out << int(std::lround((p.left + p.right) / 2.0 / program.image.artScale));
      }
    std::sort(out.begin(), out.end());
    return out;
  }
  int pathAt(int centre) {
    for (int i = 0; i < program.artwork.count; ++i) {
      const art::PathRecord& p = program.artwork.paths[std::size_t(i)];
      if (std::lround((p.left + p.right) / 2.0 / program.image.artScale) == centre) return i;
    }
    return art::kNoPath;
  }
  std::vector<QPoint> anchorsOf(int path) {
    const art::PathRecord& p = program.artwork.paths[std::size_t(path)];
    const std::span<const std::uint16_t> words = art::PointWords(p);
    std::vector<QPoint> out;
    for (const std::size_t a : art::AnchorOffsets(p))
      out.emplace_back(art::detail::X(words, a), art::detail::Y(words, a));
    return out;
  }
  bool selected(int x, int y) {  // the bit layer of a bilevel image: ink inside the selection
    return image::BitAt(image::BitRow(program.image, y), x);
  }
};

// A drop target as another program would be: it accepts the art's types and keeps each.
class DropTarget : public QWidget {
 public:
  DropTarget() { setAcceptDrops(true); }
  QMap<QString, QByteArray> received;
  void dropEvent(QDropEvent* event) override {
    for (const QString& type : event->mimeData()->formats())
      received[type] = event->mimeData()->data(type);
    event->acceptProposedAction();
  }
};

class ToolsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void pathSelectionFollowsClicksShiftClicksAndRubberBands() {
    ToolShell shell;
    QVERIFY(shell.convert());
    shell.use(Tool::kSelect);
    const int c0 = CentreOf(0), c1 = CentreOf(1), c2 = CentreOf(2);
    // Clicks land on a square's left edge, where its outline runs.
    struct Step {
      const char* what;
      std::function<void(ToolShell&)> act;
      QList<int> expected;
    };
    const Step steps[] = {
        {"click", [](ToolShell& s) { s.click(s.at(10, 30)); }, {c0}},
        {"shift-click adds", [](ToolShell& s) { s.click(s.at(110, 25), Qt::ShiftModifier); },
         {c0, c2}},
        {"shift-click on a selected path removes it",
         [](ToolShell& s) { s.click(s.at(10, 30), Qt::ShiftModifier); }, {c2}},
        {"click replaces", [](ToolShell& s) { s.click(s.at(60, 40)); }, {c1}},
        {"click on empty paper selects nothing", [](ToolShell& s) { s.click(s.at(5, 55)); }, {}},
        {"band over two squares",
         [](ToolShell& s) { s.drag(s.at(55, 2), s.at(160, 56)); }, {c1, c2}},
        {"shift band adds the third", [](ToolShell& s) {
           s.drag(s.at(2, 2), s.at(52, 56), Qt::ShiftModifier); }, {c0, c1, c2}},
        {"band over paper only", [](ToolShell& s) { s.drag(s.at(2, 52), s.at(160, 58)); }, {}},
    };
    for (const Step& step : steps) {
      step.act(shell);
      QVERIFY2(shell.selectedCentres() == step.expected, step.what);
      QCOMPARE(shell.program.artwork.selectedCount, int(step.expected.size()));
    }
  }

  // Inside a filled square, far from its outline: the painted view picks the shape the user
  // sees; the outline views only pick by nearness to an outline.
  void clickInsideAFilledShapeSelectsItInThePaintedView_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("preview") << int(kCmdPreview) << QList<int>{CentreOf(1)};
    QTest::newRow("artwork") << int(kCmdArtwork) << QList<int>{};
  }
  void clickInsideAFilledShapeSelectsItInThePaintedView() {
    QFETCH(int, view);
    QFETCH(QList<int>, expected);
    ToolShell shell;
    QVERIFY(shell.convert());
    shell.window.dispatch(std::uint16_t(view));
    shell.use(Tool::kSelect);
    shell.click(shell.at(CentreOf(1), 30));
    QCOMPARE(shell.selectedCentres(), expected);
  }

  void anchorMoveIsOneUndoStepUndoneAndRedone() {
    ToolShell shell;
    QVERIFY(shell.convert());
    const int path = shell.pathAt(CentreOf(1));
    QVERIFY(path != art::kNoPath);
    const std::vector<QPoint> before = shell.anchorsOf(path);
    const QPoint anchor = before.front();
    const QPoint target = anchor + QPoint(-8, -6) * int(shell.program.image.artScale);
    shell.use(Tool::kAdjustLine);
    shell.drag(shell.atArt(anchor.x(), anchor.y()), shell.atArt(target.x(), target.y()));
    std::vector<QPoint> moved = shell.anchorsOf(path);
    QCOMPARE(moved.size(), before.size());
    QVERIFY(moved != before);
    // The grabbed anchor went where the mouse let go (within a pixel of rounding).
    const auto near = [&](const std::vector<QPoint>& anchors) {
      return std::any_of(anchors.begin(), anchors.end(), [&](QPoint a) {
        return (a - target).manhattanLength() <= 2 * shell.program.image.artScale;
      });
    };
    QVERIFY(near(moved));
    QVERIFY(shell.window.document().artModified);
    shell.window.dispatch(app::kCommandUndo);
    QVERIFY(shell.anchorsOf(path) == before);
    shell.window.dispatch(app::kCommandUndo);  // redo
    QVERIFY(shell.anchorsOf(path) == moved);
  }

  void anchorsAddedAndDeletedOneStepEach() {
    ToolShell shell;
    QVERIFY(shell.convert());
    const int path = shell.pathAt(CentreOf(0));
    const std::size_t count = shell.anchorsOf(path).size();
    shell.use(Tool::kAddAnchor);
    shell.click(shell.at(10, 30));  // the middle of the left edge
    QCOMPARE(shell.anchorsOf(path).size(), count + 1);
    QVERIFY(shell.program.artwork.paths[std::size_t(path)].flags & art::kSelected);
    // The new anchor is the one on the left edge nearest the click: delete it again.
    std::vector<QPoint> anchors = shell.anchorsOf(path);
    const double s = shell.program.image.artScale;
    const QPoint click(int(10 * s), int(30 * s));
    const QPoint added = *std::min_element(anchors.begin(), anchors.end(), [&](QPoint a, QPoint b) {
      return (a - click).manhattanLength() < (b - click).manhattanLength();
    });
    QVERIFY((added - click).manhattanLength() <= 4 * s);
    shell.use(Tool::kAddDeleteAnchor);
    shell.click(shell.atArt(added.x(), added.y()));
    QCOMPARE(shell.anchorsOf(path).size(), count);
    shell.window.dispatch(app::kCommandUndo);
    QCOMPARE(shell.anchorsOf(path).size(), count + 1);
    // A rectangle of the Delete Anchor tool around paper deletes nothing and records nothing.
    shell.use(Tool::kDeleteAnchor);
    shell.drag(shell.at(2, 52), shell.at(160, 58));
    QCOMPARE(shell.anchorsOf(path).size(), count + 1);
  }

  void marqueeAndWandSelectTheExpectedPixels() {
    ToolShell shell;
    QVERIFY(shell.open());
    const auto ink = app::test::Squares(3, kSide);
    struct Step {
      const char* what;
      Tool tool;
      QPoint from, to;  // image pixels; equal for a click
      Qt::KeyboardModifiers modifiers;
      std::function<bool(int, int)> inside;  // which pixels the selection holds afterwards
    };
    const auto square = [](int i) {
      return [i](int x, int) { return x >= 10 + i * 50 && x < 50 + i * 50; };
    };
    const Step steps[] = {
        {"marquee around the first square", Tool::kMarquee, {4, 4}, {54, 56}, {}, square(0)},
        {"shift marquee adds the third", Tool::kMarquee, {105, 2}, {160, 57}, Qt::ShiftModifier,
         [&](int x, int y) { return square(0)(x, y) || square(2)(x, y); }},
        {"ctrl marquee subtracts the left half", Tool::kMarquee, {0, 0}, {29, 59},
         Qt::ControlModifier,
         [&](int x, int y) { return (square(0)(x, y) && x >= 30) || square(2)(x, y); }},
        {"wand on the middle square", Tool::kWand, {80, 30}, {80, 30}, {}, square(1)},
        {"shift wand adds the first", Tool::kWand, {20, 20}, {20, 20}, Qt::ShiftModifier,
         [&](int x, int y) { return square(0)(x, y) || square(1)(x, y); }},
    };
    for (const Step& step : steps) {
      shell.use(step.tool);
      if (step.from == step.to) shell.click(shell.at(step.from.x(), step.from.y()), step.modifiers);
      else shell.drag(shell.at(step.from.x(), step.from.y()), shell.at(step.to.x(), step.to.y()),
                      step.modifiers);
      QVERIFY2(shell.program.image.pixelSelection, step.what);
      int wrong = 0;
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 170; ++x)
          if (shell.selected(x, y) != (ink(x, y) && step.inside(x, y))) ++wrong;
      QVERIFY2(wrong == 0, step.what);
    }
    // The last wand click is one undo step: the middle square alone comes back.
    shell.window.dispatch(app::kCommandUndo);
    QVERIFY(shell.selected(80, 30) && !shell.selected(30, 30));
  }

  void dragOffersTheCopyTypesToADropTarget() {
    ToolShell shell;
    QVERIFY(shell.convert());
    QObject source;
    QVERIFY(!MakeArtDrag(shell.program, shell.window.document(), &source));  // none selected
    shell.use(Tool::kSelect);
    shell.drag(shell.at(2, 2), shell.at(102, 56));  // the first two squares
    QCOMPARE(shell.program.artwork.selectedCount, 2);
    std::unique_ptr<QDrag> drag(MakeArtDrag(shell.program, shell.window.document(), &source));
    QVERIFY(drag);
    DropTarget target;
    target.resize(50, 50);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, drag->mimeData(), Qt::LeftButton, {});
    target.dropEvent(&drop);
    QVERIFY(drop.isAccepted());
    QVERIFY(target.received.value(kGqMimeType).startsWith("%!PS-Adobe"));
    QCOMPARE(target.received.value(kEpsMimeType), target.received.value(kGqMimeType));
    QCOMPARE(target.received.value(kSvgMimeType).count("<path"), 2);
  }

  void toolboxHidesAndShowsFromTheViewMenu() {
    ToolShell shell;
    QVERIFY(!shell.window.toolbox()->isHidden());
    QAction* toggle = shell.window.action(kCmdToolbox);
    QVERIFY(toggle->isEnabled());
    for (const bool hidden : {true, false}) {
      toggle->trigger();
      QCOMPARE(shell.window.toolbox()->isHidden(), hidden);
      QCOMPARE(toggle->text(), hidden ? QStringLiteral("Show &Toolbox")
                                      : QStringLiteral("Hide &Toolbox"));
    }
    // Each tool's button chooses it; exactly one is checked.
    for (const ToolInfo& info : ToolInfos()) {
      shell.window.toolbox()->actionFor(info.tool)->trigger();
      QCOMPARE(shell.window.toolbox()->current(), info.tool);
      int checked = 0;
      for (const ToolInfo& other : ToolInfos())
        checked += shell.window.toolbox()->actionFor(other.tool)->isChecked();
      QCOMPARE(checked, 1);
    }
  }

  void infoWindowShowsPointerResolutionAndCounts() {
    ToolShell shell;
    QVERIFY(!shell.window.infoWindow());
    shell.window.dispatch(kCmdInfo);
    InfoWindow* info = shell.window.infoWindow();
    QVERIFY(info);
    QCOMPARE(shell.window.action(kCmdInfo)->text(), QStringLiteral("Hide I&nfo"));
    QVERIFY(shell.convert());
    QCOMPARE(info->resolutionText(), QStringLiteral("300 pixels/inch"));
    QCOMPARE(info->countsText(), QStringLiteral("Paths: 3   Selected: 0"));
    shell.use(Tool::kSelect);
    shell.click(shell.at(10, 30));
    QCOMPARE(info->countsText(), QStringLiteral("Paths: 3   Selected: 1"));
    QTest::mouseMove(shell.viewport(), shell.at(37, 21));
    QCOMPARE(info->pointerText(), QStringLiteral("X: 37   Y: 21"));
    QTest::mouseMove(shell.viewport(), shell.at(-20, 5));
    QCOMPARE(info->pointerText(), QStringLiteral("X: -   Y: -"));
    // Whether it is open is kept in the preferences at the end.
    shell.program.livePrefs.prefFlagsA &= std::uint8_t(~settings::kInfoWindowOpen);
    BoxAnswerer answers;
    answers.script({QMessageBox::No});  // the art is not saved
    shell.window.close();
    QVERIFY(shell.program.livePrefs.prefFlagsA & settings::kInfoWindowOpen);
  }

  void resolutionIsShownInWholePixelsPerInch_data() {
    QTest::addColumn<double>("ppi");
    QTest::addColumn<QString>("text");
    QTest::newRow("rounded up") << 299.6 << QStringLiteral("300 pixels/inch");
    QTest::newRow("rounded down") << 72.4 << QStringLiteral("72 pixels/inch");
  }
  void resolutionIsShownInWholePixelsPerInch() {
    QFETCH(double, ppi);
    QFETCH(QString, text);
    QCOMPARE(ResolutionText(ppi), text);
  }

  // The marquee steps above press Shift and Ctrl alone; both together intersect.
  void shiftAndCtrlTogetherIntersect() {
    QCOMPARE(SelectionModeFor(Qt::ShiftModifier | Qt::ControlModifier),
             int(image::kSelectIntersect));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeToolsSuite() { return std::make_unique<ToolsTest>(); }

}  // namespace vl::gui::test

#include "tools_test.moc"
