// Acquire through SANE's own "test" backend: a real SANE device that scans test pictures, set
// up by a configuration folder of the test's own (SANE_CONFIG_DIR) that enables only it.
#include <QComboBox>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <fstream>

#include "app/gui/acquire.h"
#include "app/gui/command_table.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

// The test backend's page: 80 mm by 100 mm.
constexpr double kPageWidthMm = 80.0;
constexpr double kPageHeightMm = 100.0;

// A SANE set-up with the test backend only, as `test.conf` lines, live while this lives; an
// empty `testConf` enables no backend at all (the test backend cannot list zero devices).
// SANE reads the folder's name once per process, so every set-up rewrites the same folder.
struct SaneTestSetup {
  std::unique_ptr<Scanner> scanner;
  explicit SaneTestSetup(const std::string& testConf) {
    static const TempDir dir;
    std::ofstream(dir / "dll.conf") << (testConf.empty() ? "" : "test\n");
    std::ofstream(dir / "test.conf") << testConf;
    qputenv("SANE_CONFIG_DIR", QByteArray::fromStdString(dir.path));
    scanner = MakeSaneScanner();
  }
};

// One device, a picture with detail, 8-bit gray by default.
std::string OneDevice(const std::string& more = "") {
  return "number_of_devices 1\nmode Gray\nresolution 50.0\n"
         "test-picture \"Color pattern\"\n" + more;
}

// A scanner whose list still names a device that has gone since the list was made.
class ListWithGoneDevice : public Scanner {
 public:
  explicit ListWithGoneDevice(Scanner& real) : real_(real) {}
  std::vector<ScanDevice> devices() const override {
    return {{"test:9", "gone scanner"}};
  }
  std::unique_ptr<ScanSession> open(const std::string& name) override { return real_.open(name); }

 private:
  Scanner& real_;
};

// Answers the Acquire dialog when it comes up: with `request`, or Cancel when there is none.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::optional<ScanRequest> request) : request_(std::move(request)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<AcquireDialog*>(QApplication::activeModalWidget());
      if (!dialog || dialog->property("vlAnswered").toBool()) return;
      dialog->setProperty("vlAnswered", true);
      ++shown;
      modes = dialog->modeField()->count();
      if (!request_) return dialog->reject();
      dialog->setRequest(*request_);
      dialog->accept();
    });
    timer_.start();
  }
  int shown = 0;
  int modes = 0;

 private:
  std::optional<ScanRequest> request_;
  QTimer timer_;
};

int PagePixels(double mm, int dpi) { return int(std::lround(mm / 25.4 * dpi)); }

class AcquireTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void theMenuListsTheDevicesFound_data() {
    QTest::addColumn<int>("devices");
    QTest::newRow("no backend: empty and off") << 0;
    QTest::newRow("three") << 3;
  }
  void theMenuListsTheDevicesFound() {
    QFETCH(int, devices);
    SaneTestSetup sane(devices == 0 ? "" : "number_of_devices " + std::to_string(devices) + "\n");
    Shell shell;
    shell.window.setScanner(sane.scanner.get());
    QMenu* menu = shell.window.acquireMenu();
    QCOMPARE(menu->actions().size(), devices);
    QCOMPARE(menu->isEnabled(), devices > 0);
    for (int i = 0; i < devices; ++i)
      QVERIFY(menu->actions()[i]->text().contains(QStringLiteral("test:%1").arg(i)));
  }

  void aScanBecomesTheUntitledDocument_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("samples");
    QTest::addColumn<bool>("bilevel");
    QTest::addColumn<QString>("conf");
    QTest::newRow("gray at 30") << "Gray" << 30 << 1 << false << "depth 8\n";
    QTest::newRow("16-bit gray taken as 8") << "Gray" << 35 << 1 << false << "depth 16\n";
    QTest::newRow("colour at 40") << "Color" << 40 << 3 << false << "depth 8\n";
    QTest::newRow("three-pass colour") << "Color" << 25 << 3 << false
                                       << "depth 8\nthree-pass true\n";
    QTest::newRow("1-bit at 60") << "Gray" << 60 << 1 << true << "depth 1\n";
  }
  void aScanBecomesTheUntitledDocument() {
    QFETCH(QString, mode);
    QFETCH(int, dpi);
    QFETCH(int, samples);
    QFETCH(bool, bilevel);
    QFETCH(QString, conf);
    SaneTestSetup sane(OneDevice(conf.toStdString()));
    Shell shell;
    shell.window.setScanner(sane.scanner.get());
    BoxAnswerer boxes;
    DialogAnswerer dialog(ScanRequest{mode.toStdString(), dpi});
    QVERIFY(!shell.window.acquireMenu()->actions().isEmpty());
    shell.window.acquireMenu()->actions().first()->trigger();
    QCOMPARE(dialog.shown, 1);
    QCOMPARE(dialog.modes, 2);  // the device's own modes: Gray and Color
    QCOMPARE(boxes.texts, QStringList());
    const app::Document& doc = shell.window.document();
    QVERIFY(doc.imageOpen);
    QVERIFY(doc.imageUntitled);
    QCOMPARE(doc.imageName, std::string(msg::Text(msg::kUntitledName)));
    const image::RasterImage& image = shell.program.image;
    QCOMPARE(image.sourceFormat, image::kSourceAcquire);
    QCOMPARE(image.xResolution, double(dpi));
    QCOMPARE(image.yResolution, double(dpi));
    // The backend rounds the page to whole pixels its own way: within one pixel.
    QVERIFY2(std::abs(image.width - PagePixels(kPageWidthMm, dpi)) <= 1,
             qPrintable(QString::number(image.width)));
    QVERIFY2(std::abs(image.height - PagePixels(kPageHeightMm, dpi)) <= 1,
             qPrintable(QString::number(image.height)));
    QCOMPARE(int(image.samplesPerPixel), samples);
    QCOMPARE(image::IsBilevel(image), bilevel);
    QVERIFY(shell.window.windowTitle().startsWith(QString::fromUtf8(msg::Text(msg::kUntitledName).data())));
    // The picture holds both ink and paper, whatever the mode.
    shell.window.dispatch(app::kCommandConvert);
    QVERIFY(shell.program.artwork.count > 0);
  }

  void aFailingVanishedOrCancelledScanChangesNothing_data() {
    QTest::addColumn<QString>("conf");
    QTest::addColumn<bool>("gone");
    QTest::addColumn<bool>("cancel");  // the dialog answers Cancel: no scan, no message
    QTest::newRow("jammed while reading")
        << QString::fromStdString(OneDevice("read-status-code \"SANE_STATUS_JAMMED\"\n")) << false
        << false;
    QTest::newRow("no page left") << QString::fromStdString(OneDevice(
        "read-status-code \"SANE_STATUS_NO_DOCS\"\n")) << false << false;
    QTest::newRow("unplugged since start-up") << QString::fromStdString(OneDevice()) << true
                                              << false;
    QTest::newRow("cancelled") << QString::fromStdString(OneDevice()) << false << true;
  }
  void aFailingVanishedOrCancelledScanChangesNothing() {
    QFETCH(QString, conf);
    QFETCH(bool, gone);
    QFETCH(bool, cancel);
    SaneTestSetup sane(conf.toStdString());
    ListWithGoneDevice vanished(*sane.scanner);
    Shell shell;
    shell.window.setScanner(gone ? static_cast<Scanner*>(&vanished) : sane.scanner.get());
    QVERIFY(shell.open());
    const std::string name = shell.window.document().imageName;
    const int width = shell.program.image.width;
    const QString title = shell.window.windowTitle();
    BoxAnswerer boxes;
    if (!cancel) boxes.script({QMessageBox::Ok});
    DialogAnswerer dialog(cancel ? std::nullopt : std::optional(ScanRequest{"Gray", 30}));
    QVERIFY(!shell.window.acquireMenu()->actions().isEmpty());
    shell.window.acquireMenu()->actions().first()->trigger();
    QCOMPARE(boxes.texts, cancel ? QStringList() : QStringList{Text(msg::kInvalidAcquireResource)});
    QCOMPARE(boxes.unexpected, 0);
    QCOMPARE(dialog.shown, gone ? 0 : 1);  // a device that cannot be opened asks nothing
    QCOMPARE(shell.window.document().imageName, name);
    QVERIFY(!shell.window.document().imageUntitled);
    QCOMPARE(shell.program.image.width, width);
    QCOMPARE(shell.window.windowTitle(), title);
  }

  // A scan stopped halfway leaves the device ready: the next scan of the same session and of a
  // new one gives the whole page.
  void aStoppedScanLeavesTheDeviceReady() {
    SaneTestSetup sane(OneDevice());
    const std::vector<ScanDevice> devices = sane.scanner->devices();
    QCOMPARE(devices.size(), std::size_t(1));
    // Large enough to come in several reads, so the stop falls inside the page.
    const ScanRequest request{"Gray", 200};
    ScanPage whole;
    {
      std::unique_ptr<ScanSession> session = sane.scanner->open(devices.front().name);
      QVERIFY(session);
      int lastPercent = -1;
      ScanPage page;
      const ScanStatus stopped = session->scan(request, [&](int percent) {
        lastPercent = percent;
        return false;
      }, page);
      QCOMPARE(int(stopped), int(ScanStatus::kStopped));
      QVERIFY(lastPercent < 100);
      QCOMPARE(int(session->scan(request, {}, whole)), int(ScanStatus::kScanned));
      // Stopped again, and the session closed at once.
      QCOMPARE(int(session->scan(request, [](int) { return false; }, page)), int(ScanStatus::kStopped));
    }
    // The device rounds the page to its own pixel grid: within a pixel.
    QVERIFY(std::abs(whole.width - PagePixels(kPageWidthMm, 200)) <= 1);
    QVERIFY(std::abs(whole.height - PagePixels(kPageHeightMm, 200)) <= 1);
    std::unique_ptr<ScanSession> again = sane.scanner->open(devices.front().name);
    QVERIFY(again);
    ScanPage next;
    QCOMPARE(int(again->scan(request, {}, next)), int(ScanStatus::kScanned));
    QCOMPARE(next.pixels, whole.pixels);
  }

  // The page's rows must account for every pixel before a file is made of them.
  void aPageThatDoesNotAddUpMakesNoFile_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("rowBytes");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("made");
    using K = ScanPage::Kind;
    QTest::newRow("bilevel whole") << int(K::kBilevel) << 9 << 2 << 2 << 4 << true;
    QTest::newRow("bilevel row short") << int(K::kBilevel) << 9 << 2 << 1 << 4 << false;
    QTest::newRow("gray truncated") << int(K::kGray) << 4 << 3 << 4 << 11 << false;
    QTest::newRow("colour padded rows") << int(K::kColor) << 2 << 2 << 8 << 16 << true;
    QTest::newRow("colour row short") << int(K::kColor) << 2 << 2 << 5 << 10 << false;
    QTest::newRow("no rows") << int(K::kGray) << 4 << 0 << 4 << 0 << false;
    QTest::newRow("negative width") << int(K::kGray) << -4 << 1 << 4 << 4 << false;
  }
  void aPageThatDoesNotAddUpMakesNoFile() {
    QFETCH(int, kind);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, rowBytes);
    QFETCH(int, bytes);
    QFETCH(bool, made);
    using K = ScanPage::Kind;
    ScanPage page;
    page.kind = ScanPage::Kind(kind);
    page.width = width;
    page.height = height;
    page.rowBytes = rowBytes;
    for (int i = 0; i < bytes; ++i) page.pixels.push_back(std::uint8_t(i * 37));
    const std::string pnm = PageAsPnm(page);
    QCOMPARE(!pnm.empty(), made);
    if (!made) return;
    // The rows are copied without their padding, after the header of the page's kind.
    const int channels = page.kind == ScanPage::Kind::kColor ? 3 : 1;
    const int row = page.kind == ScanPage::Kind::kBilevel ? (width + 7) / 8 : width * channels;
    QVERIFY(pnm.size() > std::size_t(row * height));
    const std::string header = pnm.substr(0, pnm.size() - std::size_t(row * height));
    QCOMPARE(header.substr(0, 2), std::string(kind == int(K::kBilevel) ? "P4" : kind == int(K::kGray) ? "P5" : "P6"));
    QVERIFY(header.find(std::to_string(width) + " " + std::to_string(height) + "\n") != std::string::npos);
    for (int y = 0; y < height; ++y)
      QCOMPARE(pnm.substr(header.size() + std::size_t(y * row), std::size_t(row)),
               std::string(reinterpret_cast<const char*>(page.pixels.data()) + std::size_t(y * rowBytes),
                           std::size_t(row)));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeAcquireSuite() { return std::make_unique<AcquireTest>(); }

}  // namespace vl::gui::test

#include "acquire_test.moc"
