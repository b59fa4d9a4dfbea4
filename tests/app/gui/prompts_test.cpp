// The save prompts through the real boxes with scripted answers: Close after a conversion asks
// about the art by its name, and Yes, No and Cancel do what they say.
#include <QTest>
#include <filesystem>

#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

class PromptsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void closeAsksAboutTheArt_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("yes saves and closes") << int(QMessageBox::Yes) << true << true;
    QTest::newRow("no closes unsaved") << int(QMessageBox::No) << true << false;
    QTest::newRow("cancel keeps all") << int(QMessageBox::Cancel) << false << false;
  }
  void closeAsksAboutTheArt() {
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    Shell shell;
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    QVERIFY(shell.window.document().artModified);
    const std::string target = shell.dir / "kept.eps";
    shell.dialogs.artFile = target;
    shell.dialogs.artFormat = app::ArtFormat{};
    BoxAnswerer boxes;
    boxes.script({QMessageBox::StandardButton(answer)});
    Key(shell.window, Qt::Key_W);
    QTRY_COMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.texts.first(),
             QString::fromStdString(msg::Format(msg::kSaveArtQuestion, "scan.art")));
    QCOMPARE(boxes.unexpected, 0);
    QCOMPARE(shell.window.document().imageOpen, !closed);
    QCOMPARE(std::filesystem::exists(target), saved);
    QCOMPARE(shell.window.windowTitle() == QStringLiteral("Vectorlume"), closed);
  }

  // Once saved, the art goes by the file written: the title and the prompt name it.
  void promptNamesTheArtAsSaved() {
    Shell shell;
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    shell.dialogs.artFile = shell.dir / "form.svg";
    shell.dialogs.artFormat = app::ArtFormat{};
    shell.dialogs.artFormat.svg = true;
    shell.window.dispatch(app::kCommandSaveArtAs);
    QVERIFY(!shell.window.document().artModified);
    QVERIFY(shell.window.windowTitle().startsWith(QStringLiteral("scan.tif - form.svg")));
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Yes, QMessageBox::Cancel});
    Key(shell.window, Qt::Key_R);  // converted again: the art changed
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY(shell.window.document().artModified);
    Key(shell.window, Qt::Key_W);
    QTRY_COMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.texts.last(), QString::fromStdString(msg::Format(msg::kSaveArtQuestion, "form.svg")));
    QVERIFY(shell.window.document().imageOpen);
  }

  void convertAgainAsksFirst() {
    Shell shell;
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    BoxAnswerer boxes;
    boxes.script({QMessageBox::No});
    // Deselect, so that a new conversion would be visible as a changed selection.
    shell.window.dispatch(app::kCommandSelectNone);
    shell.window.dispatch(app::kCommandConvert);
    QTRY_COMPARE(boxes.texts, QStringList{QString::fromUtf8(msg::Text(msg::kConvertAgainQuestion).data())});
    QCOMPARE(shell.program.artwork.selectedCount, 0);
    QCOMPARE(shell.program.artwork.count, 2);
  }

  void quitWithUnsavedArtCanBeCancelled() {
    Shell shell;
    QVERIFY(shell.open());
    shell.window.dispatch(app::kCommandConvert);
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Cancel});
    shell.window.close();  // the window's close box runs Quit
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY(shell.window.isVisible());
    QVERIFY(shell.window.document().imageOpen);
    QVERIFY(!shell.window.document().quitRequested);
  }
};

}  // namespace

std::unique_ptr<QObject> MakePromptsSuite() { return std::make_unique<PromptsTest>(); }

}  // namespace vl::gui::test

#include "prompts_test.moc"
