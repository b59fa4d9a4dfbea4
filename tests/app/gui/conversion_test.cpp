// A conversion on the one thread: the progress window shows, its Stop button and the window's
// close box end the conversion through the abort poll, and the document stays.
#include <QPushButton>
#include <QTest>

#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

// A page of many small blocks: enough work that the poll drains events many times.
bool Blocks(int x, int y) { return x % 24 < 14 && y % 24 < 14; }
constexpr int kSide = 2160;  // 8100 blocks: several abort polls, 60 ms apart, while the progress shows
constexpr int kBlocks = (kSide / 24) * (kSide / 24);

// Does `act` once, as soon as the progress window is up.
class WhenProgressShows {
 public:
  WhenProgressShows(QtUi& ui, std::function<void()> act) : ui_(ui), act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (done_ || !ui_.progressWindow() || !ui_.progressWindow()->isVisible()) return;
      done_ = true;
      act_();
    });
    timer_.start(1);
  }
  bool done() const { return done_; }

 private:
  QtUi& ui_;
  std::function<void()> act_;
  QTimer timer_;
  bool done_ = false;
};

class ConversionTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void convertsWithProgressWhenLeftAlone() {
    Shell shell(kSide, kSide, Blocks);
    QVERIFY(shell.open());
    bool sawProgress = false;
    WhenProgressShows watch(*shell.ui, [&] { sawProgress = true; });
    shell.window.dispatch(app::kCommandConvert);
    QVERIFY(sawProgress);
    QCOMPARE(shell.program.artwork.count, kBlocks);
    QVERIFY(!shell.program.app.converting);
    QTRY_VERIFY(!shell.ui->progressWindow());  // closed when the conversion ended
  }

  void stopEndsTheConversionAndKeepsTheDocument_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop button") << "stop";
    QTest::newRow("Escape in the progress window") << "escape";
    QTest::newRow("window close box") << "close";
  }
  void stopEndsTheConversionAndKeepsTheDocument() {
    QFETCH(QString, how);
    Shell shell(kSide, kSide, Blocks);
    QVERIFY(shell.open());
    BoxAnswerer boxes;  // after a stop nothing is said
    WhenProgressShows stopper(*shell.ui, [&] {
      QDialog* progress = shell.ui->progressWindow();
      if (how == "stop") progress->findChild<QPushButton*>(QStringLiteral("stopButton"))->click();
      else if (how == "escape") QTest::keyClick(progress, Qt::Key_Escape);
      else shell.window.close();
      // Menus are dead meanwhile: a second Convert from the keyboard is ignored.
      QVERIFY(!shell.window.dispatch(app::kCommandConvert));
    });
    shell.window.dispatch(app::kCommandConvert);
    QVERIFY(stopper.done());
    QVERIFY(!shell.program.app.converting);
    QVERIFY(shell.program.artwork.count < kBlocks);
    QVERIFY(shell.window.document().imageOpen);
    QVERIFY(shell.window.isVisible());
    QCOMPARE(boxes.texts, QStringList());
    // The next conversion runs to its end: the stop was used up.
    boxes.script({QMessageBox::Yes});
    shell.window.dispatch(app::kCommandConvert);
    QCOMPARE(boxes.unexpected, 0);
    QCOMPARE(shell.program.artwork.count, kBlocks);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeConversionSuite() { return std::make_unique<ConversionTest>(); }

}  // namespace vl::gui::test

#include "conversion_test.moc"
