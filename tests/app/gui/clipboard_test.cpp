// Copy and Paste as New through the system clipboard (in process on the offscreen platform).
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QTest>

#include "app/gui/clipboard.h"
#include "app/gui/command_table.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

// The clipboard's EPS without its creation date, which may move on between two copies.
QByteArray ClipboardEps() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return {};
  QByteArray eps = data->data(kEpsMimeType);
  const qsizetype at = eps.indexOf("%%CreationDate:");
  if (at >= 0) eps.remove(at, eps.indexOf('\n', at) - at);
  return eps;
}

class ClipboardTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void copyOffersTheSelectedPathsInThreeFormats() {
    Shell shell(200, 60, app::test::Squares(3, 40));
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    QCOMPARE(shell.program.artwork.count, 3);
    QGuiApplication::clipboard()->clear();
    Key(shell.window, Qt::Key_A);  // a new conversion selects nothing
    Key(shell.window, Qt::Key_C);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    const QByteArray gq = data->data(kGqMimeType);
    QVERIFY(gq.startsWith("%!PS-Adobe"));
    QCOMPARE(data->data(kEpsMimeType), gq);
    const QByteArray svg = data->data(kSvgMimeType);
    QCOMPARE(svg.count("<path"), 3);
    // The copy leaves the art's unsaved state and the scratch folder as they were.
    QVERIFY(shell.window.document().artModified);
    QVERIFY(!QFile::exists(QString::fromStdString(shell.program.scratchFolder + "clptmp")));
    // Only selected paths go: with none selected Copy does nothing.
    shell.window.dispatch(app::kCommandSelectNone);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    shell.window.dispatch(kCmdCopy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  }

  void cutPutsTheSelectedPathsOnTheClipboardAndDeletesThem() {
    Shell shell(200, 60, app::test::Squares(3, 40));
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    art::Artwork& art = shell.program.artwork;
    QCOMPARE(art.count, 3);
    // Nothing selected: Cut is off, and its key leaves the art and the clipboard alone.
    QVERIFY(!shell.window.action(kCmdCut)->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    Key(shell.window, Qt::Key_X);
    QCOMPARE(art.count, 3);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    // The same selection copied first: Cut must offer exactly those bytes.
    Key(shell.window, Qt::Key_A);
    QVERIFY(shell.window.action(kCmdCut)->isEnabled());
    Key(shell.window, Qt::Key_C);
    const QByteArray all = ClipboardEps();
    for (int i : {0, 2}) art.paths[i].flags = std::uint8_t(art.paths[i].flags & ~art::kSelected);
    art.selectedCount = 1;
    Key(shell.window, Qt::Key_C);
    const QByteArray middle = ClipboardEps();
    QVERIFY(middle.startsWith("%!PS-Adobe"));
    QVERIFY(middle.size() < all.size());
    QGuiApplication::clipboard()->clear();
    const std::int32_t cutLeft = art.paths[1].left;
    Key(shell.window, Qt::Key_X);
    QCOMPARE(ClipboardEps(), middle);
    QCOMPARE(art.count, 2);
    for (int i = 0; i < art.count; ++i) QVERIFY(art.paths[i].left != cutLeft);
    QVERIFY(!shell.window.action(kCmdCut)->isEnabled());  // what is left is unselected
    // Undo gives the cut path back in its place.
    Key(shell.window, Qt::Key_Z);
    QCOMPARE(art.count, 3);
    QCOMPARE(art.paths[1].left, cutLeft);
  }

  void pasteAsNewOpensThePictureUntitled() {
    Shell shell;
    QImage picture(90, 50, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);  // transparency is paper
    {
      QPainter p(&picture);
      p.fillRect(20, 10, 30, 30, Qt::black);
    }
    QGuiApplication::clipboard()->setImage(picture);
    Key(shell.window, Qt::Key_V);
    QVERIFY(shell.window.document().imageOpen);
    QVERIFY(shell.window.document().imageUntitled);
    QCOMPARE(shell.window.document().imageName, std::string("Untitled"));
    QCOMPARE(shell.program.image.width, 90);
    QCOMPARE(shell.program.image.height, 50);
    QVERIFY(shell.window.windowTitle().startsWith(QStringLiteral("Untitled  ")));
    // The black square traces into one path; the white rest into nothing.
    shell.program.activeSettings.set(settings::kColorConversion, false);
    shell.window.dispatch(app::kCommandConvert);
    QCOMPARE(shell.program.artwork.count, 1);
    QVERIFY(shell.window.windowTitle().startsWith(QStringLiteral("Untitled - Untitled.art  ")));
  }

  void pasteWithoutAPictureSaysSo() {
    Shell shell;
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    shell.window.dispatch(kCmdPasteAsNew);
    QTRY_COMPARE(boxes.texts, QStringList{QString::fromUtf8(msg::Text(msg::kClipboardHasNoPicture).data())});
    QVERIFY(!shell.window.document().imageOpen);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeClipboardSuite() { return std::make_unique<ClipboardTest>(); }

}  // namespace vl::gui::test

#include "clipboard_test.moc"
