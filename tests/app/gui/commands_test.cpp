// The dispatcher driven through the real menus and keys: every command of the table is in a
// menu with its text and key, the missing ones disabled with their reason, and the keys reach
// the command set and the window's own commands.
#include <algorithm>

#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include "app/art_format_names.h"
#include "app/document_names.h"
#include "app/gui/command_table.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The actions reachable from the menu bar, walking every submenu.
void CollectActions(const QList<QAction*>& actions, QList<QAction*>& out) {
  for (QAction* a : actions) {
    if (a->menu()) CollectActions(a->menu()->actions(), out);
    else if (!a->isSeparator()) out << a;
  }
}

class CommandsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void everyCommandIsInTheMenusWithItsTextAndKey() {
    Shell shell;
    QList<QAction*> reachable;
    CollectActions(shell.window.menuBar()->actions(), reachable);
    for (const MenuCommand& c : MenuCommands()) {
      QAction* a = shell.window.action(c.id);
      QVERIFY2(a && reachable.contains(a), qPrintable(QString::number(c.id)));
      QCOMPARE(a->text(), Q(c.text));
      QStringList keys;
      for (const QKeySequence& k : a->shortcuts()) keys << k.toString();
      QCOMPARE(keys.join(';'), Q(c.key));
      if (c.handler == Handler::kMissing) {
        QVERIFY(!a->isEnabled());
        QVERIFY2(a->toolTip().endsWith(QStringLiteral(" is not available in this build.")),
                 qPrintable(a->toolTip()));
      }
    }
    // Every identifier is group x 100 + item with items counted from 1, and none repeats.
    QSet<int> seen;
    for (const MenuCommand& c : MenuCommands()) {
      QVERIFY(c.id % 100 >= 1);
      QVERIFY(!seen.contains(c.id));
      seen.insert(c.id);
    }
  }

  void identifiersOutsideTheTableAndMissingStagesAreIgnored() {
    Shell shell;
    QVERIFY(!shell.window.dispatch(12999));
    QVERIFY(!shell.window.dispatch(0));
    for (const MenuCommand& c : MenuCommands())
      if (c.handler == Handler::kMissing) QVERIFY(!shell.window.dispatch(c.id));
    QVERIFY(!shell.window.document().imageOpen);
  }

  void keysReachTheCommands() {
    Shell shell;
    shell.dialogs.imageFile = shell.scan;
    Key(shell.window, Qt::Key_O);
    QVERIFY(shell.window.document().imageOpen);
    QVERIFY(shell.window.windowTitle().startsWith(QStringLiteral("scan.tif  <")));
    // Before a conversion the art commands are off; Ctrl+R converts.
    QVERIFY(!shell.window.action(app::kCommandSaveArt)->isEnabled());
    Key(shell.window, Qt::Key_R);
    QCOMPARE(shell.program.artwork.count, 2);
    QVERIFY(shell.window.action(app::kCommandSaveArt)->isEnabled());
    QVERIFY(shell.window.windowTitle().startsWith(QStringLiteral("scan.tif - scan.art  <")));
    // View modes, one checked at a time.
    Key(shell.window, Qt::Key_E);
    QCOMPARE(shell.window.imageView()->viewMode(), ViewMode::kArtwork);
    QVERIFY(shell.window.action(kCmdArtwork)->isChecked());
    QVERIFY(!shell.window.action(kCmdPreview)->isChecked());
    Key(shell.window, Qt::Key_Y);
    QCOMPARE(shell.window.imageView()->viewMode(), ViewMode::kPreview);
    // Actual size: 72 x 65536 / 300 pixels per inch, truncated; zoom in: x 1.5, truncated.
    Key(shell.window, Qt::Key_H);
    const std::uint32_t actual = 72u * 65536u / 300u;
    QCOMPARE(shell.program.image.zoomX, actual);
    QVERIFY(shell.window.windowTitle().endsWith(QStringLiteral("<100%>")));
    Key(shell.window, Qt::Key_Plus);
    QCOMPARE(shell.program.image.zoomX, std::uint32_t(actual * 1.5));
    QVERIFY(shell.window.windowTitle().endsWith(QStringLiteral("<150%>")));
    Key(shell.window, Qt::Key_Minus);
    QCOMPARE(shell.program.image.zoomX, std::uint32_t(std::uint32_t(actual * 1.5) * 0.6666666));
    // Select None through its key deselects the paths; Select All selects them again.
    Key(shell.window, Qt::Key_D);
    QCOMPARE(shell.program.artwork.selectedCount, 0);
    Key(shell.window, Qt::Key_A);
    QCOMPARE(shell.program.artwork.selectedCount, 2);
  }

  void deleteAndBackspaceClearPixelsOrSelectedPaths() {
    Shell shell;
    QVERIFY(shell.open());
    QAction* clear = shell.window.action(app::kCommandClear);
    const platform::Block& loaded = shell.program.image.backupLayer;
    const auto inkLeft = [&] {
      return std::any_of(loaded.data(), loaded.data() + loaded.size(),
                         [](std::uint8_t b) { return b != 0; });
    };
    QVERIFY(!clear->isEnabled());  // no selection
    Key(shell.window, Qt::Key_A);
    QVERIFY(clear->isEnabled());
    Key(shell.window, Qt::Key_Delete, Qt::NoModifier);
    QVERIFY(!inkLeft());
    QVERIFY(shell.window.document().pixelImageModified);
    Key(shell.window, Qt::Key_Z);
    QVERIFY(inkLeft());
    Key(shell.window, Qt::Key_D);
    QVERIFY(!clear->isEnabled());

    // With art, Backspace deletes the selected paths and leaves the pixels alone.
    Key(shell.window, Qt::Key_R);
    QCOMPARE(shell.program.artwork.count, 2);
    QVERIFY(!clear->isEnabled());  // a new conversion selects nothing
    Key(shell.window, Qt::Key_A);
    Key(shell.window, Qt::Key_Backspace, Qt::NoModifier);
    QCOMPARE(shell.program.artwork.count, 0);
    QVERIFY(inkLeft());
  }

  void fitInWindowUsesTheWindowsClientArea() {
    Shell shell(900, 300);
    QVERIFY(shell.open());
    shell.window.dispatch(kCmdFitInWindow);
    const QSize room = shell.window.imageView()->viewport()->size();
    const std::uint32_t expected =
        std::min(std::uint32_t(room.width()) * 65536u / 900u, std::uint32_t(room.height()) * 65536u / 300u);
    QCOMPARE(shell.program.image.zoomX, expected);
  }

  // Save Art As writes every art format the dialog offers; each file starts as its format does.
  void saveArtAsWritesEveryFormat() {
    Shell shell;
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    QCOMPARE(shell.program.artwork.count, 2);
    const struct {
      const char* name;
      QByteArray head;
    } rows[] = {{"eps", "%!PS-Adobe"}, {"gq", "%!PS-Adobe"}, {"svg", "<"},
                {"pdf", "%PDF"},       {"emf", QByteArray("\x01\x00\x00\x00", 4)},
                {"dxf", "SECTION"}};
    for (const auto& row : rows) {
      const app::ArtFormatName* format = app::FindArtFormatName(row.name);
      QVERIFY(format);
      const std::string path = shell.dir / (std::string("out.") + row.name);
      shell.dialogs.artFile = path;
      shell.dialogs.artFormat = app::FormatForRow(*format, true);
      shell.window.action(app::kCommandSaveArtAs)->trigger();
      const QByteArray bytes = QByteArray::fromStdString(app::test::ReadFile(path));
      QVERIFY2(std::string_view(row.name) == "dxf" ? bytes.contains(row.head) : bytes.startsWith(row.head), row.name);
      QVERIFY(!shell.window.document().artModified);
      QVERIFY(shell.window.windowTitle().contains(QStringLiteral(" - out.") + row.name));
    }
    // The plain GQ file has no header; the EPS one has.
    QVERIFY(QByteArray::fromStdString(app::test::ReadFile(shell.dir / "out.eps")).contains("%%BoundingBox"));
  }

  // Newest first, each file once, at most eight; an entry reopens its file; the list is
  // there for the next window too.
  void recentFilesKeepTheLastEightOpened() {
    QSettings().remove(QStringLiteral("recentFiles"));
    Shell shell;
    QStringList opened;
    for (int i = 0; i < 10; ++i) {
      const std::string path = shell.dir / ("scan" + std::to_string(i) + ".tif");
      app::test::WriteBilevelTiff(path, 20, 10, app::test::Squares(1, 5));
      shell.window.openPath(QString::fromStdString(path));
      QVERIFY(shell.window.document().imageOpen);
      opened.prepend(QString::fromStdString(path));
    }
    auto tips = [](const QMenu* menu) {
      QStringList out;
      for (const QAction* a : menu->actions()) out << a->toolTip();
      return out;
    };
    QCOMPARE(tips(shell.window.recentMenu()), opened.mid(0, 8));
    // Choosing the oldest entry reopens it and moves it to the front, without a second entry.
    shell.window.recentMenu()->actions().last()->trigger();
    QCOMPARE(QString::fromStdString(shell.window.document().imageName), opened[7]);
    QStringList expected = opened.mid(0, 8);
    expected.move(7, 0);
    QCOMPARE(tips(shell.window.recentMenu()), expected);
    Shell next;
    QCOMPARE(tips(next.window.recentMenu()), expected);
  }

  void droppedFilesOpenTheFirst() {
    Shell shell;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(shell.scan)),
                   QUrl::fromLocalFile(QStringLiteral("/nonexistent.tif"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&shell.window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&shell.window, &drop);
    QVERIFY(shell.window.document().imageOpen);
    QCOMPARE(shell.window.document().imageName, shell.scan);
    // The opened file heads the recent files.
    QVERIFY(!shell.window.recentMenu()->actions().isEmpty());
    QVERIFY(shell.window.recentMenu()->actions().first()->text().endsWith(QStringLiteral("scan.tif")));
    delete data;
  }
};

}  // namespace

std::unique_ptr<QObject> MakeCommandsSuite() { return std::make_unique<CommandsTest>(); }

}  // namespace vl::gui::test

#include "commands_test.moc"
